#pragma once

#include "FrameRecords.h"

class FilterBoxVariableSamplingChannel;
struct FreqInputSettings;

// The engine-speed input (MCU slot 2): filtered frequency and change rate,
// with an optional spike filter that drops a frequency more than doubling and
// the frame after it. Run thread only.
class EngineSpeedFrameProxy
{
public:
    EngineSpeedFrameProxy(FilterBoxVariableSamplingChannel* frequencyChannel,
                          FilterBoxVariableSamplingChannel* rateChannel, const FreqInputSettings* settings);

    // True when the frame reached the filter.
    bool newFreqFrame(const FreqFrame& frame);
    void reset();

    FilterBoxVariableSamplingChannel* frequencyChannel;
    FilterBoxVariableSamplingChannel* rateChannel;

private:
    void filter(double f, double dt);

    const FreqInputSettings* settings;
    double lastFilteredFrequency = 0.0;
    double lastRawFrequency = 0.0;
    int framesSinceReset = 0;
    bool spikePending = false;
    double accumulatedTime = 0.0;
};
