#pragma once

#include "AbstractTestDialog.h"
#include "RampTestLogic.h"

#include <QMutex>

#include <memory>

class Argument;
class ArgumentWidget;
class BrakeController;
class QCheckBox;
class QComboBox;
class QLabel;
class QStackedWidget;
class QTimer;
class RunChannel;
class SpinBoxWithUnit;
class TestTicker;

// The ramp test window: one parameter page per variable (road and engine
// speed), the ramp control mode, the forced coast-down and the step label.
// The step machine (RampTestLogic) runs in the worker's 10 ms tick on a
// snapshot of the editors that the GUI thread keeps current.
class RampTestDialog : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit RampTestDialog(QWidget* parent);
    ~RampTestDialog() override;

    // One variable's editors.
    struct Page {
        SpinBoxWithUnit* startSpeed = nullptr;
        SpinBoxWithUnit* startHoldTime = nullptr;
        ArgumentWidget* releaseArgument = nullptr;
        SpinBoxWithUnit* releaseTime = nullptr;
        SpinBoxWithUnit* rate = nullptr;
        SpinBoxWithUnit* easeIn = nullptr;
        QCheckBox* topHold = nullptr;
        SpinBoxWithUnit* topHoldSpeed = nullptr;
    };

    int testStep() const { return logic.step(); }
    // The setting names of the SETTINGS tab's tracking thresholds.
    static const char* const roadThresholdKey;
    static const char* const engineThresholdKey;

    Page road;
    Page engine;
    QComboBox* comboBox_mode = nullptr;
    QComboBox* comboBox_accelerationMode = nullptr;
    QStackedWidget* pages = nullptr;
    QCheckBox* checkBox_forcedCoastdown = nullptr;
    SpinBoxWithUnit* spinBox_coastdownRate = nullptr;
    SpinBoxWithUnit* spinBox_engineCoastdownRate = nullptr;
    QLabel* label_state = nullptr;

public Q_SLOTS:
    void slot_realTimeTick();
    void slot_rampModeChanged(int index);
    // Copies the editors, thresholds, panel minimums and the run flag for the tick.
    void slot_updateSnapshot();

Q_SIGNALS:
    void signal_setControllerMode(int mode);
    void signal_setControlVariable(int variable);
    void signal_setStateLabel(const QString& text);
    void signal_setModeSelectorEnabled(bool enabled);

private:
    Page buildPage(bool roadPage);
    static RampTestParameters read(const Page& page);

    BrakeController* panel = nullptr;
    // Written instead of the brake-controller thread's targets when there is
    // no such thread (a window built without the program).
    std::atomic<float> ownTargets[4] = {};
    RampTestLogic logic;
    Argument* roadTrigger = nullptr;
    Argument* engineTrigger = nullptr;
    std::unique_ptr<TestTicker> ticker;
    QTimer* snapshotTimer = nullptr;
    RunChannel* roadSpeedChannel = nullptr;
    RunChannel* engineSpeedChannel = nullptr;
    RunChannel* powerChannel = nullptr;

    mutable QMutex snapshotMutex;
    RampTestSnapshot snapshot;
};
