#include "DelayedSlider.h"

#include <QTimer>

DelayedSlider::DelayedSlider(QWidget* parent)
    : QSlider(parent)
{
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedSlider::slot_sendDelayedValueChanged);
    connect(this, &QSlider::valueChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedSlider::slot_sendDelayedValueChanged()
{
    Q_EMIT signal_delayedValueChanged(value());
}
