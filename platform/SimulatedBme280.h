#pragma once

#include "SimulatedBme280Config.h"
#include "SpiTransport.h"

#include <QMutex>

// A BME280 on a 4-wire SPI bus, register-compatible with the chip: chip id
// 0x60 at 0xD0, soft reset at 0xE0, trimming words at 0x88..0xA1 and
// 0xE1..0xE7, ctrl_hum 0xF2 (taken over only when ctrl_meas is written),
// status 0xF3, ctrl_meas 0xF4, config 0xF5 and the raw results at 0xF7..0xFE.
// The first byte of a transfer is the control byte: bit 7 set reads from the
// register (bit 7 forced to 1) on, auto-incrementing; cleared, the transfer
// is pairs of control byte and data. A forced measurement ends at once and
// puts the chip back to sleep. The raw results are chosen so that the chip's
// own integer compensation with its trimming gives the configured conditions.
// Thread-safe.
class SimulatedBme280 : public SpiTransport
{
public:
    explicit SimulatedBme280(const SimulatedBme280Config& config = SimulatedBme280Config());

    int transfer(const unsigned char* tx, unsigned char* rx, int length) override;

    // The conditions of the next measurement.
    void setConditions(double temperatureC, double pressurePa, double humidityPercent);
    // A chip that is taken off the bus (or put back) keeps its registers.
    void setAbsent(bool absent);

    unsigned char registerValue(int address) const;
    // Forced or normal-mode conversions made, and soft resets seen.
    int measurementCount() const;
    int resetCount() const;

private:
    void writeRegister(unsigned char address, unsigned char value);
    void reset();
    void measure();
    void loadTrimming();

    mutable QMutex mutex;
    SimulatedBme280Config config;
    unsigned char registers[256] = {};
    // Humidity oversampling in effect (ctrl_hum latched by a ctrl_meas write).
    unsigned char humidityOversampling = 0;
    int measurements = 0;
    int resets = 0;
};
