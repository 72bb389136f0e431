#pragma once

#include <cstdint>

// What a device on one of the simulated controller's CAN buses may do on it:
// send a frame, which the board receives on that bus with the controller's
// current time stamp. Only valid inside the peer's own calls (below).
class SimulatedCanBus
{
public:
    virtual ~SimulatedCanBus() = default;

    // 0 or 1.
    virtual int index() const = 0;
    // A frame from the device to the board: 29-bit identifier, 8 data bytes in frame order.
    virtual void send(uint32_t identifier, const uint8_t* data8) = 0;
};

// A device on a simulated CAN bus (the KX4 power module, a CANopen node):
// it sees every frame the board sends on its bus and may answer through the
// board's receive path. SimulatedDynoController::attachCanPeer puts it on a bus.
//
// Both calls run inside the controller's transfer, under its lock: a peer
// answers through `bus` only and never calls the controller itself. A peer
// that tests observe from other threads guards its own state.
class SimulatedCanPeer
{
public:
    virtual ~SimulatedCanPeer() = default;

    // A frame the board sent on the peer's bus (data in frame order, byte 0 first).
    virtual void frameFromBoard(SimulatedCanBus& bus, uint32_t identifier, const uint8_t* data8, int64_t nowUs) = 0;
    // Time passes: called on every transfer, so a peer with periodic frames
    // sends what is due by `nowUs` (the controller's monotonic clock, µs).
    virtual void advance(SimulatedCanBus& bus, int64_t nowUs)
    {
        (void)bus;
        (void)nowUs;
    }
};
