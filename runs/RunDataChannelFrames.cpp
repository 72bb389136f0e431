// Channel-type frames: legacy OBD values, the per-run input families (CAN,
// operator inputs, serial instruments, Modbus, UDS) and the misc channels
// logged through the "channel" table, each into its vector group.
#include "RunData.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "ChannelFrame.h"
#include "InputChannel.h"
#include "InputChannelsModel.h"
#include "RecordedChannelModel.h"
#include "Resampler.h"
#include "RunChannel.h"
#include "VectorChannel.h"

#include <QDebug>

#include <cmath>

namespace {

constexpr int flagsCan = 16;
constexpr int flagsInputChannels = 32;
constexpr int flagsSerial = 64;
constexpr int flagsUds = 128;
constexpr int flagsModbus = 256;

QList<channelFrame_t> channelRecords(const FrameVectors& frames, FrameId table)
{
    const qsizetype n = frames.count<channelFrame_t>(table);
    const channelFrame_t* records = frames.records<channelFrame_t>(table);
    return QList<channelFrame_t>(records, records + n);
}

} // namespace

int RunData::processRecordedModel(const RecordedChannelModel* model, FrameId table, int flags, ChannelId group,
                                  bool copyToVehicleParams, bool keyMap)
{
    if (keyMap)
        canVectorsByKey.clear();
    if (frames.recordCount(table) == 0)
        return -1;
    // A family whose definitions this program cannot read (nothing
    // registered for it) keeps its XML and gets no group.
    if (!model)
        return -1;
    const double rate = analysisSamplingFrequency();
    QList<VectorChannel*> vectors;
    const QList<RecordedChannelSeries> series = model->split(frames);
    for (const RecordedChannelSeries& channel : series) {
        if (channel.times.isEmpty() || !channel.liveSetup)
            continue;
        auto* vector = new VectorChannel(rate, flags, channel.vectorKey, channel.liveSetup, mainTimeChannel);
        Resampler::resampleToVector(&channel.times, &channel.values, vector->getRawData(), rate, mainSampleCount,
                                    channel.sampling);
        vectors.append(vector);
        if (keyMap)
            canVectorsByKey.insert(channel.liveSetup->key, vector);
        if (copyToVehicleParams)
            copyChannelToVPmaybe(vector, channel.vehicleParam);
    }
    setVectorGroup(group, vectors);
    return 0;
}

int RunData::processCanFrames()
{
    return processRecordedModel(canInputsModel.get(), FrameId_can, flagsCan, ChannelId_canInputs, true, true);
}

int RunData::processSerialDeviceFrames()
{
    return processRecordedModel(serialInputDevicesModel.get(), FrameId_serialInputChannel, flagsSerial,
                                ChannelId_serialInputs, false, false);
}

int RunData::processModbusFrames()
{
    return processRecordedModel(modbusInterfaceModel.get(), FrameId_modbus, flagsModbus, ChannelId_modbus, false,
                                false);
}

int RunData::processUdsFrames()
{
    return processRecordedModel(udsChannelModel.get(), FrameId_udsInputChannel, flagsUds, ChannelId_uds, true,
                                false);
}

int RunData::processInputChannelFrames()
{
    if (frames.recordCount(FrameId_channel) == 0)
        return -1;
    QList<VectorChannel*> vectors;
    if (inputChannelsModel) {
        QList<channelFrame_t> records = channelRecords(frames, FrameId_channel);
        QList<QList<double>> times;
        QList<QList<double>> values;
        inputChannelsModel->parseFrames(&records, &times, &values);
        const double rate = analysisSamplingFrequency();
        const int rows = inputChannelsModel->rowCount();
        for (int row = 0; row < rows && row < times.size() && row < values.size(); ++row) {
            if (times.at(row).isEmpty())
                continue;
            InputChannel* input = inputChannelsModel->input(row);
            const QString key = input->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
            auto* vector = new VectorChannel(rate, flagsInputChannels, key, input->setup, mainTimeChannel);
            Resampler::resampleToVector(&times.at(row), &values.at(row), vector->getRawData(), rate,
                                        mainSampleCount, SamplingMode::SampleAndHold);
            vectors.append(vector);
        }
    }
    setVectorGroup(ChannelId_inputChannels, vectors);
    return 0;
}

int RunData::processMiscChannelFrames()
{
    const qsizetype n = frames.count<channelFrame_t>(FrameId_channel);
    if (n == 0)
        return -1;
    const channelFrame_t* records = frames.records<channelFrame_t>(FrameId_channel);
    const double rate = analysisSamplingFrequency();
    const QStringList lines = miscChannelsText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char(','));
        if (parts.size() < 2)
            continue;
        bool ok = false;
        const qlonglong parsed = parts.at(0).trimmed().toLongLong(&ok, 10);
        const int id = ok && parsed >= INT_MIN && parsed <= INT_MAX ? int(parsed) : 0;
        const QString key = parts.at(1).trimmed();
        if (!theChannels.isInitialized())
            continue;
        RunChannel* live = theChannels.getChannelByKey(key);
        const ChannelId channelId = theChannels.getChannelIdByKey(key);
        if (!live || channelId == ChannelId_none)
            continue;
        const SamplingMode mode = channelId == ChannelId_debugChannel || channelId == ChannelId_throttleTarget
                                      ? SamplingMode::SampleAndHold
                                      : live->setup->sampling;
        QList<double> times;
        QList<double> values;
        for (qsizetype i = 0; i < n; ++i) {
            const channelFrame_t record = records[i];
            if (int(record.id) != id)
                continue;
            times.append(double(record.timestamp) / 1000.0);
            values.append(record.value);
        }
        if (times.size() < 2 || (times.size() == 2 && std::isnan(values.at(0)) && std::isnan(values.at(1))))
            continue;
        const QString vectorKey = live->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
        auto* vector = new VectorChannel(rate, flagsInputChannels, vectorKey, live->setup, mainTimeChannel);
        Resampler::resampleToVector(&times, &values, vector->getRawData(), rate, mainSampleCount, mode);
        auto it = vectorChannels.find(int(channelId));
        if (it != vectorChannels.end())
            it.value().append(vector);
        else
            vectorChannels.insert(int(channelId), QList<VectorChannel*>{vector});
    }
    return 0;
}
