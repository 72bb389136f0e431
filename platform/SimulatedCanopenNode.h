#pragma once

#include "SimulatedCanPeer.h"

#include <QMap>

#include <cstdint>

// A minimal CANopen node on one bus: NMT start, stop and pre-operational
// (to all nodes or to its id), its four TPDOs every 10 ms while operational,
// and expedited SDO download and upload on a small object dictionary
// (unknown objects are answered with an abort). TPDO n (1 to 4) carries a
// 16-bit counter of its sends, least significant byte first, in bytes 0-1,
// then n in byte 2 and the bytes 0x10·n + 2 ... 0x10·n + 6 in bytes 3 to 7.
class SimulatedCanopenNode : public SimulatedCanPeer
{
public:
    SimulatedCanopenNode(int bus, int nodeId);

    void frameFromBoard(Bus& bus, int busIndex, uint32_t identifier, const uint8_t* data8) override;
    void advance(Bus& bus, int64_t nowUs) override;

    bool operational() const { return isOperational; }
    uint32_t object(uint16_t index, uint8_t subindex) const;

    static constexpr int64_t tpdoPeriodUs = 10000;

private:
    const int busIndex;
    const int node;
    bool isOperational = false;
    int64_t nextTpdoUs = -1;
    uint16_t counter = 0;
    QMap<uint32_t, uint32_t> dictionary;
};
