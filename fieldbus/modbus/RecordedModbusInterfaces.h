#pragma once

#include "RecordedChannelModel.h"

#include <memory>

class ModbusInterfaceModel;

// The Modbus functions of one recorded run, built from its "modbusSetup":
// sorts the run's "modbus" records into one series per function. Opens no
// port and has no timer; may live on a worker thread.
class RecordedModbusInterfaces : public RecordedChannelModel
{
public:
    explicit RecordedModbusInterfaces(const QString& xml);
    ~RecordedModbusInterfaces() override;

    int channelCount() const override;
    QList<RecordedChannelSeries> split(const FrameVectors& frames) const override;

    ModbusInterfaceModel* model() const { return interfaces.get(); }

private:
    std::unique_ptr<ModbusInterfaceModel> interfaces;
};
