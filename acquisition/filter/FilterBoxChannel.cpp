#include "FilterBoxChannel.h"

#include <cmath>

FilterBoxChannel::FilterBoxChannel(int rate, DynoSettingId cutoff, QObject* parent)
    : AbstractFilterBoxChannel(parent)
    , sampleRate(rate)
    , cutoffSetting(cutoff)
{
    for (double& stage : stages)
        stage = std::numeric_limits<double>::quiet_NaN();
    dt = rate > 0 ? 1.0 / rate : 0.0;
}

void FilterBoxChannel::setFilterCutoffFrequency(double cutoff)
{
    QMutexLocker locker(&outputMutex);
    const double w = std::exp(-2.0 * M_PI * cutoff / sampleRate);
    a = 1.0 - w;
    b = w;
    dt = 1.0 / sampleRate;
    settlingTime = 4.0 / (2.0 * M_PI * cutoff);
    elapsed = 0.0;
}

void FilterBoxChannel::addSample(double x)
{
    QMutexLocker locker(&outputMutex);
    // A gap in the signal restarts the settling, so nothing half-filtered is shown.
    if (!std::isfinite(x))
        elapsed = 0.0;
    input = x;
    for (double& stage : stages) {
        if (std::isfinite(stage))
            x = a * x + b * stage;
        stage = x;
    }
    output = stages[stageCount - 1];
    if (elapsed < settlingTime)
        elapsed += dt;
}

double FilterBoxChannel::value() const
{
    QMutexLocker locker(&outputMutex);
    return settlingTime <= elapsed ? output : std::numeric_limits<double>::quiet_NaN();
}
