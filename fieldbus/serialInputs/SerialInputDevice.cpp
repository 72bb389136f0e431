#include "SerialInputDevice.h"

#include "SerialInputChannel.h"
#include "SerialLine.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QDomElement>

namespace {

int intAttribute(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const int value = element->attribute(name).toInt(&ok);
    return ok ? value : 0;
}

double doubleAttribute(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const double value = element->attribute(name).toDouble(&ok);
    return ok ? value : 0.0;
}

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

int waitMs(float seconds)
{
    return int(seconds * 1000.0f);
}

} // namespace

SerialInputDevice::SerialInputDevice() = default;

SerialInputDevice::~SerialInputDevice()
{
    qDeleteAll(channels);
    channels.clear();
    delete line;
}

qint64 SerialInputDevice::valueTimestamp() const
{
    return line ? line->queryTime() : 0;
}

void SerialInputDevice::resetSocket()
{
    if (!line) {
        line = new SerialLine(QString(), this);
        connect(line, &SerialLine::signal_newDataToLog, this, &SerialInputDevice::signal_newDataToLog);
        connect(line, &SerialLine::signal_received, this, &SerialInputDevice::readDataReceived);
        connect(line, &SerialLine::signal_ready, this, [this] {
            if (pendingManual) {
                pendingManual = false;
                if (sendNow(pendingCommand, pendingWait))
                    inFlight = InFlight::manual;
                return;
            }
            executeNextCommand();
        });
        // An instrument that was away may have lost its set-up.
        connect(line, &SerialLine::signal_reopened, this, &SerialInputDevice::slot_deviceInit);
    }
    line->ownerName = QStringLiteral("Serial device ") + def.name;
    inFlight = InFlight::nothing;
    line->reset({def.serialPort, def.baudrate, def.dataBits, def.parity, def.stopBits, def.flowControl});
}

void SerialInputDevice::slot_deviceInit()
{
    // A reply still awaited is read at its time; the refilled init commands
    // follow it.
    if (!line || !line->busy())
        resetSocket();
    if (!line->hasPort())
        return;
    initQueue.clear();
    for (const QString& command : def.initCommands.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        initQueue.append(command);
    executeNextCommand();
}

void SerialInputDevice::executeNextCommand()
{
    if (!line || !line->hasPort() || line->busy())
        return;
    if (channelEditPause)
        return;
    if (!initQueue.isEmpty()) {
        currentIndex = -1;
        if (sendNow(initQueue.first(), float(def.initResponseWaitTime))) {
            initQueue.removeFirst();
            inFlight = InFlight::init;
        }
        return;
    }
    if (deviceEditPause)
        return;
    if (channels.isEmpty()) {
        currentIndex = -1;
        return;
    }
    const int next = currentIndex + 1 >= channels.size() ? 0 : currentIndex + 1;
    if (sendNow(channels.at(next)->command, float(def.dataResponseWaitTime))) {
        currentIndex = next;
        inFlight = InFlight::channel;
    }
}

void SerialInputDevice::writeCommand(const QString& command, float responseWaitTimeSI)
{
    if (line && line->busy()) {
        pendingCommand = command;
        pendingWait = responseWaitTimeSI;
        pendingManual = true;
        return;
    }
    if (sendNow(command, responseWaitTimeSI))
        inFlight = InFlight::manual;
}

bool SerialInputDevice::sendNow(const QString& command, float waitSeconds)
{
    if (!line)
        return false;
    lastWaitMs = waitMs(waitSeconds);
    return line->transact(SerialInputChannel::encodeCommand(command, def.commandFormat, def.newLineType),
                          lastWaitMs);
}

void SerialInputDevice::readDataReceived(const QByteArray& reply)
{
    bool valid = true;
    if (inFlight == InFlight::channel && currentIndex >= 0 && currentIndex < channels.size()) {
        SerialInputChannel* channel = channels.at(currentIndex);
        double value = 0.0;
        valid = channel->decodeReply(reply, def.replyFormat, def.removeReplySpaces, def.removeReplyEcho, &value);
        if (valid) {
            const qint64 stamp = line->queryTime();
            channel->setData(value, stamp);
            emit signal_newData(value, uint8_t(currentIndex), stamp);
        }
    }
    inFlight = InFlight::nothing;
    line->settle(valid, lastWaitMs);
}

QString SerialInputDevice::portSettingsDescription() const
{
    return SerialLine::settingsDescription(
        {def.serialPort, def.baudrate, def.dataBits, def.parity, def.stopBits, def.flowControl});
}

bool SerialInputDevice::addChannel(SerialInputChannel* channel)
{
    if (channels.size() >= maxChannels)
        return false;
    channels.append(channel);
    return true;
}

void SerialInputDevice::removeChannel(int index)
{
    if (index < 0 || index >= channels.size())
        return;
    delete channels.takeAt(index);
    if (currentIndex >= index)
        --currentIndex;
    if (inFlight == InFlight::channel)
        inFlight = InFlight::nothing;
}

void SerialInputDevice::parseDomElement(const QDomElement* element, QList<QString>& usedNames)
{
    def.name = element->attribute(QStringLiteral("name"));
    def.serialPort = element->attribute(QStringLiteral("serialPort"));
    def.baudrate = intAttribute(element, QStringLiteral("baudrate"));
    def.dataBits = intAttribute(element, QStringLiteral("dataBits"));
    def.parity = intAttribute(element, QStringLiteral("parity"));
    def.stopBits = intAttribute(element, QStringLiteral("stopBits"));
    def.flowControl = intAttribute(element, QStringLiteral("flowControl"));
    def.initCommands = element->attribute(QStringLiteral("initCommands"));
    def.initResponseWaitTime = doubleAttribute(element, QStringLiteral("initResponseWaitTime"));
    def.dataResponseWaitTime = doubleAttribute(element, QStringLiteral("dataResponseWaitTime"));
    def.newLineType = static_cast<NewLineType>(intAttribute(element, QStringLiteral("newLineType")));
    def.removeReplySpaces = intAttribute(element, QStringLiteral("removeReplySpaces")) != 0;
    def.removeReplyEcho = intAttribute(element, QStringLiteral("removeReplyEcho")) != 0;
    if (intAttribute(element, QStringLiteral("replyIsHexadecimal")) != 0)
        def.replyFormat = ReplyFormat_textHexadecimal;
    else
        def.replyFormat = static_cast<ReplyFormat>(intAttribute(element, QStringLiteral("replyFormat")));
    def.commandFormat = static_cast<CommandFormat>(intAttribute(element, QStringLiteral("commandFormat")));
    for (QDomElement child = element->firstChildElement(QStringLiteral("channel")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("channel"))) {
        if (channels.size() >= maxChannels) {
            qDebug() << "Serial device" << def.name << ": channels beyond" << maxChannels << "skipped";
            break;
        }
        auto* channel = new SerialInputChannel;
        const QString unique = Tools::generateUniqueName(usedNames, child.attribute(QStringLiteral("name")));
        usedNames.append(unique);
        channel->setChildName(unique);
        channel->parseDomElement(&child);
        channels.append(channel);
    }
}

void SerialInputDevice::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), def.name);
    element->setAttribute(QStringLiteral("serialPort"), def.serialPort);
    element->setAttribute(QStringLiteral("baudrate"), def.baudrate);
    element->setAttribute(QStringLiteral("dataBits"), def.dataBits);
    element->setAttribute(QStringLiteral("parity"), def.parity);
    element->setAttribute(QStringLiteral("stopBits"), def.stopBits);
    element->setAttribute(QStringLiteral("flowControl"), def.flowControl);
    element->setAttribute(QStringLiteral("initCommands"), def.initCommands);
    element->setAttribute(QStringLiteral("initResponseWaitTime"), numberText(def.initResponseWaitTime));
    element->setAttribute(QStringLiteral("dataResponseWaitTime"), numberText(def.dataResponseWaitTime));
    element->setAttribute(QStringLiteral("newLineType"), int(def.newLineType));
    element->setAttribute(QStringLiteral("removeReplySpaces"), def.removeReplySpaces ? 1 : 0);
    element->setAttribute(QStringLiteral("removeReplyEcho"), def.removeReplyEcho ? 1 : 0);
    element->setAttribute(QStringLiteral("replyFormat"), int(def.replyFormat));
    element->setAttribute(QStringLiteral("commandFormat"), int(def.commandFormat));
    for (const SerialInputChannel* channel : channels) {
        QDomElement child = element->ownerDocument().createElement(QStringLiteral("channel"));
        channel->writeSetupToDomElement(&child);
        element->appendChild(child);
    }
}
