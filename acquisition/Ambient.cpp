#include "Ambient.h"

#include "PlatformMode.h"
#include "SimulatedBme280.h"
#include "SpiChannel.h"

#include <QDebug>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

// Oversampling pressure ×16, temperature ×2, humidity ×1; filter coefficient 16.
constexpr uint8_t pressureOversampling = 5;
constexpr uint8_t temperatureOversampling = 2;
constexpr uint8_t humidityOversampling = 1;
constexpr uint8_t filterCoefficient = 4;
constexpr int conversionWaitMs = 40;

// The limits the driver clamps to: a reading sitting on one is out of the
// chip's range, not a measurement.
constexpr double temperatureClamp = -40.0;
constexpr double pressureClampLow = 30000.0;
constexpr double pressureClampHigh = 110000.0;

// Stays set while the dry-air pressure keeps being unusable, so a missing
// sensor costs one log line instead of one a second.
std::atomic<bool> dryPressureErrorLogged{false};

struct CorrectionConstants {
    double referencePressure; // Pa
    double referenceTemperature; // K
    double pressureExponent;
    double temperatureExponent;
    bool corrects;
};

CorrectionConstants constantsOf(int standard, int engineType)
{
    const bool knownEngine = engineType >= EngineNaturallyAspirated && engineType <= EngineChargedDiesel;
    const bool diesel = knownEngine && (engineType & EngineDiesel);
    switch (standard) {
    case 1: // DIN 70020
        if (!knownEngine)
            return {101325, 293, 1, 1, true};
        return {101325, 293, diesel ? 0.7 : 1, 0.5, true};
    case 2: // EC 95-1
        return {99000, 298, 1.2, 0.6, true};
    case 3: // ISO 1585
        if (!knownEngine)
            return {99000, 298, 1, 1, true};
        if (engineType == EngineDiesel)
            return {99000, 298, 1, 0.7, true};
        if (engineType == EngineChargedDiesel)
            return {99000, 298, 0.7, 1.2, true};
        return {99000, 298, 1.2, 0.6, true};
    case 4: // JIS D1001
        return {99000, 298, 1, 0.75, true};
    case 5: // SAE J1349
        if (!knownEngine)
            return {99000, 298, 1, 1, true};
        if (engineType == EngineDiesel)
            return {99000, 298, 1, 0.7, true};
        if (engineType == EngineChargedDiesel)
            return {99000, 298, 0.7, 1.2, true};
        return {99000, 298, 1, 0.5, true};
    case 6: // EEC 80/1269
        if (!knownEngine)
            return {99000, 298, 1, 1, true};
        return {99000, 298, 1, diesel ? 0.7 : 0.5, true};
    case 7: // SAE J607
        return {101320.75, 288.706, 1.2, 0.6, true};
    case 8: // FOS
        return {100301, 298, 1.125, 0.8, true};
    default:
        return {99000, 298, 1, 1, false};
    }
}

} // namespace

Ambient::Ambient()
{
    device.deviceId = 0;
    device.interface = Bme280Spi;
    device.readCallback = &Ambient::user_spi_read;
    device.writeCallback = &Ambient::user_spi_write;
    device.delayCallback = &Ambient::user_delay_ms;
    device.busContext = this;
}

Ambient::Ambient(SpiTransport* givenBus)
    : Ambient()
{
    bus = givenBus;
    busGiven = true;
}

Ambient::~Ambient() = default;

int Ambient::initSensor()
{
    initialised = false;
    if (busGiven)
        return 0;
    bus = nullptr;
    ownedBus.reset();
    if (PlatformMode::simulated()) {
        ownedBus = std::make_unique<SimulatedBme280>(SimulatedBme280Config::fromEnvironment());
        bus = ownedBus.get();
        qDebug() << "Ambient sensor: simulated BME280 on the bus";
        return 0;
    }
    auto channel = std::make_unique<SpiChannel>();
    if (channel->init(QStringLiteral("/dev/spidev0.0"), 1000000, SPI_MODE_0, 8) < 0) {
        qDebug() << "Error initializing SPI";
        return -1;
    }
    bus = channel.get();
    ownedBus = std::move(channel);
    return 0;
}

int Ambient::transfer(const uint8_t* tx, uint8_t* rx, int length, const char* errorText)
{
    // Without a bus the opening failure has been reported already.
    if (!bus)
        return -1;
    if (bus->transfer(tx, rx, length) < 0) {
        if (!busErrorLogged) {
            busErrorLogged = true;
            qDebug() << errorText;
        }
        return -1;
    }
    busErrorLogged = false;
    return 0;
}

int8_t Ambient::user_spi_read(void* context, uint8_t, uint8_t reg, uint8_t* data, uint16_t len)
{
    if (len >= spiBufferSize) {
        qDebug() << "SPI buffer too small" << spiBufferSize << len;
        return -1;
    }
    uint8_t tx[spiBufferSize] = {};
    uint8_t rx[spiBufferSize] = {};
    tx[0] = reg;
    if (static_cast<Ambient*>(context)->transfer(tx, rx, len + 1, "SPI read error") != 0)
        return -1;
    std::memcpy(data, rx + 1, len);
    return 0;
}

int8_t Ambient::user_spi_write(void* context, uint8_t, uint8_t reg, const uint8_t* data, uint16_t len)
{
    if (len >= spiBufferSize) {
        qDebug() << "SPI buffer too small" << spiBufferSize << len;
        return -1;
    }
    uint8_t tx[spiBufferSize] = {};
    uint8_t rx[spiBufferSize] = {};
    tx[0] = reg;
    std::memcpy(tx + 1, data, len);
    return static_cast<Ambient*>(context)->transfer(tx, rx, len + 1, "SPI write error") == 0 ? 0 : -1;
}

void Ambient::user_delay_ms(uint32_t ms)
{
    QThread::msleep(ms);
}

int Ambient::getData(bme280_data* data)
{
    if (!data)
        return -1;
    if (!initialised) {
        if (bme280_init(&device) != Bme280Ok) {
            if (!initErrorLogged) {
                initErrorLogged = true;
                qDebug() << "Error initializing BME280";
            }
            return -1;
        }
        device.settings.osrP = pressureOversampling;
        device.settings.osrT = temperatureOversampling;
        device.settings.osrH = humidityOversampling;
        device.settings.filter = filterCoefficient;
        // The standby time matters only in normal mode, which is never used.
        const uint8_t flags = Bme280PressureOversampling | Bme280TemperatureOversampling
                              | Bme280HumidityOversampling | Bme280Filter;
        if (bme280_set_sensor_settings(flags, &device) != Bme280Ok) {
            qDebug() << "Error setting up ambient sensor";
            return -1;
        }
        initialised = true;
        initErrorLogged = false;
    }

    if (bme280_set_sensor_mode(Bme280Forced, &device) != Bme280Ok) {
        qDebug() << "Error setting forced ambient sensor mode";
        // Found again by the next call, whose failure is reported only once.
        initialised = false;
        return -1;
    }
    device.delayCallback(conversionWaitMs);

    if (bme280_get_sensor_data(Bme280AllComponents, data, &device) != Bme280Ok) {
        qDebug() << "Error getting data from ambient sensor";
        initialised = false;
        return -1;
    }
    if (data->temperature == temperatureClamp) {
        if (!temperatureErrorLogged) {
            temperatureErrorLogged = true;
            qDebug() << "Invalid temperature data from ambient sensor";
        }
        initialised = false;
        return -1;
    }
    temperatureErrorLogged = false;
    if (data->pressure == pressureClampLow || data->pressure == pressureClampHigh) {
        if (!pressureErrorLogged) {
            pressureErrorLogged = true;
            qDebug() << "Invalid pressure data from ambient sensor";
        }
        initialised = false;
        return -1;
    }
    pressureErrorLogged = false;
    return 0;
}

double Ambient::calculateCorrectionFactor(double temperature, double pressure, double humidity, int standard,
                                          PowerCorrectionEngineType engineType, double efficiency,
                                          double exponent)
{
    const CorrectionConstants k = constantsOf(standard, engineType);
    if (!k.corrects)
        exponent = 0.0;
    // An efficiency of 0 would divide by zero, and one above 1 or below 0 has
    // no meaning: such a project is corrected as if the losses were nil.
    if (!(efficiency > 0.0 && efficiency <= 1.0))
        efficiency = 1.0;
    if (exponent == 0.0)
        return 1.0;

    const double celsius = temperature - 273.15;
    const double saturation = 610.78 * std::pow(10.0, 7.5 * celsius / (celsius + 237.3));
    const double dryPressure = pressure - humidity * saturation;
    double factor = std::pow(
        std::pow(k.referencePressure / dryPressure, k.pressureExponent)
            * std::pow(temperature / k.referenceTemperature, k.temperatureExponent),
        exponent);
    // A dry-air pressure of zero or below has no correction; an infinite one
    // would pass as a number into every corrected power.
    if (!(dryPressure > 0.0) || std::isinf(factor)) {
        if (!dryPressureErrorLogged.exchange(true))
            qDebug().noquote() << QStringLiteral(
                                      "Power correction: dry-air pressure %1 Pa (pressure %2 Pa, temperature %3 K, "
                                      "humidity %4) gives no correction factor")
                                      .arg(dryPressure)
                                      .arg(pressure)
                                      .arg(temperature)
                                      .arg(humidity);
        return std::nan("");
    }
    dryPressureErrorLogged = false;
    const double lossShare = (1.0 - efficiency) / efficiency;
    return (1.0 + lossShare) * factor - lossShare;
}
