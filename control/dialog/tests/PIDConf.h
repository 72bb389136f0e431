#pragma once

#include <limits>

// One set of a controller's gains, in the controller's own order. The filter
// frequencies (Hz) and the two controller-specific extras start unknown.
struct PIDConf_t {
    float relayAmplitude = 0;
    float kFF = 0;
    float kP = 0;
    float kI = 0;
    float kDFast = 0;
    float kDSlow = 0;
    float kDD = 0;
    float kF = std::numeric_limits<float>::quiet_NaN();
    float kDF = std::numeric_limits<float>::quiet_NaN();
    float kDDF = std::numeric_limits<float>::quiet_NaN();
    float e1 = std::numeric_limits<float>::quiet_NaN();
    float e2 = std::numeric_limits<float>::quiet_NaN();
};
