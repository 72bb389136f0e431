#include "WizardsLink.h"

#include "DrivetrainInertiaDialog.h"
#include "EngineFactorDialog.h"
#include "Projects.h"
#include "WheelDiameterDialog.h"
#include "Wizards.h"

namespace WizardsLink {

void install()
{
    Wizards::registerHooks();
    Projects::setCalculatorOpener(Projects::DrivetrainInertiaCalculator, [](int vehicleType) -> std::optional<double> {
        DrivetrainInertiaDialog dialog(vehicleType);
        if (dialog.result() != QDialog::Accepted)
            return std::nullopt;
        return dialog.transferredInertia();
    });
    Projects::setCalculatorOpener(Projects::WheelDiameterCalculator, [](int) -> std::optional<double> {
        WheelDiameterDialog dialog;
        if (dialog.result() != QDialog::Accepted)
            return std::nullopt;
        return dialog.wheelDiameter();
    });
    Projects::setCalculatorOpener(Projects::EngineFactorCalculator, [](int) -> std::optional<double> {
        EngineFactorDialog dialog;
        if (dialog.result() != QDialog::Accepted)
            return std::nullopt;
        return dialog.engineFactor();
    });
}

} // namespace WizardsLink
