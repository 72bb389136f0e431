// The KX4 tool against the simulated KX4 module: frames, scan,
// selection, settings, tests, tones, firmware update and its faults, and
// playNote from a worker thread while the GUI thread rescans.
#include "FieldBus.h"
#include "KX4Tool.h"
#include "Kx4TestBus.h"
#include "LinkFixture.h"
#include "LogCapture.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SimulatedDynoController.h"
#include "SimulatedKx4Module.h"
#include "WizardButton.h"

#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QThread>

#include <atomic>

namespace {

QByteArray frameBytes(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b));
    return out;
}

// Bytes 0-6 of a frame as the tool builds it, byte 7 the CRC.
QByteArray withCrc(QByteArray seven)
{
    seven.append(char(SimulatedKx4Module::frameCrc(reinterpret_cast<const uint8_t*>(seven.constData()))));
    return seven;
}

bool logHas(KX4Tool* tool, const QString& text)
{
    return tool->logPane->toPlainText().split(QLatin1Char('\n')).contains(text);
}

} // namespace

class TstKx4 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void frameBuilders();
    void toneWords_data();
    void toneWords();
    void scanSelectionAndSettings();
    void fanOutputAndCanTest();
    void badReplyCrcIsReportedAndUsed();
    void fullUpdate();
    void developerUpdateStartsAtPage32();
    void updateFaults_data();
    void updateFaults();
    void lateConfirmationSendsNothing();
    void pagePausesKeepTheGuiResponsive();
    void playNoteFromWorkerWhileRescanning();
    void moduleThroughTheSimulatedController();
    void wizardButtonOpensTheToolForItsBus();

private:
    KX4Tool* openTool(int modules = 1);
    std::unique_ptr<Kx4TestBus> bus;
    KX4Tool* tool = nullptr;
};

void TstKx4::init()
{
    theSettings.developerMode = false;
    KX4Tool::setPauseScale(0.0);
    bus = std::make_unique<Kx4TestBus>(0);
    bus->install();
}

void TstKx4::cleanup()
{
    delete tool;
    tool = nullptr;
    bus.reset();
    KX4Tool::setSender(nullptr);
    KX4Tool::setCommitter(nullptr);
    KX4Tool::setPauseScale(1.0);
}

KX4Tool* TstKx4::openTool(int modules)
{
    for (int i = 0; i < modules; ++i)
        bus->modules.append(std::make_shared<SimulatedKx4Module>(0, SimulatedKx4Module::firstSerialNumber + quint32(i)));
    tool = new KX4Tool(nullptr, 0);
    bus->tool = tool;
    return tool;
}

void TstKx4::frameBuilders()
{
    openTool(0);
    QCOMPARE(tool->windowTitle(), QStringLiteral("KX4 Tool (CAN 1)"));
    QCOMPARE(tool->size(), QSize(900, 700));
    // The scan went out at construction.
    QCOMPARE(bus->sentByTool().size(), 1);
    QCOMPARE(bus->sentByTool().first().identifier, 0x160u);
    QCOMPARE(bus->sentByTool().first().bytes, withCrc(frameBytes({0, 0, 0, 0, 10, 0, 0})));

    bus->clearFrames();
    tool->writeReg(KX4Register::talkingTo, 0x01020304u);
    tool->writeRegRaw(KX4Register::echo, 0x01020304u);
    tool->writeSetting(KX4Setting::currentRange, 4095);
    tool->getSetting(KX4Setting::outputChannel);
    KX4ConfigurationCanFrame custom;
    custom.bytes = {9, 8, 7, 6, 5, 4, 3, 0xEE};
    tool->writeConfigurationFrame(custom);
    const QList<Kx4TestBus::Frame> sent = bus->sentByTool();
    QCOMPARE(sent.size(), 5);
    QCOMPARE(sent[0].bytes, withCrc(frameBytes({1, 2, 3, 4, 11, 0, 0})));
    QCOMPARE(sent[1].bytes, withCrc(frameBytes({4, 3, 2, 1, 1, 0, 0})));
    QCOMPARE(sent[2].bytes, withCrc(frameBytes({0, 0, 0x0F, 0xFF, 12, 2, 0})));
    QCOMPARE(sent[3].bytes, withCrc(frameBytes({0, 0, 0, 0, 13, 1, 0})));
    QCOMPARE(sent[4].bytes, withCrc(frameBytes({9, 8, 7, 6, 5, 4, 3})));

    // Tools::crc8 and the module's own CRC agree (crcmod checks both in ref_kx4).
    KX4ConfigurationCanFrame f;
    f.bytes = {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0};
    QCOMPARE(f.computeCrc(), SimulatedKx4Module::frameCrc(f.bytes.data()));
}

void TstKx4::toneWords_data()
{
    QTest::addColumn<float>("frequency");
    QTest::addColumn<float>("duration");
    QTest::addColumn<float>("duty");
    QTest::addColumn<quint32>("word");
    QTest::newRow("test output") << 1000.0f << 1.5f << 0.05f << quint32(0x27100C4B);
    QTest::newRow("A4") << 440.0f << 0.5f << 0.5f << quint32((4400u << 16) | (127u << 8) | 25u);
    QTest::newRow("5.1 s gives 255") << 100.0f << 5.1f << 1.0f << quint32((1000u << 16) | (255u << 8) | 255u);
    QTest::newRow("capped at 5.1 s") << 100.0f << 60.0f << 0.0f << quint32((1000u << 16) | 255u);
    QTest::newRow("low 16 bits of f x 10") << 7000.0f << 0.1f << 0.2f
                                           << quint32(((70000u & 0xFFFF) << 16) | (51u << 8) | 5u);
}

void TstKx4::toneWords()
{
    QFETCH(float, frequency);
    QFETCH(float, duration);
    QFETCH(float, duty);
    QFETCH(quint32, word);
    QCOMPARE(KX4Tool::toneWord(frequency, duration, duty), word);
}

void TstKx4::scanSelectionAndSettings()
{
    openTool(2);
    bus->modules[1]->setWrongCheckPage(-1);
    QTRY_COMPARE(tool->deviceList->count(), 2);
    QCOMPARE(tool->deviceList->item(0)->text(), QStringLiteral("4001"));
    QCOMPARE(tool->deviceList->item(1)->text(), QStringLiteral("4002"));
    QCOMPARE(tool->deviceList->currentRow(), 0);
    QCOMPARE(tool->serialNumbers(), (QList<quint32>{4001, 4002}));
    QVERIFY(logHas(tool, QStringLiteral("KX4 serial number 4001")));

    // 1 s after the selection: talking to, firmware text, both settings.
    QTRY_VERIFY_WITH_TIMEOUT(logHas(tool, QStringLiteral("Talking to 4001")), 3000);
    QTRY_VERIFY(tool->upgradeButton->isEnabled());
    QVERIFY(logHas(tool, QStringLiteral("Firmware in device: ") + SimulatedKx4Module::defaultFirmwareText()));
    QVERIFY(logHas(tool, QStringLiteral("Available update: KX4_2.1.0_2024-03-18_10-15-00")));
    QTRY_VERIFY(logHas(tool, QStringLiteral("Assigned to channel 1")));
    QTRY_VERIFY(logHas(tool, QStringLiteral("Current range set to 100%")));

    // Assign to channel 3: setting 1 = 2, read back, box follows.
    tool->channelBox->setValue(3);
    const int commits = bus->commitCount();
    tool->assignButton->click();
    QTRY_VERIFY(logHas(tool, QStringLiteral("Assigned to channel 3")));
    QCOMPARE(bus->modules[0]->setting(1), 2u);
    QCOMPARE(bus->modules[1]->setting(1), 0u);
    QCOMPARE(tool->channelBox->value(), 3);
    QVERIFY(logHas(tool, QStringLiteral("Assign to channel 3")));
    QCOMPARE(bus->commitCount(), commits + 1);

    // Current range 50 %: 2047 written, shown back as 50 %.
    tool->currentRangeBox->setValue(50);
    tool->currentRangeButton->click();
    QTRY_VERIFY(logHas(tool, QStringLiteral("Current range set to 50%")));
    QCOMPARE(bus->modules[0]->setting(2), 2047u);
    QVERIFY(logHas(tool, QStringLiteral("Set current range 50%")));

    // Other setting ids are logged as they are.
    canFrame_t other{};
    uint8_t bytes[8] = {0, 0, 0, 7, 13, 9, 0, 0};
    bytes[7] = SimulatedKx4Module::frameCrc(bytes);
    for (int i = 0; i < 8; ++i)
        other.canData |= uint64_t(bytes[i]) << (56 - 8 * i);
    other.canChannelAndId = 0x161;
    bus->inject(other);
    QTRY_VERIFY(logHas(tool, QStringLiteral("Setting 9 value: 7")));
    // A frame of the other bus or another identifier is not taken.
    other.canChannelAndId = (1u << 31) | 0x161;
    bus->inject(other);
    other.canChannelAndId = 0x162;
    bus->inject(other);
    QTest::qWait(50);
    QCOMPARE(tool->logPane->toPlainText().count(QStringLiteral("Setting 9 value: 7")), 1);

    // Without a selection every action stops with "Select KX4 device first".
    tool->deviceList->clearSelection();
    const int before = bus->sentByTool().size();
    tool->fanButton->click();
    tool->outputButton->click();
    tool->assignButton->click();
    QCOMPARE(bus->sentByTool().size(), before);
    QCOMPARE(tool->logPane->toPlainText().count(QStringLiteral("Select KX4 device first")), 3);
    // Rescanning clears the list first.
    tool->scanButton->click();
    QCOMPARE(tool->deviceList->count(), 0);
    QTRY_COMPARE(tool->deviceList->count(), 2);
}

void TstKx4::fanOutputAndCanTest()
{
    openTool(1);
    QTRY_COMPARE(tool->deviceList->count(), 1);
    tool->fanButton->click();
    QTRY_COMPARE(bus->modules[0]->fanTests(), 1);
    QVERIFY(logHas(tool, QStringLiteral("Turn ON fan for 1s")));
    tool->outputButton->click();
    QTRY_COMPARE(bus->modules[0]->tones(), QList<quint32>{0x27100C4Bu});
    QVERIFY(logHas(tool, QStringLiteral("Test output: PWM 5%DC, Frequency: 1000Hz, Duration: 1.5s")));
    QCOMPARE(bus->sentByTool().last().bytes, withCrc(frameBytes({0x27, 0x10, 0x0C, 0x4B, 16, 0, 0})));

    // CAN test: 10000 echoes counting from 0, the replies only in the debug log.
    LogCapture log;
    tool->slot_testCAN();
    QTRY_VERIFY_WITH_TIMEOUT(!tool->busy(), 20000);
    QCOMPARE(bus->modules[0]->echoes(), 10000);
    QTRY_COMPARE(log.count(QStringLiteral("KX4 ECHO")), 10000);
    const QList<Kx4TestBus::Frame> sent = bus->sentByTool();
    QCOMPARE(sent.last().bytes, withCrc(frameBytes({0, 0, 0x27, 0x0F, 1, 0, 0})));
}

void TstKx4::badReplyCrcIsReportedAndUsed()
{
    bus->modules.append(std::make_shared<SimulatedKx4Module>(0, 4001));
    bus->modules[0]->setBadReplyCrc(true);
    openTool(0);
    QTRY_COMPARE(tool->deviceList->count(), 1);
    QVERIFY(logHas(tool, QStringLiteral("Invalid CRC in KX4 response")));
    QCOMPARE(tool->deviceList->item(0)->text(), QStringLiteral("4001"));
}

void TstKx4::fullUpdate()
{
    openTool(1);
    QTRY_VERIFY_WITH_TIMEOUT(tool->upgradeButton->isEnabled(), 3000);
    QCOMPARE(tool->imagePageSize(), 512);
    QCOMPARE(tool->imagePageCount(), 243);
    QSignalSpy finished(tool, &KX4Tool::signal_updateFinished);
    tool->upgradeButton->click();
    QVERIFY(!tool->upgradeButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(finished.first().first().toBool(), true);
    QList<int> all;
    for (int i = 0; i < 243; ++i)
        all.append(i);
    QCOMPARE(bus->modules[0]->flashedPages(), all);
    QVERIFY(logHas(tool, QStringLiteral("PAGE 1 OF 243")));
    QVERIFY(logHas(tool, QStringLiteral("PAGE 243 OF 243")));
    QVERIFY(logHas(tool, QStringLiteral("Firmware updated")));
    QVERIFY(tool->isEnabled());
    // The module runs the image's version and reports it: nothing more to offer.
    QCOMPARE(bus->modules[0]->firmwareText(), tool->imageVersionText());
    QTRY_VERIFY(!tool->upgradeButton->isEnabled());

    // Every page went as 1 start frame and 128 data frames in 32 groups.
    int starts = 0;
    int data = 0;
    for (const Kx4TestBus::Frame& f : bus->sentByTool()) {
        starts += f.bytes.at(4) == 4;
        data += f.bytes.at(4) == 5;
    }
    QCOMPARE(starts, 243);
    QCOMPARE(data, 243 * 128);
}

void TstKx4::developerUpdateStartsAtPage32()
{
    theSettings.developerMode = true;
    openTool(1);
    QTRY_VERIFY_WITH_TIMEOUT(tool->upgradeButton->isEnabled(), 3000);
    QSignalSpy finished(tool, &KX4Tool::signal_updateFinished);
    tool->upgradeButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(bus->modules[0]->flashedPages().first(), 32);
    QCOMPARE(bus->modules[0]->flashedPages().size(), 243 - 32);
    QVERIFY(logHas(tool, QStringLiteral("PAGE 33 OF 243")));
    QVERIFY(!logHas(tool, QStringLiteral("PAGE 32 OF 243")));
    theSettings.developerMode = false;
}

void TstKx4::updateFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong check byte") << "check" << "Firmware checksum error. Page 5";
    QTest::newRow("flash error") << "flash" << "Firmware flash write error 5";
    QTest::newRow("silence") << "silent" << "Response timeout";
}

void TstKx4::updateFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    openTool(1);
    if (fault == QLatin1String("check"))
        bus->modules[0]->setWrongCheckPage(5);
    else if (fault == QLatin1String("flash"))
        bus->modules[0]->setFlashErrorPage(5);
    else
        bus->modules[0]->setSilentPage(5);
    QTRY_VERIFY_WITH_TIMEOUT(tool->upgradeButton->isEnabled(), 3000);
    QSignalSpy finished(tool, &KX4Tool::signal_updateFinished);
    tool->upgradeButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY2(logHas(tool, message), qPrintable(tool->logPane->toPlainText().right(400)));
    QVERIFY(logHas(tool, QStringLiteral("Firmware update error")));
    QVERIFY(logHas(tool, QStringLiteral("PAGE 5 OF 243")));
    QVERIFY(!logHas(tool, QStringLiteral("PAGE 6 OF 243")));
    QVERIFY(!logHas(tool, QStringLiteral("Firmware updated")));
    QVERIFY(tool->isEnabled());
    QVERIFY(!tool->updateActive());
    QCOMPARE(bus->modules[0]->flashedPages().size(), 5);
}

void TstKx4::lateConfirmationSendsNothing()
{
    openTool(1);
    bus->modules[0]->setSilentPage(2);
    QTRY_VERIFY_WITH_TIMEOUT(tool->upgradeButton->isEnabled(), 3000);
    QSignalSpy finished(tool, &KX4Tool::signal_updateFinished);
    tool->upgradeButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QVERIFY(logHas(tool, QStringLiteral("Response timeout")));

    // The module's confirmation of page 2 arrives after all: the right check
    // byte, so the tool counts the page, but sends nothing more.
    QFile image(QStringLiteral(":/firmware-KX4/current"));
    QVERIFY(image.open(QIODevice::ReadOnly));
    const QByteArray all = image.readAll();
    const auto check = uint8_t(all.at(136 + 2 * 513 + 512));
    const int sentBefore = bus->sentByTool().size();
    uint8_t bytes[8] = {0, 0, 0, check, 6, 0, 0, 0};
    bytes[7] = SimulatedKx4Module::frameCrc(bytes);
    canFrame_t late{};
    for (int i = 0; i < 8; ++i)
        late.canData |= uint64_t(bytes[i]) << (56 - 8 * i);
    late.canChannelAndId = 0x161;
    bus->inject(late);
    QTRY_VERIFY(logHas(tool, QStringLiteral("PAGE 3 OF 243")));
    QTest::qWait(100);
    QCOMPARE(bus->sentByTool().size(), sentBefore);
    QCOMPARE(finished.size(), 1);
}

void TstKx4::pagePausesKeepTheGuiResponsive()
{
    // With the real pauses one page takes 50 + 32 × 4.16 + 51 ms;
    // meanwhile the GUI thread keeps serving timers.
    KX4Tool::setPauseScale(1.0);
    openTool(1);
    QTRY_VERIFY_WITH_TIMEOUT(tool->upgradeButton->isEnabled(), 3000);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    tool->upgradeButton->click();
    // 1 s before the first page, then pages.
    QTRY_VERIFY_WITH_TIMEOUT(logHas(tool, QStringLiteral("PAGE 3 OF 243")), 5000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1000 + 3 * 234, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= elapsed / 10 / 2, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(elapsed)));
    QVERIFY(tool->updateActive());
}

void TstKx4::playNoteFromWorkerWhileRescanning()
{
    openTool(4);
    QTRY_COMPARE(tool->deviceList->count(), 4);
    std::atomic<bool> stop{false};
    std::atomic<int> played{0};
    QThread* worker = QThread::create([&] {
        int i = 0;
        while (!stop) {
            tool->playNote(i % 4, 440.0f + float(i % 100), 0.2f, 0.5f);
            // Rows past the list and duties outside 0..1 send at most command 11.
            tool->playNote(7, 440.0f, 0.2f, 0.5f);
            tool->playNote(i % 4, 440.0f, 0.2f, 1.5f);
            ++played;
            ++i;
            QThread::usleep(100);
        }
    });
    worker->start();
    for (int round = 0; round < 30; ++round) {
        tool->scanButton->click();
        QTRY_COMPARE(tool->deviceList->count(), 4);
    }
    stop = true;
    worker->wait();
    delete worker;
    QVERIFY(played > 0);
    int tones = 0;
    for (const auto& m : bus->modules) {
        for (quint32 word : m->tones()) {
            QCOMPARE(word & 0xFFFFu, quint32((127u << 8) | 10u));
            QVERIFY((word >> 16) >= 4400 && (word >> 16) < 5400);
        }
        tones += m->tones().size();
    }
    QVERIFY(tones > 0);
    QVERIFY(tones <= played);
}

void TstKx4::moduleThroughTheSimulatedController()
{
    // The real path: frames through the MCU link's registers to the
    // controller, which hands them to the module on its bus; the replies come
    // back as received CAN frames.
    QCOMPARE(SimulatedControllerConfig::fromString(QStringLiteral("kx4=2")).kx4Modules, 2);
    QCOMPARE(SimulatedControllerConfig().kx4Modules, 0);
    LinkFixture link;
    const auto module = std::make_shared<SimulatedKx4Module>(0, SimulatedKx4Module::firstSerialNumber);
    link.sim->addCanPeer(module);
    link.start();
    QVERIFY(link.waitConfirmed(5000));
    uint8_t scan[8] = {0, 0, 0, 0, 10, 0, 0, 0};
    scan[7] = SimulatedKx4Module::frameCrc(scan);
    link.link->sendCanData(0, 0x160, scan);
    link.link->slot_commitWriteReg();
    QTRY_VERIFY_WITH_TIMEOUT(link.receivedOf(DynoRegister::canId).size() >= 1, 5000);
    const QList<SpiDynoFrame> ids = link.receivedOf(DynoRegister::canId);
    QCOMPARE(ids.first().value & 0x1FFFFFFFu, 0x161u);
    QCOMPARE(ids.first().value >> 31, 0u);
    const QList<SpiDynoFrame> words = link.receivedOf(DynoRegister::canData0);
    QCOMPARE(words.first().value, SimulatedKx4Module::firstSerialNumber);
    // On bus 1 nobody answers.
    scan[7] = SimulatedKx4Module::frameCrc(scan);
    link.link->sendCanData(1, 0x160, scan);
    link.link->slot_commitWriteReg();
    QTest::qWait(200);
    QCOMPARE(link.receivedOf(DynoRegister::canId).size(), 1);
    QCOMPARE(module->framesReceived(), 1);
}

void TstKx4::wizardButtonOpensTheToolForItsBus()
{
    FieldBus::registerHooks();
    QVERIFY(WizardButton::hasOpener(SettingWizardId_kx4Tool));
    RecordingAnswerer answerer;
    WizardButton button(SettingWizardId_kx4Tool, 1);
    button.click();
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().className, QStringLiteral("KX4Tool"));
    QCOMPARE(answerer.shown.first().title, QStringLiteral("KX4 Tool (CAN 2)"));
    // Its scan went out on bus 1, where this bus has no module.
    QCOMPARE(bus->sentByTool().size(), 1);
}

QTEST_MAIN(TstKx4)
#include "tst_kx4.moc"
