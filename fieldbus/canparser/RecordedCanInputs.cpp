#include "RecordedCanInputs.h"

#include "CanInput.h"
#include "CanInputsModel.h"
#include "ChannelSetup.h"
#include "FrameVectors.h"

RecordedCanInputs::RecordedCanInputs(const QString& xml)
    : inputs(std::make_unique<CanInputsModel>(true))
{
    inputs->loadFromString(xml);
}

RecordedCanInputs::~RecordedCanInputs() = default;

int RecordedCanInputs::channelCount() const
{
    return inputs->inputCount();
}

QList<RecordedChannelSeries> RecordedCanInputs::split(const FrameVectors& frames) const
{
    const qsizetype n = frames.count<canFrame_t>(FrameId_can);
    const canFrame_t* records = frames.records<canFrame_t>(FrameId_can);
    const QList<canFrame_t> list = n > 0 ? QList<canFrame_t>(records, records + n) : QList<canFrame_t>();
    QList<QList<double>> times;
    QList<QList<double>> values;
    inputs->parseCanFrames(&list, &times, &values);
    QList<RecordedChannelSeries> series;
    for (int row = 0; row < inputs->inputCount(); ++row) {
        const CanInput* input = inputs->input(row);
        RecordedChannelSeries s;
        s.liveSetup = input->setup;
        s.vectorKey = input->generateVectorChannelKey(-1, QString(), static_cast<Quantity>(-1));
        s.sampling = input->setup->sampling;
        s.vehicleParam = input->def.vehicleParamId;
        s.times = times.value(row);
        s.values = values.value(row);
        series.append(s);
    }
    return series;
}
