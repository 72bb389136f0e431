#include "BrakeControllerThread.h"

BrakeControllerThread* theBrakeControllerThread = nullptr;

BrakeControllerThread::BrakeControllerThread()
{
    moveToThread(this);
}

BrakeControllerThread::~BrakeControllerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
}

void BrakeControllerThread::slot_start()
{
    if (!isRunning())
        start(QThread::TimeCriticalPriority);
}
