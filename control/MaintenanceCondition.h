#pragma once

#include <QFrame>

#include <functional>

class MaintenanceWidget;
class QComboBox;
class QProgressBar;
class SafeSpinBox;
class SpinBoxWithUnit;

// One due condition of a maintenance reminder: a parameter (run time, run
// distance or clock time) counted since the last maintenance against a
// period. The bar shows the share of the period that is left; past the
// period a box asks for the maintenance (Postpone: due again after 1 %).
class MaintenanceCondition : public QFrame
{
    Q_OBJECT
public:
    enum Parameter { None = 0, RunTime = 1, RunDistance = 2, ClockTime = 3 };

    MaintenanceCondition(QWidget* parent, const QString& prefix);

    // The parameter's current value in SI (seconds since the epoch for the clock).
    double getParamValue() const;
    void setSetupEnabled(bool enabled);

    // Where run time and distance come from (the odometer, installed by the
    // program) and the clock; tests replace them.
    static std::function<double(int parameter)> parameterSource;

    MaintenanceWidget* reminder = nullptr;
    QComboBox* comboBox_parameter = nullptr;
    QWidget* detail = nullptr;
    SpinBoxWithUnit* spinBox_lastMaintenance = nullptr;
    SpinBoxWithUnit* spinBox_elapsed = nullptr;
    SafeSpinBox* spinBox_period = nullptr;
    QProgressBar* progressBar = nullptr;

public Q_SLOTS:
    void slot_parameterChanged(int parameter);
    void slot_updateUsageBar();
    void slot_maintenancePerformed();
};
