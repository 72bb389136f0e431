#include "SerialInputChannel.h"

#include "ChannelSetup.h"
#include "lib/Units.h"

#include <QDebug>
#include <QDomElement>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

const QString kKeyPrefix = QStringLiteral("S_");

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

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

QByteArray trimmed(const QByteArray& bytes)
{
    qsizetype start = 0;
    qsizetype end = bytes.size();
    while (start < end && isSpace(bytes.at(start)))
        ++start;
    while (end > start && isSpace(bytes.at(end - 1)))
        --end;
    return bytes.mid(start, end - start);
}

bool readDecimal(const QByteArray& reply, double* number)
{
    const QByteArray text = trimmed(reply);
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            return false;
    }
    // strtod in the C locale the program runs in; the whole text must be
    // the number.
    const QByteArray terminated = text + '\0';
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(terminated.constData(), &end);
    if (end != terminated.constData() + text.size() || errno == ERANGE || !std::isfinite(value))
        return false;
    *number = value;
    return true;
}

bool readHexadecimal(const QByteArray& reply, double* number)
{
    QByteArray text = trimmed(reply);
    if (text.startsWith("0x") || text.startsWith("0X"))
        text = text.mid(2);
    if (text.isEmpty())
        return false;
    quint64 value = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        value = value * 16 + quint64(d);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    *number = double(value);
    return true;
}

bool readBinary(const QByteArray& reply, bool bigEndian, double* number)
{
    if (reply.isEmpty())
        return false;
    quint64 value = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const quint8 b = quint8(reply.at(bigEndian ? i : reply.size() - 1 - i));
        value = (value << 8) | b;
        if (value > 0xFFFFFFFFull)
            return false;
    }
    *number = double(value);
    return true;
}

} // namespace

SerialInputChannel::SerialInputChannel()
    : RunChannel(ChannelSetup::FlagSerialInput, QString(), 0, QString(), Quantity::None)
{
    inputUnit = theUnits.getDefaultUnit(Quantity::None);
}

SerialInputChannel::~SerialInputChannel() = default;

QString SerialInputChannel::getChildName() const
{
    return setup ? setup->key.mid(2) : QString();
}

void SerialInputChannel::setChildName(const QString& name)
{
    setup->key = kKeyPrefix + name;
    emit setup->signal_keyChanged();
}

QByteArray SerialInputChannel::encodeCommand(const QString& command, int commandFormat, int newLineType)
{
    QByteArray body;
    const QByteArray latin = command.toLatin1();
    if (commandFormat == CommandFormat_text) {
        body = latin;
    } else if (commandFormat == CommandFormat_binaryHexadecimal) {
        QList<int> digits;
        for (char c : latin) {
            const int d = hexDigit(c);
            if (d >= 0)
                digits.append(d);
        }
        // Paired from the end: an odd first digit stands alone.
        qsizetype i = 0;
        if (digits.size() % 2 == 1) {
            body.append(char(digits.at(0)));
            i = 1;
        }
        for (; i + 1 < digits.size(); i += 2)
            body.append(char(digits.at(i) << 4 | digits.at(i + 1)));
    }
    if (newLineType == NewLineType_CR)
        body.append('\r');
    else if (newLineType == NewLineType_CRLF)
        body.append("\r\n");
    return body;
}

bool SerialInputChannel::readNumber(QByteArray reply, int replyFormat, bool removeSpaces, int echoLength,
                                    double* number)
{
    reply.replace("\r\n", "\r");
    const qsizetype cr = reply.indexOf('\r');
    if (cr >= 0)
        reply.truncate(cr);
    if (removeSpaces)
        reply.replace(" ", "");
    if (echoLength > 0)
        reply = echoLength >= reply.size() ? QByteArray() : reply.mid(echoLength);
    switch (replyFormat) {
    case ReplyFormat_textDecimal: return readDecimal(reply, number);
    case ReplyFormat_textHexadecimal: return readHexadecimal(reply, number);
    case ReplyFormat_binaryBigEndian: return readBinary(reply, true, number);
    case ReplyFormat_binaryLittleEndian: return readBinary(reply, false, number);
    default:
        qDebug() << "Unknown serial reply format";
        return false;
    }
}

bool SerialInputChannel::decodeReply(const QByteArray& reply, int replyFormat, bool removeSpaces, bool removeEcho,
                                     double* value) const
{
    double n = 0.0;
    if (!readNumber(reply, replyFormat, removeSpaces, removeEcho ? int(command.size()) : 0, &n))
        return false;
    const double x = n * multiplier / divider + offset;
    const Unit* unit = inputUnit ? inputUnit : theUnits.getDefaultUnit(Quantity::None);
    *value = unit ? unit->getSIValue(x) : x;
    return true;
}

void SerialInputChannel::parseDomElement(const QDomElement* element)
{
    const QDomElement setupElement = element->firstChildElement(QStringLiteral("variableSetup"));
    if (!setupElement.isNull())
        setup->parseChannelDomElement(&setupElement);
    inputUnit = theUnits.getUnitByQuantityAndName(setup->quantity, element->attribute(QStringLiteral("inputUnit")));
    multiplier = doubleAttribute(element, QStringLiteral("multiplier"));
    divider = doubleAttribute(element, QStringLiteral("divider"));
    offset = doubleAttribute(element, QStringLiteral("offset"));
    if (element->hasAttribute(QStringLiteral("analysisMode")))
        setup->sampling = static_cast<SamplingMode>(element->attribute(QStringLiteral("analysisMode")).toInt());
    command = element->attribute(QStringLiteral("command"));
}

void SerialInputChannel::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), getChildName());
    element->setAttribute(QStringLiteral("command"), command);
    element->setAttribute(QStringLiteral("multiplier"), numberText(multiplier));
    element->setAttribute(QStringLiteral("divider"), numberText(divider));
    element->setAttribute(QStringLiteral("offset"), numberText(offset));
    element->setAttribute(QStringLiteral("inputUnit"), inputUnit ? inputUnit->name : QString());
    QDomElement setupElement = element->ownerDocument().createElement(QStringLiteral("variableSetup"));
    setup->writeSetupToDomElement(&setupElement);
    element->appendChild(setupElement);
}
