#pragma once

#include "DoubleSpinBoxWithCleanStep.h"

#include <limits>

// A spin box whose context menu can switch it to a marker value that means
// "disabled" (a limit that is off, usually +-infinity) and back to the value it
// had. The menu exists only after setDisableAndRestoreValue.
class DoubleSpinBoxWithDisable : public DoubleSpinBoxWithCleanStep
{
    Q_OBJECT
public:
    explicit DoubleSpinBoxWithDisable(QWidget* parent = nullptr);

    void setDisableAndRestoreValue(double disable, double restore);
    // True while the box holds the disable value (NaN counts as equal to NaN).
    bool isDisabledValue() const;

public Q_SLOTS:
    void slot_contextMenu(const QPoint& pos);

protected:
    double disableValue = std::numeric_limits<double>::infinity();
    double restoreValue = 0;
};
