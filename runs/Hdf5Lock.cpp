#include "Hdf5Lock.h"

#include <hdf5.h>

Hdf5Lock::Hdf5Lock()
{
    mutex().lock();
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
