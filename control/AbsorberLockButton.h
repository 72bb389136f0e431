#pragma once

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

#include <functional>

class Argument;
class ArgumentWidget;
class QDialog;
class QLabel;
class QTimer;

// The first row of the brake-controller panel: applies locking power to the
// absorber (emergency braking, holding the rollers) through MCU configuration
// address 1716. The operator's click asks first while the rollers turn; a
// logic channel (the remote-control argument) locks on its rising edge and
// releases on its falling edge, never asking. The lock state is not stored:
// the panel sends "released" at start-up.
//
// The button and the controller never disagree: every change of the checked
// state sends the matching command, and a question that returns after the
// follower released the button meanwhile locks nothing. GUI thread only.
class AbsorberLockButton : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int followIntervalMs = 50;

    explicit AbsorberLockButton(QWidget* parent = nullptr);

    // Registers the RUN WIDGETS row, binds the argument and starts following it.
    void init();

    // What the controller was told last (true: locked).
    bool lockSent() const { return lastSent; }
    // Sends the lock command; the MCU link unless replaced (tests).
    static void setLockSender(std::function<void(bool)> sender);

    QDialog* dialog = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    Argument* remoteControlArgument = nullptr;
    QLabel* label_setup = nullptr;
    // Both move to the SETTINGS grid once registered, which may be destroyed first.
    QPointer<QCheckBox> checkBox_visible;
    QPointer<QCheckBox> checkBox_protected;
    QTimer* followTimer = nullptr;

public Q_SLOTS:
    void slot_tick();
    void slot_showConfigurationDialog(const QPoint& pos);
    void slot_toggled(bool checked);

private:
    void sendLock(bool on);

    double lastArgumentValue;
    bool argumentOrigin = false;
    bool lastSent = false;
};
