#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The byte pipe between the OBD thread and an ELM327-type adapter. It knows no
// AT command: it moves bytes, reads up to the adapter's '>' prompt, reports
// whether its link is up and narrates what it does. Every call runs in the
// OBD thread.
class AbstractObdInterface : public QObject
{
    Q_OBJECT
public:
    explicit AbstractObdInterface(QObject* parent = nullptr);

    qint32 baudRate = 38400;

public Q_SLOTS:
    virtual void resetSocket() = 0;
    virtual QString deviceName() = 0;
    virtual bool writeData(const QByteArray& data) = 0;
    // Blocks until the collected bytes end with '>', the OBD thread is asked
    // to stop, or more than `timeoutMs` have passed; `elapsedMs` receives the
    // time of the last pass that did not see the prompt.
    virtual QByteArray readData(qint64 timeoutMs, qint64& elapsedMs) = 0;
    virtual void slot_connectDevice() = 0;

    void slot_socketConnected();
    void slot_socketDisconnected();

Q_SIGNALS:
    void signal_connectedSignal(bool connected);
    void signal_socketErrorTxt(const QString& text);
    void signal_socketStateTxt(const QString& text);
    void signal_whatsGoingOn(const QString& text);

protected:
    // True once the OBD thread is asked to stop (shutdown).
    static bool stopRequested();
};
