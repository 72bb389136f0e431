#pragma once

#include <QByteArray>
#include <QList>
#include <QThread>

class QObject;
class QTcpServer;
class QTcpSocket;
class RemoteControlState;

// The remote-control server: one text command per line on TCP port 12369
// (ZEMBO_REMOTE_PORT overrides it), any number of clients, each with its own
// admin right. It lives in its own thread and never waits for the GUI: what
// changes GUI state leaves as a queued signal (function keys as posted key
// events), and what it reads of GUI widgets comes from RemoteControlState.
class ServerThread : public QThread
{
    Q_OBJECT
public:
    enum Step { RoughStepUp = 0, FineStepUp = 1, FineStepDown = 2, RoughStepDown = 3 };
    enum Target { TargetBrakePower = 0, TargetRoadSpeed = 1, TargetEngineSpeed = 2 };

    // keyTarget receives the posted function-key events (the main window's central widget).
    ServerThread(RemoteControlState* state, QObject* keyTarget, quint16 port = defaultPort());
    ~ServerThread() override;

    static quint16 defaultPort();
    bool isListening() const;
    quint16 serverPort() const;

    // The reply to one line (CR and LF already removed) from a connection with
    // or without admin rights; a null array when the line gets no reply. A
    // matching PASSWD sets *admin.
    QByteArray serveLine(const QByteArray& line, bool* admin);

    QTcpServer* server = nullptr;

public Q_SLOTS:
    void slot_newTcpConnection();
    void slot_newSocketData();

Q_SIGNALS:
    void signal_startStop();
    void signal_analyzeLastRun();
    // 0 Absorber OFF, 2 Torque c. joined, 3 Speed control, 4 Accel. control.
    void signal_setBrakeMode(int mode);
    void signal_setTarget(int target, double value);
    void signal_step(int step);
    void signal_setMainTab(int index);

private:
    QByteArray serveChannel(const QList<QByteArray>& words) const;
    QByteArray serveChannelSetup(const QList<QByteArray>& words) const;
    QByteArray serveOutputLabel(const QList<QByteArray>& words) const;
    QByteArray serveWriteChannel(const QList<QByteArray>& words);
    QByteArray serveSet(const QList<QByteArray>& words);
    QByteArray serveStep(const QList<QByteArray>& words);
    QByteArray serveKey(const QList<QByteArray>& words);
    QByteArray serveTab(const QList<QByteArray>& words);

    RemoteControlState* state;
    QObject* keyTarget;
};
