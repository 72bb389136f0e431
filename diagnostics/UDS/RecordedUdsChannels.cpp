#include "RecordedUdsChannels.h"

#include "ChannelSetup.h"
#include "FrameRecords.h"
#include "FrameVectors.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"

RecordedUdsChannels::RecordedUdsChannels(const QString& xml)
    : channels(std::make_unique<UDSChannelModel>(nullptr, true))
{
    channels->loadFromString(xml, true);
}

RecordedUdsChannels::~RecordedUdsChannels() = default;

int RecordedUdsChannels::channelCount() const
{
    return channels->rowCount();
}

QList<RecordedChannelSeries> RecordedUdsChannels::split(const FrameVectors& frames) const
{
    QList<quint16> ids;
    for (int row = 0; row < channels->rowCount(); ++row)
        ids.append(channels->channel(row)->logId());
    QList<QList<double>> times;
    QList<QList<double>> values;
    UDSChannelModel::parseFrames(ids, frames.records<channelFrame_t>(FrameId_udsInputChannel),
                                 frames.count<channelFrame_t>(FrameId_udsInputChannel), &times, &values);
    QList<RecordedChannelSeries> series;
    for (int row = 0; row < channels->rowCount(); ++row) {
        const UDSChannel* channel = channels->channel(row);
        RecordedChannelSeries s;
        s.liveSetup = channel->setup;
        s.vectorKey = channel->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
        s.sampling = channel->setup->sampling;
        s.vehicleParam = channel->udsSetup.vehicleParamId;
        s.times = times.value(row);
        s.values = values.value(row);
        series.append(s);
    }
    return series;
}
