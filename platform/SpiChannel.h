#pragma once

#include "SpiTransport.h"

#include <QString>

#include <linux/spi/spidev.h>

// One open spidev device and its transfer descriptor.
class SpiChannel : public SpiTransport
{
public:
    SpiChannel() = default;
    ~SpiChannel() override;
    SpiChannel(const SpiChannel&) = delete;
    SpiChannel& operator=(const SpiChannel&) = delete;

    // Opens the device read-write and sets mode, word size and clock. A failing
    // setting is logged and the next one is still tried. Returns the descriptor,
    // or -1 when the device cannot be opened.
    int init(const QString& path, unsigned int speedHz, unsigned char mode, unsigned char bitsPerWord);
    // One full-duplex transfer in a single spidev message.
    int writeRead(const unsigned char* tx, unsigned char* rx, int length);
    int transfer(const unsigned char* tx, unsigned char* rx, int length) override { return writeRead(tx, rx, length); }

    int fd = -1;
    struct spi_ioc_transfer descriptor = {};
};
