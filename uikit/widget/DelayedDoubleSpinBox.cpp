#include "DelayedDoubleSpinBox.h"

#include <QTimer>

DelayedDoubleSpinBox::DelayedDoubleSpinBox(QWidget* parent)
    : QDoubleSpinBox(parent)
{
    setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedDoubleSpinBox::slot_sendDelayedValueChanged);
    connect(this, &QDoubleSpinBox::valueChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedDoubleSpinBox::slot_sendDelayedValueChanged()
{
    Q_EMIT signal_delayedValueChanged(value());
}

void DelayedDoubleSpinBox::setValueWithoutSignal(double value)
{
    setValue(value);
    timer->stop();
}
