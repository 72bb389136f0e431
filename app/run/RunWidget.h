#pragma once

#include <QWidget>

class BrakeController;
class EngineSpeedWidget;
class LogWriter;
class LossModelIndicator;
class MdiManager;
class OutputWidgetContainer;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;
class RunThread;
class SafeSpinBox;
class SpinBoxWithUnit;

// The advanced-test selector's entries; the index is also the test type the
// brake controller records.
enum AdvancedTestType {
    AdvancedTestType_none = 0,
    AdvancedTestType_roadSimulation = 1,
    AdvancedTestType_advancedRamp = 2,
    AdvancedTestType_rampTest = 3,
    AdvancedTestType_sequence = 4,
    AdvancedTestType_inertiaCalibration = 5,
    AdvancedTestType_customAccRate = 6,
    AdvancedTestType_simConnector = 7,
    AdvancedTestType_logPlayer = 8,
    AdvancedTestType_midiPlayer = 9,
};

// The RUN tab: the control column (START/STOP, run options, run name and
// comment, engine-speed panel, loss model, brake controller, outputs) and the
// RUN desktops. It creates and starts the run thread, and its start and stop
// procedures are the only way a run begins and ends.
class RunWidget : public QWidget
{
    Q_OBJECT
public:
    explicit RunWidget(QWidget* parent = nullptr);
    ~RunWidget() override;

    void initAfterSettings();
    // Starts a run; false when it did not start (nothing then records).
    bool runStartProcedure();
    // Stops the running run; nothing when none runs.
    void runStopProcedure();
    void enableAnalyzeLastRun();
    void disableAnalyzeLastRun();
    void raiseAdvancedTest();
    // Hides one entry of the advanced-test selector (per-model trimming).
    void hideAdvancedTestEntry(int testTypeId);
    bool isAdvancedTestEntryHidden(int testTypeId) const;
    void minimizeAdvancedTest();

    RunThread* runThread = nullptr;
    LogWriter* logWriter = nullptr;
    bool running = false;
    QWidget* advancedTest = nullptr;
    QPushButton* pushButton_run_startStop = nullptr;
    QPushButton* pushButton_analyzeLastRun = nullptr;
    QCheckBox* checkBox_run_saveToDatabase = nullptr;
    QCheckBox* checkBox_settings_recordRunVideo = nullptr;
    QCheckBox* checkBox_run_enableAutoAnalyzeLastRun = nullptr;
    QCheckBox* checkBox_run_enableAutoStartStop = nullptr;
    SpinBoxWithUnit* spinBox_run_autoStartThreshold = nullptr;
    SpinBoxWithUnit* spinBox_run_autoStopThreshold = nullptr;
    QLineEdit* lineEdit_run_name = nullptr;
    QLineEdit* lineEdit_run_comment = nullptr;
    EngineSpeedWidget* engineSpeedWidget = nullptr;
    LossModelIndicator* lossModelIndicator = nullptr;
    BrakeController* brakeController = nullptr;
    MdiManager* mdiManager = nullptr;
    OutputWidgetContainer* outputWidgetContainer = nullptr;
    QComboBox* comboBox_advancedTest = nullptr;
    QCheckBox* checkBox_enableThrottleControl = nullptr;
    SafeSpinBox* safeSpinBox_throttlePosition = nullptr;
    QCheckBox* checkBox_throttleControlVisible = nullptr;
    QCheckBox* checkBox_throttleControlProtected = nullptr;
    QTimer* autoStartStopTimer = nullptr;
    bool belowStartThreshold = false;
    bool aboveStopThreshold = false;

public Q_SLOTS:
    void slot_autoStartStopCheck();
    void slot_autoStartCheckboxChanged(int state);
    void slot_advancedTestSelected(int testTypeId);
    void slot_advancedTestClosed();
    void slot_checkBox_enableThrottleControl(bool checked);
    void slot_spinBox_throttlePosition_valueChanged(double target);
    void slot_clickAnalyzeLastRun();
    void slot_pushButton_run_start_clicked();
    void slot_mcuThreadCrcErrorClientSide();
    void slot_mcuThreadCrcErrorMcuSide();
    void slot_updateStartButtonBackgroundColor();
    // Copies the active project's physics fields for the run thread.
    void mirrorActiveProjectForRunThread();

Q_SIGNALS:
    void signal_startRun();

private:
    // What the test windows (control/dialog/tests) reach of this panel.
    void installTestModeContext();
    bool runThreadAvailable() const;
    void setOtherTabsEnabled(bool enabled);
    void exportRunToCsv(const QString& file);
    // What the end of the run stores from this thread's widgets and models.
    void handStopInputsToWriter();
};
