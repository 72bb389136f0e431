#pragma once

#include "DynoRegister.h"

#include <cstdint>

// One register frame of the MCU link, 6 bytes on the wire: register, 32-bit
// value (big-endian on the wire, host order once the link has received it) and
// the CRC-8 of bytes 0..4. Six zero bytes are the null frame.
#pragma pack(push, 1)
struct SpiDynoFrame {
    DynoRegister reg;
    union {
        uint32_t value;
        float valueFloat;
        uint8_t bytes[4];
    };
    uint8_t crc;

    // The value big-endian, as on the wire.
    static SpiDynoFrame make(DynoRegister reg, uint32_t value);
    static SpiDynoFrame makeFloat(DynoRegister reg, float value);
    // Four bytes of a byte stream, the first in the lowest byte of `raw`.
    static SpiDynoFrame makeRaw(DynoRegister reg, uint32_t raw);

    uint8_t computeCrc() const;
    bool crcOk() const { return computeCrc() == crc; }
    bool isNull() const { return reg == DynoRegister::null; }
    // The value bytes read big-endian (a frame as received).
    uint32_t wireValue() const;
    // The value bytes read lowest first (how text and raw registers are packed).
    uint32_t rawValue() const;
    void convertToHostOrder() { value = wireValue(); }
};
#pragma pack(pop)

static_assert(sizeof(SpiDynoFrame) == 6, "a frame is six bytes on the wire");

// 32 frames exchanged in one full-duplex transfer.
struct SpiDynoFrameBatch {
    static constexpr int frameCount = 32;
    SpiDynoFrame frames[frameCount];
};

static_assert(sizeof(SpiDynoFrameBatch) == 192, "a batch is 192 bytes on the wire");
