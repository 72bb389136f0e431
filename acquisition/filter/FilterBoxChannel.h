#pragma once

#include "AbstractFilterBoxChannel.h"
#include "DynoSettingId.h"

#include <QMutex>

#include <limits>

// Four cascaded first-order stages for samples at a fixed rate (analog inputs,
// high-precision inputs, load cells). The output counts only once the filter
// has settled: four time constants of sample time after each set-up.
class FilterBoxChannel : public AbstractFilterBoxChannel
{
    Q_OBJECT
public:
    static constexpr int stageCount = 4;

    FilterBoxChannel(int sampleRate, DynoSettingId cutoffSetting, QObject* parent = nullptr);

    // One sample. Run thread only; no allocation.
    void addSample(double x);
    // The output while settled, otherwise NaN. Any thread: the load-cell
    // calibration tools read it from the GUI thread while the run thread writes.
    double value() const;

    int sampleRate = 0;
    DynoSettingId cutoffSetting;

public Q_SLOTS:
    void setFilterCutoffFrequency(double cutoffFrequency) override;

private:
    mutable QMutex outputMutex;
    double output = std::numeric_limits<double>::quiet_NaN();
    double settlingTime = 0.0;
    double elapsed = 0.0;
    double a = 0.0;
    double b = 0.0;
    double dt = 0.0;
    double input = std::numeric_limits<double>::quiet_NaN();
    double stages[stageCount];
};
