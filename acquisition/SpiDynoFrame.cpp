#include "SpiDynoFrame.h"

#include "lib/Tools.h"

#include <cstring>

SpiDynoFrame SpiDynoFrame::make(DynoRegister reg, uint32_t value)
{
    SpiDynoFrame frame;
    frame.reg = reg;
    frame.bytes[0] = static_cast<uint8_t>(value >> 24);
    frame.bytes[1] = static_cast<uint8_t>(value >> 16);
    frame.bytes[2] = static_cast<uint8_t>(value >> 8);
    frame.bytes[3] = static_cast<uint8_t>(value);
    frame.crc = frame.computeCrc();
    return frame;
}

SpiDynoFrame SpiDynoFrame::makeFloat(DynoRegister reg, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return make(reg, bits);
}

SpiDynoFrame SpiDynoFrame::makeRaw(DynoRegister reg, uint32_t raw)
{
    SpiDynoFrame frame;
    frame.reg = reg;
    frame.bytes[0] = static_cast<uint8_t>(raw);
    frame.bytes[1] = static_cast<uint8_t>(raw >> 8);
    frame.bytes[2] = static_cast<uint8_t>(raw >> 16);
    frame.bytes[3] = static_cast<uint8_t>(raw >> 24);
    frame.crc = frame.computeCrc();
    return frame;
}

uint8_t SpiDynoFrame::computeCrc() const
{
    return Tools::crc8_frameOptimized(reinterpret_cast<const unsigned char*>(this));
}

uint32_t SpiDynoFrame::wireValue() const
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | uint32_t(bytes[3]);
}

uint32_t SpiDynoFrame::rawValue() const
{
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24);
}
