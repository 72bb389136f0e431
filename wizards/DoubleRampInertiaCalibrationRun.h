#pragma once

#include <QPointer>

class RunData;

// One run held by the inertia calibration tool, with its values as they were
// when it was added, for Cancel. The run is watched: deleting it elsewhere
// leaves a null pointer, never a dangling one.
class DoubleRampInertiaCalibrationRun
{
public:
    explicit DoubleRampInertiaCalibrationRun(RunData* run);
    void restoreBackup();

    QPointer<RunData> run;
    double engineInertia = 0.0;
    double drivetrainInertia = 0.0;
    double rollerInertia[4] = {0.0, 0.0, 0.0, 0.0};
    double lossFromLoadFactor = 0.0;
};
