#pragma once

#include "RecordedChannelModel.h"

#include <memory>

class UDSChannelModel;

// The UDS channels of one recorded run, built from its "udsChannelSetup":
// each channel keeps the id it was recorded under, and the run's UDS frames
// split into one series per channel. May be built and used on a worker
// thread: the private model has no save timer, touches no file and opens no
// box.
class RecordedUdsChannels : public RecordedChannelModel
{
public:
    explicit RecordedUdsChannels(const QString& xml);
    ~RecordedUdsChannels() override;

    int channelCount() const override;
    QList<RecordedChannelSeries> split(const FrameVectors& frames) const override;

    UDSChannelModel* model() const { return channels.get(); }

private:
    std::unique_ptr<UDSChannelModel> channels;
};
