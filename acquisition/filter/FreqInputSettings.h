#pragma once

// The settings of one MCU frequency slot as the run thread's decoders read
// them: a plain copy that the run thread refreshes from the dyno settings
// before each input block and each sampling tick.
struct FreqInputSettings {
    int mode = 0;               // 0 pulse capture, 1 pulse count
    int sensor = 0;             // 0 shaft speed sensor, 1 general purpose sensor
    int signalsPerRotation = 1;
    double multiplier = 1.0;
    bool spikeFilter = false;
};
