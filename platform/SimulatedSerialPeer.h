#pragma once

#include <cstdint>
#include <vector>

class SimulatedUsbSerialChip;

// What sits on the serial side of a simulated USB-serial chip (the loopback
// plug, an OBD adapter model). It gets the bytes the host wrote and answers
// through SimulatedUsbSerialChip::sendFromPeer(). The chip passes bytes
// unharmed only while its line matches the peer: the rate decoded from the
// host's divisor within 3 % of baudRate() and the line set to 8N1; otherwise
// both directions see garbage, as a real wire would.
class SimulatedSerialPeer
{
public:
    virtual ~SimulatedSerialPeer() = default;

    virtual double baudRate() const = 0;
    // Called without any simulator lock held, from the thread that wrote.
    virtual void receiveFromChip(SimulatedUsbSerialChip& chip, int port, const std::vector<uint8_t>& bytes) = 0;
};
