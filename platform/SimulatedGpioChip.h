#pragma once

#include "GpioChip.h"
#include "SimulatedGpioDevice.h"

// Stand-in for a GPIO character device: an open handle on a
// SimulatedGpioDevice. Destroying it closes the device and releases the
// lines it still holds.
class SimulatedGpioChip : public GpioChip
{
public:
    // Null when no chip of that name is present (SimulatedGpioDevice::setPresentChips).
    static std::unique_ptr<SimulatedGpioChip> open(const QString& name);
    ~SimulatedGpioChip() override;
    SimulatedGpioChip(const SimulatedGpioChip&) = delete;
    SimulatedGpioChip& operator=(const SimulatedGpioChip&) = delete;

    QString name() const override { return dev->name; }
    bool requestOutput(unsigned line, const char* consumer, int initialValue) override;
    bool requestInput(unsigned line, const char* consumer, bool pullDown) override;
    int getValue(unsigned line) override;
    bool setValue(unsigned line, int value) override;
    void release(unsigned line) override;

    SimulatedGpioDevice& device() const { return *dev; }

private:
    explicit SimulatedGpioChip(std::shared_ptr<SimulatedGpioDevice> device);

    std::shared_ptr<SimulatedGpioDevice> dev;
};
