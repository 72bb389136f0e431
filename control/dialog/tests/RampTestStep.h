#pragma once

#include <QString>

// The steps of the ramp test; stored as an int.
enum RampTestStep : int {
    RampTestStep_undefined = 0,
    RampTestStep_armed = 1,
    RampTestStep_holding = 2,
    RampTestStep_releasing = 3,
    RampTestStep_acceleration = 4,
    RampTestStep_topHoldEase = 5,
    RampTestStep_topHold = 6,
    RampTestStep_coastdown = 7,
};

// The step's label text (empty for a value that is no step).
QString rampTestStepText(int step);
