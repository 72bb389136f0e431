#include "ObdThread.h"

#include "AbstractLogWriter.h"
#include "AbstractObdInterface.h"
#include "ObdOptions.h"
#include "ObdPidValues.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "UsbObdInterface.h"
#include "UsbSerialObdInterface.h"
#include "lib/ThreadHandOver.h"

#include <QDateTime>
#include <QDebug>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QPalette>
#include <QSemaphore>

#include <cmath>
#include <limits>
#include <memory>

ObdThread* theObdThread = nullptr;

namespace {

const QColor kLightGreen(140, 255, 140);
const QColor kAmber(255, 224, 77);
const QColor kLightRed(255, 77, 77);

QColor windowColor()
{
    return QGuiApplication::palette().color(QPalette::Current, QPalette::Window);
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// A protocol row: what the "ATDP" reply contains, the default header and where
// a discovery reply line (headers on, spaces off) keeps its parts.
struct ProtocolRow {
    const char* text;
    const char* defaultHeader;
    int prefixPos;
    int bitsPos;
};

const ProtocolRow kProtocols[] = {
    {"CAN 11", "7DF", 5, 9},
    {"CAN 29", "18DB33F1", 10, 14},
    {"ISO 9141-2", "486B10", 6, 10},
    {"KWP", "81F110", 6, 10},
    {"J1850 VPW", "686AF1", 6, 10},
    {"J1850 PWM", "616AF1", 6, 10},
};

// In the model's thread: the reset, or a later try while the model's lock is
// held there (an editor open on a channel); never blocks that thread.
void tryResetChannels(const std::shared_ptr<QSemaphore>& done)
{
    if (!theUDSChannelModel.mutex.tryLock()) {
        QTimer::singleShot(50, &theUDSChannelModel, [done]() { tryResetChannels(done); });
        return;
    }
    theUDSChannelModel.mutex.unlock();
    ThreadHandOver::acquire(done.get());
    theUDSChannelModel.slot_resetChannelStatusAndValues();
    ThreadHandOver::release(done.get());
    done->release();
}

} // namespace

ObdThread::ObdThread()
    : channelIterator(nullptr)
{
    qRegisterMetaType<UDSResponse>("UDSResponse");
    qRegisterMetaType<SerialCommDir>("SerialCommDir");
    qRegisterMetaType<uint16_t>("uint16_t");

    connectTimer = new QTimer(this);
    requestTimer = new QTimer(this);
    connect(requestTimer, &QTimer::timeout, this, &ObdThread::slot_requestTick);
    connect(this, &QThread::finished, connectTimer, &QTimer::stop);
    connect(this, &QThread::finished, requestTimer, &QTimer::stop);

    serialInterface = new UsbObdInterface(this);
    usbSerialInterface = new UsbSerialObdInterface(this);

    reinitTimer = new QTimer(this);
    reinitTimer->setInterval(1000);
    reinitTimer->setSingleShot(true);
    connect(reinitTimer, &QTimer::timeout, this, &ObdThread::slot_initElm);
    connect(this, &QThread::finished, reinitTimer, &QTimer::stop);

    resetChannels = [this]() { resetChannelsAndWait(); };
    moveToThread(this);
}

ObdThread::~ObdThread()
{
    if (isRunning()) {
        quit();
        requestInterruption();
        wait();
    }
}

RunThreadHooks::SourceConnector ObdThread::logWriterConnector()
{
    return [](AbstractLogWriter* writer) {
        QList<QMetaObject::Connection> connections;
        if (theObdThread)
            connections.append(QObject::connect(theObdThread, &ObdThread::signal_newDataToLogWriter, writer,
                                                &AbstractLogWriter::slot_newUDSInputData));
        return connections;
    };
}

AbstractObdInterface* ObdThread::interfaceForType(int type) const
{
    switch (type) {
    case 1: return serialInterface;
    case 2: return bluetoothInterface;
    case 3: return usbSerialInterface;
    default: return nullptr;
    }
}

void ObdThread::setInterfaceForType(int type, AbstractObdInterface* transport)
{
    transport->setParent(this);
    if (type == 2) {
        bluetoothInterface = transport;
    } else if (type == 3) {
        delete usbSerialInterface;
        usbSerialInterface = transport;
    }
}

QByteArray ObdThread::detectedDefaultHeader() const
{
    QMutexLocker locker(&headerMutex);
    return defaultHeader;
}

void ObdThread::setStatusText(const QString& text)
{
    emit signal_setStatusText(QStringLiteral("OBD: ") + (activeInterface ? adapterName : QStringLiteral("-"))
                              + QLatin1Char(' ') + text);
}

void ObdThread::rateLimitedDebugMessage(const QString& text)
{
    const qint64 now = nowMs();
    if (now - lastDebugMessageMs > 2000) {
        lastDebugMessageMs = now;
        debugMessagesSuppressed = false;
        qDebug().noquote() << text;
    } else if (!debugMessagesSuppressed) {
        qDebug() << "More OBD debug messages received (rate limited)";
        debugMessagesSuppressed = true;
    }
}

void ObdThread::sleepInterruptibly(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !isInterruptionRequested())
        QThread::msleep(qMin<qint64>(10, ms - timer.elapsed() + 1));
}

// The reset runs in the model's (GUI) thread while this thread waits. At
// shutdown the GUI thread waits for this one, so the wait ends as soon as
// interruption is requested; a reset the GUI cannot take at once (its model
// lock is held, for example by an open editor) is tried again later there.
void ObdThread::resetChannelsAndWait()
{
    if (QThread::currentThread() == theUDSChannelModel.thread()) {
        theUDSChannelModel.slot_resetChannelStatusAndValues();
        return;
    }
    auto done = std::make_shared<QSemaphore>(0);
    ThreadHandOver::release(done.get());
    QMetaObject::invokeMethod(&theUDSChannelModel, [done]() { tryResetChannels(done); }, Qt::QueuedConnection);
    while (!done->tryAcquire(1, 10)) {
        if (isInterruptionRequested())
            return;
    }
    ThreadHandOver::acquire(done.get());
}

void ObdThread::slot_interfaceTypeChanged()
{
    emit signal_setStatusColor(QColor());
    const int type = theObdOptions.enable.load() ? theObdOptions.interfaceType.load() : 0;
    QObject::disconnect(connectTimer, &QTimer::timeout, nullptr, nullptr);
    if (activeInterface) {
        QObject::disconnect(activeInterface, nullptr, this, nullptr);
        activeInterface->resetSocket();
    }
    slot_connected(false);

    AbstractObdInterface* chosen = interfaceForType(type);
    if (!chosen) {
        activeInterface = nullptr;
        connectTimer->stop();
        setStatusText(QString());
        return;
    }
    activeInterface = chosen;
    connectTimer->start(1000);
    connect(connectTimer, &QTimer::timeout, activeInterface, &AbstractObdInterface::slot_connectDevice);
    connect(activeInterface, &AbstractObdInterface::signal_connectedSignal, this, &ObdThread::slot_connected,
            Qt::QueuedConnection);
    connect(activeInterface, &AbstractObdInterface::signal_socketErrorTxt, this, &ObdThread::signal_socketErrorTxt);
    connect(activeInterface, &AbstractObdInterface::signal_socketStateTxt, this, &ObdThread::signal_socketStateTxt);
    connect(activeInterface, &AbstractObdInterface::signal_whatsGoingOn, this,
            &ObdThread::signal_transportWhatsGoingOn);
    setStatusText(tr("connecting..."));
}

void ObdThread::slot_baudrateChanged(const QString& baudrateString)
{
    bool ok = false;
    const qint32 rate = baudrateString.toInt(&ok);
    const qint32 value = ok ? rate : 0;
    serialInterface->baudRate = value;
    if (usbSerialInterface)
        usbSerialInterface->baudRate = value;
    if (activeInterface)
        activeInterface->resetSocket();
}

void ObdThread::slot_connected(bool connected)
{
    if (connected == interfaceConnected)
        return;
    interfaceConnected = connected;
    if (connected) {
        emit signal_whatsGoingOn(tr("Interface connected"));
        connectTimer->stop();
        slot_initElm();
    } else {
        emit signal_setStatusColor(windowColor());
        emit signal_whatsGoingOn(tr("Interface disconnected"));
        requestTimer->stop();
        vehicleConnected = false;
        if (activeInterface)
            connectTimer->start(1000);
        resetChannels();
    }
    setStatusText(QString());
}

void ObdThread::slot_initElm()
{
    errorCounter = 0;
    currentHeader = "?";
    emit signal_whatsGoingOn(tr("Configuring OBD interface"));
    writeData("ATZ\r");
    readData(5000);
    writeData("ATZ\r");
    QByteArray reply;
    if (readAndVerify("ATZ\r", &reply, 4, -1) == Ok) {
        reply.replace(char(0xFC), QByteArray()).replace('\r', QByteArray());
        adapterName = QString::fromLatin1(reply);
        emit signal_elmName(adapterName);
    }
    writeData("ATL0\r");
    if (readAndVerify("ATL0\rOK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error setting L0 - linefeeds off"));
        return;
    }
    writeData("ATS0\r");
    if (readAndVerify("ATS0\rOK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error setting S0 - spaces off"));
        return;
    }
    writeData("ATE0\r");
    if (readAndVerify("ATE0\rOK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error setting E0 - echo off"));
        return;
    }
    emit signal_whatsGoingOn(tr("OBD interface configuration OK"));
    connectToVehicle();
    slot_enableObdRequests(true);
}

void ObdThread::slot_enableObdRequests(bool enable)
{
    if (!enable) {
        requestTimer->stop();
        return;
    }
    requestTimer->start(3);
    rateWindowStartMs = nowMs();
    requestsInWindow = 0;
    emit signal_setStatusColor(kLightGreen);
    emit signal_whatsGoingOn(tr("OBD PID requests enabled"));
}

void ObdThread::slot_requestTick()
{
    if (readErrorCodesPending) {
        readErrorCodes(true);
        readErrorCodesPending = false;
        return;
    }
    if (clearErrorCodesPending) {
        clearErrorCodes();
        clearErrorCodesPending = false;
        return;
    }
    if (!vehicleConnected) {
        connectToVehicle();
        sleepInterruptibly(1000);
        return;
    }
    if (!theUDSChannelModel.mutex.tryLock()) {
        requestTimer->setInterval(1000);
        return;
    }
    const qint64 now = nowMs();
    bool vehicleLost = false;
    if (UDSChannel* channel = channelIterator.getNextChannelToQuery()) {
        requestChannel(channel);
    } else {
        writeData("0100\r");
        vehicleLost = readAndVerify("4100", nullptr, 0, -1) != Ok;
    }
    ++requestsInWindow;
    const qint64 window = now - rateWindowStartMs;
    if (window > 999) {
        setStatusText(QStringLiteral("%1Hz").arg(double(requestsInWindow) / double(window) * 1000.0, 0, 'f', 1));
        rateWindowStartMs = now;
        requestsInWindow = 0;
    }
    theUDSChannelModel.mutex.unlock();
    if (requestTimer->interval() != 3)
        requestTimer->setInterval(3);
    if (vehicleLost) {
        connectToVehicle();
        sleepInterruptibly(1000);
    }
}

void ObdThread::slot_readErrorCodesRequested()
{
    readErrorCodesPending = true;
    emit signal_whatsGoingOn(tr("Diagnostic trouble codes read requested"));
}

void ObdThread::slot_clearErrorCodesRequested()
{
    clearErrorCodesPending = true;
    emit signal_whatsGoingOn(tr("Diagnostic trouble codes clear requested"));
}

QString ObdThread::troubleCodePrefix(char first)
{
    static const char* const prefixes[16] = {"P0", "P1", "P2", "P3", "C0", "C1", "C2", "C3",
                                             "B0", "B1", "B2", "B3", "U0", "U1", "U2", "U3"};
    int nibble = -1;
    if (first >= '0' && first <= '9')
        nibble = first - '0';
    else if (first >= 'A' && first <= 'F')
        nibble = first - 'A' + 10;
    return nibble < 0 ? QString() : QString::fromLatin1(prefixes[nibble]);
}

QList<QString> ObdThread::troubleCodesFromReply(QByteArray text, bool can)
{
    // On CAN every answering ECU puts a count byte after its "43"; left in
    // place behind a later ECU's "43" it would shift the walk and read as the
    // start of a code.
    if (can)
        text.remove(0, 2);
    for (int at = text.indexOf("\r43"); at >= 0; at = text.indexOf("\r43", at))
        text.remove(at, can ? 5 : 3);
    QList<QString> codes;
    if (text.size() <= 3)
        return codes;
    for (int i = 0; i < text.size() - 3; i += 4) {
        const QByteArray group = text.mid(i, 4);
        if (group == "0000")
            break;
        codes.append(troubleCodePrefix(group.at(0)) + QString::fromLatin1(group.mid(1)));
    }
    return codes;
}

void ObdThread::readErrorCodes(bool reportEmpty)
{
    writeData("03\r");
    QByteArray reply;
    QList<QString> codes;
    if (readAndVerify("43", &reply, 2, -1) == Ok)
        codes = troubleCodesFromReply(reply, protocolDescription.contains("CAN"));
    if (!codes.isEmpty() || reportEmpty)
        emit signal_errorCodesList(codes);
}

void ObdThread::clearErrorCodes()
{
    writeData("04\r");
    if (readAndVerify("44", nullptr, 2, 0) == Ok)
        emit signal_errorCodesCleared();
    else
        qDebug() << "Clearing error codes failed";
}

// ---------------------------------------------------------------- vehicle

void ObdThread::connectToVehicle()
{
    vehicleConnected = false;
    resetChannels();
    setStatusText(QStringLiteral("connecting"));
    emit signal_whatsGoingOn(tr("Checking connection with a vehicle"));

    writeData(QStringLiteral("ATSP%1\r").arg(theObdOptions.protocol.load(), 0, 16).toUpper().toLatin1());
    if (readAndVerify("OK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error setting protocol"));
        return;
    }
    writeData("ATH1\r");
    readData(1000);
    writeData("ATH1\r");
    if (readAndVerify("OK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error turning on headers"));
        return;
    }
    writeData("0100\r");
    readData(15000);
    writeData("0100\r");
    const QByteArray wake = readData(15000);
    if (wake.contains("UNABLE TO CONNECT") || wake.contains("SEARCHING")) {
        emit signal_whatsGoingOn(tr("No response from vehicle"));
        return;
    }

    writeData("ATDP\r");
    QByteArray description;
    readAndVerify(QByteArray(), &description, 0, -1);
    protocolDescription = description;
    emit signal_obdProtocol(QString::fromLatin1(description));
    bool recognised = false;
    for (int p = 0; p < int(std::size(kProtocols)); ++p) {
        if (description.contains(kProtocols[p].text)) {
            protocolCode = p;
            QMutexLocker locker(&headerMutex);
            defaultHeader = kProtocols[p].defaultHeader;
            recognised = true;
            break;
        }
    }
    if (!recognised) {
        qDebug() << "OBD Protocol not recognized";
        QMutexLocker locker(&headerMutex);
        defaultHeader.clear();
    }

    const bool interruptedBefore = isInterruptionRequested();
    discoverSupportedPids();

    writeData("ATH0\r");
    if (readAndVerify("OK", nullptr, 0, -1) != Ok) {
        emit signal_whatsGoingOn(tr("Error turning off headers"));
        return;
    }
    if (interruptedBefore) {
        emit signal_whatsGoingOn(tr("No connection with a vehicle"));
        return;
    }
    readPidBytes("014F1\r", "414F", theObdPid4F);
    readPidBytes("01501\r", "4150", theObdPid50);

    vehicleConnected = true;
    channelIterator.readOncePosition = 0;
    emit signal_whatsGoingOn(tr("Vehicle connected"));
    if (theObdOptions.readTroubleCodesAfterConnection.load())
        readErrorCodes(false);
}

void ObdThread::readPidBytes(const QByteArray& command, const QByteArray& prefix, std::atomic<double>* target)
{
    writeData(command);
    QByteArray reply;
    const bool ok = readAndVerify(prefix, &reply, 4, 8) == Ok;
    for (int i = 0; i < 4; ++i) {
        bool hex = false;
        const int value = ok ? reply.mid(2 * i, 2).toInt(&hex, 16) : 0;
        target[i].store(hex ? double(value) : 0.0, std::memory_order_relaxed);
    }
}

void ObdThread::discoverSupportedPids()
{
    const int code = protocolCode.load();
    for (int group = 0; group <= 0xE0; group += 0x20) {
        if (isInterruptionRequested())
            return;
        const QByteArray pid = QByteArray::number(group, 16).rightJustified(2, '0').toUpper();
        writeData("01" + pid + "\r");
        const QList<QByteArray> lines = readAndClean().split('\r');
        for (const QByteArray& line : lines) {
            QByteArray header;
            QByteArray prefix;
            QByteArray bits;
            if (code >= 0 && code < int(std::size(kProtocols))) {
                prefix = line.mid(kProtocols[code].prefixPos, 4);
                bits = line.mid(kProtocols[code].bitsPos, 8);
                if (code == Can11) {
                    bool ok = false;
                    const int id = line.left(3).toInt(&ok, 16);
                    header = QByteArray::number(id - 8, 16).toUpper().rightJustified(3, '0');
                } else if (code == Can29) {
                    header = "18DA" + line.mid(6, 2) + "F1";
                }
            } else {
                qDebug() << "Unknown OBD protocol";
            }
            if (prefix != "41" + pid)
                return;
            bool ok = false;
            const quint32 support = bits.toUInt(&ok, 16);
            if (!ok)
                continue;
            QMutexLocker locker(&theUDSChannelModel.mutex);
            for (int k = 0; k < 32; ++k) {
                const QByteArray command
                    = "01" + QByteArray::number(group + k, 16).rightJustified(2, '0').toUpper();
                const bool supported = k >= 1 && ((support >> (32 - k)) & 1u);
                for (UDSChannel* channel : theUDSChannelModel.listChannelsForCommand(command)) {
                    if (channel->status() == Ok)
                        continue;
                    channel->setStatusFromObdThread(supported ? Ok : NotSupported);
                    if (supported)
                        channel->setHeaderFromObdThread(header);
                }
            }
        }
    }
}

// ---------------------------------------------------------------- exchanges

void ObdThread::writeData(const QByteArray& data)
{
    if (!activeInterface) {
        emit signal_whatsGoingOn(tr("Writing data to invalid interface"));
        return;
    }
    if (theObdOptions.logCommunication.load())
        emit signal_newDataToLog(SerialCommDir::Tx, data, 0);
    const int delay = theObdOptions.queryDelayMs.load();
    if (delay > 0)
        QThread::msleep(ulong(delay));
    activeInterface->writeData(data);
}

QByteArray ObdThread::readData(qint64 timeoutMs)
{
    QByteArray reply;
    qint64 elapsed = 0;
    if (activeInterface)
        reply = activeInterface->readData(timeoutMs, elapsed);
    else
        emit signal_whatsGoingOn(tr("Reading data from invalid interface"));
    if (theObdOptions.logCommunication.load())
        emit signal_newDataToLog(SerialCommDir::Rx, reply, elapsed);
    return reply;
}

QByteArray ObdThread::cleanReply(QByteArray raw)
{
    raw.replace('\n', QByteArray());
    for (char& c : raw) {
        if (c >= 'a' && c <= 'f')
            c = char(c - 'a' + 'A');
    }
    raw.replace("\r\r>", QByteArray());
    if (raw.startsWith("SEARCHING...\r"))
        raw.remove(0, 13);
    return raw;
}

QByteArray ObdThread::readAndClean()
{
    return cleanReply(readData(5000));
}

QByteArray ObdThread::assembleReply(const QByteArray& raw)
{
    QByteArray assembled;
    if (raw.startsWith("AT")) {
        assembled = raw;
    } else {
        for (const QByteArray& line : raw.split('\r')) {
            if (line.size() < 2) {
                if (!assembled.isEmpty())
                    assembled.append('\r');
                assembled.append(line);
            } else if (line.at(1) == ':') {
                QByteArray frame = line;
                frame.replace(' ', QByteArray());
                assembled.append(frame.mid(2));
            } else if (line.size() == 3) {
                if (!assembled.isEmpty())
                    assembled.append('\r');
            } else {
                if (!assembled.isEmpty())
                    assembled.append('\r');
                assembled.append(line);
            }
        }
    }
    if (assembled.startsWith("7F") && assembled.contains('\r')) {
        QList<QByteArray> kept;
        for (const QByteArray& line : assembled.split('\r')) {
            if (!line.startsWith("7F"))
                kept.append(line);
        }
        if (!kept.isEmpty())
            assembled = kept.join('\r');
    }
    return assembled;
}

UDSResponse ObdThread::judgeReply(const QByteArray& assembled, const QByteArray& expected, int prefixLength,
                                  int dataLength)
{
    if (assembled.startsWith(expected))
        return assembled.size() < prefixLength + dataLength ? TooShort : Ok;
    if (assembled.startsWith("NO DATA"))
        return NoData;
    if (assembled.startsWith("7F"))
        return NegativeResponse;
    if (assembled.startsWith("STOPPED"))
        return Stopped;
    if (assembled.startsWith("UNABLE TO CONNECT"))
        return UnableToConnect;
    return UnexpectedReply;
}

QByteArray ObdThread::expectedPrefix(const QByteArray& command, int& prefixLength)
{
    bool ok = false;
    const int service = command.left(2).toInt(&ok, 16);
    int length = 0;
    if (ok && (service == 0x01 || service == 0x02))
        length = 4;
    else if (ok && service == 0x22)
        length = 6;
    prefixLength = length;
    if (length == 0)
        return QByteArray();
    QByteArray prefix = command.left(length);
    prefix[0] = char(prefix.at(0) + 4);
    return prefix;
}

UDSResponse ObdThread::readAndVerify(const QByteArray& expected, QByteArray* reply, int prefixLength, int dataLength)
{
    const QByteArray raw = readAndClean();
    const QByteArray assembled = assembleReply(raw);
    const UDSResponse result = judgeReply(assembled, expected, prefixLength, dataLength);
    if (result == TooShort) {
        emit signal_elmResponse(tr("RESPONSE TOO SHORT"));
        rateLimitedDebugMessage(QStringLiteral("Response length required: %1, received: %2 %3 %4")
                                    .arg(prefixLength + dataLength)
                                    .arg(raw.size())
                                    .arg(QString::fromLatin1(raw), QString::fromLatin1(assembled)));
    } else if (result == Ok) {
        if (activeInterface)
            emit activeInterface->signal_socketErrorTxt(QString());
        emit signal_elmResponse(tr("OK"));
    } else {
        if (result == UnexpectedReply)
            rateLimitedDebugMessage(QStringLiteral("OBD CORRECT: ") + QString::fromLatin1(expected)
                                    + QStringLiteral(" ASSEMBLED: ") + QString::fromLatin1(assembled));
        emit signal_elmResponse(QString::fromLatin1(assembled));
    }

    if (theObdOptions.interfaceType.load() == 0) {
        emit signal_setStatusColor(windowColor());
        reinitTimer->stop();
    } else {
        switch (result) {
        case Ok:
            emit signal_setStatusColor(kLightGreen);
            --errorCounter;
            reinitTimer->stop();
            break;
        case NoData:
        case NegativeResponse:
        case NotSupported:
            break;
        case UnableToConnect:
            setStatusText(tr("no conn."));
            emit signal_setStatusColor(kAmber);
            ++errorCounter;
            break;
        case Stopped:
            setStatusText(tr("stopped"));
            emit signal_setStatusColor(kAmber);
            ++errorCounter;
            break;
        case TooShort:
        case UnexpectedReply:
            setStatusText(tr("error"));
            emit signal_setStatusColor(kLightRed);
            ++errorCounter;
            break;
        }
    }
    if (errorCounter < 0)
        errorCounter = 0;
    emit signal_errorCounter(QString::number(errorCounter.load()));
    if (errorCounter > 10 && !reinitTimer->isActive())
        reinitTimer->start();

    if (result == Ok && reply)
        *reply = assembled.mid(prefixLength, dataLength);
    return result;
}

void ObdThread::setHeader(const QByteArray& header)
{
    const QByteArray h = header.toUpper();
    if (h == currentHeader)
        return;
    writeData("ATSH " + h + "\r");
    readAndVerify("OK", nullptr, 0, -1);
    currentHeader = h;
}

void ObdThread::sendExtraCommands(const QByteArray& commands)
{
    if (commands.isEmpty())
        return;
    if (commands.contains("SH"))
        currentHeader = "?";
    for (const QByteArray& piece : commands.split(',')) {
        writeData(piece + "\r");
        readData(5000);
    }
}

void ObdThread::requestChannel(UDSChannel* channel)
{
    const UDSChannelSetup& s = channel->udsSetup;
    if (!s.header.isEmpty()) {
        setHeader(s.header);
    } else if (protocolCode.load() != Kwp) {
        if (theObdOptions.autoCANHeaders.load() && !s.automaticHeader.isEmpty())
            setHeader(s.automaticHeader);
        else if (!defaultHeader.isEmpty())
            setHeader(defaultHeader);
    }
    sendExtraCommands(s.prefixCommands);

    bool serviceOk = false;
    if (s.command.size() >= 2)
        s.command.left(2).toInt(&serviceOk, 16);
    if (serviceOk) {
        writeData(s.command + "\r");
        int prefixLength = 0;
        const QByteArray expected = expectedPrefix(s.command, prefixLength);
        QByteArray reply;
        const UDSResponse result = readAndVerify(expected, &reply, prefixLength, -1);
        const qint64 now = nowMs();
        const quint16 id = channel->logId();
        const bool keepLast = theObdOptions.keepLastValueOnFailedRead.load();
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        if (result != Ok) {
            if (!keepLast) {
                channel->setData(nan, now);
                theUDSChannelModel.valuesChanged = true;
                emit signal_newDataToLogWriter(nan, id, now);
            }
            if (result != channel->status())
                channel->setStatusFromObdThread(result);
        } else {
            const double value = channel->newByteData(reply, now);
            if (std::isfinite(value) || (std::isnan(value) && !keepLast)) {
                theUDSChannelModel.valuesChanged = true;
                emit signal_newDataToLogWriter(value, id, now);
            }
        }
    }
    sendExtraCommands(s.suffixCommands);
}
