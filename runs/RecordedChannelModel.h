#pragma once

#include "FrameId.h"
#include "SamplingMode.h"

#include <QList>
#include <QString>

class ChannelSetup;
class FrameVectors;

// One channel of a per-run input model (CAN inputs, serial instruments,
// Modbus, UDS) with the samples a run recorded for it.
struct RecordedChannelSeries {
    // The channel's live setup, the template of its recorded vector (not owned:
    // the model keeps it alive while the run is calculated).
    const ChannelSetup* liveSetup = nullptr;
    // The recorded vector's key (AbstractChannel::generateVectorChannelKey(-1, "", -1)).
    QString vectorKey;
    SamplingMode sampling = SamplingMode::Interpolate;
    // VehicleParamId the channel feeds, -1 for none.
    int vehicleParam = -1;
    QList<double> times; // seconds from the run start
    QList<double> values;
};

// The per-run copy of one input family's definitions, built from the XML
// setup a run file stores, as the recalculation needs it. The families above
// the runs layer implement it and register a factory (RunDataHooks).
class RecordedChannelModel
{
public:
    virtual ~RecordedChannelModel() = default;
    // Channels the model defines (memory estimate).
    virtual int channelCount() const = 0;
    // Every channel in model order with the samples of its table's records
    // (empty lists for a channel that got none).
    virtual QList<RecordedChannelSeries> split(const FrameVectors& frames) const = 0;
};
