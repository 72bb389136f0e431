// The OBD adapter on a USB-serial chip through our usbserial library: the
// chip on the simulated USB bus, with the simulated ELM327 adapter on its
// serial side.
#include "LogCapture.h"
#include "SimulatedObdAdapter.h"
#include "SimulatedSerialPeer.h"
#include "SimulatedUsbSerialBus.h"
#include "SimulatedUsbSerialChip.h"
#include "UsbSerialObdInterface.h"

#include <QSignalSpy>
#include <QTest>

#include <mutex>

namespace {

// Answers every command line the chip sends out with the adapter's reply,
// optionally cut in two deliveries.
class ElmPeer : public SimulatedSerialPeer
{
public:
    SimulatedObdAdapter adapter;
    bool split = false;

    double baudRate() const override { return 38400.0; }
    void receiveFromChip(SimulatedUsbSerialChip& chip, int port, const std::vector<uint8_t>& bytes) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        for (qsizetype cr = pending.indexOf('\r'); cr >= 0; cr = pending.indexOf('\r')) {
            const QByteArray line = pending.left(cr);
            pending.remove(0, cr + 1);
            const QByteArray reply = adapter.handleCommand(line);
            const qsizetype half = split ? reply.size() / 2 : reply.size();
            chip.sendFromPeer(port, std::vector<uint8_t>(reply.begin(), reply.begin() + half));
            if (half < reply.size())
                chip.sendFromPeer(port, std::vector<uint8_t>(reply.begin() + half, reply.end()));
        }
    }

private:
    std::mutex mutex;
    QByteArray pending;
};

SimulatedUsbSerialChipConfig chipConfig(const QString& serial, const QString& product, uint8_t address)
{
    SimulatedUsbSerialChipConfig c;
    c.bcdDevice = 0x0600;
    c.serial = serial;
    c.product = product;
    c.interfaces = 1;
    c.packetSize = 64;
    c.address = address;
    return c;
}

} // namespace

class TestUsbSerialObd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void listsOpensAndTalks();
    void failuresLeaveNoDevice_data();
    void failuresLeaveNoDevice();
    void unplugDuringUseResets();

private:
    ElmPeer peer;
};

void TestUsbSerialObd::cleanup()
{
    SimulatedUsbSerialBus::instance().unplugAll();
}

void TestUsbSerialObd::listsOpensAndTalks()
{
    SimulatedUsbSerialChip* first = SimulatedUsbSerialBus::instance().plug(chipConfig("OBD1234", "OBD adapter", 21));
    SimulatedUsbSerialBus::instance().plug(chipConfig("XY99", "Other chip", 22));
    first->attachPeer(0, &peer);
    QCOMPARE(UsbSerialObdInterface::listDevices(),
             (QStringList {QStringLiteral("OBD1234 = OBD adapter"), QStringLiteral("XY99 = Other chip")}));

    UsbSerialObdInterface transport;
    QSignalSpy connected(&transport, &AbstractObdInterface::signal_connectedSignal);
    QSignalSpy states(&transport, &AbstractObdInterface::signal_socketStateTxt);
    transport.slot_setDevice(QStringLiteral("OBD1234 = OBD adapter"));
    QCOMPARE(transport.deviceName(), QStringLiteral("OBD1234"));
    transport.slot_connectDevice();
    QVERIFY(transport.isConnected());
    QCOMPARE(connected.last().at(0).toBool(), true);
    QCOMPARE(states.last().at(0).toString(), QStringLiteral("USS_OK"));
    // Connecting again only repeats the state.
    transport.slot_connectDevice();
    QVERIFY(transport.isConnected());

    // A reply that arrives in pieces is read whole, up to the prompt.
    for (bool split : {false, true}) {
        peer.split = split;
        QVERIFY(transport.writeData("ATI\r"));
        qint64 elapsed = 0;
        const QByteArray reply = transport.readData(2000, elapsed);
        QVERIFY2(reply.endsWith('>'), reply.constData());
        QVERIFY2(reply.contains("ELM327"), reply.constData());
    }
    peer.split = false;
    QVERIFY(transport.writeData("010C\r"));
    qint64 elapsed = 0;
    const QByteArray rpm = transport.readData(2000, elapsed);
    QVERIFY2(rpm.contains("41 0C") && rpm.endsWith('>'), rpm.constData());
    QVERIFY(peer.adapter.commandLog().contains("010C"));

    // A setting change closes the device.
    transport.slot_setDevice(QStringLiteral("XY99"));
    QVERIFY(!transport.isConnected());
    QCOMPARE(transport.deviceName(), QStringLiteral("XY99"));
    QCOMPARE(connected.last().at(0).toBool(), false);
    first->attachPeer(0, nullptr);
}

void TestUsbSerialObd::failuresLeaveNoDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("goingOn");
    QTest::addColumn<QString>("state");
    QTest::newRow("empty serial") << QString() << 38400 << QString() << QString();
    QTest::newRow("no such chip") << "NOPE" << 38400 << "USB-serial chip open by serial error" << "USS_DEVICE_NOT_FOUND";
    QTest::newRow("baud not a number") << "OBD1234 = OBD adapter" << 0 << "USB-serial chip init error" << "*";
}

void TestUsbSerialObd::failuresLeaveNoDevice()
{
    QFETCH(QString, device);
    QFETCH(int, baud);
    QFETCH(QString, goingOn);
    QFETCH(QString, state);
    SimulatedUsbSerialBus::instance().plug(chipConfig("OBD1234", "OBD adapter", 23));
    LogCapture log;
    UsbSerialObdInterface transport;
    transport.baudRate = baud;
    QSignalSpy errors(&transport, &AbstractObdInterface::signal_socketErrorTxt);
    QSignalSpy whats(&transport, &AbstractObdInterface::signal_whatsGoingOn);
    QSignalSpy states(&transport, &AbstractObdInterface::signal_socketStateTxt);
    transport.slot_setDevice(device);
    transport.slot_connectDevice();
    QVERIFY(!transport.isConnected());
    if (goingOn.isEmpty()) {
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().at(0).toString(), QStringLiteral("Device serial number empty"));
        return;
    }
    QCOMPARE(whats.last().at(0).toString(), goingOn);
    const QString last = states.last().at(0).toString();
    if (state == QLatin1String("*")) {
        // The refusing call is named in the log; the state shows its status.
        QCOMPARE(log.count(QStringLiteral("USS_SetBaudRate")), 1);
        QVERIFY(!last.isEmpty() && last != QLatin1String("USS_OK"));
        QVERIFY(states.size() >= 3);
        QCOMPARE(states.at(states.size() - 3).at(0).toString(), QStringLiteral("Reset issued"));
        QCOMPARE(states.at(states.size() - 2).at(0).toString(), QStringLiteral("Disconnected"));
    } else {
        QCOMPARE(last, state);
    }
    // Reading without a device says so and returns nothing.
    qint64 elapsed = -1;
    QVERIFY(transport.readData(100, elapsed).isEmpty());
    QCOMPARE(elapsed, qint64(-1));
    QCOMPARE(log.count(QStringLiteral("Reading from not connected UsbSerial interface")), 1);
    QVERIFY(!transport.writeData("ATZ\r"));
}

void TestUsbSerialObd::unplugDuringUseResets()
{
    SimulatedUsbSerialChip* chip = SimulatedUsbSerialBus::instance().plug(chipConfig("OBD1234", "OBD adapter", 24));
    chip->attachPeer(0, &peer);
    UsbSerialObdInterface transport;
    QSignalSpy connected(&transport, &AbstractObdInterface::signal_connectedSignal);
    transport.slot_setDevice(QStringLiteral("OBD1234"));
    transport.slot_connectDevice();
    QVERIFY(transport.isConnected());
    SimulatedUsbSerialBus::instance().unplug(chip);
    // The next exchange finds the chip gone: the link goes down, nothing is
    // returned, and a read never waits out its whole time-out on a dead chip.
    transport.writeData("ATI\r");
    qint64 elapsed = 0;
    QTRY_VERIFY_WITH_TIMEOUT(transport.readData(2000, elapsed).isEmpty() && !transport.isConnected(), 10000);
    QCOMPARE(connected.last().at(0).toBool(), false);
}

QTEST_GUILESS_MAIN(TestUsbSerialObd)
#include "tst_usbserial_obd.moc"
