#pragma once

#include "AbstractTestDialog.h"

#include <QByteArray>
#include <QHostAddress>

class BrakeController;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QUdpSocket;
class RunChannel;

// The racing-simulator link: the simulator's car is the master. Its engine
// speed becomes the engine speed target (speed control on engine speed), its
// throttle drives the throttle with a rev-matching correction, and its gear
// goes to the gear target channel. Telemetry arrives over UDP in the GUI
// thread; there is no worker.
class SimConnector : public AbstractTestDialog
{
    Q_OBJECT
public:
    explicit SimConnector(QWidget* parent);
    ~SimConnector() override;

    enum State { State_notConnected = 0, State_handshakeSent = 1, State_subscribed = 2 };
    enum Operation { Operation_handshake = 0, Operation_subscribe = 1, Operation_dismiss = 3 };
    static constexpr int handshakeSize = 408;
    static constexpr int updateSize = 328;

    // A request datagram.
    static QByteArray request(Operation operation);
    // The text of a UTF-16 name field before its first "%".
    static QString nameField(const QByteArray& datagram, int offset);
    struct CarUpdate {
        bool valid = false;
        float throttle = 0; // fraction
        float rpm = 0;
        int gear = 0;
    };
    static CarUpdate parseUpdate(const QByteArray& datagram);
    // The throttle in percent for a target and actual engine speed (rad/s),
    // limited to 0–100; without a valid actual speed the simulator's throttle alone.
    static double throttlePercent(double target, double actual, double gain, double throttle);

    // The UDP port on both sides (9996 unless the environment says otherwise).
    static quint16 localPort();
    static quint16 remotePort();

    int state = State_notConnected;
    QLineEdit* lineEdit_ip = nullptr;
    QPushButton* pushButton_connect = nullptr;
    QDoubleSpinBox* spinBox_gain = nullptr;
    QDoubleSpinBox* spinBox_throttleOnTimeout = nullptr;
    QLabel* label_status = nullptr;
    QLabel* label_info = nullptr;
    QTimer* responseTimer = nullptr;

public Q_SLOTS:
    void slot_connect(bool quiet = false);
    void slot_newSocketData();
    void slot_responseTimeout();

private:
    void send(Operation operation);
    void handleDatagram(const QByteArray& datagram);
    void setThrottle(double percent);

    QUdpSocket* socket = nullptr;
    QHostAddress peer;
    BrakeController* panel = nullptr;
    RunChannel* engineSpeedChannel = nullptr;
    RunChannel* gearChannel = nullptr;
};
