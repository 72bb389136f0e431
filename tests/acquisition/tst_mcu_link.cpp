// The MCU link against the simulated controller: handshake, board counts,
// register sequences on the wire, batching, error paths and buffer limits.
#include "DynoRegisterNames.h"
#include "FirmwareUpdaterWorker.h"
#include "HwInfo.h"
#include "LinkFixture.h"
#include "LogCapture.h"
#include "MySettings.h"
#include "RecordingCommandRunner.h"
#include "SimulatedFirmwareImage.h"
#include "SystemCommandRunner.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <QTest>

#include <cstring>
#include <sched.h>
#include <thread>

namespace {

uint32_t bitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

QByteArray hex(const std::array<uint8_t, 6>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), 6).toHex(' ');
}

QList<uint32_t> valuesOf(const QList<SpiDynoFrame>& frames)
{
    QList<uint32_t> values;
    for (const SpiDynoFrame& f : frames)
        values.append(f.value);
    return values;
}

QList<SimulatedDynoController::TraceEntry> traceOf(const SimulatedDynoController& sim, uint8_t reg)
{
    QList<SimulatedDynoController::TraceEntry> entries;
    for (const auto& e : sim.trace())
        if (e.reg == reg)
            entries.append(e);
    return entries;
}

// Closes every notice at once, as an operator who clicks OK would, and keeps what it showed.
struct NoticeRecorder {
    QObject context;
    QStringList fatal;
    int crc = 0;
    int crcMcu = 0;

    explicit NoticeRecorder(McuThread* link)
    {
        QObject::connect(link, &McuThread::signal_fatalError, &context, [this, link](const QString& message) {
            fatal.append(message);
            link->noticeClosed(McuThread::Notice::FatalError);
        });
        QObject::connect(link, &McuThread::signal_crcError, &context, [this, link] {
            ++crc;
            link->noticeClosed(McuThread::Notice::CrcError);
        });
        QObject::connect(link, &McuThread::signal_crcErrorMcu, &context, [this, link] {
            ++crcMcu;
            link->noticeClosed(McuThread::Notice::CrcErrorMcu);
        });
    }
};

// Records what the link sends; answers with null frames, or with endless data.
class RecordingTransport : public SpiTransport
{
public:
    int transfer(const unsigned char* tx, unsigned char* rx, int length) override
    {
        sent.append(QByteArray(reinterpret_cast<const char*>(tx), length));
        for (int i = 0; i < length / 6; ++i) {
            if (flood)
                SimulatedDynoController::encodeFrame(67, counter++, rx + 6 * i);
            else
                std::memset(rx + 6 * i, 0, 6);
        }
        return length;
    }
    QList<QByteArray> sent;
    bool flood = false;
    uint32_t counter = 0;
};

class FailingTransport : public SpiTransport
{
public:
    int transfer(const unsigned char*, unsigned char*, int) override { return -1; }
};

QString makeImage(const QTemporaryDir& dir, const QString& version, int pageSize = 64, int pages = 2)
{
    const QString path = dir.filePath(QStringLiteral("image-%1.bin").arg(qHash(version)));
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(SimulatedFirmwareImage::build(version, pageSize, pages, 7));
    file.commit();
    return path;
}

} // namespace

class TestMcuLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void handshakeConfirmsWithinOneSecond();
    void boardCountsFollowTheDeviceCode_data();
    void boardCountsFollowTheDeviceCode();
    void unsupportedBoardEndsTheProgramBeforeAnythingIsSized();
    void secondHardwareVersionIsIgnored();
    void versionCheck_data();
    void versionCheck();
    void silentControllerEndsTheProgram();
    void brokenBusIsLoggedAtALimitedRate();
    void nothingIsTransferredWithoutPollingOrWrites();
    void oneTickInBatches();
    void onlyControlFramesBeforeConfirmation();
    void queuedWritesOnTheWire();
    void queuedWritesLeaveInOrderInBatches();
    void configurationMemoryAndTargets();
    void canFramesBothWays();
    void statusRequestsSyncAndSelfTest();
    void userPageWordsSurviveARestart();
    void crcErrorInFifthFrameOfABatch();
    void noticesOneAtATimeWhileFramesFlow();
    void controllerFlags();
    void systemPerformanceThresholds();
    void textsAreCapped();
    void inputBufferOverflowIsCountedNotWrapped();
    void outputQueueOverflowIsCountedNotWrapped();
    void longLoopPauseIsLogged();
    void pinningAndPriority();
};

void TestMcuLink::handshakeConfirmsWithinOneSecond()
{
    LinkFixture f;
    QElapsedTimer clock;
    clock.start();
    f.start();
    QVERIFY(f.waitConfirmed(1000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(f.link->firmwareConfirmed);

    // The request is the first frame the controller sees; until the version
    // is confirmed frames travel one at a time, afterwards in 192-byte batches.
    const auto trace = f.sim->trace();
    QVERIFY(!trace.isEmpty());
    QCOMPARE(hex(trace.first().bytes), QByteArray("03 00 00 00 00 be"));
    QCOMPARE(trace.first().transferBytes, 6);
    QTRY_COMPARE(theHwInfo.serialNumber, 1042u);
    QCOMPARE(theHwInfo.revision, 'B');
    QTRY_VERIFY(f.sim->transfers() > 0);
    f.link->writeReg(DynoRegister::sync);
    QTRY_COMPARE(traceOf(*f.sim, 41).size(), 1);
    QCOMPARE(traceOf(*f.sim, 41).first().transferBytes, 192);
}

void TestMcuLink::boardCountsFollowTheDeviceCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QList<int>>("counts");
    // generation, lite, load cells, AIN, AIN controllers, MCU PWM, low-side,
    // relays, CAN buses, analog outputs, HP AIN, MCU freq slots, freq inputs,
    // rollers, switches, PWM bridges
    QTest::newRow("ZR5") << 0 << "ZR5" << QList<int>{1, 0, 4, 6, 6, 4, 4, 4, 2, 2, 8, 3, 2, 2, 4, 0};
    QTest::newRow("ZR5E4") << 1 << "ZR5E4" << QList<int>{1, 0, 4, 6, 6, 4, 4, 4, 2, 2, 8, 5, 4, 4, 4, 0};
    QTest::newRow("ZR5L") << 2 << "ZR5L" << QList<int>{1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 4, 3, 1, 1, 2, 0};
    QTest::newRow("ZR6") << 3 << "ZR6" << QList<int>{2, 0, 4, 12, 6, 4, 4, 4, 2, 4, 8, 6, 5, 4, 4, 4};
    QTest::newRow("ZR6L") << 4 << "ZR6L" << QList<int>{2, 1, 1, 1, 1, 2, 1, 1, 1, 1, 4, 3, 1, 1, 1, 0};
}

void TestMcuLink::boardCountsFollowTheDeviceCode()
{
    QFETCH(int, code);
    QFETCH(QString, label);
    QFETCH(QList<int>, counts);
    SimulatedControllerConfig config;
    config.deviceCode = code;
    LinkFixture f(config);
    f.start();
    QVERIFY(f.waitConfirmed());
    const HwInfo& hw = theHwInfo;
    const QList<int> actual{hw.generation,    int(hw.liteVariant),  hw.loadCells,     hw.analogInputs,
                            hw.analogInputControllers, hw.mcuPwmOutputs, hw.lowSideOutputs, hw.relayOutputs,
                            hw.canBuses,      hw.analogOutputs,     hw.hpAnalogInputs, hw.mcuFreqSlots,
                            hw.freqInputs,    hw.rollers,           hw.switchInputs,   int(hw.pwmBridges)};
    QCOMPARE(actual, counts);
    QCOMPARE(int(hw.deviceCode), code);
    QTRY_COMPARE(theSettings.value(QStringLiteral("deviceCode")).toString(), label);
}

void TestMcuLink::unsupportedBoardEndsTheProgramBeforeAnythingIsSized()
{
    SimulatedControllerConfig config;
    config.deviceCode = 7;
    config.firmwareVersion = QStringLiteral("ZMCU_OTHER");
    LinkFixture f(config);
    NoticeRecorder notices(f.link.get());
    bool updateOffered = false;
    connect(f.link->firmwareUpdater, &FirmwareUpdaterWorker::signal_showUI, &notices.context,
            [&] { updateOffered = true; });
    f.start();
    QTRY_COMPARE(notices.fatal.size(), 1);
    QVERIFY(notices.fatal.first().contains(QStringLiteral("Unsupported controller board")));
    QVERIFY(notices.fatal.first().contains(QStringLiteral("7")));
    QTRY_COMPARE(f.endings().size(), 1);
    QTest::qWait(50);
    QVERIFY(!f.confirmed);
    QVERIFY(!f.link->firmwareConfirmed);
    QVERIFY(!updateOffered);
    QCOMPARE(theHwInfo.loadCells, 0);
    QCOMPARE(theHwInfo.rollers, 0);
}

void TestMcuLink::secondHardwareVersionIsIgnored()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    LogCapture log;
    f.sim->sendFrame(12, 2);
    QTRY_COMPARE(log.count(QStringLiteral("received after the firmware was confirmed; ignored")), 1);
    QCOMPARE(int(theHwInfo.deviceCode), 3);
    QCOMPARE(theHwInfo.rollers, 4);
}

void TestMcuLink::versionCheck_data()
{
    QTest::addColumn<QString>("imageVersion");
    QTest::addColumn<QString>("runningVersion");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("closesDialog");
    QTest::newRow("same version") << "ZMCU_3.1.4" << "ZMCU_3.1.4" << true << true;
    // Four characters fill a frame; the text ends with the next frame.
    QTest::newRow("four characters") << "ABCD" << "ABCD" << true << true;
    // A developer build is accepted as it is, without closing an open dialog.
    QTest::newRow("developer build") << "ZMCU_3.1.4" << "DEBUG_ZMCU_3.2-rc" << true << false;
    QTest::newRow("lower-case debug") << "ZMCU_3.1.4" << "debug_ZMCU" << false << false;
    QTest::newRow("other version") << "ZMCU_3.1.4" << "ZMCU_3.1.3" << false << false;
    QTest::newRow("prefix only") << "ZMCU_3.1.4" << "ZMCU_3.1" << false << false;
}

void TestMcuLink::versionCheck()
{
    QFETCH(QString, imageVersion);
    QFETCH(QString, runningVersion);
    QFETCH(bool, confirmed);
    QFETCH(bool, closesDialog);
    QTemporaryDir dir;
    SimulatedControllerConfig config;
    config.firmwareVersion = runningVersion;
    LinkFixture f(config, makeImage(dir, imageVersion));
    QStringList shownVersions;
    bool showUi = false;
    bool closeUi = false;
    QObject context;
    connect(f.link->firmwareUpdater, &FirmwareUpdaterWorker::signal_closeUI, &context, [&] { closeUi = true; });
    connect(f.link->firmwareUpdater, &FirmwareUpdaterWorker::signal_currentFirmware, &context,
            [&](const QString& text) { shownVersions.append(text); });
    connect(f.link->firmwareUpdater, &FirmwareUpdaterWorker::signal_showUI, &context, [&] { showUi = true; });
    f.start();
    QTRY_VERIFY(f.confirmed || showUi);
    QCOMPARE(f.confirmed, confirmed);
    QCOMPARE(bool(f.link->firmwareConfirmed), confirmed);
    QCOMPARE(showUi, !confirmed);
    QTRY_COMPARE(shownVersions, QStringList{runningVersion});
    QCOMPARE(closeUi, closesDialog);
}

void TestMcuLink::silentControllerEndsTheProgram()
{
    SimulatedControllerConfig config;
    config.silent = true;
    LinkFixture f(config);
    NoticeRecorder notices(f.link.get());
    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    f.start();
    QTRY_COMPARE_WITH_TIMEOUT(f.endings().size(), 1, 3000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 950 && elapsed < 2000, qPrintable(QString::number(elapsed)));
    QCOMPARE(notices.fatal, QStringList{QStringLiteral("No device info received from MCU.")});
    QCOMPARE(f.endings(), QStringList{QStringLiteral("No device info received from MCU.")});
    QCOMPARE(log.count(QStringLiteral("no device info")), 1);
    QVERIFY(!f.confirmed);
}

void TestMcuLink::brokenBusIsLoggedAtALimitedRate()
{
    FailingTransport bus;
    McuThread::setProgramEnder([](const QString&) {});
    LogCapture log;
    McuThread link(&bus);
    QStringList fatal;
    QObject context;
    connect(&link, &McuThread::signal_fatalError, &context, [&](const QString& message) {
        fatal.append(message);
        link.noticeClosed(McuThread::Notice::FatalError);
    });
    link.start();
    link.polling = true;
    QTRY_COMPARE_WITH_TIMEOUT(fatal.size(), 1, 3000);
    QCOMPARE(fatal.first(), QStringLiteral("No device info received from MCU."));
    // About two thousand failed transfers in that second, two reports.
    const int reports = log.count(QStringLiteral("SPI ioctl error. Bytes written:"));
    QVERIFY2(reports >= 1 && reports <= 2, qPrintable(QString::number(reports)));
    QCOMPARE(log.count(QStringLiteral("MCU SPI R/W error")), reports);
    link.quit();
    link.wait();
    McuThread::setProgramEnder(nullptr);
}

void TestMcuLink::nothingIsTransferredWithoutPollingOrWrites()
{
    LinkFixture f;
    f.start(false);
    QTest::qWait(60);
    QCOMPARE(f.sim->transfers(), 0u);
    f.link->writeReg(DynoRegister::sync);
    QTRY_COMPARE(f.sim->transfers(), 1u);
    QCOMPARE(f.sim->trace().first().transferBytes, 6);
    QCOMPARE(f.sim->trace().first().reg, uint8_t(41));
}

void TestMcuLink::oneTickInBatches()
{
    // The link's tick run by hand, on a bus that records every transfer.
    RecordingTransport bus;
    McuThread link(&bus);
    link.firmwareConfirmed = true;
    link.deviceInfoPending = false;
    link.polling = true;
    for (uint32_t i = 1; i <= 40; ++i)
        link.writeReg(DynoRegister::pwmArgument1, i);
    link.slot_swapOutputBuffer();
    link.slot_processBuffers();
    // Frames 1..32, then 33..40 completed by nulls, then the null batch.
    QCOMPARE(bus.sent.size(), 3);
    for (const QByteArray& batch : bus.sent)
        QCOMPARE(batch.size(), 192);
    for (int i = 0; i < 64; ++i) {
        const QByteArray frame = bus.sent[i / 32].mid(6 * (i % 32), 6);
        if (i < 40) {
            QCOMPARE(uint8_t(frame[0]), uint8_t(114));
            QCOMPARE(uint8_t(frame[4]), uint8_t(i + 1));
        } else {
            QCOMPARE(frame, QByteArray(6, '\0'));
        }
    }
    QCOMPARE(bus.sent[2], QByteArray(192, '\0'));
    QCOMPARE(link.getTxBufferFill(), 0);

    // A controller that always has 32 frames: the tick stops once it holds 3000.
    bus.sent.clear();
    bus.flood = true;
    link.slot_processBuffers();
    QCOMPARE(bus.sent.size(), 94);
    QCOMPARE(link.framesReceived.load(), 3008u);
}

void TestMcuLink::onlyControlFramesBeforeConfirmation()
{
    SimulatedControllerConfig config;
    config.firmwareVersion = QStringLiteral("ZMCU_OLD");
    LinkFixture f(config);
    NoticeRecorder notices(f.link.get());
    f.start();
    QTRY_VERIFY(f.sim->deviceInfoRequests() == 1 && !f.link->firmwareConfirmed);
    QTest::qWait(30);
    LogCapture log;
    const auto damaged = [](uint8_t reg) {
        QByteArray frame(6, '\0');
        frame[0] = char(reg);
        frame[4] = 1;
        frame[5] = char(SimulatedDynoController::frameCrc(reinterpret_cast<const unsigned char*>(frame.constData())) ^ 0xFF);
        return frame;
    };
    // Registers above the control range are dropped unchecked: a damaged
    // frequency frame raises nothing, a sync echo or data frame is not kept.
    f.sim->sendRawFrame(reinterpret_cast<const unsigned char*>(damaged(55).constData()));
    f.sim->sendFrame(67, 5);
    f.sim->sendFrame(41, 0);
    f.sim->sendFrame(8, 0);
    QTRY_COMPARE(f.receivedOf(DynoRegister::flag_startOfTransmission).size(), 2); // at boot, and ours
    QTest::qWait(30);
    QVERIFY(f.receivedOf(DynoRegister::freq1_frequency).isEmpty());
    QVERIFY(f.receivedOf(DynoRegister::ain1_2).isEmpty());
    QVERIFY(f.receivedOf(DynoRegister::sync).isEmpty());
    QCOMPARE(notices.crc, 0);
    QCOMPARE(log.count(QStringLiteral("frame crc error")), 0);

    // Control frames are checked.
    f.sim->sendRawFrame(reinterpret_cast<const unsigned char*>(damaged(8).constData()));
    QTRY_COMPARE(notices.crc, 1);
    for (const auto& e : f.sim->trace())
        QCOMPARE(e.transferBytes, 6);
}

void TestMcuLink::queuedWritesOnTheWire()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    f.link->setDeviceMode(DynoMode::idle);
    f.link->writeCachedReg(DynoRegister::bcTorqueTarget1, 0, 1.0f);
    f.link->writeReg(DynoRegister::sync);
    f.link->readUserPageWord(3);
    f.link->writeRegRaw(DynoRegister::bye, 0);
    QTRY_COMPARE(traceOf(*f.sim, 33).size(), 1);
    QCOMPARE(hex(traceOf(*f.sim, 44).first().bytes), QByteArray("2c 01 ac 00 00 64"));
    QCOMPARE(hex(traceOf(*f.sim, 45).first().bytes), QByteArray("2d 00 00 00 00 69"));
    QCOMPARE(hex(traceOf(*f.sim, 143).first().bytes), QByteArray("8f 3f 80 00 00 98"));
    QCOMPARE(hex(traceOf(*f.sim, 41).first().bytes), QByteArray("29 00 00 00 00 dc"));
    QCOMPARE(traceOf(*f.sim, 34).first().value, 3u);
    for (const auto& e : f.sim->trace())
        QVERIFY(e.crcOk);
}

void TestMcuLink::queuedWritesLeaveInOrderInBatches()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    f.sim->clearTrace();

    // Queued and committed in the link thread: no output swap can come between,
    // so the 40 frames leave as frames 1..32, then 33..40 padded with nulls.
    f.inLinkThread([&] {
        for (uint32_t i = 1; i <= 40; ++i)
            f.link->writeReg(DynoRegister::pwmArgument1, i);
        f.link->slot_commitWriteReg();
    });
    auto batched = traceOf(*f.sim, 114);
    QCOMPARE(batched.size(), 40);
    for (int i = 0; i < 40; ++i) {
        QCOMPARE(batched[i].value, uint32_t(i + 1));
        QCOMPARE(batched[i].transferBytes, 192);
        QCOMPARE(batched[i].slot, i % 32);
        QCOMPARE(batched[i].transfer, batched[0].transfer + quint64(i / 32));
    }

    // Queued from another thread, they leave with the ticks after the next
    // 10 ms swap: in order, packed from the start of each batch.
    f.sim->clearTrace();
    std::thread writer([&] {
        for (uint32_t i = 1; i <= 100; ++i)
            f.link->writeReg(DynoRegister::pwmArgument2, i);
    });
    writer.join();
    QTRY_COMPARE(traceOf(*f.sim, 115).size(), 100);
    const auto entries = traceOf(*f.sim, 115);
    QHash<quint64, int> perTransfer;
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].value, uint32_t(i + 1));
        QCOMPARE(entries[i].transferBytes, 192);
        QCOMPARE(entries[i].slot, perTransfer[entries[i].transfer]++);
    }
    QCOMPARE(f.link->getTxBufferFill(), 0);
}

void TestMcuLink::configurationMemoryAndTargets()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    f.link->setSetting(400, 7, 2);
    f.link->setSettingFloat(384, 12.5f, 1);
    f.link->setDeviceMode(DynoMode::lockSpeed);
    f.link->setAbsorberLock(true);
    f.link->writeCachedReg(DynoRegister::bcRotSpeedTarget1, 3, -4.25f);
    f.link->writeCachedReg(DynoRegister::engineSpeedVP, 0, std::numeric_limits<float>::quiet_NaN());
    QTRY_COMPARE(f.sim->target(150), bitsOf(-4.25f));
    uint32_t word = 0;
    QVERIFY(f.sim->configWord(400, 2, &word));
    QCOMPARE(word, 7u);
    QVERIFY(f.sim->configWord(384, 1, &word));
    QCOMPARE(word, bitsOf(12.5f));
    QVERIFY(f.sim->configWord(1712, 0, &word));
    QCOMPARE(word, 3u);
    QVERIFY(f.sim->configWord(1716, 0, &word));
    QCOMPARE(word, 1u);
    QVERIFY(std::isnan([&] {
        float v;
        const uint32_t bits = f.sim->target(142);
        std::memcpy(&v, &bits, 4);
        return v;
    }()));
}

void TestMcuLink::canFramesBothWays()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    const uint8_t data[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

    // An identifier beyond 29 bits loses its top bits; bus 1 is bit 31.
    f.link->sendCanData(1, 0xE00001F0u, data);
    QTRY_COMPARE(f.sim->sentCanFrames().size(), 1);
    const auto sent = f.sim->sentCanFrames().first();
    QCOMPARE(sent.bus, 1);
    QCOMPARE(sent.identifier, 0x1F0u);
    QCOMPARE(sent.data.toHex(), QByteArray("0102030405060708"));
    QCOMPARE(traceOf(*f.sim, 49).first().value, 0x800001F0u);

    // Received: data byte 0 in the top byte of canData0, values in host order.
    f.sim->injectCanFrame(0, 0x123, data, 777);
    QTRY_COMPARE(f.receivedOf(DynoRegister::canId).size(), 1);
    QCOMPARE(f.receivedOf(DynoRegister::canData0).first().value, 0x01020304u);
    QCOMPARE(f.receivedOf(DynoRegister::canData1).first().value, 0x05060708u);
    QCOMPARE(f.receivedOf(DynoRegister::canTimestamp).first().value, 777u);
    QCOMPARE(f.receivedOf(DynoRegister::canId).first().value, 0x123u);
}

void TestMcuLink::statusRequestsSyncAndSelfTest()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    // A scripted change of the bus states is reported at once, unasked; a
    // request reports them again.
    f.sim->setCanStatus(1, 3);
    QTRY_COMPARE(f.receivedOf(DynoRegister::canBus1Status).size(), 1);
    QCOMPARE(f.receivedOf(DynoRegister::canBus0Status).size(), 1);
    f.link->writeReg(DynoRegister::canBus0Status);
    QTRY_COMPARE(f.receivedOf(DynoRegister::canBus1Status).size(), 2);
    QCOMPARE(f.receivedOf(DynoRegister::canBus0Status).size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(f.receivedOf(DynoRegister::canBus0Status).at(i).value, 1u);
        QCOMPARE(f.receivedOf(DynoRegister::canBus1Status).at(i).value, 3u);
    }

    f.link->writeReg(DynoRegister::sync);
    QTRY_COMPARE(f.receivedOf(DynoRegister::sync).size(), 1);
    f.sim->setSyncEchoSuppressed(true);
    f.link->writeReg(DynoRegister::sync);
    QTRY_COMPARE(f.sim->syncRequests(), 2);
    QTest::qWait(50);
    QCOMPARE(f.receivedOf(DynoRegister::sync).size(), 1);

    QVERIFY(f.link->runSelfTest());
    QVERIFY(f.link->selfTestRunning);
    QVERIFY(f.link->runSelfTest());
    QTRY_VERIFY_WITH_TIMEOUT(!f.link->selfTestRunning, 2000);
    QCOMPARE(traceOf(*f.sim, 42).size(), 1);
    QVERIFY(f.receivedOf(DynoRegister::selftest).isEmpty());
}

void TestMcuLink::userPageWordsSurviveARestart()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("userPage.txt"));
    {
        LinkFixture f(SimulatedControllerConfig(), QStringLiteral(":/firmware/current"), file);
        f.start();
        QVERIFY(f.waitConfirmed());
        f.link->writeUserPageWord(2, 1234);
        f.link->writeUserPageWord(7, 0xDEADBEEF);
        f.link->slot_commitUserPageWrite();
        QTRY_VERIFY(QFile::exists(file));
        f.link->writeUserPageWord(4, 55); // never committed
    }
    LinkFixture f(SimulatedControllerConfig(), QStringLiteral(":/firmware/current"), file);
    f.start();
    QVERIFY(f.waitConfirmed());
    for (UserPageWordId id : {2, 7, 4})
        f.link->readUserPageWord(id);
    QTRY_COMPARE(f.receivedOf(DynoRegister::readUserPageWord).size(), 3);
    // Each value comes first, then the id it belongs to.
    QList<uint32_t> pairs;
    for (const SpiDynoFrame& frame : f.received)
        if (frame.reg == DynoRegister::userPageWord || frame.reg == DynoRegister::readUserPageWord)
            pairs.append(frame.value);
    QCOMPARE(pairs, (QList<uint32_t>{1234, 2, 0xDEADBEEF, 7, 0xFFFFFFFF, 4}));
}

void TestMcuLink::crcErrorInFifthFrameOfABatch()
{
    LinkFixture f;
    NoticeRecorder notices(f.link.get());
    f.start();
    QVERIFY(f.waitConfirmed());
    QTest::qWait(30);
    f.received.clear();
    LogCapture log;

    QList<QPair<uint8_t, uint32_t>> frames;
    for (uint32_t i = 1; i <= 32; ++i)
        frames.append({67, i});
    f.sim->corruptCrcOfFrame(5);
    f.sim->sendFrames(frames);
    QTRY_COMPARE(notices.crc, 1);
    QTest::qWait(40);
    // Frames 1..4 are kept, the damaged one and the rest of its batch are not.
    QCOMPARE(valuesOf(f.receivedOf(DynoRegister::ain1_2)), (QList<uint32_t>{1, 2, 3, 4}));
    QCOMPARE(log.count(QStringLiteral("frame crc error")), 1);
    QCOMPARE(log.count(QStringLiteral("calculated CRC")), 1);

    // The link goes on.
    f.sim->sendFrames({{67, 100}, {67, 101}});
    QTRY_COMPARE(f.receivedOf(DynoRegister::ain1_2).size(), 6);
    QCOMPARE(valuesOf(f.receivedOf(DynoRegister::ain1_2)).mid(4), (QList<uint32_t>{100, 101}));
    QCOMPARE(notices.crc, 1);
}

void TestMcuLink::noticesOneAtATimeWhileFramesFlow()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    int boxes = 0;
    int depth = 0;
    int maxDepth = 0;
    bool writeReachedController = false;
    bool dataArrived = false;
    QObject context;
    connect(f.link.get(), &McuThread::signal_crcError, &context, [&] {
        ++boxes;
        maxDepth = std::max(maxDepth, ++depth);
        if (boxes == 1) {
            // While this box is open: two more CRC errors, a register write and data.
            f.sim->corruptCrcOfFrame(1);
            f.sim->sendFrames({{67, 10}, {67, 11}});
            QTest::qWait(50);
            f.sim->corruptCrcOfFrame(1);
            f.sim->sendFrames({{67, 12}, {67, 13}});
            QTest::qWait(30);
            f.link->writeCachedReg(DynoRegister::bcTorqueTarget1, 0, 0.5f);
            f.sim->sendFrames({{67, 7}, {67, 8}});
            QTest::qWait(250);
            writeReachedController = f.sim->target(143) == bitsOf(0.5f);
            const QList<uint32_t> values = valuesOf(f.receivedOf(DynoRegister::ain1_2));
            dataArrived = values.contains(7) && values.contains(8);
        }
        --depth;
        f.link->noticeClosed(McuThread::Notice::CrcError);
    });
    f.sim->corruptCrcOfFrame(1);
    f.sim->sendFrames({{67, 1}, {67, 2}});
    QTRY_COMPARE_WITH_TIMEOUT(boxes, 2, 3000);
    QTest::qWait(150);
    QCOMPARE(boxes, 2);
    QCOMPARE(maxDepth, 1);
    QVERIFY(writeReachedController);
    QVERIFY(dataArrived);
}

void TestMcuLink::controllerFlags()
{
    LinkFixture f;
    NoticeRecorder notices(f.link.get());
    f.start();
    QVERIFY(f.waitConfirmed());
    LogCapture log;

    f.sim->reportOutputBufferFull();
    QTRY_COMPARE(notices.fatal, QStringList{QStringLiteral("SPI overloaded (MCU->RPI)")});
    QCOMPARE(log.count(QStringLiteral("SPI Output buffer full flag (MCU->RPI)")), 1);

    f.sim->reportInputBufferFull();
    f.sim->reportInputBufferFull();
    QTRY_COMPARE(log.count(QStringLiteral("SPI Input buffer full flag (RPI->MCU)")), 1);

    f.sim->rejectNextBoardFrame();
    f.link->writeReg(DynoRegister::sync);
    QTRY_COMPARE(notices.crcMcu, 1);
    QTRY_COMPARE(f.receivedOf(DynoRegister::flag_mcuSideCrcError).size(), 1);

    QTest::qWait(50);
    QVERIFY(f.endings().isEmpty());
    QCOMPARE(notices.crc, 0);
}

void TestMcuLink::systemPerformanceThresholds()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    LogCapture log;
    struct Row {
        uint32_t average;
        uint32_t peak;
        int stack;
        bool logged;
    };
    const Row rows[] = {{80, 91, 256, false}, {81, 92, 256, true}, {80, 93, 255, true}, {10, 94, -1, true}};
    for (const Row& r : rows)
        f.sim->sendFrame(51, (r.average << 24) | (r.peak << 16) | (uint32_t(r.stack) & 0xFFFF));
    QTRY_COMPARE(log.count(QStringLiteral("MCU peak load:")), 3);
    for (const Row& r : rows)
        QCOMPARE(log.count(QStringLiteral("MCU peak load:  %1 %").arg(r.peak)), r.logged ? 1 : 0);
    QVERIFY(f.received.isEmpty() || f.receivedOf(DynoRegister::systemPerformance).isEmpty());
}

void TestMcuLink::textsAreCapped()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    LogCapture log;
    QList<QPair<uint8_t, uint32_t>> frames;
    for (int i = 0; i < 100; ++i)
        frames.append({38, 0x41414141});
    frames.append({38, 0});
    f.sim->sendFrames(frames);
    QTRY_COMPARE(log.count(QStringLiteral("MCU Debug: ")), 1);
    const QString line = log.messages().filter(QStringLiteral("MCU Debug: ")).first();
    QCOMPARE(line, QStringLiteral("MCU Debug: ") + QString(McuThread::textCapacity, QLatin1Char('A')));
    QCOMPARE(log.count(QStringLiteral("characters; the rest is dropped")), 1);
}

void TestMcuLink::inputBufferOverflowIsCountedNotWrapped()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    f.drainTimer.stop();
    LogCapture log;
    const quint64 droppedBefore = f.sim->framesDropped();
    f.sim->setStreamRate(400);
    QTRY_VERIFY_WITH_TIMEOUT(f.link->inputFramesLost > 1000, 5000);
    f.sim->setStreamRate(0);
    QCOMPARE(log.count(QStringLiteral("MCU input buffer full")), 1);

    // The buffer handed over first is still held; the one behind it is full
    // and holds the frames that came first, in order, none overwritten. A
    // link slower than the stream (a loaded machine, a sanitizer) leaves
    // frames to the controller, which drops them: gaps, as many as it
    // dropped, never a frame twice or out of order.
    McuThreadFrameBuffer* first = f.link->acquireInput();
    QVERIFY(first);
    QList<uint32_t> firstValues;
    for (int i = 0; i < first->count; ++i)
        if (first->frames[i].reg == DynoRegister::ain1_2)
            firstValues.append(first->frames[i].value);
    f.link->releaseInput(first);
    McuThreadFrameBuffer* full = nullptr;
    QTRY_VERIFY((full = f.link->acquireInput()) != nullptr);
    QCOMPARE(full->count, McuThreadFrameBuffer::capacity);
    uint32_t expected = firstValues.isEmpty() ? 0 : firstValues.last() + 1;
    int dataFrames = 0;
    quint64 gaps = 0;
    for (int i = 0; i < full->count; ++i) {
        if (full->frames[i].reg != DynoRegister::ain1_2)
            continue;
        const uint32_t value = full->frames[i].value;
        QVERIFY2(value >= expected, qPrintable(QStringLiteral("%1 after %2").arg(value).arg(expected)));
        gaps += value - expected;
        expected = value + 1;
        ++dataFrames;
    }
    QVERIFY(dataFrames > McuThreadFrameBuffer::capacity - 100);
    QVERIFY2(gaps <= f.sim->framesDropped() - droppedBefore,
             qPrintable(QStringLiteral("%1 frames missing, %2 dropped by the controller")
                            .arg(gaps)
                            .arg(f.sim->framesDropped() - droppedBefore)));
    f.link->releaseInput(full);
}

void TestMcuLink::outputQueueOverflowIsCountedNotWrapped()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    f.sim->clearTrace();
    LogCapture log;
    const int capacity = McuThreadFrameBuffer::capacity;
    f.inLinkThread([&] {
        for (int i = 0; i < capacity + 100; ++i)
            f.link->writeReg(DynoRegister::pwmArgument3, uint32_t(i));
        f.link->slot_commitWriteReg();
    });
    QCOMPARE(f.link->outputFramesLost.load(), 100u);
    QCOMPARE(log.count(QStringLiteral("MCU output queue full")), 1);
    const auto sent = traceOf(*f.sim, 116);
    QCOMPARE(sent.size(), capacity);
    for (int i = 0; i < capacity; ++i)
        QCOMPARE(sent[i].value, uint32_t(i));
}

void TestMcuLink::longLoopPauseIsLogged()
{
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    LogCapture log;
    f.inLinkThread([] { QThread::msleep(160); });
    QTRY_COMPARE(log.count(QStringLiteral("high SPI loop delay: ")), 1);
    QVERIFY(f.link->peakLoopDelayUs >= 150000);
}

void TestMcuLink::pinningAndPriority()
{
    auto* runner = dynamic_cast<RecordingCommandRunner*>(SystemCommandRunner::instance());
    QVERIFY(runner);
    runner->clear();
    SystemCommandResult pgrep;
    pgrep.started = true;
    pgrep.exitCode = 0;
    pgrep.standardOutput = " 4321\n999\n";
    runner->script(QStringLiteral("pgrep"), pgrep);
    LogCapture log;
    LinkFixture f;
    f.start();
    QVERIFY(f.waitConfirmed());
    const QStringList lines = runner->commandLines();
    QVERIFY(lines.contains(QStringLiteral("pgrep spi1")));
    QVERIFY2(lines.contains(QStringLiteral("sudo taskset -p -c 3 4321")), qPrintable(lines.join(QLatin1Char('|'))));
    // Without root the priority goes through sudo; as root it is set directly.
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("sudo renice")))
            QCOMPARE(line, QStringLiteral("sudo renice -n -10 -p %1").arg(f.link->linkThreadId.load()));

    cpu_set_t set;
    CPU_ZERO(&set);
    QCOMPARE(sched_getaffinity(f.link->linkThreadId, sizeof set, &set), 0);
    if (std::thread::hardware_concurrency() >= 4 && log.count(QStringLiteral("Error setting MCUThread affinity")) == 0) {
        QCOMPARE(CPU_COUNT(&set), 1);
        QVERIFY(CPU_ISSET(3, &set));
    } else {
        // Fewer cores: logged, and the link runs on whatever it may use.
        QCOMPARE(log.count(QStringLiteral("Error setting MCUThread affinity")), 1);
    }
}

QTEST_GUILESS_MAIN(TestMcuLink)
#include "tst_mcu_link.moc"
