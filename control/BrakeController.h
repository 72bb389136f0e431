#pragma once

#include "BrakeControllerMode.h"
#include "BrakeControllerPanelInputs.h"
#include "lib/Quantity.h"

#include <QFrame>
#include <QList>
#include <QMetaObject>
#include <QPointF>

class AbsorberLockButton;
class BrakeControllerFF;
class QComboBox;
class QFormLayout;
class QLabel;
class QTimer;
class SafeSpinBox;

// The RUN tab's absorber control: mode, controlled variable (road or engine
// speed), targets, anti-stall minimum speeds, torque fractions per load cell
// and the two feed-forward setups. It decides the absorber device mode sent
// to the MCU and publishes its values (BrakeControllerPanelInputs) for the
// brake-controller thread, which turns them into target registers every 10 ms.
//
// A test mode takes the targets over: the RUN panel backs the panel up,
// switches it off and hands it to external control; the thread then takes the
// targets from its four external targets, which the panel only displays.
// GUI thread.
class BrakeController : public QFrame
{
    Q_OBJECT
public:
    explicit BrakeController(QWidget* parent = nullptr);
    ~BrakeController() override;

    // Builds the rows (dyno settings ready) and starts the brake-controller thread.
    void init();
    void startRun();
    void stopRun();
    // The run-type code of the run that ends; also clears the run's test list.
    unsigned getRunType();
    void setMode(int mode);
    void setChannel(int channel);

    void backupSettings();
    void restoreSettings();
    void enableExternalThreadControl();
    void disableExternalThreadControl();
    void advancedTestStarted(int type);
    void advancedTestStopped();
    void clearPreviousAdvancedTests();

    void updateDeviceMode();
    void updateWidgetVisibility();
    // The editor of the active target, or null.
    QWidget* getWidgetForFocus() const;
    void setWidgetAndLabelVisible(QWidget* widget, bool visible);

    static const QList<QPointF> dynoSpeedCurve;
    static const QList<QPointF> throttleCurve;
    static const QList<QPointF> manifoldPressureCurve;
    static const QList<QPointF> engineSpeedCurve;

    AbsorberLockButton* absorberLockButton = nullptr;
    QComboBox* comboBox_mode = nullptr;
    QComboBox* comboBox_channel = nullptr;
    QLabel* label_dynoAntiStall = nullptr;
    QLabel* label_engineAntiStall = nullptr;
    SafeSpinBox* spinBox_minDynoSpeed = nullptr;
    SafeSpinBox* spinBox_dynoSpeedTarget = nullptr;
    SafeSpinBox* spinBox_dynoAccTarget = nullptr;
    SafeSpinBox* spinBox_minEngineSpeed = nullptr;
    SafeSpinBox* spinBox_engineSpeedTarget = nullptr;
    SafeSpinBox* spinBox_engineAccTarget = nullptr;
    QList<SafeSpinBox*> spinBox_brakeTargets;
    QList<QLabel*> label_brakeTargets;
    BrakeControllerFF* dynoSpeedFF = nullptr;
    BrakeControllerFF* engineSpeedFF = nullptr;
    QTimer* targetIndicationTimer = nullptr;
    QTimer* antiStallIndicationTimer = nullptr;

    bool initialized = false;
    bool runActive = false;
    bool modeChangedDuringRun = false;
    bool externalControl = false;
    bool advancedTestActive = false;
    QList<int> previousAdvancedTests;
    int deviceMode = 0;
    int backupVariable = 1;
    // Minimum road speed, road-speed target, road acceleration target,
    // minimum engine speed, engine-speed target, engine acceleration target.
    double backupValues[6] = {0, 0, 0, 0, 0, 0};

    // What the brake-controller thread reads.
    BrakeControllerPanelInputs inputs;

public Q_SLOTS:
    void slot_modeChanged(int modeId);
    void slot_varChanged(int varId);
    void slot_updateTargetControlIndication();
    void slot_updateAntiStallIndication();

    void slot_remote_changeBrakeMode(int mode);
    void slot_remote_setBrakePower(double value);
    void slot_remote_setRoadSpeed(double value);
    void slot_remote_setEngineSpeed(double value);
    void slot_remote_roughStepUp();
    void slot_remote_roughStepDown();
    void slot_remote_fineStepUp();
    void slot_remote_fineStepDown();

Q_SIGNALS:
    // The thread copies mode and variable before the emitter goes on.
    void signal_updateBrakeControllerThreadMode();

protected:
    void showEvent(QShowEvent* event) override;

private:
    SafeSpinBox* createEditor(const QString& name, Quantity quantity, double minimum, const QString& toolTip,
                              std::atomic<double>* published);
    void addTorqueRow(int cell);
    void linkTorqueEditors(bool joined);
    void postKey(int key);
    QList<SafeSpinBox*> targetEditors() const;

    QFormLayout* form = nullptr;
    QList<QMetaObject::Connection> torqueLinks;
};
