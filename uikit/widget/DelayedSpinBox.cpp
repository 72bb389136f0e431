#include "DelayedSpinBox.h"

#include <QTimer>

DelayedSpinBox::DelayedSpinBox(QWidget* parent)
    : QSpinBox(parent)
{
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedSpinBox::slot_sendDelayedValueChanged);
    connect(this, &QSpinBox::valueChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedSpinBox::slot_sendDelayedValueChanged()
{
    Q_EMIT signal_delayedValueChanged(value());
}

void DelayedSpinBox::setValueWithoutSignal(int value)
{
    setValue(value);
    timer->stop();
}
