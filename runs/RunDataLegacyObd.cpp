// Legacy OBD records of older run files: one vector per PID that has samples.
#include "RunData.h"

#include "FrameRecords.h"
#include "LegacyObdChannel.h"
#include "LegacyObdChannelsModel.h"
#include "Resampler.h"
#include "VectorChannel.h"

#include <set>

int RunData::legacyObdChannelCount() const
{
    std::set<int> pids;
    const qsizetype n = frames.count<obdFrame_t>(FrameId_obd);
    const obdFrame_t* records = frames.records<obdFrame_t>(FrameId_obd);
    for (qsizetype i = 0; i < n; ++i)
        pids.insert(records[i].pid);
    return int(pids.size());
}

int RunData::processLegacyObdFrames()
{
    obdEngineSpeedVector = nullptr;
    const qsizetype n = frames.count<obdFrame_t>(FrameId_obd);
    if (n == 0)
        return -1;
    const obdFrame_t* records = frames.records<obdFrame_t>(FrameId_obd);
    QList<QList<double>> times(256);
    QList<QList<double>> values(256);
    for (qsizetype i = 0; i < n; ++i) {
        const obdFrame_t record = records[i];
        times[record.pid].append(double(record.timestamp) / 1000.0);
        values[record.pid].append(record.value);
    }
    const double rate = analysisSamplingFrequency();
    QList<VectorChannel*> group;
    for (int pid = 0; pid < 256; ++pid) {
        const LegacyObdChannel* entry = theLegacyObdChannelsModel.getChannel(pid);
        if (!entry || times.at(pid).isEmpty())
            continue;
        auto* vector = new VectorChannel(rate, entry->getVectorChannelKey(), entry->getChannelDisplayName(),
                                         entry->quantity, 0, mainTimeChannel);
        Resampler::resampleToVector(&times.at(pid), &values.at(pid), vector->getRawData(), rate, mainSampleCount,
                                    SamplingMode::Interpolate);
        group.append(vector);
        if (pid == 12)
            obdEngineSpeedVector = vector;
    }
    setVectorGroup(ChannelId_legacyObd, group);
    return 0;
}

