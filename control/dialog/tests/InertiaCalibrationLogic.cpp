#include "InertiaCalibrationLogic.h"

#include <algorithm>
#include <cmath>

bool InertiaCalibrationLogic::tick(double v, double bottom, double top, double rate, double& target)
{
    if (!(bottom < top))
        return false;
    const double span = top - bottom;
    const double lower = bottom + 0.1 * span;
    const double upper = bottom + 0.9 * span;
    double a = 0;
    // NaN satisfies no comparison and falls to the full rate of the direction.
    if (accelerating) {
        if (v <= lower) {
            a = (std::abs(0.9 * (v - bottom) / (0.1 * span)) + 0.1) * rate;
        } else if (v >= top) {
            accelerating = false;
            return false;
        } else if (v >= upper) {
            a = (0.9 * (top - v) / (0.1 * span) + 0.1) * rate;
        } else {
            a = rate;
        }
    } else {
        if (v >= upper) {
            a = -(std::abs(0.9 * (top - v) / (0.1 * span)) + 0.1) * rate;
        } else if (v <= bottom) {
            accelerating = true;
            return false;
        } else if (v <= lower) {
            a = -(0.9 * (v - bottom) / (0.1 * span) + 0.1) * rate;
        } else {
            a = -rate;
        }
    }
    if (!std::isfinite(a))
        return false;
    target = std::clamp(a, -rate, rate);
    return true;
}
