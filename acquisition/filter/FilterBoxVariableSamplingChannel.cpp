#include "FilterBoxVariableSamplingChannel.h"

#include <cmath>

FilterBoxVariableSamplingChannel::FilterBoxVariableSamplingChannel(DynoSettingId cutoff, QObject* parent)
    : AbstractFilterBoxChannel(parent)
    , cutoffSetting(cutoff)
{
    for (double& stage : stages)
        stage = std::numeric_limits<double>::quiet_NaN();
}

void FilterBoxVariableSamplingChannel::setFilterCutoffFrequency(double cutoff)
{
    if (std::isinf(cutoff) && cutoff > 0.0) {
        settlingTime = 0.0;
        elapsed = 0.0;
        return;
    }
    k = -2.0 * M_PI * cutoff;
    settlingTime = 3.0 / (2.0 * M_PI * cutoff) + 0.2;
    elapsed = 0.0;
}

void FilterBoxVariableSamplingChannel::addSample(double x, double dt)
{
    if (elapsed < settlingTime)
        elapsed += dt;
    // Never set up (k = -inf): exp gives 0 and every stage follows its input.
    const double w = std::isinf(k) ? 0.0 : std::exp(dt * k);
    input = x;
    for (double& stage : stages) {
        if (!std::isnan(stage))
            x = (1.0 - w) * x + w * stage;
        stage = x;
    }
    newData = true;
    output = stages[stageCount - 1];
}

double FilterBoxVariableSamplingChannel::take()
{
    newData = false;
    return settled() ? output : std::numeric_limits<double>::quiet_NaN();
}

void FilterBoxVariableSamplingChannel::zero()
{
    output = 0.0;
    input = 0.0;
    for (double& stage : stages)
        stage = 0.0;
    elapsed = settlingTime;
    newData = true;
}
