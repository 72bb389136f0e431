#pragma once

#include "AbstractFilterBoxChannel.h"
#include "DynoSettingId.h"

#include <limits>

// Seven cascaded first-order stages for samples that carry their own time
// step (frequency inputs and their change rates). The decoder writes samples
// as frames arrive; the 10 ms sampler takes the output when there is a new one.
// Run thread only.
class FilterBoxVariableSamplingChannel : public AbstractFilterBoxChannel
{
    Q_OBJECT
public:
    static constexpr int stageCount = 7;

    explicit FilterBoxVariableSamplingChannel(DynoSettingId cutoffSetting, QObject* parent = nullptr);

    void addSample(double x, double dt);
    bool settled() const { return settlingTime <= elapsed; }
    bool hasNewData() const { return newData; }
    // The output while settled, else NaN; clears the new-data mark.
    double take();
    // The output as the next stage of the decoder reads it (not settled: NaN).
    double peek() const { return settled() ? output : std::numeric_limits<double>::quiet_NaN(); }
    double rawOutput() const { return output; }
    // An input that stopped: everything 0 and valid at once.
    void zero();

    DynoSettingId cutoffSetting;
    double settlingTime = 0.0;
    double elapsed = 0.0;

public Q_SLOTS:
    void setFilterCutoffFrequency(double cutoffFrequency) override;

private:
    bool newData = false;
    double output = std::numeric_limits<double>::quiet_NaN();
    double k = -std::numeric_limits<double>::infinity();
    double input = std::numeric_limits<double>::quiet_NaN();
    double stages[stageCount];
};
