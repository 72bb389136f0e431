#pragma once

#include <QString>

class OneAxleWheelSet;
class QGridLayout;
class QWidget;

// The two wheel sets side by side under "Set 1" and "Set 2" that the
// drivetrain-inertia and equivalent-mass calculators share. For a motorcycle
// set 1 is a single wheel and set 2 is hidden and counts 0 wheels.
namespace VehicleCalculatorLayout {

constexpr int kMotorcycle = 3;

void addSets(QWidget* parent, QGridLayout* grid, const QString& group, int vehicleType, OneAxleWheelSet** set1,
             OneAxleWheelSet** set2);

} // namespace VehicleCalculatorLayout
