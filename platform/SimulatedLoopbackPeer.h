#pragma once

#include "SimulatedSerialPeer.h"

// A loopback plug: every byte the host writes comes back on the same port.
class SimulatedLoopbackPeer : public SimulatedSerialPeer
{
public:
    explicit SimulatedLoopbackPeer(double baudRate = 38400.0) : m_baudRate(baudRate) {}

    double baudRate() const override { return m_baudRate; }
    void receiveFromChip(SimulatedUsbSerialChip& chip, int port, const std::vector<uint8_t>& bytes) override;

private:
    double m_baudRate;
};
