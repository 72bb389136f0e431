#include "ModbusFunction.h"

#include "Argument.h"
#include "ChannelSetup.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDebug>
#include <QDomElement>

#include <cmath>

namespace {

const QString kKeyPrefix = QStringLiteral("M_");

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

// The frame's CRC as it goes on the wire: low-order byte first.
void appendCrc(QByteArray& frame)
{
    const uint16_t crc = Tools::crc16(reinterpret_cast<unsigned char*>(frame.data()),
                                      static_cast<unsigned short>(frame.size()));
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
}

} // namespace

ModbusFunction::ModbusFunction(QObject* parent)
    : RunChannel(ChannelSetup::FlagModbusInput, QString(), 0, QString(), Quantity::None)
{
    if (parent)
        setParent(parent);
    argument = new Argument(this);
    inputUnit = theUnits.getDefaultUnit(Quantity::None);
    outputUnit = theUnits.getDefaultUnit(Quantity::None);
}

ModbusFunction::~ModbusFunction() = default;

QString ModbusFunction::getChildName() const
{
    return setup ? setup->key.mid(2) : QString();
}

void ModbusFunction::setChildName(const QString& name)
{
    setup->key = kKeyPrefix + name;
    emit setup->signal_keyChanged();
}

QByteArray ModbusFunction::generateQuery(bool preview)
{
    refusalText.clear();
    const int code = int(functionCode);
    if (code < 1 || code > 6) {
        refusalText = QStringLiteral("Unsupported function code %1").arg(code);
        return QByteArray();
    }
    QByteArray frame(6, '\0');
    frame[0] = char(slaveId & 0xFF);
    frame[1] = char(code & 0xFF);
    frame[2] = char((address >> 8) & 0xFF);
    frame[3] = char(address & 0xFF);
    if (code <= 4) {
        frame[4] = 0x00;
        frame[5] = 0x01;
    } else {
        const double s = argument ? argument->getValue() : qQNaN();
        if (!std::isfinite(s)) {
            refusalText = QStringLiteral("Source value not available: nothing written");
            return QByteArray();
        }
        const Unit* unit = outputUnit ? outputUnit : theUnits.getDefaultUnit(Quantity::None);
        const double u = unit ? unit->getUnitValue(s) : s;
        const double r = (u + offset) * multiplier / divider;
        quint16 word = 0;
        if (std::isnan(r) || r < 0)
            word = 0;
        else if (r > 65535)
            word = 65535;
        else
            word = quint16(r);
        if (!preview) {
            sourceValue = s;
            writtenValue = word;
        }
        frame[4] = char(word >> 8);
        frame[5] = char(word & 0xFF);
    }
    appendCrc(frame);
    return frame;
}

QString ModbusFunction::exceptionText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("illegal function");
    case 2: return QStringLiteral("illegal data address");
    case 3: return QStringLiteral("illegal data value");
    case 4: return QStringLiteral("server device failure");
    case 5: return QStringLiteral("acknowledge");
    case 6: return QStringLiteral("server device busy");
    case 8: return QStringLiteral("memory parity error");
    case 10: return QStringLiteral("gateway path unavailable");
    case 11: return QStringLiteral("gateway target device failed to respond");
    default: return QStringLiteral("unknown");
    }
}

bool ModbusFunction::parseResponse(const QByteArray& response, qint64 timestamp, double& value)
{
    value = qQNaN();
    const auto* b = reinterpret_cast<const unsigned char*>(response.constData());
    const int n = int(response.size());
    const int code = int(functionCode);
    QString failure;
    if (n < 5) {
        failure = QStringLiteral("Response too short");
    } else {
        QByteArray body = response.left(n - 2);
        const uint16_t crc = Tools::crc16(reinterpret_cast<unsigned char*>(body.data()),
                                          static_cast<unsigned short>(body.size()));
        const uint16_t received = uint16_t(b[n - 2] << 8 | b[n - 1]);
        if (crc != received)
            failure = QStringLiteral("CRC error");
        else if (int(b[0]) != slaveId)
            failure = QStringLiteral("Slave ID mismatch");
        else if (int(b[1]) == code + 0x80)
            failure = QStringLiteral("Exception: ") + exceptionText(b[2]);
        else if (int(b[1]) != code)
            failure = QStringLiteral("Function code mismatch");
        else if (code == 1 || code == 2 || code == 3 || code == 4) {
            const bool bits = code <= 2;
            if (n != (bits ? 6 : 7))
                failure = QStringLiteral("Invalid response length");
            else if (b[2] != (bits ? 1 : 2))
                failure = QStringLiteral("Response length mismatch");
            else {
                const double raw = bits ? double(b[3]) : double(quint16(b[3] << 8 | b[4]));
                const double v = raw * multiplier / divider + offset;
                const Unit* unit = inputUnit ? inputUnit : theUnits.getDefaultUnit(Quantity::None);
                value = unit ? unit->getSIValue(v) : v;
            }
        } else if (code == 5 || code == 6) {
            if (n != 8)
                failure = QStringLiteral("Invalid response length");
            else if (quint16(b[4] << 8 | b[5]) != writtenValue)
                failure = QStringLiteral("Data write confirmation mismatch");
            else
                value = sourceValue;
        } else {
            qDebug() << "not supported Modbus function";
            failure = QStringLiteral("Unsupported function code %1").arg(code);
        }
    }
    finish(response, failure, value, timestamp);
    return failure.isEmpty();
}

void ModbusFunction::refuseTransaction(qint64 timestamp)
{
    finish(QByteArray(), refusalText, qQNaN(), timestamp);
}

void ModbusFunction::finish(const QByteArray& response, const QString& failure, double value, qint64 timestamp)
{
    if (responseTextsEnabled) {
        QString hex = Tools::hexStringFromByteArray(response);
        emit signal_responseString(hex);
        QString text = failure.isEmpty() ? QStringLiteral("OK, value = ") + QString::number(value, 'g', 6) : failure;
        emit signal_responseInterpretation(text);
    }
    setData(value, timestamp);
}

void ModbusFunction::parseDomElement(const QDomElement* element)
{
    const QDomElement setupElement = element->firstChildElement(QStringLiteral("variableSetup"));
    if (!setupElement.isNull())
        setup->parseChannelDomElement(&setupElement);
    slaveId = intAttribute(element, QStringLiteral("slaveId"));
    functionCode = static_cast<ModbusFunctionCode>(intAttribute(element, QStringLiteral("functionCode")));
    address = intAttribute(element, QStringLiteral("address"));
    responseWaitTime = doubleAttribute(element, QStringLiteral("responseWaitTime"));
    if (element->hasAttribute(QStringLiteral("analysisMode")))
        setup->sampling = static_cast<SamplingMode>(intAttribute(element, QStringLiteral("analysisMode")));
    inputUnit = theUnits.getUnitByQuantityAndName(setup->quantity, element->attribute(QStringLiteral("inputUnit")));
    const QDomElement argumentElement = element->firstChildElement(QStringLiteral("argument"));
    if (!argumentElement.isNull())
        argument->parseDomElement(&argumentElement);
    outputUnit =
        theUnits.getUnitByQuantityAndName(argument->quantity, element->attribute(QStringLiteral("outputUnit")));
    multiplier = doubleAttribute(element, QStringLiteral("multiplier"));
    divider = doubleAttribute(element, QStringLiteral("divider"));
    offset = doubleAttribute(element, QStringLiteral("offset"));
}

void ModbusFunction::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), getChildName());
    element->setAttribute(QStringLiteral("slaveId"), slaveId);
    element->setAttribute(QStringLiteral("functionCode"), int(functionCode));
    element->setAttribute(QStringLiteral("address"), address);
    element->setAttribute(QStringLiteral("responseWaitTime"), numberText(responseWaitTime));
    element->setAttribute(QStringLiteral("inputUnit"), inputUnit ? inputUnit->name : QString());
    QDomElement argumentElement = element->ownerDocument().createElement(QStringLiteral("argument"));
    argument->writeToDomElement(&argumentElement);
    element->appendChild(argumentElement);
    element->setAttribute(QStringLiteral("outputUnit"), outputUnit ? outputUnit->name : QString());
    element->setAttribute(QStringLiteral("multiplier"), numberText(multiplier));
    element->setAttribute(QStringLiteral("divider"), numberText(divider));
    element->setAttribute(QStringLiteral("offset"), numberText(offset));
    QDomElement setupElement = element->ownerDocument().createElement(QStringLiteral("variableSetup"));
    setup->writeSetupToDomElement(&setupElement);
    element->appendChild(setupElement);
}

QString ModbusFunction::getModbusValueString() const
{
    return getDataTranslatedWithUnit();
}

void ModbusFunction::updateArgumentPointer()
{
    argument->updateChannelPointer();
}
