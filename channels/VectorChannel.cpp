#include "VectorChannel.h"

#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "IIR.h"
#include "RunChannel.h"
#include "lib/Units.h"

#include <QDebug>

#include <cmath>

VectorChannel::VectorChannel(ChannelSetup* templateSetup, double rate, const VectorChannel* time)
    : samplingRate(rate)
    , timeVector(time)
{
    usePrivateCopy(templateSetup);
}

VectorChannel::VectorChannel(VectorChannel* source)
    : samplingRate(source->samplingRate)
    , suffix(source->suffix)
    , timeVector(source->timeVector)
    , rawData(source->rawData)
{
    usePrivateCopy(source->setup);
}

VectorChannel::VectorChannel(double rate, int flags, const QString& key, const ChannelSetup* templateSetup,
                             const VectorChannel* time)
    : samplingRate(rate)
    , timeVector(time)
{
    ChannelSetup* shared =
        theVectorChannelSetupModel.getSetup(key, templateSetup->displayName, templateSetup->quantity, templateSetup);
    if (!shared) {
        // No key to share a setup under: the vector keeps its own.
        usePrivateCopy(templateSetup);
        return;
    }
    // A shared setup may belong to another thread than this vector: write only
    // what differs (a setup made for this key carries these already).
    if (shared->runKey != templateSetup->key)
        shared->runKey = templateSetup->key;
    if (shared->flags != quint32(flags))
        shared->flags = quint32(flags);
    setSetup(shared);
}

VectorChannel::VectorChannel(const RunChannel* channel, int index, int count, double rate,
                             const VectorChannel* time, const QString& channelSuffix, Quantity quantity)
    : samplingRate(rate)
    , suffix(channelSuffix)
    , timeVector(time)
    , rawData(count, 0.0)
{
    ChannelSetup* shared = nullptr;
    if (!channelSuffix.isNull()) {
        const QString key = channel->generateVectorChannelKey(index, channelSuffix, quantity);
        shared = theVectorChannelSetupModel.getSetup(key, channelSuffix, quantity, channel->setup);
    } else {
        const QString key = channel->generateVectorChannelKey(index, QString(), channel->setup->quantity);
        shared = theVectorChannelSetupModel.getSetup(key, channel->generateVectorChannelName(index),
                                                     channel->setup->quantity, channel->setup);
    }
    if (shared->runKey != channel->setup->key)
        shared->runKey = channel->setup->key;
    setSetup(shared);
}

VectorChannel::VectorChannel(AbstractChannel* source, int count, double rate, const VectorChannel* time,
                             bool privateSetup)
    : samplingRate(rate)
    , timeVector(time)
    , rawData(count, 0.0)
{
    if (privateSetup) {
        usePrivateCopy(source->setup);
        return;
    }
    const QString key = source->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
    ChannelSetup* shared = theVectorChannelSetupModel.getSetup(key, source->setup->displayName,
                                                               source->setup->quantity, source->setup);
    if (shared->runKey != source->setup->key)
        shared->runKey = source->setup->key;
    setSetup(shared);
}

VectorChannel::VectorChannel(double rate, const QString& key, const QString& name, Quantity quantity, int count,
                             const VectorChannel* time)
    : samplingRate(rate)
    , timeVector(time)
    , rawData(count, 0.0)
{
    if (key.isEmpty()) {
        usePrivateCopy(nullptr);
        return;
    }
    setSetup(theVectorChannelSetupModel.getSetup(key, name, quantity, nullptr));
}

VectorChannel::VectorChannel(VectorChannel* source, int index, int count, const QString& displayName)
    : samplingRate(source->samplingRate)
    , suffix(source->suffix)
    , timeVector(source->timeVector)
    , rawData(source->rawData.mid(index, count))
{
    usePrivateCopy(source->setup);
    if (!displayName.isNull())
        setup->displayName = displayName;
}

VectorChannel::~VectorChannel() = default;

void VectorChannel::usePrivateCopy(const ChannelSetup* templateSetup)
{
    // A child of this vector, so it lives in the vector's thread and dies with it.
    setSetup(new ChannelSetup(this, templateSetup));
}

void VectorChannel::setSetup(ChannelSetup* newSetup)
{
    AbstractChannel::setSetup(newSetup);
    if (setup)
        connect(setup, &ChannelSetup::signal_setupChanged, this, &VectorChannel::slot_channelSetupChanged);
}

QList<double>* VectorChannel::getRawData()
{
    translatedUnit = nullptr;
    filteredFilter = -1.0;
    return &rawData;
}

void VectorChannel::rebuildFiltered(double tau)
{
    IIR::filterVectorToOther(&rawData, &filteredData, samplingRate, 1.0 / (2.0 * M_PI * tau));
    filteredFilter = tau;
}

const QList<double>* VectorChannel::getFilteredData()
{
    const double tau = setup->filter;
    if (tau == 0.0)
        return &rawData;
    if (tau != filteredFilter)
        rebuildFiltered(tau);
    return &filteredData;
}

const QList<double>* VectorChannel::getTranslatedData()
{
    const Unit* unit = setup->unit;
    const double tau = setup->filter;
    if (!unit || (unit->factor == 1.0 && unit->offset == 0.0))
        return getFilteredData();
    if (unit == translatedUnit && tau == translatedFilter)
        return &translatedData;
    const QList<double>* source = &rawData;
    if (tau != 0.0) {
        if (tau != filteredFilter)
            rebuildFiltered(tau);
        source = &filteredData;
    }
    unit->translateVector(source, &translatedData);
    translatedUnit = unit;
    translatedFilter = tau;
    return &translatedData;
}

const VectorChannel* VectorChannel::getTimeVector() const
{
    if (!timeVector) {
        qDebug().noquote() << "Time vector is not set on VectorChannel" << (setup ? setup->key : QString());
        return this;
    }
    return timeVector;
}

void VectorChannel::mid(VectorChannel* source, int index, int count)
{
    QList<double>* samples = getRawData();
    samples->resize(count);
    const QList<double>& from = source->rawData;
    for (int i = 0; i < count; ++i)
        (*samples)[i] = from.at(index + i);
}

void VectorChannel::slot_channelSetupChanged()
{
    if (setup && setup->filter != filteredFilter)
        translatedUnit = nullptr;
}
