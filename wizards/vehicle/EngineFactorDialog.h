#pragma once

#include <QDialog>

class QDoubleSpinBox;

// The engine factor of the power-correction standard from the fuel delivery
// and the charge pressure ratio, limited to 0.2..1.2. Modal inside the
// constructor; read engineFactor() when accepted.
class EngineFactorDialog : public QDialog
{
    Q_OBJECT
public:
    EngineFactorDialog();
    double engineFactor() const;
    static double factor(double fuelFlow, double pressureRatio);

    QDoubleSpinBox* fuelFlow = nullptr;
    QDoubleSpinBox* pressureRatio = nullptr;
    QDoubleSpinBox* resultBox = nullptr;

public Q_SLOTS:
    void slot_update();
};
