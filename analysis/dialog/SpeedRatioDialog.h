#pragma once

#include <QDialog>

class DelayedDoubleSpinBox;
class LoadedRunListModel;
class QComboBox;
class QPushButton;
class RunData;

// "Engine Speed": the engine-speed ratio and slip coefficient of a run, typed
// directly or solved from the peak engine speed the run should have reached
// in its selection, stored into the run, into every visible run, or into the
// live dyno settings for the next runs. Runs modally inside its constructor.
class SpeedRatioDialog : public QDialog
{
    Q_OBJECT
public:
    SpeedRatioDialog(RunData* run, LoadedRunListModel* runs, QWidget* parent);

public Q_SLOTS:
    void slot_speedRatioChanged(double speedRatio);
    void slot_slipEstimCoefChanged(double coef);
    void slot_peakEngineSpeedInSelectionChanged(double engineSpeed);
    void slot_updateWidgetAvailability();
    void slot_applyToThisRun();
    void slot_applyToAllRuns();
    void slot_setRatioInRunTab();

private:
    void showPeak(double slip, double ratio);

    RunData* run = nullptr;
    LoadedRunListModel* runs = nullptr;
    QComboBox* source = nullptr;
    DelayedDoubleSpinBox* ratio = nullptr;
    DelayedDoubleSpinBox* slip = nullptr;
    DelayedDoubleSpinBox* peak = nullptr;
    QPushButton* setInRunTab = nullptr;
};
