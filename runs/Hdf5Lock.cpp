#include "Hdf5Lock.h"

#include <QThread>

#include <hdf5.h>

Hdf5Lock::Hdf5Lock()
{
    waiting().fetch_add(1);
    mutex().lock();
    waiting().fetch_sub(1);
    thread_local bool errorPrintingOff = false;
    if (!errorPrintingOff) {
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
        errorPrintingOff = true;
    }
}

Hdf5Lock::~Hdf5Lock()
{
    mutex().unlock();
}

QRecursiveMutex& Hdf5Lock::mutex()
{
    static QRecursiveMutex instance;
    return instance;
}

std::atomic<int>& Hdf5Lock::waiting()
{
    static std::atomic<int> count {0};
    return count;
}

void Hdf5Lock::letWaitersGo()
{
    // Bounded: a waiter that does not get going within this many turns of
    // the scheduler is not held up by the loop either way.
    for (int turn = 0; turn < 1000 && waiting().load() > 0; ++turn)
        QThread::yieldCurrentThread();
}
