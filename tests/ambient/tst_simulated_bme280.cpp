// The simulated BME280's register map and SPI protocol, and its configuration.
#include "SimulatedBme280.h"

#include <QTest>

#include <vector>

class TestSimulatedBme280 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void configuration();
    void registerMap();
    void measurementFollowsControlRegisters();
    void absentChip();
};

namespace {

std::vector<unsigned char> readRegs(SimulatedBme280& chip, int address, int count)
{
    std::vector<unsigned char> tx(count + 1, 0), rx(count + 1, 0);
    tx[0] = static_cast<unsigned char>(address | 0x80);
    if (chip.transfer(tx.data(), rx.data(), count + 1) != count + 1)
        return {};
    return std::vector<unsigned char>(rx.begin() + 1, rx.end());
}

// Control byte and data pairs; the control byte has bit 7 cleared.
void writeRegs(SimulatedBme280& chip, std::initializer_list<std::pair<int, int>> pairs)
{
    std::vector<unsigned char> tx, rx;
    for (const auto& [address, value] : pairs) {
        tx.push_back(static_cast<unsigned char>(address & 0x7F));
        tx.push_back(static_cast<unsigned char>(value));
    }
    rx.resize(tx.size());
    QCOMPARE(chip.transfer(tx.data(), rx.data(), int(tx.size())), int(tx.size()));
}

quint32 rawHumidity(SimulatedBme280& chip)
{
    const auto d = readRegs(chip, 0xFD, 2);
    return (d[0] << 8) | d[1];
}

quint32 rawTemperature(SimulatedBme280& chip)
{
    const auto d = readRegs(chip, 0xFA, 3);
    return (d[0] << 12) | (d[1] << 4) | (d[2] >> 4);
}

} // namespace

void TestSimulatedBme280::configuration()
{
    struct Case {
        const char* text;
        bool ok;
        double temperature, pressure, humidity;
        bool absent;
    };
    const Case cases[] = {
        {"", true, 20, 101325, 45, false},
        {"temperature=31.5,pressure=97200,humidity=62", true, 31.5, 97200, 62, false},
        {" humidity = 0 , absent=1", true, 20, 101325, 0, true},
        {"temperature=-50", true, -50, 101325, 45, false},
        {"temperature=warm", false, 20, 101325, 45, false},
        {"pressure=nan", false, 20, 101325, 45, false},
        {"humidity=10,colour=3", false, 20, 101325, 45, false},
        {"absent", false, 20, 101325, 45, false},
    };
    for (const Case& c : cases) {
        QString error;
        const SimulatedBme280Config config = SimulatedBme280Config::fromString(QString::fromUtf8(c.text), &error);
        QVERIFY2(error.isEmpty() == c.ok, c.text);
        QVERIFY2(!c.ok || error.isEmpty(), c.text);
        QCOMPARE(config.temperature, c.temperature);
        QCOMPARE(config.pressure, c.pressure);
        QCOMPARE(config.humidity, c.humidity);
        QCOMPARE(config.absent, c.absent);
    }
    QString error;
    SimulatedBme280Config::fromString(QStringLiteral("humidity=10,colour=3"), &error);
    QVERIFY2(error.contains(QStringLiteral("colour=3")), qPrintable(error));
}

void TestSimulatedBme280::registerMap()
{
    SimulatedBme280Config config;
    config.h4 = -300; // 0xED4: 0xE4 = 0xED, low nibble of 0xE5 = 4
    config.h5 = 0x123; // high nibble of 0xE5 = 3, 0xE6 = 0x12
    config.t1 = 0xABCD;
    config.p9 = -2;
    config.h6 = -5;
    SimulatedBme280 chip(config);
    QCOMPARE(readRegs(chip, 0xD0, 1), std::vector<unsigned char>{0x60});

    const auto first = readRegs(chip, 0x88, 26);
    QCOMPARE(int(first[0]), 0xCD);
    QCOMPARE(int(first[1]), 0xAB);
    QCOMPARE(int(first[22]), 0xFE); // dig_P9 at 0x9E/0x9F, little-endian
    QCOMPARE(int(first[23]), 0xFF);
    QCOMPARE(int(first[25]), config.h1);
    const auto second = readRegs(chip, 0xE1, 7);
    QCOMPARE(second[0] | (second[1] << 8), int(config.h2));
    QCOMPARE(int(second[3]), 0xED);
    QCOMPARE(int(second[4]), 0x34);
    QCOMPARE(int(second[5]), 0x12);
    QCOMPARE(int(second[6]), 0xFB);

    // Control registers keep what is written, in pairs of one transfer;
    // identification and trimming are read-only.
    writeRegs(chip, {{0xF2, 0x03}, {0xF5, 0xB0}, {0xD0, 0x11}, {0x88, 0x00}});
    QCOMPARE(int(chip.registerValue(0xF2)), 0x03);
    QCOMPARE(int(chip.registerValue(0xF5)), 0xB0);
    QCOMPARE(int(chip.registerValue(0xD0)), 0x60);
    QCOMPARE(int(chip.registerValue(0x88)), 0xCD);

    // A soft reset takes only 0xB6, and clears the control registers.
    writeRegs(chip, {{0xE0, 0x01}});
    QCOMPARE(chip.resetCount(), 0);
    writeRegs(chip, {{0xE0, 0xB6}});
    QCOMPARE(chip.resetCount(), 1);
    QCOMPARE(readRegs(chip, 0xF2, 4), (std::vector<unsigned char>{0, 0, 0, 0}));
    QCOMPARE(readRegs(chip, 0xF7, 8), (std::vector<unsigned char>{0x80, 0, 0, 0x80, 0, 0, 0x80, 0}));
}

void TestSimulatedBme280::measurementFollowsControlRegisters()
{
    SimulatedBme280 chip;
    // Humidity oversampling is taken over only with the next ctrl_meas write.
    writeRegs(chip, {{0xF2, 0x01}});
    writeRegs(chip, {{0xF4, (2 << 5) | (5 << 2) | 1}});
    QCOMPARE(chip.measurementCount(), 1);
    const quint32 humidity = rawHumidity(chip);
    QVERIFY(humidity != 0x8000);
    // Forced mode is back to sleep once the conversion is done.
    QCOMPARE(int(chip.registerValue(0xF4)), (2 << 5) | (5 << 2));

    writeRegs(chip, {{0xF2, 0x00}});
    QCOMPARE(int(chip.registerValue(0xF2)), 0x00);
    writeRegs(chip, {{0xF4, (2 << 5) | (5 << 2)}}); // sleep: latches, measures nothing
    QCOMPARE(chip.measurementCount(), 1);
    writeRegs(chip, {{0xF4, (2 << 5) | (5 << 2) | 1}});
    QCOMPARE(rawHumidity(chip), 0x8000u); // skipped

    // A warmer chip gives a larger raw temperature; a skipped one reads 0x80000.
    const quint32 cool = rawTemperature(chip);
    chip.setConditions(35.0, 101325, 45);
    writeRegs(chip, {{0xF4, (2 << 5) | (5 << 2) | 1}});
    QVERIFY(rawTemperature(chip) > cool);
    writeRegs(chip, {{0xF4, (5 << 2) | 1}});
    QCOMPARE(rawTemperature(chip), 0x80000u);

    // Normal mode keeps converting: each read of the results is a fresh one.
    writeRegs(chip, {{0xF4, (2 << 5) | (5 << 2) | 3}});
    const int before = chip.measurementCount();
    readRegs(chip, 0xF7, 8);
    readRegs(chip, 0xF7, 8);
    QCOMPARE(chip.measurementCount(), before + 2);
    QCOMPARE(int(chip.registerValue(0xF4)) & 3, 3);
}

void TestSimulatedBme280::absentChip()
{
    SimulatedBme280 chip;
    chip.setAbsent(true);
    QCOMPARE(readRegs(chip, 0xD0, 1), std::vector<unsigned char>{0xFF});
    writeRegs(chip, {{0xE0, 0xB6}});
    QCOMPARE(chip.resetCount(), 0);
    chip.setAbsent(false);
    QCOMPARE(readRegs(chip, 0xD0, 1), std::vector<unsigned char>{0x60});
    unsigned char byte = 0;
    QCOMPARE(chip.transfer(&byte, &byte, 0), -1);
}

QTEST_GUILESS_MAIN(TestSimulatedBme280)
#include "tst_simulated_bme280.moc"
