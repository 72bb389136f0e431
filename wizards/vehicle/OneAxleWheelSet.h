#pragma once

#include <QFrame>

class QDoubleSpinBox;
class QSpinBox;
class SpinBoxWithUnit;

// The wheels of one axle modelled from the tyre size (rim disc and barrel in
// steel, sidewalls and tread in rubber): wheel diameter, set inertia and the
// equivalent mass. Inputs are kept under "<group>/<name>/...".
class OneAxleWheelSet : public QFrame
{
    Q_OBJECT
public:
    OneAxleWheelSet(QString group, QString name, bool singleWheel);

    struct Model {
        double diameter = 0.0;
        double wheelInertia = 0.0;
    };
    // Diameter (m) and the inertia of one modelled wheel (kg·m²) of a tyre size.
    static Model model(double widthMm, double profilePercent, double rimInches);

    double diameter() const;
    double setInertia() const;
    double equivalentMass() const;

    bool singleWheel = false;
    QDoubleSpinBox* tireWidth = nullptr;
    QDoubleSpinBox* tireProfile = nullptr;
    QDoubleSpinBox* rimDiameter = nullptr;
    QSpinBox* wheelCount = nullptr;
    SpinBoxWithUnit* diameterBox = nullptr;
    SpinBoxWithUnit* massBox = nullptr;
    SpinBoxWithUnit* inertiaBox = nullptr;

Q_SIGNALS:
    void signal_update();

public Q_SLOTS:
    void slot_update();
};
