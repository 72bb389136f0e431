#include "SimulatedGpioChip.h"

std::unique_ptr<SimulatedGpioChip> SimulatedGpioChip::open(const QString& name)
{
    std::shared_ptr<SimulatedGpioDevice> device = SimulatedGpioDevice::find(name);
    if (!device)
        return nullptr;
    return std::unique_ptr<SimulatedGpioChip>(new SimulatedGpioChip(std::move(device)));
}

SimulatedGpioChip::SimulatedGpioChip(std::shared_ptr<SimulatedGpioDevice> device)
    : dev(std::move(device))
{
    dev->opened();
}

SimulatedGpioChip::~SimulatedGpioChip()
{
    dev->closed();
}

bool SimulatedGpioChip::requestOutput(unsigned line, const char* consumer, int initialValue)
{
    return dev->requestOutput(line, consumer, initialValue);
}

bool SimulatedGpioChip::requestInput(unsigned line, const char* consumer, bool pullDown)
{
    return dev->requestInput(line, consumer, pullDown);
}

int SimulatedGpioChip::getValue(unsigned line)
{
    return dev->getValue(line);
}

bool SimulatedGpioChip::setValue(unsigned line, int value)
{
    return dev->setValue(line, value);
}

void SimulatedGpioChip::release(unsigned line)
{
    dev->release(line);
}
