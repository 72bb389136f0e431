#include "RelayTuning.h"

#include <algorithm>
#include <cmath>

RelayTuning::RelayTuning() = default;

void RelayTuning::startRelay()
{
    crossings = 0;
    kAverage.reset();
    tAverage.reset();
    relayMode = true;
}

RelayTuning::Result RelayTuning::addSample(double v, qint64 timeMs, double sp, double amplitude)
{
    Result result = Result_none;
    if (!started) {
        // The first sample starts the extremes and the clock, so the first
        // dip is measured from what the loop really did.
        started = true;
        smallest = largest = previous = v;
        previousTime = timeMs;
    }
    if (v < smallest)
        smallest = v;
    if (v > largest)
        largest = v;
    const double dt = (timeMs - previousTime) / 1000.0;
    previousTime = timeMs;
    elapsed += dt;
    if (!std::isnan(sp)) {
        if (v < sp * (1.0 - hysteresis))
            armed = true;
        if (v >= sp && previous < sp) {
            hysteresis *= 0.8;
            if (armed) {
                // A set point of 0 gives no relative depth: keep the hysteresis,
                // or it would turn NaN and never arm again.
                const double depth = 0.33 * (sp - smallest) / sp;
                if (std::isfinite(depth))
                    hysteresis = std::clamp(std::max(hysteresis, depth), 0.0, 1.0);
                armed = false;
                const double tc = (v - sp) * dt / (v - previous);
                period = elapsed - tc;
                avgT = tAverage.addData(period);
                dT = std::abs(1.0 - avgT / period);
                if (relayMode) {
                    kU = 4.0 * (2.0 * amplitude) / (M_PI * (largest - smallest));
                    // A flat oscillation gives an infinite gain: it would spoil
                    // the average for the next 20 crossings.
                    if (std::isfinite(kU)) {
                        avgK = kAverage.addData(kU);
                        dK = std::abs(1.0 - avgK / kU);
                    } else {
                        dK = std::numeric_limits<double>::infinity();
                    }
                    ++crossings;
                    result = Result_counted;
                    if (crossings > 100) {
                        relayMode = false;
                        result = Result_timeout;
                    } else if (crossings > 20 && dT < 0.1 && dK < 0.1) {
                        resultK = avgK;
                        resultT = avgT;
                        relayMode = false;
                        result = Result_completed;
                    }
                }
                elapsed = tc;
                smallest = largest = v;
            }
        }
    }
    previous = v;
    return result;
}

void RelayTuning::calculateCoefficients(double kU, double tU, PIDConf_t sets[4])
{
    const double kP[4] = {0.3 * kU, 0.45 * kU, 0.6 * kU, 0.45 * kU};
    const double kI[4] = {0.2 * kU / tU, 0.6 * kU / tU, 1.2 * kU / tU, 0.54 * kU / tU};
    const double kD[4] = {0.04 * kU * tU, 0.06 * kU * tU, 0.075 * kU * tU, 0};
    for (int i = 0; i < 4; ++i) {
        sets[i].kP = float(kP[i]);
        sets[i].kI = float(kI[i]);
        sets[i].kDFast = float(kD[i]);
    }
}
