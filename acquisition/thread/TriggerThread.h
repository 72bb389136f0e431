#pragma once

#include "TriggerRegistry.h"

#include <QList>
#include <QMutex>
#include <QThread>

class QTimer;
class QWidget;
class Trigger;

// Ticks every registered trigger each 10 ms on a precise timer in a thread of
// its own, so repeat triggers keep their timing while the GUI thread is busy.
// The list and every tick are guarded by one mutex, which triggers also hold
// while they change their setup; a trigger removed from the list is never
// ticked again once removeTrigger has returned.
class TriggerThread : public QThread, public TriggerRegistry
{
    Q_OBJECT
public:
    TriggerThread();
    ~TriggerThread() override;

    void addTrigger(Trigger* trigger) override;
    void removeTrigger(Trigger* trigger) override;
    QMutex* tickMutex() override { return &mutex; }

    // Gives every trigger's shortcut to `parent` (a dialog that must receive
    // them while it is open); GUI thread.
    void reparentShortcuts(QWidget* parent);
    // Back to the main window's top widget.
    void restoreDefaultShortcutsParent();

    QTimer* timer = nullptr;
    QList<Trigger*> triggers;
    QMutex mutex;

public Q_SLOTS:
    void slot_tick();

protected:
    void run() override;
};

extern TriggerThread* theTriggerThread;
