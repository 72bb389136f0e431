#pragma once

#include <QDialog>

class OneAxleWheelSet;
class SpinBoxWithUnit;

// Equivalent mass of rotating parts that stand still on the dyno (for the
// road-simulation test). Modal inside the constructor; read rotationalMass()
// when accepted.
class RotationalMassEquivalentWizard : public QDialog
{
    Q_OBJECT
public:
    RotationalMassEquivalentWizard(QWidget* parent, int vehicleType);
    double rotationalMass() const;

    OneAxleWheelSet* set1 = nullptr;
    OneAxleWheelSet* set2 = nullptr;
    SpinBoxWithUnit* resultBox = nullptr;

public Q_SLOTS:
    void slot_update();
};
