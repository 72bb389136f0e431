#pragma once

#include "AbstractOutputWidget.h"

#include <QKeySequence>

#include <functional>

class Argument;
class ArgumentWidget;
class ColorButton;
class IconButton;
class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QShortcut;
class QTimer;
class RunChannel;
class ShortcutWidget;

enum ActuatorState : int {
    ActuatorState_initial = 0,
    ActuatorState_activating = 1,
    ActuatorState_activationTimeout = 2,
    ActuatorState_active = 3,
    ActuatorState_deactivating = 4,
    ActuatorState_deactivationTimeout = 5,
    ActuatorState_inactive = 6,
};

// Drives an external actuator (a clutch, a roller lock, a lift) that takes a
// command and reports completion: a six-state machine that raises its
// "activate" or "deactivate" command channel, waits for the completion
// argument or its time-out, and is commanded by a click, a double click, a
// shortcut or the edges of a remote-control argument, all behind a gate.
// The state is stored, so a movement cut by a restart is commanded again.
// GUI thread; the tick runs every 50 ms on an injectable clock.
class ActuatorController : public AbstractOutputWidget
{
    Q_OBJECT
public:
    static constexpr int tickIntervalMs = 50;

    ActuatorController(QWidget* parent, int n);

    void init() override;
    void validateArguments() override;
    void setState(ActuatorState state);
    ActuatorState state() const { return currentState; }
    bool isReady() const { return ready; }
    static QString stateLabel(int state);

    // The time of the state machine in ms; the system clock unless replaced (tests).
    static void setClock(std::function<qint64()> clock);
    static qint64 now();

    const int index;
    IconButton* iconButton = nullptr;
    QLineEdit* lineEdit_label = nullptr;
    QCheckBox* checkBox_requireDoubleClick = nullptr;
    ShortcutWidget* shortcutWidget = nullptr;
    ArgumentWidget* gateArgumentWidget = nullptr;
    ArgumentWidget* activationCompleteArgumentWidget = nullptr;
    ArgumentWidget* deactivationCompleteArgumentWidget = nullptr;
    ArgumentWidget* remoteControlArgumentWidget = nullptr;
    QDoubleSpinBox* spinBox_activationTimeout = nullptr;
    QDoubleSpinBox* spinBox_deactivationTimeout = nullptr;
    QCheckBox* checkBox_gateDeactivates = nullptr;
    ColorButton* colorButtons[7] = {};
    QShortcut* shortcut = nullptr;
    QTimer* tickTimer = nullptr;
    RunChannel* stateChannel = nullptr;
    RunChannel* activateChannel = nullptr;
    RunChannel* deactivateChannel = nullptr;

public Q_SLOTS:
    void slot_tick();
    // An operator command (click, double click, shortcut).
    void slot_clicked();
    void slot_updateLabel();
    void slot_keySequenceChanged(const QKeySequence& sequence);
    void setBgColor(ColorButton* button);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ArgumentWidget* addArgumentRow(const QString& label, const QString& name, const QString& toolTip);
    QDoubleSpinBox* addTimeoutRow(const QString& label, const QString& name);
    static void writeChannel(RunChannel* channel, double value);

    ActuatorState currentState = ActuatorState_initial;
    qint64 stateSince = 0;
    bool ready = false;
    double lastRemoteValue;
};
