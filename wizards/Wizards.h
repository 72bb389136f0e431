#pragma once

#include <optional>

class QWidget;

// Start-up of the calibration layer: fills the hooks through which the lower
// layers open its tools (settings buttons, the recalculation's loss-model
// step, the analysis list's inertia calibration). Safe to call again.
namespace Wizards {

void registerHooks();

// The equivalent-mass calculator for the road-simulation test's "Wizard":
// its result, or nothing when the operator did not accept it.
std::optional<double> rotationalMassCalculator(QWidget* parent, int vehicleType);

} // namespace Wizards
