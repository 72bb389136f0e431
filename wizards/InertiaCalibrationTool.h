#pragma once

#include <QDialog>
#include <QList>

#include <memory>

class DoubleRampInertiaCalibrationRun;
class QAbstractButton;
class QFormLayout;
class QLabel;
class RunData;
class SpinBoxWithUnit;

// Non-modal: writes the inertias and the load-loss factor the operator types
// into every held double-ramp run, which then recalculates itself; the
// operator compares the ramps' power on the analysis desktop. Computes
// nothing itself. Runs taken out of the analysis (removeRunData) or deleted
// drop out; the window closes when none is left.
class InertiaCalibrationTool : public QDialog
{
    Q_OBJECT
public:
    InertiaCalibrationTool(RunData* first, QWidget* parent);
    ~InertiaCalibrationTool() override;

    void addRunData(RunData* run);
    void removeRunData(RunData* run);
    void applyInertiaValues();
    int runCount() const { return int(runs.size()); }

    SpinBoxWithUnit* engineInertia = nullptr;
    SpinBoxWithUnit* drivetrainInertia = nullptr;
    SpinBoxWithUnit* rollerInertia[4] = {};
    SpinBoxWithUnit* lossFromLoad = nullptr;

Q_SIGNALS:
    void signal_closeEvent();

public Q_SLOTS:
    void slot_buttonBoxClicked(QAbstractButton* button);
    void slot_zeroLossModel();
    void slot_resetLossModel();
    void slot_saveToDynoSettings();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void dropDeletedRuns();

    QList<DoubleRampInertiaCalibrationRun*> runs;
    QList<QLabel*> runLabels;
    QFormLayout* form = nullptr;
    bool closing = false;
};
