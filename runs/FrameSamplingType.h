#pragma once

#include <cstdint>

// How the records of a table are placed in time; stored as the table
// attribute "samplingType".
enum FrameSamplingType : uint32_t {
    // No constant rate: each record carries its own timing (frequency-input
    // words). The nominal rate 1000 is stored all the same.
    FrameSamplingIrregular = 0,
    // One record per period of the type's samplingFrequency.
    FrameSamplingConstant = 1,
    // Event records whose last 4 bytes are the uint32 member "timestamp".
    FrameSamplingTimestamped = 2
};
