#include "CanInput.h"

#include "CanWord.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "lib/Units.h"

#include <QDomElement>

#include <cmath>

namespace {

const QString kKeyPrefix = QStringLiteral("C_");

qint32 intAttribute(const QDomElement* element, const QString& name, qint32 fallback)
{
    bool ok = false;
    const qint32 value = element->attribute(name).toInt(&ok);
    return ok ? value : fallback;
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

} // namespace

CanInput::CanInput()
    : RunChannel(ChannelSetup::FlagCanInput, QString(), 0, QString(), Quantity::None)
{
    def.inputUnit = theUnits.getDefaultUnit(Quantity::None);
}

CanInput::CanInput(CanInput* source)
    : CanInput()
{
    def = source->def;
    *setup = *source->setup;
    setup->flags = ChannelSetup::FlagCanInput;
    emit setup->signal_setupChanged();
}

QString CanInput::getChildName() const
{
    return setup ? setup->key.mid(2) : QString();
}

void CanInput::setChildName(const QString& name)
{
    setup->key = kKeyPrefix + name;
    emit setup->signal_keyChanged();
}

quint32 CanInput::parsingMapKey() const
{
    return (quint32(def.channelId) << 31) | (quint32(def.canId) & 0x1FFFFFFFu);
}

double CanInput::parseData(quint64 data, bool* ok) const
{
    const uint64_t word = CanWord::orderedWord(data, def.endianness);
    if (def.compoundMessage
        && !CanWord::compoundMatches(word, def.compoundIdBitOffset, def.compoundIdBitCount, def.compoundId)) {
        if (ok)
            *ok = false;
        return std::nan("");
    }
    const int start = def.byteOffset * 8 + def.bitOffset;
    const double raw = CanWord::extractField(word, start, def.bitCount, def.isSigned);
    const double unitFactor = def.inputUnit ? def.inputUnit->factor : 1.0;
    const double unitOffset = def.inputUnit ? def.inputUnit->offset : 0.0;
    if (ok)
        *ok = true;
    return ((raw * def.multiplier / def.divider) + def.offset - unitOffset) / unitFactor;
}

bool CanInput::newData(quint64 data, qint64 timestamp)
{
    bool ok = false;
    const double value = parseData(data, &ok);
    if (!ok)
        return false;
    setData(value, timestamp);
    if (def.vehicleParamId >= 0) {
        if (RunChannel* param = theChannels.getVehicleParam(def.vehicleParamId))
            param->setData(getValue(), timestamp);
    }
    receivedFlag = true;
    return true;
}

void CanInput::update(qint64 now)
{
    if (!def.timeoutEnable)
        return;
    double value = 0.0;
    qint64 last = 0;
    getTimestampedData(value, last);
    if (double(now - last) <= def.timeoutTime * 1000.0)
        return;
    receivedFlag = false;
    if (!std::isnan(value) && value == def.timeoutValue)
        return;
    setData(def.timeoutValue, now);
    if (def.vehicleParamId >= 0) {
        if (RunChannel* param = theChannels.getVehicleParam(def.vehicleParamId))
            param->setData(def.timeoutValue, now);
    }
}

QString CanInput::canIdAndCompoundString() const
{
    QString text = QStringLiteral("0x%1").arg(quint32(def.canId), 0, 16).toUpper().replace(QLatin1String("0X"),
                                                                                               QLatin1String("0x"));
    if (def.compoundMessage)
        text += QStringLiteral(", C:%1").arg(def.compoundId);
    return text;
}

QString CanInput::timeoutString() const
{
    if (!def.timeoutEnable)
        return QString();
    return tr("after") + QStringLiteral(" %1s ").arg(def.timeoutTime, 0, 'g', 6) + tr("set")
           + QStringLiteral(" %1").arg(setup->getStringWithUnitFromValue(def.timeoutValue));
}

// ---------------------------------------------------------------- XML

void CanInput::parseDomElement(const QDomElement* element)
{
    const QDomElement setupElement = element->firstChildElement(QStringLiteral("variableSetup"));
    if (!setupElement.isNull())
        setup->parseChannelDomElement(&setupElement);
    {
        const Unit* unit = theUnits.getUnitByQuantityAndName(setup->quantity, element->attribute(QStringLiteral("inputUnit")));
        def.inputUnit = unit ? unit : theUnits.getDefaultUnit(setup->quantity);
    }
    def.channelId = intAttribute(element, QStringLiteral("channelId"), 0);
    if (element->hasAttribute(QStringLiteral("canMask"))) {
        bool ok = false;
        const uint mask = element->attribute(QStringLiteral("canMask")).toUInt(&ok);
        def.canMask = ok ? mask : 0;
    }
    def.canId = intAttribute(element, QStringLiteral("canId"), 0);
    def.compoundMessage = intAttribute(element, QStringLiteral("compoundMessage"), 0) != 0;
    def.compoundId = intAttribute(element, QStringLiteral("compoundId"), 0);
    def.bitCount = intAttribute(element, QStringLiteral("bitCount"), 0);
    def.byteOffset = intAttribute(element, QStringLiteral("byteOffset"), 0);
    def.bitOffset = intAttribute(element, QStringLiteral("bitOffset"), 0);
    def.endianness = intAttribute(element, QStringLiteral("endianness"), 0) == 1 ? Endianness_little : Endianness_big;
    def.isSigned = intAttribute(element, QStringLiteral("isSigned"), 0) == 1 ? Signedness_signed : Signedness_unsigned;
    def.multiplier = doubleAttribute(element, QStringLiteral("multiplier"));
    def.divider = doubleAttribute(element, QStringLiteral("divider"));
    def.offset = doubleAttribute(element, QStringLiteral("offset"));
    def.timeoutEnable = intAttribute(element, QStringLiteral("timeoutEnable"), 0) != 0;
    def.timeoutTime = doubleAttribute(element, QStringLiteral("timeoutTime"));
    def.timeoutValue = doubleAttribute(element, QStringLiteral("timeoutValue"));
    if (element->hasAttribute(QStringLiteral("compoundIdBitCount"))) {
        def.compoundIdBitCount = intAttribute(element, QStringLiteral("compoundIdBitCount"), 0);
        def.compoundIdBitOffset = intAttribute(element, QStringLiteral("compoundIdBitOffset"), 0);
    } else {
        // Files from before the position was configurable: data byte 0.
        def.compoundIdBitOffset = def.endianness == Endianness_big ? 56 : 0;
        def.compoundIdBitCount = 8;
    }
    def.vehicleParamId = element->hasAttribute(QStringLiteral("vehicleParamId"))
                             ? intAttribute(element, QStringLiteral("vehicleParamId"), 0)
                             : -1;
    if (element->hasAttribute(QStringLiteral("analysisMode")))
        setup->sampling = static_cast<SamplingMode>(intAttribute(element, QStringLiteral("analysisMode"), 0));
}

void CanInput::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), getChildName());
    element->setAttribute(QStringLiteral("channelId"), def.channelId);
    element->setAttribute(QStringLiteral("canMask"), QString::number(def.canMask));
    element->setAttribute(QStringLiteral("canId"), def.canId);
    element->setAttribute(QStringLiteral("compoundMessage"), def.compoundMessage ? 1 : 0);
    element->setAttribute(QStringLiteral("compoundId"), def.compoundId);
    element->setAttribute(QStringLiteral("compoundIdBitOffset"), def.compoundIdBitOffset);
    element->setAttribute(QStringLiteral("compoundIdBitCount"), def.compoundIdBitCount);
    element->setAttribute(QStringLiteral("bitCount"), def.bitCount);
    element->setAttribute(QStringLiteral("byteOffset"), def.byteOffset);
    element->setAttribute(QStringLiteral("bitOffset"), def.bitOffset);
    element->setAttribute(QStringLiteral("endianness"), int(def.endianness));
    element->setAttribute(QStringLiteral("isSigned"), int(def.isSigned));
    // Shortest round-trip text: a reload gives the same doubles.
    element->setAttribute(QStringLiteral("multiplier"), numberText(def.multiplier));
    element->setAttribute(QStringLiteral("divider"), numberText(def.divider));
    element->setAttribute(QStringLiteral("offset"), numberText(def.offset));
    element->setAttribute(QStringLiteral("inputUnit"), def.inputUnit ? def.inputUnit->name : QString());
    element->setAttribute(QStringLiteral("timeoutEnable"), def.timeoutEnable ? 1 : 0);
    element->setAttribute(QStringLiteral("timeoutTime"), numberText(def.timeoutTime));
    element->setAttribute(QStringLiteral("timeoutValue"), numberText(def.timeoutValue));
    element->setAttribute(QStringLiteral("vehicleParamId"), def.vehicleParamId);
    QDomElement setupElement = element->ownerDocument().createElement(QStringLiteral("variableSetup"));
    setup->writeSetupToDomElement(&setupElement);
    element->appendChild(setupElement);
}
