#pragma once

#include <QDialog>
#include <QList>

class DynoSettingsLossModelEditor;
class QDoubleSpinBox;
class QSpinBox;

// Converts a road-speed loss model into the rotational-speed loss model of one
// roller (its "roller_%1_internalLossModel"), scaled by multiplier / divider.
// The modal loop runs in the constructor.
class RollerLossModelWizard : public QDialog
{
    Q_OBJECT
public:
    RollerLossModelWizard(QWidget* parent, int roller);

    // Coefficient k of the roller model: c_k · r^k · multiplier / divider.
    static QList<double> convert(QList<double> input, double radius, int divider, double multiplier);

    int roller = 0;
    double radius = 0.0;
    DynoSettingsLossModelEditor* input = nullptr;
    DynoSettingsLossModelEditor* output = nullptr;
    QSpinBox* divider = nullptr;
    QDoubleSpinBox* multiplier = nullptr;

public Q_SLOTS:
    void slot_calculate();
    void slot_accept();
};
