#include "LegacyObdChannel.h"

#include "lib/Units.h"

LegacyObdChannel::LegacyObdChannel(unsigned char pidNumber, const QString& pidName, Quantity pidQuantity)
    : pid(pidNumber)
    , name(pidName)
    , quantity(pidQuantity)
{
}

QString LegacyObdChannel::getChannelDisplayName() const
{
    return QStringLiteral("OBD %1 %2").arg(int(pid)).arg(name);
}

QString LegacyObdChannel::getVectorChannelKey() const
{
    return QStringLiteral("OBD_%1_%2").arg(int(pid)).arg(theUnits.quantitySymbols.value(quantity));
}
