// The hardware self test on the simulated controller of one board (device
// code from ZEMBO_TEST_DEVICE_CODE; CTest runs a two-bus and a one-bus board):
// the settings it applies, the analog-output sine, the CAN frames and
// terminators by phase as the controller received them, and the GPIO pulses
// on the in-memory chip.
#include "SettingsFixture.h"

#include "ArgumentLineEdit.h"
#include "lib/ThreadHandOver.h"
#include "ArgumentWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunThreadFixture.h"
#include "SelfTest.h"
#include "SimulatedGpioChip.h"
#include "functions/Argument.h"
#include "rpiGPIO.h"

#include <QCheckBox>
#include <QTest>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

qint64 fakeNow = 0;
qint64 fakeClock()
{
    return fakeNow;
}

// A whole second well in the past of any real clock, so every phase starts with it.
constexpr qint64 baseMs = 1700000000000;

SimulatedGpioDevice& chip()
{
    return static_cast<SimulatedGpioChip*>(theRPIGPIO.chip())->device();
}

uint32_t floatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

class TestSelfTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void enablingAppliesTheTestSettings();
    void analogOutputsFollowTheSine();
    void runThreadSendsTheSineToTheController();
    void canFramesAndTerminatorsByPhase();
    void frequencyInputsAlternateTheirMode();
    void gpioPulses();
    void runsOnItsTimersAndStopsWhereItIs();
    void boardWithoutOutputsIsSkipped();

private:
    // The frames the controller received since the last call, as text:
    // "term<bus>=<0|2>" for a terminator, "can<bus>#<id>:<bytes>" for a CAN frame.
    QStringList received();
    DynoSetting* setting(DynoSettingId id, int channel) const { return theDynoSettings->getSetting(id, channel); }

    std::unique_ptr<SettingsFixture> fixture;
    SelfTest* test = nullptr;
    int code = 3;
};

void TestSelfTest::initTestCase()
{
    code = qEnvironmentVariableIntValue("ZEMBO_TEST_DEVICE_CODE");
    fixture = std::make_unique<SettingsFixture>(code);
    QVERIFY(fixture->start());
    QCOMPARE(int(theHwInfo.deviceCode), code);
    QVERIFY(dynamic_cast<SimulatedGpioChip*>(theRPIGPIO.chip()));
    test = new SelfTest(this);
    SelfTest::setClock(fakeClock);
}

void TestSelfTest::cleanupTestCase()
{
    SelfTest::setClock(nullptr);
    fixture.reset();
}

void TestSelfTest::init()
{
    test->slot_enable(0);
    QVERIFY(fixture->waitLinkIdle());
    fixture->link.sim->clearTrace();
    chip().clearLog();
}

QStringList TestSelfTest::received()
{
    if (!fixture->waitLinkIdle())
        return {QStringLiteral("link did not drain")};
    const quint32 terminatorWord = setting(DynoSettingId_canEnableTerminator, 0)->mcuAddress / 4;
    QStringList frames;
    QByteArray canData;
    uint32_t latch = 0;
    for (const auto& e : fixture->link.sim->trace()) {
        switch (static_cast<DynoRegister>(e.reg)) {
        case DynoRegister::configAddress:
            latch = e.value;
            break;
        case DynoRegister::configValue:
            if (latch >> 16 == terminatorWord)
                frames.append(QStringLiteral("term%1=%2").arg(latch & 0xFFFF).arg(e.value));
            break;
        case DynoRegister::canData0:
            canData = QByteArray(reinterpret_cast<const char*>(e.bytes.data()) + 1, 4);
            break;
        case DynoRegister::canData1:
            canData += QByteArray(reinterpret_cast<const char*>(e.bytes.data()) + 1, 4);
            break;
        case DynoRegister::canId:
            frames.append(QStringLiteral("can%1#%2:%3")
                              .arg(e.value >> 31)
                              .arg(e.value & 0x1FFFFFFF)
                              .arg(QString::fromLatin1(canData.toHex(' '))));
            break;
        default:
            break;
        }
    }
    fixture->link.sim->clearTrace();
    return frames;
}

void TestSelfTest::enablingAppliesTheTestSettings()
{
    theMCUThread->selfTestRunning = true;
    fakeNow = baseMs;
    test->slot_enable(1);
    QVERIFY(!theMCUThread->selfTestRunning);
    QVERIFY(test->isRunning());
    test->slot_enable(0);
    QVERIFY(!test->isRunning());
    QVERIFY(fixture->waitLinkIdle());

    // In the editors, and through them in the controller's configuration words.
    struct Expect {
        DynoSettingId id;
        int channel;
        double value;
        bool isFloat;
    };
    QList<Expect> expected;
    const HwInfo& hw = theHwInfo;
    for (int i = 0; i < hw.analogOutputs; ++i)
        expected += {{DynoSettingId_analogOutputSource, i, 1, false},
                     {DynoSettingId_analogOutputRangeMin, i, 0.0, true},
                     {DynoSettingId_analogOutputRangeMax, i, 10.0, true}};
    for (int j = 0; j < hw.mcuPwmOutputs; ++j)
        expected += {{DynoSettingId_pwmSource, j, 0, false},
                     {DynoSettingId_pwmRangeMin, j, 0.1, true},
                     {DynoSettingId_pwmFrequency, j, (j + 1) * 100.0, true},
                     {DynoSettingId_lsOutputSource, j, 1, false},
                     {DynoSettingId_hsOutputSource, j, 2, false}};
    for (int k = 0; k < hw.mcuFreqSlots; ++k)
        expected += {{DynoSettingId_freqInputSignalsPerRotation, k, 1000, false}};
    QVERIFY(!expected.isEmpty());
    for (const Expect& e : expected) {
        DynoSetting* s = setting(e.id, e.channel);
        QVERIFY2(s, qPrintable(QString::number(e.id)));
        QVERIFY2(qAbs(s->value().toDouble() - e.value) < 1e-9, qPrintable(s->key));
        uint32_t word = 0;
        QVERIFY2(fixture->link.sim->configWord(s->mcuAddress, uint16_t(e.channel), &word), qPrintable(s->key));
        const uint32_t want = e.isFloat ? floatBits(float(e.value)) : uint32_t(e.value);
        QVERIFY2(word == want, qPrintable(s->key + QStringLiteral(": %1").arg(word)));
    }
}

void TestSelfTest::analogOutputsFollowTheSine()
{
    QVERIFY(theHwInfo.analogOutputs >= 1);
    auto argumentOf = [this](int i) {
        return setting(DynoSettingId_analogOutputArgument, i)
            ->getWidgetHelper<ArgumentWidget>(SettingWidgetType_argumentWidget)
            ->argument;
    };
    // A quarter past a whole second is the sine's peak, three quarters its
    // trough; neighbouring outputs run in opposite phase.
    struct Case {
        qint64 ms;
        double even;
    };
    for (const Case c : {Case{250, 1.0}, Case{750, 0.0}, Case{0, 0.5}, Case{500, 0.5}, Case{125, 0.5 + 0.5 * M_SQRT1_2},
                         Case{1250, 1.0}, Case{20, 0.5 + 0.5 * std::sin(2 * M_PI * 0.02)}}) {
        fakeNow = baseMs + c.ms;
        test->slot_aoutTick();
        for (int i = 0; i < theHwInfo.analogOutputs; ++i) {
            const Argument* argument = argumentOf(i);
            QCOMPARE(argument->getType(), ArgumentType_constant);
            const double want = i % 2 == 0 ? c.even : 1.0 - c.even;
            QVERIFY2(qAbs(argument->getValue() - want) < 1e-5,
                     qPrintable(QStringLiteral("%1 ms, output %2: %3").arg(c.ms).arg(i).arg(argument->getValue())));
            // Stored as a float.
            QCOMPARE(argument->getValue(), double(float(argument->getValue())));
        }
    }
    // The editor shows the value as the operator would see it.
    const auto* editor = setting(DynoSettingId_analogOutputArgument, 0)
                             ->getWidgetHelper<ArgumentWidget>(SettingWidgetType_argumentWidget);
    QVERIFY(!editor->valueEdit->text().isEmpty());
}

void TestSelfTest::runThreadSendsTheSineToTheController()
{
    // The run thread writes every analog-output argument to the controller
    // every 10 ms; what reaches the simulated controller is what the sine set.
    RunThread::setProgramEnder([](const QString&) {});
    auto thread = std::make_unique<RunThread>();
    thread->setInputSource(nullptr);
    thread->setLogWriter(new RecordingLogWriter);
    thread->start();
    RunThread* t = thread.get();
    ThreadHandOver::blockingCall(t, [t] { t->slot_settingsReady(); });
    QVERIFY(thread->areDecodersReady());

    const int outputs = std::min(theHwInfo.analogOutputs, 4);
    QVERIFY(outputs >= 1);
    // The last value each output's argument register received.
    auto lastSent = [this, outputs] {
        QList<double> last(outputs, std::nan(""));
        for (const auto& e : fixture->link.sim->trace()) {
            const int i = int(e.reg) - int(DynoRegister::analogOutputArgument1);
            if (i >= 0 && i < outputs) {
                float value;
                std::memcpy(&value, &e.value, sizeof value);
                last[i] = value;
            }
        }
        return last;
    };
    for (const qint64 ms : {250, 125, 0, 750, 1100}) {
        fakeNow = baseMs + ms;
        test->slot_aoutTick();
        const double even = 0.5 + 0.5 * std::sin(2 * M_PI * double(ms) / 1000.0);
        fixture->link.sim->clearTrace();
        QTRY_VERIFY_WITH_TIMEOUT(!std::isnan(lastSent().last()), 1000);
        // One more cycle, so nothing sent before the tick is still in flight.
        QTest::qWait(30);
        fixture->link.sim->clearTrace();
        QTRY_VERIFY_WITH_TIMEOUT(!std::isnan(lastSent().last()), 1000);
        const QList<double> last = lastSent();
        for (int i = 0; i < outputs; ++i) {
            const double want = i % 2 == 0 ? even : 1.0 - even;
            QVERIFY2(qAbs(last[i] - want) < 1e-5,
                     qPrintable(QStringLiteral("%1 ms, output %2: sent %3, want %4").arg(ms).arg(i).arg(last[i]).arg(want)));
        }
    }
    thread.reset();
    RunThread::setProgramEnder(nullptr);
}

void TestSelfTest::canFramesAndTerminatorsByPhase()
{
    const bool lite = theHwInfo.liteVariant;
    for (int bus = 0; bus < theHwInfo.canBuses; ++bus)
        setting(DynoSettingId_canEnableTerminator, bus)->setValue(false);
    received();

    const QString a = QStringLiteral("can0#1:77 66 55 44 33 22 11 00");
    const QString b = QStringLiteral("can1#2:ff ee dd cc bb aa 99 88");
    // Two ticks in each phase: the frames go out on every tick, a terminator
    // only when it changes.
    const QList<QStringList> twoBus = {{"term0=2", "term1=2"},
                                       {"term0=0", "term1=0"},
                                       {a, a},
                                       {"term0=2", a, a},
                                       {},
                                       {"term0=0", b, b},
                                       {"term1=2", b, b},
                                       {}};
    const QList<QStringList> oneBus = {{"term0=2"}, {"term0=0"}, {a, a}, {"term0=2", a, a}, {}};
    const QList<QStringList>& phases = lite ? oneBus : twoBus;
    // Two whole cycles: the second starts with the first one's last state.
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (int p = 0; p < phases.size(); ++p) {
            const qint64 phaseStart = baseMs + (cycle * phases.size() + p) * 250;
            fakeNow = phaseStart + 3;
            test->slot_canTick();
            fakeNow = phaseStart + 231;
            test->slot_canTick();
            QStringList want = phases.at(p);
            // The second cycle starts with the terminators as the first left them.
            if (cycle == 1 && p == 0)
                want = lite ? QStringList() : QStringList{"term0=2"};
            const QStringList got = received();
            QVERIFY2(got == want,
                     qPrintable(QStringLiteral("cycle %1 phase %2: %3").arg(cycle).arg(p).arg(got.join(", "))));
        }
    }
    // The controller took the frames as CAN frames with exactly these bytes.
    const auto sent = fixture->link.sim->sentCanFrames();
    QVERIFY(!sent.isEmpty());
    for (const auto& frame : sent) {
        if (lite)
            QCOMPARE(frame.bus, 0);
        const QByteArray& data = frame.bus == 0 ? QByteArray(reinterpret_cast<const char*>(SelfTest::canFrameA), 8)
                                                : QByteArray(reinterpret_cast<const char*>(SelfTest::canFrameB), 8);
        QCOMPARE(frame.data, data);
        QCOMPARE(frame.identifier, uint32_t(frame.bus == 0 ? 1 : 2));
    }
}

void TestSelfTest::frequencyInputsAlternateTheirMode()
{
    QVERIFY(theHwInfo.mcuFreqSlots > 0);
    for (const qint64 ms : {0, 250, 499, 500, 749, 1000, 1500}) {
        fakeNow = baseMs + ms;
        test->slot_freqInTick();
        const int mode = int((ms / 500) % 2);
        for (int k = 0; k < theHwInfo.mcuFreqSlots; ++k) {
            DynoSetting* s = setting(DynoSettingId_freqInputMode, k);
            QCOMPARE(s->value().toInt(), mode);
        }
    }
    QVERIFY(fixture->waitLinkIdle());
    uint32_t word = 99;
    QVERIFY(fixture->link.sim->configWord(setting(DynoSettingId_freqInputMode, 0)->mcuAddress, 0, &word));
    QCOMPARE(word, 1u);
    fakeNow = baseMs;
    test->slot_freqInTick();
}

void TestSelfTest::gpioPulses()
{
    const unsigned relays[4] = {22, 23, 24, 25};
    const unsigned lowSides[4] = {12, 17, 18, 13};
    const bool zr6 = theHwInfo.deviceCode == DeviceCode_ZR6;
    test->tickCount = 0;
    test->relayCycles = 2;
    for (uint32_t c = 0; c < 40; ++c) {
        test->slot_gpioTick();
        const int index = int((c / 2) % 4);
        for (int n = 0; n < 4; ++n) {
            // One output at a time, on for the first tick of its two.
            const int on = n == index && c % 2 == 0 ? 1 : 0;
            QCOMPARE(chip().output(lowSides[n]), on);
            QCOMPARE(chip().output(relays[n]), c < 16 ? on : 0);
        }
        if (zr6)
            QCOMPARE(setting(DynoSettingId_hsOutputInvert, index)->value().toBool(), c % 2 == 1);
    }
    QCOMPARE(test->relayCycles, 0);
    QCOMPARE(test->tickCount, 40u);
    // The relays are written only during the first 16 ticks.
    int relayWrites = 0;
    for (const QString& op : chip().log()) {
        for (unsigned line : relays)
            relayWrites += op.startsWith(QStringLiteral("set %1=").arg(line)) ? 1 : 0;
    }
    QCOMPARE(relayWrites, 16);
}

void TestSelfTest::runsOnItsTimersAndStopsWhereItIs()
{
    // The real clock and the real timers, as in test mode.
    SelfTest::setClock(nullptr);
    const auto framesBefore = fixture->link.sim->sentCanFrames().size();
    chip().clearLog();
    QElapsedTimer clock;
    clock.start();
    test->slot_enable(1);
    const qint64 enabledAt = clock.elapsed();
    QTest::qWait(2300);
    test->slot_enable(0);
    const qint64 stoppedAfter = clock.elapsed();
    SelfTest::setClock(fakeClock);
    QVERIFY(!test->isRunning());
    QVERIFY(test->tickCount >= 16);

    const unsigned relays[4] = {22, 23, 24, 25};
    const unsigned lowSides[4] = {12, 17, 18, 13};
    const auto writes = chip().writes();
    QVERIFY(!writes.isEmpty());
    int relayWrites = 0;
    int lowSideWritesAfterRelays = 0;
    for (const auto& w : writes) {
        if (std::find(std::begin(relays), std::end(relays), w.line) != std::end(relays)) {
            ++relayWrites;
            lowSideWritesAfterRelays = 0;
        }
        if (std::find(std::begin(lowSides), std::end(lowSides), w.line) != std::end(lowSides))
            ++lowSideWritesAfterRelays;
    }
    // Relays pulse for the first 16 ticks (1.6 s) only; low-side outputs go on.
    QCOMPARE(relayWrites, 16);
    QVERIFY2(lowSideWritesAfterRelays >= 3, qPrintable(QString::number(lowSideWritesAfterRelays)));
    QVERIFY2(writes.last().ms - writes.first().ms > 1600, "the test ran for less than 1.6 s");
    QVERIFY(fixture->link.sim->sentCanFrames().size() > framesBefore);

    // Stopped: nothing more, and the outputs and settings stay as last set.
    QVERIFY(fixture->waitLinkIdle());
    const auto framesAtStop = fixture->link.sim->sentCanFrames().size();
    const int writesAtStop = chip().writes().size();
    QTest::qWait(300);
    QCOMPARE(chip().writes().size(), writesAtStop);
    QCOMPARE(fixture->link.sim->sentCanFrames().size(), framesAtStop);
    QCOMPARE(setting(DynoSettingId_analogOutputSource, 0)->value().toInt(), 1);
    QCOMPARE(setting(DynoSettingId_freqInputSignalsPerRotation, 0)->value().toInt(), 1000);
    qInfo() << "ran" << stoppedAfter - enabledAt << "ms," << test->tickCount << "GPIO ticks";
}

void TestSelfTest::boardWithoutOutputsIsSkipped()
{
    const HwInfo saved = theHwInfo;
    theHwInfo.analogOutputs = 0;
    theHwInfo.mcuPwmOutputs = 0;
    theHwInfo.mcuFreqSlots = 0;
    theHwInfo.canBuses = 0;
    fakeNow = baseMs + 250;
    test->slot_enable(1);
    test->slot_aoutTick();
    test->slot_freqInTick();
    test->slot_enable(0);
    theHwInfo = saved;
    // Only the initial settings of what is left: none of these kinds.
    QVERIFY(fixture->waitLinkIdle());
    for (const auto& e : fixture->link.sim->trace())
        QVERIFY(static_cast<DynoRegister>(e.reg) != DynoRegister::configAddress);
}

QTEST_MAIN(TestSelfTest)
#include "tst_self_test.moc"
