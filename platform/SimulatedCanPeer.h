#pragma once

#include <cstdint>

// A device on one of the simulated controller's CAN buses. It sees every
// frame the board sends and may answer through the controller's receive path;
// it may also send on its own as time goes by. The controller calls both
// hooks with its lock held, from the thread that transfers: a peer must not
// call back into the controller, only into the Bus it is given.
class SimulatedCanPeer
{
public:
    // What a peer may do with the buses while it is being called.
    class Bus
    {
    public:
        virtual ~Bus() = default;
        // Queues a frame towards the board as received on `bus` (0 or 1).
        virtual void sendToBoard(int bus, uint32_t identifier, const uint8_t* data8) = 0;
    };

    virtual ~SimulatedCanPeer() = default;

    // A frame the board sent on `bus`; data8 in frame byte order.
    virtual void frameFromBoard(Bus& bus, int busIndex, uint32_t identifier, const uint8_t* data8) = 0;
    // The simulated time moved on to `nowUs` (µs since the controller started).
    virtual void advance(Bus& bus, int64_t nowUs) = 0;
};
