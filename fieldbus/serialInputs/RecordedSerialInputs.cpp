#include "RecordedSerialInputs.h"

#include "ChannelSetup.h"
#include "FrameVectors.h"
#include "SerialInputChannel.h"
#include "SerialInputDevice.h"
#include "SerialInputDevicesModel.h"

RecordedSerialInputs::RecordedSerialInputs(const QString& xml)
    : interfaces(std::make_unique<SerialInputDevicesModel>(true))
{
    interfaces->loadFromString(xml);
}

RecordedSerialInputs::~RecordedSerialInputs() = default;

int RecordedSerialInputs::channelCount() const
{
    return interfaces->channelCount();
}

QList<RecordedChannelSeries> RecordedSerialInputs::split(const FrameVectors& frames) const
{
    const qsizetype n = frames.count<channelFrame_t>(FrameId_serialInputChannel);
    const channelFrame_t* records = frames.records<channelFrame_t>(FrameId_serialInputChannel);
    const QList<channelFrame_t> list = n > 0 ? QList<channelFrame_t>(records, records + n) : QList<channelFrame_t>();
    QList<QList<QList<double>>> times;
    QList<QList<QList<double>>> values;
    interfaces->sortFrames(&list, &times, &values);
    QList<RecordedChannelSeries> series;
    for (int i = 0; i < interfaces->deviceCount(); ++i) {
        const QList<SerialInputChannel*>& functions = interfaces->device(i)->channelList();
        for (int f = 0; f < functions.size(); ++f) {
            const SerialInputChannel* function = functions.at(f);
            RecordedChannelSeries s;
            s.liveSetup = function->setup;
            s.vectorKey = function->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
            s.sampling = function->setup->sampling;
            s.times = times[i][f];
            s.values = values[i][f];
            series.append(s);
        }
    }
    return series;
}
