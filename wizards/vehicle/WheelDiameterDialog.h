#pragma once

#include <QDialog>

class QDoubleSpinBox;
class SpinBoxWithUnit;

// Wheel diameter from the tyre size. Modal inside the constructor; read
// wheelDiameter() when accepted.
class WheelDiameterDialog : public QDialog
{
    Q_OBJECT
public:
    WheelDiameterDialog();
    double wheelDiameter() const;

    QDoubleSpinBox* tireWidth = nullptr;
    QDoubleSpinBox* tireProfile = nullptr;
    QDoubleSpinBox* rimDiameter = nullptr;
    SpinBoxWithUnit* resultBox = nullptr;

public Q_SLOTS:
    void slot_update();
};
