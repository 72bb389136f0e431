#pragma once

#include "RecordedChannelModel.h"

#include <memory>

class CanInputsModel;

// The CAN inputs of one recorded run, built from its "canParserSetup": decodes
// the run's stored frames into one series per input. May be built and used
// on a worker thread; it has no timers and touches no file.
class RecordedCanInputs : public RecordedChannelModel
{
public:
    explicit RecordedCanInputs(const QString& xml);
    ~RecordedCanInputs() override;

    int channelCount() const override;
    QList<RecordedChannelSeries> split(const FrameVectors& frames) const override;

    CanInputsModel* model() const { return inputs.get(); }

private:
    std::unique_ptr<CanInputsModel> inputs;
};
