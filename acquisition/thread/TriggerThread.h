#pragma once

#include <QThread>

// STAND-IN until triggers exist: the thread that will tick every registered
// trigger each 10 ms. For now it only runs its event loop, so that start-up and
// shutdown treat it like the real one.
class TriggerThread : public QThread
{
    Q_OBJECT
public:
    TriggerThread();
    ~TriggerThread() override;
};

extern TriggerThread* theTriggerThread;
