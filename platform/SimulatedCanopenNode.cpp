#include "SimulatedCanopenNode.h"

#include <array>

namespace {

uint32_t key(uint16_t index, uint8_t subindex)
{
    return (uint32_t(index) << 8) | subindex;
}

} // namespace

SimulatedCanopenNode::SimulatedCanopenNode(int bus, int nodeId)
    : busIndex(bus & 1)
    , node(nodeId & 0x7F)
{
    dictionary.insert(key(0x1000, 0), 0x00000191u); // device type
    dictionary.insert(key(0x1017, 0), 0);            // producer heartbeat time
    dictionary.insert(key(0x1018, 1), 0x0000ABCDu); // vendor id
}

uint32_t SimulatedCanopenNode::object(uint16_t index, uint8_t subindex) const
{
    return dictionary.value(key(index, subindex), 0);
}

void SimulatedCanopenNode::frameFromBoard(Bus& bus, int frameBus, uint32_t identifier, const uint8_t* d)
{
    if (frameBus != busIndex)
        return;
    if (identifier == 0x000) {
        if (d[1] != 0 && d[1] != node)
            return;
        if (d[0] == 0x01) {
            isOperational = true;
            nextTpdoUs = -1;
        } else if (d[0] == 0x02 || d[0] == 0x80) {
            isOperational = false;
        }
        return;
    }
    if (identifier != 0x600u + uint32_t(node))
        return;
    const uint16_t index = uint16_t(d[1] | d[2] << 8);
    const uint8_t subindex = d[3];
    const uint32_t value = uint32_t(d[4]) | uint32_t(d[5]) << 8 | uint32_t(d[6]) << 16 | uint32_t(d[7]) << 24;
    const int specifier = d[0] >> 5;
    std::array<uint8_t, 8> reply {0, d[1], d[2], d[3], 0, 0, 0, 0};
    auto abort = [&reply](uint32_t code) {
        reply[0] = 0x80;
        for (int k = 0; k < 4; ++k)
            reply[size_t(4 + k)] = uint8_t(code >> (8 * k));
    };
    if (specifier == 1 && (d[0] & 0x02)) {
        // Expedited download: as many bytes as the size says (4 without it).
        const int bytes = (d[0] & 0x01) ? 4 - ((d[0] >> 2) & 3) : 4;
        const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
        dictionary.insert(key(index, subindex), value & mask);
        reply[0] = 0x60;
    } else if (specifier == 2) {
        if (!dictionary.contains(key(index, subindex))) {
            abort(0x06020000u); // object does not exist
        } else {
            const uint32_t v = dictionary.value(key(index, subindex));
            reply[0] = 0x43;
            for (int k = 0; k < 4; ++k)
                reply[size_t(4 + k)] = uint8_t(v >> (8 * k));
        }
    } else {
        abort(0x05040001u); // command specifier not valid
    }
    bus.sendToBoard(busIndex, 0x580u + uint32_t(node), reply.data());
}

void SimulatedCanopenNode::advance(Bus& bus, int64_t nowUs)
{
    if (!isOperational)
        return;
    if (nextTpdoUs < 0)
        nextTpdoUs = nowUs;
    // At most a few catch-up rounds: a stalled link must not flood the queue.
    for (int round = 0; round < 4 && nowUs >= nextTpdoUs; ++round) {
        ++counter;
        for (int n = 1; n <= 4; ++n) {
            std::array<uint8_t, 8> data {uint8_t(counter), uint8_t(counter >> 8), uint8_t(n), 0, 0, 0, 0, 0};
            for (int k = 3; k < 8; ++k)
                data[size_t(k)] = uint8_t(0x10 * n + k - 1);
            bus.sendToBoard(busIndex, uint32_t(0x80 + 0x100 * n + node), data.data());
        }
        nextTpdoUs += tpdoPeriodUs;
    }
    if (nowUs >= nextTpdoUs)
        nextTpdoUs = nowUs + tpdoPeriodUs;
}
