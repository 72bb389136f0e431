#pragma once

// One SPI bus seen from the master: full-duplex transfers of a byte block.
// Real: SpiChannel (Linux spidev). Stand-in: SimulatedDynoController on the
// MCU bus. The caller owns both buffers; they must not overlap.
class SpiTransport
{
public:
    virtual ~SpiTransport() = default;

    // Sends `length` bytes from `tx` while receiving as many into `rx`.
    // Returns the number of bytes transferred, or -1.
    virtual int transfer(const unsigned char* tx, unsigned char* rx, int length) = 0;
};
