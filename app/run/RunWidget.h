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
class SpinBoxWithUnit;

// The RUN tab: the control column (START/STOP, run options, run name and
// comment, engine-speed panel, loss model, brake controller, outputs) and the
// RUN desktops. It creates and starts the run thread, and its start and stop
// procedures are the only way a run begins and ends.
class RunWidget : public QWidget
{
    Q_OBJECT
public:
    explicit RunWidget(QWidget* parent = nullptr);

    void initAfterSettings();
    // Starts a run; false when it did not start (nothing then records).
    bool runStartProcedure();
    // Stops the running run; nothing when none runs.
    void runStopProcedure();
    void enableAnalyzeLastRun();
    void disableAnalyzeLastRun();
    void raiseAdvancedTest();
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
    QTimer* autoStartStopTimer = nullptr;
    bool belowStartThreshold = false;
    bool aboveStopThreshold = false;

public Q_SLOTS:
    void slot_autoStartStopCheck();
    void slot_autoStartCheckboxChanged(int state);
    void slot_clickAnalyzeLastRun();
    void slot_pushButton_run_start_clicked();
    void slot_mcuThreadCrcErrorClientSide();
    void slot_mcuThreadCrcErrorMcuSide();
    void slot_updateStartButtonBackgroundColor();

Q_SIGNALS:
    void signal_startRun();

private:
    bool runThreadAvailable() const;
    void setOtherTabsEnabled(bool enabled);
    void exportRunToCsv(const QString& file);
    // What the end of the run stores from this thread's widgets and models.
    void handStopInputsToWriter();
};
