#include "Wizards.h"

#include "AnalysisHooks.h"
#include "InertiaCalibrationTool.h"
#include "LossModelCalculator.h"
#include "RotationalMassEquivalentWizard.h"
#include "RunDataHooks.h"
#include "SettingsWizards.h"

#include <QDialog>

namespace Wizards {

void registerHooks()
{
    SettingsWizards::registerOpeners();

    RunDataHooks::instance().lossModelCalculator = [](RunData* run, bool autoAccept) {
        LossModelCalculator calculator(nullptr, run, autoAccept);
    };

    AnalysisHooks& analysis = AnalysisHooks::instance();
    analysis.openInertiaCalibration = [](RunData* first, QWidget* parent) -> QWidget* {
        return new InertiaCalibrationTool(first, parent);
    };
    analysis.addToInertiaCalibration = [](QWidget* tool, RunData* run) {
        if (auto* calibration = qobject_cast<InertiaCalibrationTool*>(tool))
            calibration->addRunData(run);
    };
    analysis.removeFromInertiaCalibration = [](QWidget* tool, RunData* run) {
        if (auto* calibration = qobject_cast<InertiaCalibrationTool*>(tool))
            calibration->removeRunData(run);
    };
}

std::optional<double> rotationalMassCalculator(QWidget* parent, int vehicleType)
{
    RotationalMassEquivalentWizard wizard(parent, vehicleType);
    if (wizard.result() != QDialog::Accepted)
        return std::nullopt;
    return wizard.rotationalMass();
}

} // namespace Wizards
