#include "UsbObdInterface.h"

#include <QDateTime>
#include <QMetaEnum>

UsbObdInterface::UsbObdInterface(QObject* parent)
    : AbstractObdInterface(parent)
{
}

QString UsbObdInterface::deviceName()
{
    return portName;
}

void UsbObdInterface::slot_setPortName(const QString& name)
{
    portName = name;
    resetSocket();
}

void UsbObdInterface::slot_connectDevice()
{
    if (portName.isEmpty()) {
        emit signal_socketErrorTxt(tr("Socket name empty"));
        return;
    }
    emit signal_whatsGoingOn(tr("Connecting to") + QStringLiteral(" \"") + portName + QStringLiteral("\", ")
                             + tr("try: ") + QString::number(attempt));
    ++attempt;
    if (!serialPort) {
        serialPort = new QSerialPort(this);
        connect(serialPort, &QSerialPort::errorOccurred, this, &UsbObdInterface::slot_socketError);
    }
    serialPort->setPortName(portName);
    serialPort->setBaudRate(baudRate, QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    if (serialPort->open(QIODevice::ReadWrite)) {
        lostReported = false;
        emit signal_socketStateTxt(tr("Connected"));
        emit signal_connectedSignal(true);
    } else {
        emit signal_socketStateTxt(tr("Failed to open socket") + QStringLiteral(" \"") + portName
                                   + QStringLiteral("\""));
        serialPort->close();
    }
}

void UsbObdInterface::slot_socketError(QSerialPort::SerialPortError serialPortError)
{
    // Every empty 1 ms wait of a read reports a time-out: that is no error
    // and would flood the error field and its event log.
    if (serialPortError == QSerialPort::NoError || serialPortError == QSerialPort::TimeoutError)
        return;
    // A port that went away (an unplugged adapter, a closed pty) stays dead
    // and repeats its error on every pass of a read: report it once and drop
    // the port, which reports the link down, so the OBD thread reopens it.
    const bool gone = serialPortError == QSerialPort::ResourceError || serialPortError == QSerialPort::ReadError
        || serialPortError == QSerialPort::WriteError;
    if (gone && lostReported)
        return;
    emit signal_socketErrorTxt(QVariant::fromValue(serialPortError).toString());
    if (gone && serialPort) {
        lostReported = true;
        resetSocket();
    }
}

bool UsbObdInterface::writeData(const QByteArray& data)
{
    if (!serialPort)
        return false;
    serialPort->write(data);
    // The port may be dropped by its own error notification during the wait.
    QSerialPort* port = serialPort;
    const bool written = port->waitForBytesWritten(1000);
    return serialPort == port && written;
}

QByteArray UsbObdInterface::readData(qint64 timeoutMs, qint64& elapsedMs)
{
    QByteArray collected;
    if (!serialPort)
        return collected;
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (;;) {
        if (serialPort->bytesAvailable() > 0) {
            collected.append(serialPort->readAll());
            if (!collected.isEmpty() && collected.endsWith('>'))
                return collected;
        }
        if (stopRequested())
            return collected;
        if (serialPort->isOpen())
            serialPort->waitForReadyRead(1);
        else
            QThread::msleep(1);
        // Dropped by its own error notification during the wait.
        if (!serialPort)
            return collected;
        elapsedMs = QDateTime::currentMSecsSinceEpoch() - start;
        if (elapsedMs > timeoutMs)
            return collected;
    }
}

void UsbObdInterface::resetSocket()
{
    emit signal_connectedSignal(false);
    if (serialPort) {
        emit signal_socketStateTxt(tr("Reset issued"));
        serialPort->deleteLater();
        serialPort = nullptr;
        emit signal_socketStateTxt(tr("Disconnected"));
    }
}
