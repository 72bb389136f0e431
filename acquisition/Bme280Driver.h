#pragma once

#include <cstdint>

// Driver of the Bosch BME280 temperature, pressure and humidity sensor on an
// SPI bus. The bus is reached through the device record's callbacks, so the
// same driver runs on spidev and on the simulated chip. Register addresses,
// bit fields and the compensation are the chip's datasheet's.
//
// Every function returns 0 for success or one of the Bme280Result errors.

// One reading: pressure in Pa, temperature in °C, relative humidity in %.
struct bme280_data {
    double pressure = 0.0;
    double temperature = 0.0;
    double humidity = 0.0;
};

enum Bme280Result : int8_t {
    Bme280Ok = 0,
    Bme280NullDevice = -1, // null pointer or a callback missing
    Bme280ChipNotFound = -2,
    Bme280InvalidLength = -3,
    Bme280BusFailure = -4
};

enum Bme280Interface : uint8_t { Bme280Spi = 0, Bme280I2c = 1 };

// Which fields bme280_set_sensor_settings writes.
enum Bme280SettingFlag : uint8_t {
    Bme280PressureOversampling = 1,
    Bme280TemperatureOversampling = 2,
    Bme280HumidityOversampling = 4,
    Bme280Filter = 8,
    Bme280StandbyTime = 16
};

// Which values a reading compensates.
enum Bme280Component : uint8_t {
    Bme280Pressure = 1,
    Bme280Temperature = 2,
    Bme280Humidity = 4,
    Bme280AllComponents = 7
};

enum Bme280Mode : uint8_t { Bme280Sleep = 0, Bme280Forced = 1, Bme280Normal = 3 };

// The bus callbacks get the device record's `busContext` and `deviceId`.
// Results: 0 or -1.
using bme280_read_fptr = int8_t (*)(void* context, uint8_t deviceId, uint8_t reg, uint8_t* data, uint16_t len);
using bme280_write_fptr = int8_t (*)(void* context, uint8_t deviceId, uint8_t reg, const uint8_t* data,
                                     uint16_t len);
using bme280_delay_fptr = void (*)(uint32_t ms);

// The chip's trimming parameters, in its register order and types.
struct bme280_calib_data {
    uint16_t digT1 = 0;
    int16_t digT2 = 0;
    int16_t digT3 = 0;
    uint16_t digP1 = 0;
    int16_t digP2 = 0;
    int16_t digP3 = 0;
    int16_t digP4 = 0;
    int16_t digP5 = 0;
    int16_t digP6 = 0;
    int16_t digP7 = 0;
    int16_t digP8 = 0;
    int16_t digP9 = 0;
    uint8_t digH1 = 0;
    int16_t digH2 = 0;
    uint8_t digH3 = 0;
    int16_t digH4 = 0;
    int16_t digH5 = 0;
    int8_t digH6 = 0;
    // Carried from the temperature to the pressure and humidity compensation.
    int32_t fineTemperature = 0;
};

// Register codes of the datasheet: oversampling 0 skipped, 1..5 ×1..×16;
// filter 0 off, 1..4 coefficient 2..16; standby 0..7.
struct bme280_settings {
    uint8_t osrP = 0;
    uint8_t osrT = 0;
    uint8_t osrH = 0;
    uint8_t filter = 0;
    uint8_t standbyTime = 0;
};

struct bme280_uncomp_data {
    uint32_t pressure = 0;
    uint32_t temperature = 0;
    uint32_t humidity = 0;
};

struct bme280_dev {
    uint8_t chipId = 0;
    uint8_t deviceId = 0;
    Bme280Interface interface = Bme280Spi;
    bme280_read_fptr readCallback = nullptr;
    bme280_write_fptr writeCallback = nullptr;
    bme280_delay_fptr delayCallback = nullptr;
    void* busContext = nullptr;
    bme280_calib_data calibration;
    bme280_settings settings;
};

namespace Bme280Register {
constexpr uint8_t calibration1 = 0x88; // 26 bytes, up to 0xA1
constexpr uint8_t chipId = 0xD0;
constexpr uint8_t reset = 0xE0;
constexpr uint8_t calibration2 = 0xE1; // 7 bytes
constexpr uint8_t ctrlHum = 0xF2;
constexpr uint8_t status = 0xF3;
constexpr uint8_t ctrlMeas = 0xF4;
constexpr uint8_t config = 0xF5;
constexpr uint8_t data = 0xF7; // 8 bytes
} // namespace Bme280Register

constexpr uint8_t bme280ChipId = 0x60;
constexpr int bme280Calibration1Length = 26;
constexpr int bme280Calibration2Length = 7;
constexpr int bme280DataLength = 8;

int8_t bme280_init(bme280_dev* dev);
int8_t bme280_soft_reset(const bme280_dev* dev);
int8_t bme280_get_regs(uint8_t reg, uint8_t* data, uint16_t len, const bme280_dev* dev);
// Writes 1 to 10 registers in one transfer; more are cut to 10.
int8_t bme280_set_regs(const uint8_t* regs, const uint8_t* data, uint8_t len, const bme280_dev* dev);
int8_t bme280_set_sensor_settings(uint8_t flags, const bme280_dev* dev);
int8_t bme280_get_sensor_settings(bme280_dev* dev);
int8_t bme280_set_sensor_mode(uint8_t mode, const bme280_dev* dev);
int8_t bme280_get_sensor_mode(uint8_t* mode, const bme280_dev* dev);
int8_t bme280_get_sensor_data(uint8_t components, bme280_data* data, bme280_dev* dev);
// Splits the 8 result bytes from 0xF7 into the raw values.
int8_t bme280_parse_sensor_data(const uint8_t* regData, bme280_uncomp_data* uncomp);
// The datasheet's double-precision compensation, clamped to the chip's range
// (-40..85 °C, 30,000..110,000 Pa, 0..100 %). Sets calibration->fineTemperature.
int8_t bme280_compensate_data(uint8_t components, const bme280_uncomp_data* uncomp, bme280_data* data,
                              bme280_calib_data* calibration);
