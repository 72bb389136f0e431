#pragma once

#include <QDialog>

class OneAxleWheelSet;
class SpinBoxWithUnit;

// Inertia of up to two wheel sets transferred to the roller (diameter ratio
// squared). Modal inside the constructor; read transferredInertia() when accepted.
class DrivetrainInertiaDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DrivetrainInertiaDialog(int vehicleType);
    double transferredInertia() const;

    OneAxleWheelSet* set1 = nullptr;
    OneAxleWheelSet* set2 = nullptr;
    SpinBoxWithUnit* equivalentMass = nullptr;
    SpinBoxWithUnit* inertia = nullptr;

public Q_SLOTS:
    void slot_update();
};
