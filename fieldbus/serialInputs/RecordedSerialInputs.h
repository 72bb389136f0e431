#pragma once

#include "RecordedChannelModel.h"

#include <memory>

class SerialInputDevicesModel;

// The serial channels of one recorded run, built from its "serialInputDevicesSetup":
// sorts the run's "serialInputChannel" records into one series per channel. Opens no
// port and has no timer; may live on a worker thread.
class RecordedSerialInputs : public RecordedChannelModel
{
public:
    explicit RecordedSerialInputs(const QString& xml);
    ~RecordedSerialInputs() override;

    int channelCount() const override;
    QList<RecordedChannelSeries> split(const FrameVectors& frames) const override;

    SerialInputDevicesModel* model() const { return interfaces.get(); }

private:
    std::unique_ptr<SerialInputDevicesModel> interfaces;
};
