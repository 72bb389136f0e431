#include "DelayedCheckBox.h"

#include <QTimer>

DelayedCheckBox::DelayedCheckBox(QWidget* parent)
    : QCheckBox(parent)
{
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedCheckBox::slot_sendDelayedStateChanged);
    connect(this, &QCheckBox::stateChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedCheckBox::slot_sendDelayedStateChanged()
{
    Q_EMIT signal_delayedStateChanged(static_cast<int>(checkState()));
}

void DelayedCheckBox::setCheckedWithoutSignal(bool checked)
{
    setChecked(checked);
    timer->stop();
}
