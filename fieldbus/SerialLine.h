#pragma once

#include "SerialCommDir.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

// One serial line of a polling master (a Modbus interface or a serial
// instrument): one transaction in flight at a time, never blocking the GUI
// thread. A transaction hands the bytes to the port, watches their
// transmission every 2 ms, waits a fixed time from the hand-over and then reads
// whatever has arrived. What waited in the port before a transaction is
// dropped first; after a transaction without a valid reply the owner calls
// settle(false) and the line stays quiet one more wait, dropping what arrives,
// so a late reply is never read as the next transaction's. A port that cannot
// be opened or goes away is opened again every 5 s.
class SerialLine : public QObject
{
    Q_OBJECT
public:
    struct Settings {
        QString portName;
        int baudrate = 9600;
        int dataBits = 8;
        int parity = 0;
        int stopBits = 1;
        int flowControl = 0;
    };

    SerialLine(const QString& ownerName, QObject* parent);
    ~SerialLine() override;

    // Makes a fresh port with these settings (none for an empty name).
    void reset(const Settings& settings);
    // Closes the port; nothing is sent until the next reset.
    void close();
    bool hasPort() const { return port != nullptr; }
    bool isOpen() const;
    // A transaction or its settling wait is under way.
    bool busy() const;
    bool transactionInFlight() const { return readTimer.isActive(); }

    // Starts a transaction; false (and nothing sent) without an open port.
    bool transact(const QByteArray& bytes, int waitMs);
    // After the owner has looked at a reply: a reply that was not valid keeps
    // the line quiet for one more wait. signal_ready follows either way.
    void settle(bool validReply, int waitMs);

    // When the last query had been completely written (ms since the epoch).
    qint64 queryTime() const { return lastQueryTime; }

    static QString settingsDescription(const Settings& settings);
    static qint64 now();

    QString ownerName;

Q_SIGNALS:
    void signal_newDataToLog(SerialCommDir direction, const QByteArray& data, qint64 operationTime = 0);
    // The wait of a transaction ended: what had arrived by then.
    void signal_received(const QByteArray& data);
    // The line is free for the next transaction.
    void signal_ready();
    // The port is open again after a failure.
    void signal_reopened();

public Q_SLOTS:
    void slot_socketError(QSerialPort::SerialPortError serialPortError);
    void slot_writeCheck();
    void slot_readCheck();

private:
    void openPort();
    void dropStaleBytes(const char* when);
    void startReopening();

    Settings settings;
    QSerialPort* port = nullptr;
    QTimer writeCheckTimer;
    QTimer readTimer;
    QTimer settleTimer;
    QTimer reopenTimer;
    QByteArray lastQuery;
    qint64 writeStartTime = 0;
    qint64 readStartTime = 0;
    qint64 lastQueryTime = 0;
    int lastSocketError = 0;
    // One log line per outage, not one per attempt.
    bool outageLogged = false;
};
