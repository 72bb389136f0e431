#include "RecordedModbusInterfaces.h"

#include "ChannelSetup.h"
#include "FrameVectors.h"
#include "ModbusFunction.h"
#include "ModbusInterface.h"
#include "ModbusInterfaceModel.h"

RecordedModbusInterfaces::RecordedModbusInterfaces(const QString& xml)
    : interfaces(std::make_unique<ModbusInterfaceModel>(true))
{
    interfaces->loadFromString(xml);
}

RecordedModbusInterfaces::~RecordedModbusInterfaces() = default;

int RecordedModbusInterfaces::channelCount() const
{
    return interfaces->channelCount();
}

QList<RecordedChannelSeries> RecordedModbusInterfaces::split(const FrameVectors& frames) const
{
    const qsizetype n = frames.count<channelFrame_t>(FrameId_modbus);
    const channelFrame_t* records = frames.records<channelFrame_t>(FrameId_modbus);
    const QList<channelFrame_t> list = n > 0 ? QList<channelFrame_t>(records, records + n) : QList<channelFrame_t>();
    QList<QList<QList<double>>> times;
    QList<QList<QList<double>>> values;
    interfaces->sortFrames(&list, &times, &values);
    QList<RecordedChannelSeries> series;
    for (int i = 0; i < interfaces->interfaceCount(); ++i) {
        const QList<ModbusFunction*>& functions = interfaces->interface(i)->functionList();
        for (int f = 0; f < functions.size(); ++f) {
            const ModbusFunction* function = functions.at(f);
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
