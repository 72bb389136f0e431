#include "DelayedComboBox.h"

#include <QTimer>

DelayedComboBox::DelayedComboBox(QWidget* parent)
    : QComboBox(parent)
{
    timer = new QTimer(this);
    timer->setInterval(300);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &DelayedComboBox::slot_sendDelayedCurrentIndexChanged);
    connect(this, &QComboBox::currentIndexChanged, timer, qOverload<>(&QTimer::start));
}

void DelayedComboBox::slot_sendDelayedCurrentIndexChanged()
{
    Q_EMIT signal_delayedCurrentIndexChanged(currentIndex());
}

void DelayedComboBox::setCurrentIndexWithoutSignal(int index)
{
    setCurrentIndex(index);
    timer->stop();
}
