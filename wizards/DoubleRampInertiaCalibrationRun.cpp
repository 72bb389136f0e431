#include "DoubleRampInertiaCalibrationRun.h"

#include "DynoSettingId.h"
#include "ProjectListFieldId.h"
#include "RunData.h"

DoubleRampInertiaCalibrationRun::DoubleRampInertiaCalibrationRun(RunData* runData)
    : run(runData)
{
    engineInertia = run->getProjectInfoValue(ProjectListFields::engineInertia, 0.0).toDouble();
    drivetrainInertia = run->getProjectInfoValue(ProjectListFields::drivetrainInertia, 0.0).toDouble();
    for (int r = 0; r < std::min(4, int(run->hwInfo.rollers)); ++r)
        rollerInertia[r] = run->getRollerInertia(RollerId(r));
    lossFromLoadFactor = run->getSettingValueDouble(DynoSettingId_lossFromLoadFactor, 0, 0.0);
}

void DoubleRampInertiaCalibrationRun::restoreBackup()
{
    if (!run)
        return;
    run->updateProjectInfoValue(ProjectListFields::engineInertia, engineInertia, true);
    run->updateProjectInfoValue(ProjectListFields::drivetrainInertia, drivetrainInertia, true);
    for (int r = 0; r < std::min(4, int(run->hwInfo.rollers)); ++r)
        run->updateRollerInertia(RollerId(r), rollerInertia[r]);
    run->updateSettingValue(DynoSettingId_lossFromLoadFactor, lossFromLoadFactor, 0);
}
