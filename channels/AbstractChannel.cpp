#include "AbstractChannel.h"

#include "ChannelSetup.h"
#include "lib/Tools.h"
#include "lib/Units.h"

AbstractChannel::AbstractChannel(QObject* parent)
    : QObject(parent)
{
}

AbstractChannel::~AbstractChannel() = default;

QString AbstractChannel::getChildName() const
{
    return QString();
}

void AbstractChannel::setChildName(const QString&)
{
}

void AbstractChannel::setSetup(ChannelSetup* newSetup)
{
    if (setup)
        disconnect(setup, nullptr, this, nullptr);
    setup = newSetup;
    if (setup)
        connect(setup, &ChannelSetup::signal_setupChanged, this, &AbstractChannel::signal_setupChanged);
    emit signal_setupChanged();
}

QString AbstractChannel::getNameWithUnit() const
{
    return setup ? setup->getNameWithUnit() : QString();
}

QString AbstractChannel::generateVectorChannelName(int index) const
{
    return Tools::optionalArg(nameTemplate, index + 1);
}

QString AbstractChannel::generateVectorChannelKey(int index, const QString& suffix, Quantity quantity) const
{
    const QString base = index == -1 ? (setup ? setup->key : QString()) : Tools::optionalArg(keyTemplate, index + 1);
    if (quantity < 0)
        quantity = setup ? setup->quantity : Quantity::None;
    QString key = base + QLatin1Char('_') + theUnits.quantitySymbols.value(quantity);
    if (!suffix.isEmpty())
        key += QLatin1Char('_') + suffix;
    return key;
}

void AbstractChannel::slot_setQuantity(Quantity quantity)
{
    if (!setup || quantity == setup->quantity)
        return;
    setup->quantity = quantity;
    const Unit* defaultUnit = theUnits.getDefaultUnit(quantity);
    if (defaultUnit != setup->unit) {
        setup->unit = defaultUnit;
        emit setup->signal_setupChanged();
    }
}

void AbstractChannel::slot_setUnit(const Unit* unit)
{
    if (!setup || unit == setup->unit)
        return;
    setup->unit = unit;
    emit setup->signal_setupChanged();
}
