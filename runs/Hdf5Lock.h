#pragma once

#include <QRecursiveMutex>

#include <atomic>

// Holds the one process-wide lock of the HDF5 library for its lifetime. Every
// HDF5 call of the program runs under it: the run thread appends to its packet
// tables while the GUI thread reads and updates other run files, and the
// packet-table layer keeps state outside the library's own thread safety.
// Recursive, so a locked operation may call other locked operations.
//
// The first lock in a thread also turns off HDF5's automatic printing of its
// error stack for that thread (the stack is per thread): failures are
// reported by our own debug-log lines.
class Hdf5Lock
{
public:
    Hdf5Lock();
    ~Hdf5Lock();
    Hdf5Lock(const Hdf5Lock&) = delete;
    Hdf5Lock& operator=(const Hdf5Lock&) = delete;

    static QRecursiveMutex& mutex();

    // For a thread that takes the lock again and again in a long loop (a run
    // loading): called between two holds, it lets a thread already waiting
    // (the run thread with its records) take the lock first. The mutex
    // itself is not fair, and the loop would otherwise take it back at once.
    static void letWaitersGo();

private:
    static std::atomic<int>& waiting();
};
