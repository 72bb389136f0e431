#include "PointVectorEditorAxis.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "PointVectorEditor.h"
#include "PointVectorModel.h"
#include "RunChannel.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QDomElement>

#include <limits>

PointVectorEditorAxis::PointVectorEditorAxis(PointVectorEditor* editor, PointVectorField field)
    : QObject(editor)
    , editor(editor)
    , field(field)
    , rangeMinSI(-std::numeric_limits<double>::infinity())
    , rangeMaxSI(std::numeric_limits<double>::infinity())
    , unit(theUnits.unitless)
{
}

void PointVectorEditorAxis::setChannel(RunChannel* newChannel)
{
    if (channel)
        disconnect(channel, nullptr, this, nullptr);
    if (newChannel) {
        connect(newChannel, &AbstractChannel::signal_setupChanged, this,
                &PointVectorEditorAxis::slot_channelSetupChanged);
        connect(newChannel, &QObject::destroyed, this, &PointVectorEditorAxis::slot_channelDestroyed);
    }
    channel = newChannel;
    slot_channelSetupChanged();
}

void PointVectorEditorAxis::setChannelByKey(const QString& key)
{
    setChannel(theChannels.getChannelByKey(key));
}

void PointVectorEditorAxis::setUnitFromName(const QString& name)
{
    slot_setUnit(theUnits.getUnitByQuantityAndName(quantity, name));
}

QString PointVectorEditorAxis::channelKey() const
{
    return channel && channel->setup ? channel->setup->key : QString();
}

QString PointVectorEditorAxis::unitName() const
{
    return unit ? unit->name : QString();
}

double PointVectorEditorAxis::getRangeMinTranslated() const
{
    return unit->getUnitValue(rangeMinSI);
}

double PointVectorEditorAxis::getRangeMaxTranslated() const
{
    return unit->getUnitValue(rangeMaxSI);
}

void PointVectorEditorAxis::updateLabel()
{
    editor->model->setHeaderData(field, Qt::Vertical,
                                 label + QStringLiteral(" [") + unitName() + QStringLiteral("]"));
}

void PointVectorEditorAxis::slot_setQuantity(Quantity newQuantity)
{
    if (newQuantity == quantity)
        return;
    quantity = newQuantity;
    slot_setUnit(theUnits.getDefaultUnit(quantity));
    Q_EMIT signal_axisSetupChanged();
    updateLabel();
}

void PointVectorEditorAxis::slot_setUnit(const Unit* newUnit)
{
    unit = newUnit ? newUnit : theUnits.getDefaultUnit(quantity);
    if (!unit)
        unit = theUnits.unitless;
    editor->model->rowUnits[field] = unit;
    editor->model->announceAllCellsChanged();
    updateLabel();
    Q_EMIT signal_axisSetupChanged();
}

void PointVectorEditorAxis::slot_setDecimals(int newDecimals)
{
    decimals = std::min(newDecimals, kMaxDecimals);
    editor->model->setDisplayDecimals(field, decimals);
    Q_EMIT signal_axisSetupChanged();
}

void PointVectorEditorAxis::slot_setRangeSI(double min, double max)
{
    rangeMinSI = min;
    rangeMaxSI = max;
    Q_EMIT signal_axisSetupChanged();
}

void PointVectorEditorAxis::slot_setLabel(const QString& newLabel)
{
    label = newLabel;
    updateLabel();
}

void PointVectorEditorAxis::slot_channelSetupChanged()
{
    const ChannelSetup* setup = channel ? channel->setup : nullptr;
    const Quantity wanted = setup ? setup->quantity : Quantity::None;
    label = setup ? setup->getName() : tr("unknown");
    updateLabel();
    if (wanted != quantity) {
        quantity = wanted;
        slot_setUnit(theUnits.getDefaultUnit(quantity));
        updateLabel();
    }
    Q_EMIT signal_axisSetupChanged();
}

void PointVectorEditorAxis::slot_channelDestroyed()
{
    channel = nullptr;
    slot_channelSetupChanged();
}

void PointVectorEditorAxis::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("decimals"), decimals);
    element->setAttribute(QStringLiteral("unit"), unitName());
}

void PointVectorEditorAxis::parseDomElement(QDomElement* element)
{
    setUnitFromName(element->attribute(QStringLiteral("unit")));
    // A value that is no integer counts as 0.
    slot_setDecimals(element->attribute(QStringLiteral("decimals")).toInt());
}
