#pragma once

#include <atomic>

// The fields of the active project that the run thread's physics read. The
// project table belongs to the GUI thread; the layer that owns it copies the
// fields here whenever the active project or its data change, so the run
// thread never touches the table. Every field reads 0 while no project is active.
struct ActiveProjectValues {
    std::atomic<bool> active{false};
    std::atomic<double> mass{0.0};              // kg
    std::atomic<int> driveWheels{0};
    std::atomic<double> drivetrainInertia{0.0}; // kg·m²
    std::atomic<double> engineInertia{0.0};     // kg·m²
    std::atomic<double> lossFromLoadFactor{0.0};
    std::atomic<double> wheelDiameter{0.0};     // m

    void clear()
    {
        active = false;
        mass = 0.0;
        driveWheels = 0;
        drivetrainInertia = 0.0;
        engineInertia = 0.0;
        lossFromLoadFactor = 0.0;
        wheelDiameter = 0.0;
    }
};

extern ActiveProjectValues theActiveProjectValues;
