#pragma once

// The rollers of the dyno, numbered from 0.
enum class RollerId : int { Roller0 = 0, Roller1 = 1, Roller2 = 2, Roller3 = 3 };

// The digital speed inputs of the board, numbered from 0.
enum class DigitalFreqInput : int { Input0 = 0, Input1 = 1, Input2 = 2, Input3 = 3, Input4 = 4 };

// The controller's frequency-input channels. Channel 2 carries engine speed and
// is neither a roller nor a digital speed input.
enum class McuFreqInput : int {
    Channel0 = 0,
    Channel1 = 1,
    EngineSpeed = 2,
    Channel3 = 3,
    Channel4 = 4,
    Channel5 = 5
};
