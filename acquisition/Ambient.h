#pragma once

#include "Bme280Driver.h"
#include "PowerCorrectionEngineType.h"

#include <memory>

class SpiTransport;

// The ambient conditions: the board's BME280 on its own SPI bus
// ("/dev/spidev0.0"; the simulated chip under ZEMBO_SIMULATE=1), and the
// engine power correction factor of a standard. Called from the GUI thread:
// the main window reads the sensor every second, the recalculation of runs
// uses only the static correction.
class Ambient
{
public:
    Ambient();
    // On a bus the caller owns (tests); initSensor keeps it.
    explicit Ambient(SpiTransport* bus);
    ~Ambient();
    Ambient(const Ambient&) = delete;
    Ambient& operator=(const Ambient&) = delete;

    // Opens the sensor's bus. 0 on success, -1 when it cannot be opened.
    int initSensor();
    // One forced measurement (blocks for about 40 ms). 0 with fresh values;
    // -1 on any failure, and then `data` holds nothing usable.
    int getData(bme280_data* data);

    // temperature in K, pressure in Pa, humidity as a fraction (0..1);
    // `standard` is the power-correction type (0 none), `exponent` the
    // project's correction exponent. An efficiency outside (0, 1] counts as 1.
    // NaN when the dry-air pressure is not positive.
    static double calculateCorrectionFactor(double temperature, double pressure, double humidity, int standard,
                                            PowerCorrectionEngineType engineType, double efficiency,
                                            double exponent);

    // The driver's bus callbacks; `context` is the Ambient. A transfer is at
    // most 29 bytes after the register.
    static int8_t user_spi_read(void* context, uint8_t deviceId, uint8_t reg, uint8_t* data, uint16_t len);
    static int8_t user_spi_write(void* context, uint8_t deviceId, uint8_t reg, const uint8_t* data, uint16_t len);
    static void user_delay_ms(uint32_t ms);

    static constexpr int spiBufferSize = 30;

    bme280_dev device;
    bool initialised = false;
    bool initErrorLogged = false;
    bool temperatureErrorLogged = false;
    bool pressureErrorLogged = false;
    // A failing bus is reported once until a transfer succeeds again.
    bool busErrorLogged = false;

private:
    int transfer(const uint8_t* tx, uint8_t* rx, int length, const char* errorText);

    std::unique_ptr<SpiTransport> ownedBus;
    SpiTransport* bus = nullptr;
    bool busGiven = false;
};
