#pragma once

#include "RemoteControlState.h"

#include <QScrollArea>

class QFormLayout;
class QLabel;
class QLineEdit;
class RemoteChannelDirectory;
class ServerThread;
class Trigger;
class TriggerWidget;
class RemoteValueWidget;

// The SETTINGS page "Remote control": the addresses the server listens on,
// the remote password, and the server thread it owns. The server's run and
// brake-mode commands end in this page's slots, in the GUI thread.
// Seventeen trigger rows bind operator actions to a shortcut or to the
// rising edge of a logic channel. Four
// remote-value rows override the brake-controller targets and the throttle
// every 40 ms.
class RemoteControl : public QScrollArea
{
    Q_OBJECT
public:
    explicit RemoteControl(QWidget* parent = nullptr);
    ~RemoteControl() override;

    void init();

    QFormLayout* form = nullptr;
    ServerThread* serverThread = nullptr;
    QLineEdit* lineEdit_address = nullptr;
    QLineEdit* androidAppPassword = nullptr;
    QLabel* label_passwordWarning = nullptr;
    RemoteControlState state;
    RemoteChannelDirectory* channelDirectory = nullptr;
    QList<TriggerWidget*> triggerWidgets;
    QList<RemoteValueWidget*> remoteValueWidgets;

public Q_SLOTS:
    void slot_trigStartStop();
    void slot_trigStart();
    void slot_trigStop();
    void slot_trigBrakeOff();
    void slot_trigBrakeManualJoined();
    void slot_trigBrakeConstSpeed();
    void slot_trigBrakeAcceleration();
    void slot_ambiguousShortcut();
    // A fraction; the throttle box is in percent.
    void slot_remote_throttle(double value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void passwordChanged(const QString& password);
    // The action a row's trigger starts (table order).
    void connectTriggerAction(int row, Trigger* trigger);
};
