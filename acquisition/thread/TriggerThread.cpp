#include "TriggerThread.h"

TriggerThread* theTriggerThread = nullptr;

TriggerThread::TriggerThread()
{
    moveToThread(this);
}

TriggerThread::~TriggerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
}
