#include "CanOutputChannel.h"

#include "Argument.h"
#include "CanWord.h"
#include "lib/Units.h"

#include <QDomElement>
#include <QLocale>

#include <cmath>

namespace {

double doubleAttribute(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const double value = element->attribute(name).toDouble(&ok);
    return ok ? value : 0.0;
}

int intAttribute(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const int value = element->attribute(name).toInt(&ok);
    return ok ? value : 0;
}

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

CanOutputChannel::CanOutputChannel()
    : argument(new Argument(static_cast<QObject*>(nullptr)))
    , fallbackUnit(theUnits.getDefaultUnit(Quantity::None))
    , outputUnit(theUnits.getDefaultUnit(Quantity::None))
{
}

CanOutputChannel::CanOutputChannel(const CanOutputChannel& other)
    : argument(new Argument(*other.argument))
    , fallbackValue(other.fallbackValue)
    , fallbackUnit(other.fallbackUnit)
    , outputUnit(other.outputUnit)
    , offset(other.offset)
    , multiplier(other.multiplier)
    , divider(other.divider)
    , isSigned(other.isSigned)
    , bitCount(other.bitCount)
    , byteOffset(other.byteOffset)
    , bitOffset(other.bitOffset)
    , comment(other.comment)
{
}

CanOutputChannel::~CanOutputChannel()
{
    delete argument;
}

uint64_t CanOutputChannel::getMask() const
{
    return CanWord::fieldMask(startBit(), bitCount);
}

uint64_t CanOutputChannel::encode(double value) const
{
    const uint64_t mask = getMask();
    if (mask == 0)
        return 0;
    if (!std::isfinite(value))
        value = fallbackValue;
    const double factor = outputUnit ? outputUnit->factor : 1.0;
    const double unitOffset = outputUnit ? outputUnit->offset : 0.0;
    const double u = value * factor + unitOffset;
    const double r = (u + offset) * multiplier / divider;
    return (CanWord::saturate(r, bitCount, isSigned) << startBit()) & mask;
}

uint64_t CanOutputChannel::getData() const
{
    return encode(argument ? argument->getValue() : std::nan(""));
}

void CanOutputChannel::parseDomElement(const QDomElement* element)
{
    const QDomElement argumentElement = element->firstChildElement(QStringLiteral("argument"));
    if (!argumentElement.isNull()) {
        argument->parseDomElement(&argumentElement);
        argument->updateChannelPointer();
    }
    const Quantity quantity = argument->quantity;
    fallbackValue = doubleAttribute(element, QStringLiteral("fallbackValue"));
    fallbackUnit = theUnits.getUnitByQuantityAndName(quantity, element->attribute(QStringLiteral("fallbackUnit")));
    outputUnit = theUnits.getUnitByQuantityAndName(quantity, element->attribute(QStringLiteral("outputUnit")));
    multiplier = doubleAttribute(element, QStringLiteral("multiplier"));
    divider = doubleAttribute(element, QStringLiteral("divider"));
    offset = doubleAttribute(element, QStringLiteral("offset"));
    isSigned = intAttribute(element, QStringLiteral("isSigned")) == 1 ? Signedness_signed : Signedness_unsigned;
    bitCount = intAttribute(element, QStringLiteral("bitCount"));
    byteOffset = intAttribute(element, QStringLiteral("byteOffset"));
    bitOffset = intAttribute(element, QStringLiteral("bitOffset"));
    comment = element->attribute(QStringLiteral("comment"));
}

void CanOutputChannel::writeSetupToDomElement(QDomElement* element) const
{
    QDomElement argumentElement = element->ownerDocument().createElement(QStringLiteral("argument"));
    argument->writeToDomElement(&argumentElement);
    element->appendChild(argumentElement);
    element->setAttribute(QStringLiteral("fallbackValue"), numberText(fallbackValue));
    element->setAttribute(QStringLiteral("fallbackUnit"), fallbackUnit ? fallbackUnit->name : QString());
    element->setAttribute(QStringLiteral("outputUnit"), outputUnit ? outputUnit->name : QString());
    element->setAttribute(QStringLiteral("multiplier"), numberText(multiplier));
    element->setAttribute(QStringLiteral("divider"), numberText(divider));
    element->setAttribute(QStringLiteral("offset"), numberText(offset));
    element->setAttribute(QStringLiteral("isSigned"), int(isSigned));
    element->setAttribute(QStringLiteral("bitCount"), bitCount);
    element->setAttribute(QStringLiteral("byteOffset"), byteOffset);
    element->setAttribute(QStringLiteral("bitOffset"), bitOffset);
    element->setAttribute(QStringLiteral("comment"), comment);
}
