#pragma once

#include <cstdint>

// The absorber device mode the MCU runs.
enum class DynoMode : int32_t {
    idle = 0,
    inertia = 1,
    remoteTorque = 2,
    lockSpeed = 3,
    lockAcc = 4,
};
