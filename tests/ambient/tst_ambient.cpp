// The ambient sensor over the simulated BME280 and over failing buses, the
// driver's bus limits, and the power correction's edge cases.
#include "Ambient.h"
#include "LogCapture.h"
#include "SimulatedBme280.h"

#include <QFile>
#include <QTest>

#include <cmath>
#include <vector>

class TestAmbient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void correctionFactorCases();
    void unusableDryPressure();
    void readsConfiguredConditions();
    void wakesChipBeforeConfiguring();
    void faultEpisodesAreLoggedOnce();
    void failingBus();
    void missingSpiDevice();
    void transferLimits();
};

namespace {

// A chip behind a bus that records transfer lengths and can fail.
class TestBus : public SpiTransport
{
public:
    int transfer(const unsigned char* tx, unsigned char* rx, int length) override
    {
        lengths.push_back(length);
        if (failing)
            return -1;
        return chip.transfer(tx, rx, length);
    }
    SimulatedBme280 chip;
    std::vector<int> lengths;
    bool failing = false;
};

const QString initError = QStringLiteral("Error initializing BME280");
const QString temperatureError = QStringLiteral("Invalid temperature data from ambient sensor");
const QString pressureError = QStringLiteral("Invalid pressure data from ambient sensor");

} // namespace

void TestAmbient::correctionFactorCases()
{
    struct Case {
        const char* name;
        double t, p, phi;
        int standard;
        int engine;
        double eta, x, expected, tolerance;
    };
    const double saeHot = (1.01664 - 0.15) / 0.85; // f = (308 / 298)^0.5 ≈ 1.01664
    const Case cases[] = {
        {"SAE J1349 at its reference point", 298, 99000, 0, 5, 0, 0.85, 1, 1.0, 1e-15},
        {"SAE J1349 at 308 K", 308, 99000, 0, 5, 0, 0.85, 1, 1.01958, 5e-6},
        {"SAE J1349 at 308 K, factor only", 308, 99000, 0, 5, 0, 1, 1, 1.01664, 5e-6},
        {"DIN 70020 at its reference point, petrol", 293, 101325, 0, 1, 0, 0.6, 1, 1.0, 1e-15},
        {"DIN 70020 at its reference point, charged diesel", 293, 101325, 0, 1, 3, 0.9, 1, 1.0, 1e-15},
        {"no standard ignores the conditions", 350, 0, 1, 0, 2, 0.85, 1, 1.0, 0},
        {"unknown standard ignores the conditions", 350, 0, 1, 42, 2, 0.85, 1, 1.0, 0},
        {"exponent 0 is no correction", 308, 50000, 0, 5, 0, 0.85, 0, 1.0, 0},
        // (99000 / 89100)^0.7 · (308 / 298)^1.2
        {"ISO 1585, charged diesel", 308, 89100, 0, 3, 3, 1, 1,
         std::pow(99000.0 / 89100, 0.7) * std::pow(308.0 / 298, 1.2), 1e-12},
        // Unknown engine type: both exponents 1 at the row's reference point.
        {"SAE J1349, unknown engine type", 308, 89100, 0, 5, 7, 1, 1, (99000.0 / 89100) * (308.0 / 298), 1e-12},
        {"EC 95-1 takes no notice of the engine", 308, 89100, 0, 2, 7, 1, 1,
         std::pow(99000.0 / 89100, 1.2) * std::pow(308.0 / 298, 0.6), 1e-12},
        // Outside (0, 1] the efficiency counts as 1: the factor itself.
        {"efficiency 0", 308, 99000, 0, 5, 0, 0, 1, 1.01664, 5e-6},
        {"efficiency above 1", 308, 99000, 0, 5, 0, 1.2, 1, 1.01664, 5e-6},
        {"negative efficiency", 308, 99000, 0, 5, 0, -0.85, 1, 1.01664, 5e-6},
        {"efficiency NaN", 308, 99000, 0, 5, 0, std::nan(""), 1, 1.01664, 5e-6},
        {"efficiency 0.85", 308, 99000, 0, 5, 0, 0.85, 1, saeHot, 5e-6},
        // Half-saturated air at 25 °C: about 1584 Pa less dry-air pressure.
        {"humid air at 25 °C", 298.15, 101325, 0.5, 1, 0, 1, 1,
         101325.0 / (101325.0 - 1583.7) * std::sqrt(298.15 / 293), 2e-6},
    };
    for (const Case& c : cases) {
        const double cf = Ambient::calculateCorrectionFactor(c.t, c.p, c.phi, c.standard,
                                                             static_cast<PowerCorrectionEngineType>(c.engine), c.eta,
                                                             c.x);
        QVERIFY2(std::abs(cf - c.expected) <= c.tolerance,
                 qPrintable(QStringLiteral("%1: %2, expected %3").arg(QString::fromUtf8(c.name)).arg(cf, 0, 'g', 12)
                                .arg(c.expected, 0, 'g', 12)));
    }
}

void TestAmbient::unusableDryPressure()
{
    LogCapture log;
    auto factor = [](double pressure, double humidity) {
        return Ambient::calculateCorrectionFactor(323.15, pressure, humidity, 5, EngineNaturallyAspirated, 0.85, 1);
    };
    // No pressure at all (a sensor that is missing), and humid air whose
    // vapour pressure (about 12.3 kPa at 50 °C) exceeds the whole pressure.
    for (const auto& [pressure, humidity] : {std::pair{0.0, 0.0}, std::pair{0.0, 0.5}, std::pair{10000.0, 1.0}}) {
        const double cf = factor(pressure, humidity);
        QVERIFY2(std::isnan(cf), qPrintable(QString::number(cf)));
    }
    // Reported once for the episode, again after a good factor.
    QCOMPARE(log.count(QStringLiteral("dry-air pressure")), 1);
    QVERIFY(std::isfinite(factor(99000, 0.5)));
    QVERIFY(std::isnan(factor(0, 0)));
    QCOMPARE(log.count(QStringLiteral("dry-air pressure")), 2);
}

void TestAmbient::readsConfiguredConditions()
{
    SimulatedBme280 chip;
    Ambient ambient(&chip);
    QCOMPARE(ambient.initSensor(), 0);
    struct Condition {
        double t, p, h;
    };
    const Condition conditions[] = {{20, 101325, 45}, {-12.5, 92000, 5}, {41, 84000, 97}, {84, 109000, 0}};
    int measurements = 0;
    for (const Condition& c : conditions) {
        chip.setConditions(c.t, c.p, c.h);
        bme280_data data;
        QCOMPARE(ambient.getData(&data), 0);
        QVERIFY2(std::abs(data.temperature - c.t) < 0.01, qPrintable(QString::number(data.temperature)));
        QVERIFY2(std::abs(data.pressure - c.p) < 2.0, qPrintable(QString::number(data.pressure)));
        QVERIFY2(std::abs(data.humidity - c.h) < 0.05, qPrintable(QString::number(data.humidity)));
        // One forced conversion per reading; the chip is set up only once.
        QCOMPARE(chip.measurementCount(), ++measurements);
        QCOMPARE(chip.resetCount(), 1);
    }
    QCOMPARE(int(ambient.device.chipId), 0x60);
    // Humidity ×1, temperature ×2, pressure ×16, back in sleep; filter 16,
    // standby untouched.
    QCOMPARE(int(chip.registerValue(0xF2)), 0x01);
    QCOMPARE(int(chip.registerValue(0xF4)), (2 << 5) | (5 << 2));
    QCOMPARE(int(chip.registerValue(0xF5)), 4 << 2);
    QVERIFY(bme280_get_sensor_settings(&ambient.device) == Bme280Ok);
    QCOMPARE(int(ambient.device.settings.osrP), 5);
    QCOMPARE(int(ambient.device.settings.osrT), 2);
    QCOMPARE(int(ambient.device.settings.osrH), 1);
    QCOMPARE(int(ambient.device.settings.filter), 4);
    QCOMPARE(int(ambient.device.settings.standbyTime), 0);
}

void TestAmbient::wakesChipBeforeConfiguring()
{
    SimulatedBme280 chip;
    Ambient ambient(&chip);
    bme280_data data;
    QCOMPARE(ambient.getData(&data), 0);
    // Something else leaves the chip running in normal mode, with a standby time.
    const unsigned char tx[] = {0x75, 0xB0, 0x74, (2 << 5) | (5 << 2) | 3};
    unsigned char rx[sizeof tx];
    QCOMPARE(chip.transfer(tx, rx, sizeof tx), int(sizeof tx));
    QCOMPARE(int(chip.registerValue(0xF4)) & 3, 3);

    // The forced conversion puts it to sleep first (a soft reset, the
    // settings written back), then converts once.
    const int measurements = chip.measurementCount();
    QCOMPARE(ambient.getData(&data), 0);
    QCOMPARE(chip.resetCount(), 2);
    QCOMPARE(chip.measurementCount(), measurements + 1);
    QVERIFY(std::abs(data.humidity - 45) < 0.05);
    QCOMPARE(int(chip.registerValue(0xF4)), (2 << 5) | (5 << 2));
    QCOMPARE(int(chip.registerValue(0xF2)), 0x01);
    QCOMPARE(int(chip.registerValue(0xF5)), 0xB0);
}

void TestAmbient::faultEpisodesAreLoggedOnce()
{
    LogCapture log;
    SimulatedBme280 chip;
    Ambient ambient(&chip);
    bme280_data data;
    auto calls = [&](int count, int expected) {
        for (int i = 0; i < count; ++i)
            if (ambient.getData(&data) != expected)
                return false;
        return true;
    };

    // No chip: looked for on every call, reported once.
    chip.setAbsent(true);
    QVERIFY(calls(3, -1));
    QCOMPARE(log.count(initError), 1);
    chip.setAbsent(false);
    QVERIFY(calls(1, 0));
    // Taken away while running: its all-ones results are out of range, then
    // the chip is missing again; a new episode, a new line for each.
    chip.setAbsent(true);
    QVERIFY(calls(3, -1));
    QCOMPARE(log.count(initError), 2);
    QCOMPARE(log.count(pressureError), 1);
    chip.setAbsent(false);
    QVERIFY(calls(1, 0));

    // A temperature on the lower limit: -1 every call, the chip started over
    // on each following call, one line.
    log.clear();
    chip.setConditions(-45, 101325, 40);
    const int resets = chip.resetCount();
    QVERIFY(calls(3, -1));
    QCOMPARE(log.count(temperatureError), 1);
    QCOMPARE(chip.resetCount(), resets + 2);
    chip.setConditions(15, 101325, 40);
    QVERIFY(calls(1, 0));
    chip.setConditions(-40.5, 101325, 40);
    QVERIFY(calls(2, -1));
    QCOMPARE(log.count(temperatureError), 2);

    // Pressure on either limit.
    log.clear();
    for (const double pressure : {25000.0, 115000.0}) {
        chip.setConditions(15, pressure, 40);
        QVERIFY(calls(2, -1));
        chip.setConditions(15, 100000, 40);
        QVERIFY(calls(1, 0));
    }
    QCOMPARE(log.count(pressureError), 2);
    QCOMPARE(log.count(initError), 0);
    QCOMPARE(log.count(temperatureError), 0);

    // A temperature on the upper limit is not flagged.
    chip.setConditions(95, 101325, 40);
    QVERIFY(calls(1, 0));
    QCOMPARE(data.temperature, 85.0);
    QVERIFY(ambient.getData(nullptr) == -1);
}

void TestAmbient::failingBus()
{
    LogCapture log;
    TestBus bus;
    Ambient ambient(&bus);
    bme280_data data;
    QCOMPARE(ambient.getData(&data), 0);

    bus.failing = true;
    QCOMPARE(ambient.getData(&data), -1);
    QVERIFY(!ambient.initialised);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(ambient.getData(&data), -1);
    QCOMPARE(log.count(QStringLiteral("SPI read error")), 1);
    QCOMPARE(log.count(initError), 1);
    QCOMPARE(log.count(QStringLiteral("Error setting forced ambient sensor mode")), 1);

    bus.failing = false;
    QCOMPARE(ambient.getData(&data), 0);
    QVERIFY(std::abs(data.temperature - 20) < 0.01);
}

void TestAmbient::missingSpiDevice()
{
    if (QFile::exists(QStringLiteral("/dev/spidev0.0")))
        QSKIP("this machine has the sensor's SPI device");
    // Without simulation the board's device is used, and nothing stands in
    // for it when it is missing.
    const QByteArray simulate = qgetenv("ZEMBO_SIMULATE");
    qunsetenv("ZEMBO_SIMULATE");
    LogCapture log;
    Ambient ambient;
    QCOMPARE(ambient.initSensor(), -1);
    qputenv("ZEMBO_SIMULATE", simulate);
    QCOMPARE(log.count(QStringLiteral("Error initializing SPI")), 1);
    bme280_data data;
    for (int i = 0; i < 3; ++i)
        QCOMPARE(ambient.getData(&data), -1);
    QCOMPARE(log.count(initError), 1);
    QCOMPARE(log.messages().size(), 3); // the device's own line, SPI, BME280
}

void TestAmbient::transferLimits()
{
    LogCapture log;
    TestBus bus;
    Ambient ambient(&bus);
    uint8_t buffer[40] = {};
    // The register and 29 bytes fit the transfer; 30 do not.
    QCOMPARE(Ambient::user_spi_read(&ambient, 0, 0x88, buffer, 29), 0);
    QCOMPARE(bus.lengths.back(), 30);
    const auto transfers = bus.lengths.size();
    QCOMPARE(Ambient::user_spi_read(&ambient, 0, 0x88, buffer, 30), -1);
    QCOMPARE(Ambient::user_spi_write(&ambient, 0, 0x74, buffer, 30), -1);
    QCOMPARE(log.count(QStringLiteral("SPI buffer too small")), 2);
    QCOMPARE(bus.lengths.size(), transfers);

    // Register writes: pairs in one burst, at most ten, none is an error.
    uint8_t regs[12];
    uint8_t values[12] = {};
    for (int i = 0; i < 12; ++i)
        regs[i] = static_cast<uint8_t>(0xF5);
    QCOMPARE(int(bme280_set_regs(regs, values, 0, &ambient.device)), int(Bme280InvalidLength));
    QCOMPARE(int(bme280_set_regs(regs, values, 12, &ambient.device)), int(Bme280Ok));
    QCOMPARE(bus.lengths.back(), 1 + 19);
    QCOMPARE(int(bme280_get_regs(0xD0, buffer, 0, &ambient.device)), int(Bme280InvalidLength));
    QCOMPARE(int(bme280_get_regs(0xD0, buffer, 1, nullptr)), int(Bme280NullDevice));
    bme280_dev noCallbacks;
    QCOMPARE(int(bme280_init(&noCallbacks)), int(Bme280NullDevice));
    QCOMPARE(int(bme280_get_regs(0xD0, buffer, 1, &ambient.device)), int(Bme280Ok));
    QCOMPARE(int(buffer[0]), 0x60);
}

QTEST_GUILESS_MAIN(TestAmbient)
#include "tst_ambient.moc"
