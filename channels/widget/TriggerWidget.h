#pragma once

#include <QFrame>

class ArgumentWidget;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QKeySequence;
class QSpinBox;
class QTimer;
class ShortcutWidget;
class Trigger;
struct TriggerSetup;

// The editor of one trigger: mode, interval, shortcut, the logic channel that
// arms it and the manual activation. Every edit takes effect on the trigger at
// once (under the trigger thread's lock) and is announced by
// signal_setupChanged. The row flashes at every shot.
class TriggerWidget : public QFrame
{
    Q_OBJECT
public:
    // Without a trigger the row makes its own.
    explicit TriggerWidget(QWidget* parent, Trigger* trigger = nullptr);
    ~TriggerWidget() override;

    // Binds the row to the settings store under its object name.
    void connectToSettings();
    void setUpArgumentWidget();

    Trigger* trigger = nullptr;
    TriggerSetup& setup;
    QTimer* flashTimer = nullptr;
    QComboBox* modeCombo = nullptr;
    QSpinBox* intervalSpinBox = nullptr;
    QCheckBox* activationCheckBox = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    ShortcutWidget* shortcutWidget = nullptr;
    QFormLayout* layout = nullptr;

Q_SIGNALS:
    void signal_setupChanged();

public Q_SLOTS:
    void slot_triggerModeChanged(int mode);
    void slot_intervalChanged(int interval);
    void slot_keySequenceChanged(const QKeySequence& sequence);
    void slot_manualActivationChanged(bool checked);
    void slot_indicateActivation();
    void slot_indicateActivationTimeout();

private:
    bool ownsTrigger = false;
};
