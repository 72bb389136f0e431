#include "EngineSpeedFrameProxy.h"

#include "FilterBoxVariableSamplingChannel.h"
#include "FreqFrameDecoding.h"
#include "FreqInputSettings.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

EngineSpeedFrameProxy::EngineSpeedFrameProxy(FilterBoxVariableSamplingChannel* f, FilterBoxVariableSamplingChannel* r,
                                             const FreqInputSettings* inputSettings)
    : frequencyChannel(f)
    , rateChannel(r)
    , settings(inputSettings)
{
}

void EngineSpeedFrameProxy::reset()
{
    framesSinceReset = 0;
    spikePending = false;
    accumulatedTime = 0.0;
    lastFilteredFrequency = 0.0;
}

bool EngineSpeedFrameProxy::newFreqFrame(const FreqFrame& frame)
{
    if (framesSinceReset <= 2)
        ++framesSinceReset;
    if (framesSinceReset < 3) {
        accumulatedTime = 0.0;
        lastFilteredFrequency = kNaN;
        lastRawFrequency = kNaN;
        return false;
    }

    double f = 0.0;
    double dt = 0.0;
    if (!FreqFrameDecoding::decode(frame.data, settings->mode, f, dt))
        return false;

    if (settings->spikeFilter) {
        bool drop = false;
        if (spikePending) {
            spikePending = false;
            drop = true;
        } else if (2.0 * lastRawFrequency < f) {
            spikePending = true;
            drop = true;
        }
        if (drop) {
            lastFilteredFrequency = kNaN;
            accumulatedTime = 0.0;
            lastRawFrequency = f;
            return false;
        }
    }
    filter(f, dt);
    lastRawFrequency = f;
    return true;
}

void EngineSpeedFrameProxy::filter(double f, double dt)
{
    frequencyChannel->addSample(f, dt);
    if (!frequencyChannel->settled()) {
        lastFilteredFrequency = kNaN;
        accumulatedTime = 0.0;
        return;
    }
    accumulatedTime += dt;
    if (accumulatedTime > 0.0) {
        const double output = frequencyChannel->rawOutput();
        if (std::isfinite(lastFilteredFrequency))
            rateChannel->addSample((output - lastFilteredFrequency) / accumulatedTime, accumulatedTime);
        lastFilteredFrequency = output;
        accumulatedTime = 0.0;
    }
}
