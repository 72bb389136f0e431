#include "SerialLine.h"

#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QMetaEnum>

namespace {
constexpr int kWriteCheckMs = 2;
constexpr qint64 kWriteTimeoutMs = 1000;
constexpr int kReopenMs = 5000;
} // namespace

SerialLine::SerialLine(const QString& ownerName, QObject* parent)
    : QObject(parent)
    , ownerName(ownerName)
{
    qRegisterMetaType<SerialCommDir>();
    writeCheckTimer.setInterval(kWriteCheckMs);
    readTimer.setSingleShot(true);
    settleTimer.setSingleShot(true);
    reopenTimer.setInterval(kReopenMs);
    connect(&writeCheckTimer, &QTimer::timeout, this, &SerialLine::slot_writeCheck);
    connect(&readTimer, &QTimer::timeout, this, &SerialLine::slot_readCheck);
    connect(&settleTimer, &QTimer::timeout, this, [this] {
        dropStaleBytes("after a failed transaction");
        emit signal_ready();
    });
    connect(&reopenTimer, &QTimer::timeout, this, [this] {
        if (!port)
            return;
        openPort();
        if (port->isOpen()) {
            reopenTimer.stop();
            emit signal_reopened();
        }
    });
}

SerialLine::~SerialLine()
{
    close();
}

qint64 SerialLine::now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void SerialLine::close()
{
    writeCheckTimer.stop();
    readTimer.stop();
    settleTimer.stop();
    reopenTimer.stop();
    if (port) {
        port->disconnect(this);
        port->close();
        port->deleteLater();
        port = nullptr;
    }
}

void SerialLine::reset(const Settings& newSettings)
{
    close();
    settings = newSettings;
    outageLogged = false;
    if (settings.portName.isEmpty())
        return;
    port = new QSerialPort(this);
    port->setPortName(settings.portName);
    port->setBaudRate(settings.baudrate);
    port->setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port->setParity(static_cast<QSerialPort::Parity>(settings.parity));
    port->setStopBits(static_cast<QSerialPort::StopBits>(settings.stopBits));
    port->setFlowControl(static_cast<QSerialPort::FlowControl>(settings.flowControl));
    lastSocketError = 0;
    connect(port, &QSerialPort::errorOccurred, this, &SerialLine::slot_socketError);
    openPort();
    if (!port->isOpen())
        startReopening();
}

void SerialLine::openPort()
{
    if (port->open(QIODevice::ReadWrite)) {
        if (outageLogged)
            qDebug() << "Serial port" << settings.portName << "open again";
        outageLogged = false;
        lastSocketError = 0;
        return;
    }
    if (!outageLogged)
        qDebug() << "Failed to open serial port " + settings.portName;
    outageLogged = true;
    port->close();
}

void SerialLine::startReopening()
{
    if (!reopenTimer.isActive())
        reopenTimer.start();
}

bool SerialLine::isOpen() const
{
    return port && port->isOpen();
}

bool SerialLine::busy() const
{
    return readTimer.isActive() || settleTimer.isActive();
}

void SerialLine::dropStaleBytes(const char* when)
{
    if (!isOpen())
        return;
    // Bytes still in the driver count too (those that waited there since the
    // port was opened, or came in since the event loop last looked):
    // without this poll they would be read as the next reply.
    port->waitForReadyRead(0);
    const QByteArray stale = port->readAll();
    if (!stale.isEmpty())
        qDebug() << ownerName << "discarded" << stale.size() << "stale bytes" << when << ":"
                 << Tools::hexStringFromByteArray(stale);
}

bool SerialLine::transact(const QByteArray& bytes, int waitMs)
{
    if (!isOpen()) {
        if (!outageLogged || port == nullptr)
            qDebug() << "Serial device socket not available";
        outageLogged = true;
        if (port)
            startReopening();
        return false;
    }
    dropStaleBytes("before a query");
    writeStartTime = now();
    port->write(bytes);
    lastQuery = bytes;
    writeCheckTimer.start();
    readStartTime = writeStartTime;
    readTimer.start(waitMs);
    return true;
}

void SerialLine::settle(bool validReply, int waitMs)
{
    if (validReply || !isOpen()) {
        emit signal_ready();
        return;
    }
    settleTimer.start(waitMs);
}

void SerialLine::slot_writeCheck()
{
    if (!port) {
        qDebug() << Q_FUNC_INFO << "Socket not available";
        writeCheckTimer.stop();
        return;
    }
    const qint64 t = now();
    if (port->bytesToWrite() == 0) {
        writeCheckTimer.stop();
        emit signal_newDataToLog(SerialCommDir::Tx, lastQuery, t - writeStartTime);
        lastQueryTime = t;
        return;
    }
    if (t - writeStartTime > kWriteTimeoutMs) {
        qDebug() << "Serial device write timeout" << ownerName << settings.portName;
        writeCheckTimer.stop();
    }
}

void SerialLine::slot_readCheck()
{
    if (!port) {
        qDebug() << Q_FUNC_INFO << "Socket not available";
        return;
    }
    // The hand-over can finish within the same event-loop turn as a short
    // wait: the transmission ends no later than the read.
    if (writeCheckTimer.isActive() && port->bytesToWrite() == 0)
        slot_writeCheck();
    const QByteArray data = port->isOpen() ? port->readAll() : QByteArray();
    emit signal_newDataToLog(SerialCommDir::Rx, data, now() - readStartTime);
    emit signal_received(data);
}

void SerialLine::slot_socketError(QSerialPort::SerialPortError serialPortError)
{
    if (serialPortError != QSerialPort::NoError && serialPortError != lastSocketError) {
        qDebug() << Q_FUNC_INFO << "Socket error"
                 << QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(serialPortError);
    }
    lastSocketError = serialPortError;
    // A device that went away (a USB adapter pulled) leaves a port that never
    // works again: close it and keep trying to open it.
    if (serialPortError == QSerialPort::ResourceError && port && port->isOpen()) {
        port->close();
        writeCheckTimer.stop();
        startReopening();
    }
}

QString SerialLine::settingsDescription(const Settings& s)
{
    static const char parityLetters[] = "N?EOSM";
    const QChar parity = s.parity >= 0 && s.parity <= 5 ? QChar::fromLatin1(parityLetters[s.parity]) : QChar('?');
    QString stop;
    switch (s.stopBits) {
    case 1: stop = QStringLiteral("1"); break;
    case 2: stop = QStringLiteral("2"); break;
    case 3: stop = QStringLiteral("1.5"); break;
    default: stop = QStringLiteral("?"); break;
    }
    return QStringLiteral("%1-%2-%3-%4").arg(s.baudrate).arg(s.dataBits).arg(parity).arg(stop);
}
