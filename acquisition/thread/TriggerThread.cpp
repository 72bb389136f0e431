#include "TriggerThread.h"

#include "ShortcutParents.h"
#include "Trigger.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QTimer>

TriggerThread* theTriggerThread = nullptr;

TriggerThread::TriggerThread()
{
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &TriggerThread::slot_tick);
    connect(this, &QThread::finished, timer, &QTimer::stop);
    moveToThread(this);
    TriggerRegistry::set(this);
}

TriggerThread::~TriggerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
    if (TriggerRegistry::current() == this)
        TriggerRegistry::set(nullptr);
}

void TriggerThread::run()
{
    timer->start(10);
    exec();
}

void TriggerThread::addTrigger(Trigger* trigger)
{
    QMutexLocker locker(&mutex);
    triggers.append(trigger);
}

void TriggerThread::removeTrigger(Trigger* trigger)
{
    QMutexLocker locker(&mutex);
    triggers.removeOne(trigger);
}

void TriggerThread::reparentShortcuts(QWidget* parent)
{
    QMutexLocker locker(&mutex);
    for (Trigger* trigger : std::as_const(triggers))
        trigger->reparentShortcut(parent);
}

void TriggerThread::restoreDefaultShortcutsParent()
{
    reparentShortcuts(ShortcutParents::triggerDefault());
}

void TriggerThread::slot_tick()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QMutexLocker locker(&mutex);
    for (Trigger* trigger : std::as_const(triggers))
        trigger->tick(now);
}
