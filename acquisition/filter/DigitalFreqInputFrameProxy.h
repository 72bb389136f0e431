#pragma once

#include "FrameRecords.h"
#include "lib/FrequencyInputIds.h"

class FilterBoxVariableSamplingChannel;
struct FreqInputSettings;

// Turns the words of one digital frequency input into filtered frequency and
// frequency-change-rate samples, and watches a shaft speed sensor for signal
// faults: a drop and a rise by more than a factor 1.9 within nine frames of
// each other (a missing or an extra tooth), where one step alone is a real
// change of speed. Run thread only.
class DigitalFreqInputFrameProxy
{
public:
    DigitalFreqInputFrameProxy(McuFreqInput slot, FilterBoxVariableSamplingChannel* frequencyChannel,
                               FilterBoxVariableSamplingChannel* rateChannel, const FreqInputSettings* settings);

    // True when the frame showed a signal fault.
    bool newFreqFrame(const FreqFrame& frame);
    // The next two frames are dropped (a fresh start without stale history).
    void reset() { framesSinceReset = 0; }

    FilterBoxVariableSamplingChannel* frequencyChannel;
    FilterBoxVariableSamplingChannel* rateChannel;
    McuFreqInput slot;

private:
    const FreqInputSettings* settings;
    int framesSinceReset = 0;
    double lastFilteredFrequency = 0.0;
    double lastRawFrequency = 0.0;
    double accumulatedTime = 0.0;
    int dropWindow = 0;
    int riseWindow = 0;
};
