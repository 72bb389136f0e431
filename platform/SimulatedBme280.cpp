#include "SimulatedBme280.h"

#include <QMutexLocker>

#include <cmath>
#include <cstdint>

namespace {

constexpr unsigned char regChipId = 0xD0;
constexpr unsigned char regReset = 0xE0;
constexpr unsigned char regCtrlHum = 0xF2;
constexpr unsigned char regStatus = 0xF3;
constexpr unsigned char regCtrlMeas = 0xF4;
constexpr unsigned char regConfig = 0xF5;
constexpr unsigned char regData = 0xF7;
constexpr unsigned char chipId = 0x60;
constexpr unsigned char resetCommand = 0xB6;
constexpr unsigned char absentByte = 0xFF;

// The chip's fixed-point compensation (32-bit temperature and humidity,
// 64-bit pressure). Products are formed in 64 bits so that no intermediate
// overflows; shifts of negative values are arithmetic, as on the chip.
struct Compensation {
    const SimulatedBme280Config& c;

    // Returns t_fine; `hundredths` gets the temperature in 0.01 °C.
    int64_t fineTemperature(int64_t adcT, int64_t* hundredths) const
    {
        const int64_t var1 = (((adcT >> 3) - int64_t(c.t1) * 2) * c.t2) >> 11;
        const int64_t d = (adcT >> 4) - int64_t(c.t1);
        const int64_t var2 = (((d * d) >> 12) * c.t3) >> 14;
        const int64_t fine = var1 + var2;
        if (hundredths)
            *hundredths = (fine * 5 + 128) >> 8;
        return fine;
    }

    // Pressure in Pa × 256.
    int64_t pressure(int64_t adcP, int64_t fine) const
    {
        int64_t var1 = fine - 128000;
        int64_t var2 = var1 * var1 * c.p6;
        var2 = var2 + var1 * c.p5 * (int64_t(1) << 17);
        var2 = var2 + int64_t(c.p4) * (int64_t(1) << 35);
        var1 = ((var1 * var1 * c.p3) >> 8) + var1 * c.p2 * (int64_t(1) << 12);
        var1 = (((int64_t(1) << 47) + var1) * int64_t(c.p1)) >> 33;
        if (var1 == 0)
            return 0;
        int64_t p = 1048576 - adcP;
        p = ((p * (int64_t(1) << 31) - var2) * 3125) / var1;
        var1 = (int64_t(c.p9) * (p >> 13) * (p >> 13)) >> 25;
        var2 = (int64_t(c.p8) * p) >> 19;
        return ((p + var1 + var2) >> 8) + int64_t(c.p7) * 16;
    }

    // Relative humidity in % × 1024.
    int64_t humidity(int64_t adcH, int64_t fine) const
    {
        int64_t v = fine - 76800;
        const int64_t a = ((adcH * 16384 - int64_t(c.h4) * (int64_t(1) << 20) - int64_t(c.h5) * v) + 16384) >> 15;
        const int64_t b = ((((((v * c.h6) >> 10) * (((v * int64_t(c.h3)) >> 11) + 32768)) >> 10) + 2097152) * c.h2
                           + 8192)
                          >> 14;
        v = a * b;
        v = v - (((((v >> 15) * (v >> 15)) >> 7) * int64_t(c.h1)) >> 4);
        v = v < 0 ? 0 : v;
        v = v > 419430400 ? 419430400 : v;
        return v >> 12;
    }
};

// The smallest raw value in [0, limit] whose compensated value reaches the
// target, for a compensation that does not fall with the raw value.
template <typename F>
int64_t lowestReaching(int64_t limit, int64_t target, F compensated)
{
    int64_t low = 0;
    int64_t high = limit;
    while (low < high) {
        const int64_t mid = (low + high) / 2;
        if (compensated(mid) >= target)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

int64_t rounded(double value, double scale)
{
    return static_cast<int64_t>(std::llround(value * scale));
}

} // namespace

SimulatedBme280::SimulatedBme280(const SimulatedBme280Config& initial)
    : config(initial)
{
    registers[regChipId] = chipId;
    loadTrimming();
    reset();
    resets = 0;
}

void SimulatedBme280::loadTrimming()
{
    auto put16 = [this](int address, int value) {
        registers[address] = static_cast<unsigned char>(value & 0xFF);
        registers[address + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    };
    put16(0x88, config.t1);
    put16(0x8A, config.t2);
    put16(0x8C, config.t3);
    put16(0x8E, config.p1);
    const qint16 pressureWords[] = {config.p2, config.p3, config.p4, config.p5,
                                    config.p6, config.p7, config.p8, config.p9};
    for (int i = 0; i < 8; ++i)
        put16(0x90 + 2 * i, pressureWords[i]);
    registers[0xA1] = config.h1;
    put16(0xE1, config.h2);
    registers[0xE3] = config.h3;
    // dig_H4 is 0xE4 (bits 11..4) and the low nibble of 0xE5; dig_H5 the high
    // nibble of 0xE5 (bits 3..0) and 0xE6 (bits 11..4).
    registers[0xE4] = static_cast<unsigned char>((config.h4 >> 4) & 0xFF);
    registers[0xE5] = static_cast<unsigned char>((config.h4 & 0x0F) | ((config.h5 & 0x0F) << 4));
    registers[0xE6] = static_cast<unsigned char>((config.h5 >> 4) & 0xFF);
    registers[0xE7] = static_cast<unsigned char>(config.h6);
}

void SimulatedBme280::reset()
{
    registers[regCtrlHum] = 0;
    registers[regStatus] = 0;
    registers[regCtrlMeas] = 0;
    registers[regConfig] = 0;
    // The results' reset values: 0x80000 for pressure and temperature, 0x8000 for humidity.
    const unsigned char resetData[8] = {0x80, 0x00, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00};
    for (int i = 0; i < 8; ++i)
        registers[regData + i] = resetData[i];
    humidityOversampling = 0;
    ++resets;
}

int SimulatedBme280::transfer(const unsigned char* tx, unsigned char* rx, int length)
{
    if (!tx || !rx || length <= 0)
        return -1;
    QMutexLocker lock(&mutex);
    rx[0] = absentByte;
    if (config.absent) {
        for (int i = 1; i < length; ++i)
            rx[i] = absentByte;
        return length;
    }
    if (tx[0] & 0x80) {
        const int first = tx[0];
        const bool normalMode = (registers[regCtrlMeas] & 0x03) == 0x03;
        if (normalMode && first <= regData + 7 && first + length - 1 > regData)
            measure();
        for (int i = 1; i < length; ++i)
            rx[i] = registers[(first + i - 1) & 0xFF];
        return length;
    }
    for (int i = 1; i < length; ++i)
        rx[i] = absentByte;
    for (int i = 0; i + 1 < length; i += 2)
        writeRegister(static_cast<unsigned char>(tx[i] | 0x80), tx[i + 1]);
    return length;
}

void SimulatedBme280::writeRegister(unsigned char address, unsigned char value)
{
    switch (address) {
    case regReset:
        if (value == resetCommand)
            reset();
        break;
    case regCtrlHum:
        registers[regCtrlHum] = value & 0x07;
        break;
    case regCtrlMeas:
        registers[regCtrlMeas] = value;
        humidityOversampling = registers[regCtrlHum] & 0x07;
        if ((value & 0x03) != 0) {
            measure();
            // Forced mode ends in sleep once the conversion is done.
            if ((value & 0x03) != 0x03)
                registers[regCtrlMeas] = value & 0xFC;
        }
        break;
    case regConfig:
        registers[regConfig] = value & 0xFD;
        break;
    default:
        // Identification, trimming, status and results are read-only.
        break;
    }
}

void SimulatedBme280::measure()
{
    ++measurements;
    const Compensation chip{config};
    const int temperatureOversampling = (registers[regCtrlMeas] >> 5) & 0x07;
    const int pressureOversampling = (registers[regCtrlMeas] >> 2) & 0x07;

    // Temperature is converted whenever anything is: the others need t_fine.
    const int64_t targetT = rounded(config.temperature, 100.0);
    const int64_t adcT = lowestReaching(0xFFFFF, targetT, [&](int64_t raw) {
        int64_t t = 0;
        chip.fineTemperature(raw, &t);
        return t;
    });
    const int64_t fine = chip.fineTemperature(adcT, nullptr);
    // Pressure falls as the raw value rises.
    const int64_t targetP = rounded(config.pressure, 256.0);
    const int64_t adcP = lowestReaching(0xFFFFF, -targetP, [&](int64_t raw) { return -chip.pressure(raw, fine); });
    const int64_t targetH = rounded(config.humidity, 1024.0);
    const int64_t adcH = lowestReaching(0xFFFF, targetH, [&](int64_t raw) { return chip.humidity(raw, fine); });

    const int64_t rawP = pressureOversampling ? adcP : 0x80000;
    const int64_t rawT = temperatureOversampling ? adcT : 0x80000;
    const int64_t rawH = humidityOversampling ? adcH : 0x8000;
    unsigned char* out = registers + regData;
    out[0] = static_cast<unsigned char>(rawP >> 12);
    out[1] = static_cast<unsigned char>((rawP >> 4) & 0xFF);
    out[2] = static_cast<unsigned char>((rawP & 0x0F) << 4);
    out[3] = static_cast<unsigned char>(rawT >> 12);
    out[4] = static_cast<unsigned char>((rawT >> 4) & 0xFF);
    out[5] = static_cast<unsigned char>((rawT & 0x0F) << 4);
    out[6] = static_cast<unsigned char>(rawH >> 8);
    out[7] = static_cast<unsigned char>(rawH & 0xFF);
}

void SimulatedBme280::setConditions(double temperatureC, double pressurePa, double humidityPercent)
{
    QMutexLocker lock(&mutex);
    config.temperature = temperatureC;
    config.pressure = pressurePa;
    config.humidity = humidityPercent;
}

void SimulatedBme280::setAbsent(bool absent)
{
    QMutexLocker lock(&mutex);
    config.absent = absent;
}

unsigned char SimulatedBme280::registerValue(int address) const
{
    QMutexLocker lock(&mutex);
    return registers[address & 0xFF];
}

int SimulatedBme280::measurementCount() const
{
    QMutexLocker lock(&mutex);
    return measurements;
}

int SimulatedBme280::resetCount() const
{
    QMutexLocker lock(&mutex);
    return resets;
}
