#pragma once

#include <QDoubleSpinBox>

// A double spin box whose steps land on whole multiples of the step (1.234 goes
// up to 1.3, not 1.334). The adaptive step is a tenth of the value's decade;
// Shift makes any step ten times finer.
class DoubleSpinBoxWithCleanStep : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit DoubleSpinBoxWithCleanStep(QWidget* parent = nullptr);

    void stepBy(int steps) override;

    // Read-only boxes show no arrows.
    void setReadOnly(bool readOnly);

    // The value `steps` clean steps away from `value`; NaN when a custom step
    // of zero leaves nothing to step by.
    static double cleanStep(double value, int steps, bool adaptive, double singleStep, int decimals, bool fine);
};
