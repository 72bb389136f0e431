#pragma once

#include "AbstractObdInterface.h"

#include <QSerialPort>

// The adapter on a serial port (a USB-serial adapter the kernel drives, or a
// real serial line): 8N1, no flow control, at the base's baud rate.
class UsbObdInterface : public AbstractObdInterface
{
    Q_OBJECT
public:
    explicit UsbObdInterface(QObject* parent = nullptr);

public Q_SLOTS:
    void resetSocket() override;
    QString deviceName() override;
    bool writeData(const QByteArray& data) override;
    QByteArray readData(qint64 timeoutMs, qint64& elapsedMs) override;
    void slot_connectDevice() override;

    void slot_socketError(QSerialPort::SerialPortError serialPortError);
    void slot_setPortName(const QString& portName);

private:
    QSerialPort* serialPort = nullptr;
    QString portName = QStringLiteral("not set");
    int attempt = 1;
    // The port went away while the link was up: reported down once.
    bool lostReported = false;
};
