#pragma once
// How recorded samples are joined when they are put on another time grid.
// Stored as a 32-bit number in channel setups; other numbers may turn up in
// old files and are passed through as they are.

#include <QtGlobal>

enum class SamplingMode : qint32 {
    SampleAndHold = 0, // the previous sample holds until the next one (discrete data)
    Interpolate = 1,   // straight line between neighbouring samples (analog data)
};
