#pragma once

#include "PowerCorrectionEngineType.h"

// One reading of the ambient sensor: pressure in Pa, temperature in °C,
// relative humidity in %.
struct bme280_data {
    double pressure = 0.0;
    double temperature = 0.0;
    double humidity = 0.0;
};

// STAND-IN until the ambient sensor is built: the BME280 on its SPI bus and the
// engine power correction. There is no sensor behind it yet, so every reading
// fails (the main window then shows the sensor as missing), and the correction
// factor is 1 (no correction).
class Ambient
{
public:
    Ambient();
    void initSensor();
    // 0 on success; non-zero when no reading could be made.
    int getData(bme280_data* data);
    static double calculateCorrectionFactor(double temperature, double pressure, double humidity, int standard,
                                            PowerCorrectionEngineType engineType, double efficiency, double factor);

private:
    bool failureLogged = false;
};
