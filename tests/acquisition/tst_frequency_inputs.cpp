// Frequency words, pulse counting, the frequency decoders and the filter
// channels of the run thread, without a board: the vectors the controller
// really sends and the faults a toothed wheel really shows.
#include "DigitalFreqInputFrameProxy.h"
#include "EngineSpeedFrameProxy.h"
#include "FilterBoxChannel.h"
#include "FilterBoxVariableSamplingChannel.h"
#include "FreqFrameDecoding.h"
#include "FreqInputSettings.h"

#include <QTest>

#include <cmath>
#include <cstring>

namespace {

uint32_t floatWord(float f)
{
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

uint32_t packed(uint32_t n, uint32_t ticks)
{
    return 0x80000000u | (n << 16) | ticks;
}

uint32_t periodWord(double hz)
{
    return uint32_t(std::lround(32000000.0 / hz));
}

} // namespace

class TestFrequencyInputs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesWords_data();
    void decodesWords();
    void countsPulses_data();
    void countsPulses();
    void signalFaultNeedsADropAndARise_data();
    void signalFaultNeedsADropAndARise();
    void generalPurposeSensorRaisesNoFault();
    void resetDropsTheNextTwoFrames();
    void engineSpikeFilterDropsTheJumpAndTheFrameAfter();
    void rateFollowsARampOfFrequency();
    void fixedRateChannelSettlesAfterFourTimeConstants();
    void cutoffChangeInvalidatesUntilSettled();
    void stoppedInputReadsZeroAtOnce();
};

void TestFrequencyInputs::decodesWords_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("word");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("dt");

    QTest::newRow("capture 1 kHz") << 0 << 32000u << true << 1000.0 << 0.001;
    QTest::newRow("capture longest period") << 0 << 1073725440u << true << 32000000.0 / 1073725440.0
                                            << 1073725440.0 / 32000000.0;
    QTest::newRow("capture beyond longest period") << 0 << 1073725441u << false << 0.0 << 0.0;
    QTest::newRow("capture zero ticks") << 0 << 0u << false << 0.0 << 0.0;
    QTest::newRow("packed 4 periods in 8000 ticks") << 0 << packed(4, 8000) << true << 16000.0 << 0.00025;
    QTest::newRow("packed no periods") << 0 << packed(0, 8000) << false << 0.0 << 0.0;
    QTest::newRow("packed zero ticks") << 0 << packed(4, 0) << false << 0.0 << 0.0;
    QTest::newRow("count 25 kHz") << 1 << floatWord(25000.0f) << true << 25000.0 << 0.001;
    QTest::newRow("count NaN") << 1 << floatWord(std::nanf("")) << false << 0.0 << 0.0;
    QTest::newRow("count infinite") << 1 << floatWord(INFINITY) << false << 0.0 << 0.0;
}

void TestFrequencyInputs::decodesWords()
{
    QFETCH(int, mode);
    QFETCH(uint, word);
    QFETCH(bool, valid);
    QFETCH(double, frequency);
    QFETCH(double, dt);
    double f = -1.0;
    double step = -1.0;
    QCOMPARE(FreqFrameDecoding::decode(word, mode, f, step), valid);
    if (!valid)
        return;
    QVERIFY(std::isfinite(f));
    QVERIFY(qAbs(f - frequency) <= 1e-9 * frequency);
    QVERIFY(qAbs(step - dt) <= 1e-12);
}

void TestFrequencyInputs::countsPulses_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("word");
    QTest::addColumn<int>("pulses");

    QTest::newRow("one period") << 0 << 32000u << 1;
    QTest::newRow("four packed periods") << 0 << packed(4, 8000) << 4;
    QTest::newRow("period at the limit") << 0 << 0x3FFFC000u << 0;
    QTest::newRow("zero ticks") << 0 << 0u << 0;
    QTest::newRow("count 25 kHz") << 1 << floatWord(25000.0f) << 25;
    QTest::newRow("count rounds half away from zero") << 1 << floatWord(1500.0f) << 2;
    QTest::newRow("count below half a pulse") << 1 << floatWord(499.0f) << 0;
    QTest::newRow("count NaN") << 1 << floatWord(std::nanf("")) << 0;
}

void TestFrequencyInputs::countsPulses()
{
    QFETCH(int, mode);
    QFETCH(uint, word);
    QFETCH(int, pulses);
    QCOMPARE(int(FreqFrameDecoding::pulses(word, mode)), pulses);
}

void TestFrequencyInputs::signalFaultNeedsADropAndARise_data()
{
    QTest::addColumn<QList<double>>("after");
    QTest::addColumn<int>("faults");

    // A missing tooth halves the frequency for a few frames and then it comes back.
    QTest::newRow("five low frames, then back") << QList<double>{400, 400, 400, 400, 400, 1000} << 1;
    // A real drop of speed stays down: one step is no fault.
    QTest::newRow("eleven low frames") << QList<double>(11, 400.0) << 0;
    QTest::newRow("small steps") << QList<double>{700, 990, 700, 990} << 0;
    // At or below half a pulse per turn a sensor is only starting to turn.
    QTest::newRow("below threshold") << QList<double>{10, 1000} << 0;
}

void TestFrequencyInputs::signalFaultNeedsADropAndARise()
{
    QFETCH(QList<double>, after);
    QFETCH(int, faults);
    FilterBoxVariableSamplingChannel frequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel rate(DynoSettingId_freqInputDiffFilter);
    frequency.setFilterCutoffFrequency(10.0);
    rate.setFilterCutoffFrequency(3.0);
    FreqInputSettings settings;
    settings.signalsPerRotation = 36; // threshold 18 Hz
    DigitalFreqInputFrameProxy proxy(McuFreqInput::Channel0, &frequency, &rate, &settings);

    // Settled at 1000 Hz first: no fault detection while the filter settles.
    int count = 0;
    for (int i = 0; i < 400; ++i)
        count += proxy.newFreqFrame({periodWord(1000)}) ? 1 : 0;
    QVERIFY(frequency.settled());
    QCOMPARE(count, 0);
    for (double hz : after)
        count += proxy.newFreqFrame({periodWord(hz)}) ? 1 : 0;
    QCOMPARE(count, faults);
}

void TestFrequencyInputs::generalPurposeSensorRaisesNoFault()
{
    FilterBoxVariableSamplingChannel frequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel rate(DynoSettingId_freqInputDiffFilter);
    frequency.setFilterCutoffFrequency(10.0);
    FreqInputSettings settings;
    settings.sensor = 1;
    DigitalFreqInputFrameProxy proxy(McuFreqInput::Channel1, &frequency, &rate, &settings);
    int count = 0;
    for (int i = 0; i < 400; ++i)
        count += proxy.newFreqFrame({periodWord(1000)}) ? 1 : 0;
    for (double hz : {400.0, 400.0, 1000.0})
        count += proxy.newFreqFrame({periodWord(hz)}) ? 1 : 0;
    QCOMPARE(count, 0);
}

void TestFrequencyInputs::resetDropsTheNextTwoFrames()
{
    FilterBoxVariableSamplingChannel frequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel rate(DynoSettingId_freqInputDiffFilter);
    FreqInputSettings settings;
    DigitalFreqInputFrameProxy proxy(McuFreqInput::Channel0, &frequency, &rate, &settings);
    FilterBoxVariableSamplingChannel engineFrequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel engineRate(DynoSettingId_freqInputDiffFilter);
    EngineSpeedFrameProxy engine(&engineFrequency, &engineRate, &settings);

    for (int round = 0; round < 2; ++round) {
        proxy.reset();
        engine.reset();
        frequency.take();
        engineFrequency.take();
        for (int i = 0; i < 2; ++i) {
            proxy.newFreqFrame({periodWord(500)});
            QVERIFY(!engine.newFreqFrame({periodWord(500)}));
        }
        QVERIFY(!frequency.hasNewData());
        QVERIFY(!engineFrequency.hasNewData());
        proxy.newFreqFrame({periodWord(500)});
        QVERIFY(engine.newFreqFrame({periodWord(500)}));
        QVERIFY(frequency.hasNewData());
        QVERIFY(engineFrequency.hasNewData());
        // Never set up: the filter passes the sample straight through.
        QCOMPARE(frequency.take(), 500.0);
    }
    // A word that cannot be decoded changes nothing at all.
    frequency.take();
    proxy.newFreqFrame({0u});
    QVERIFY(!frequency.hasNewData());
}

void TestFrequencyInputs::engineSpikeFilterDropsTheJumpAndTheFrameAfter()
{
    FilterBoxVariableSamplingChannel frequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel rate(DynoSettingId_freqInputDiffFilter);
    FreqInputSettings settings;
    settings.spikeFilter = true;
    EngineSpeedFrameProxy engine(&frequency, &rate, &settings);
    engine.newFreqFrame({periodWord(100)});
    engine.newFreqFrame({periodWord(100)});

    QList<bool> used;
    for (double hz : {100.0, 100.0, 250.0, 120.0, 120.0})
        used.append(engine.newFreqFrame({periodWord(hz)}));
    QCOMPARE(used, (QList<bool>{true, true, false, false, true}));

    settings.spikeFilter = false;
    QVERIFY(engine.newFreqFrame({periodWord(400)}));
}

void TestFrequencyInputs::rateFollowsARampOfFrequency()
{
    // 1000 Hz rising by 200 Hz/s: once settled, the rate channel reads 200.
    FilterBoxVariableSamplingChannel frequency(DynoSettingId_freqInputFilter);
    FilterBoxVariableSamplingChannel rate(DynoSettingId_freqInputDiffFilter);
    frequency.setFilterCutoffFrequency(10.0);
    rate.setFilterCutoffFrequency(3.0);
    FreqInputSettings settings;
    settings.signalsPerRotation = 36;
    DigitalFreqInputFrameProxy proxy(McuFreqInput::Channel0, &frequency, &rate, &settings);
    double t = 0.0;
    double hz = 1000.0;
    while (t < 3.0) {
        proxy.newFreqFrame({periodWord(hz)});
        t += 1.0 / hz;
        hz = 1000.0 + 200.0 * t;
    }
    QVERIFY(rate.settled());
    QVERIFY2(qAbs(rate.take() - 200.0) < 2.0, "rate of a 200 Hz/s ramp");
    // The output lags the input by the filter's delay, a little over 0.1 s at 10 Hz.
    const double lag = (hz - frequency.take()) / 200.0;
    QVERIFY2(lag > 0.08 && lag < 0.15, qPrintable(QString::number(lag)));
}

void TestFrequencyInputs::fixedRateChannelSettlesAfterFourTimeConstants()
{
    FilterBoxChannel channel(500, DynoSettingId_ainFilter);
    channel.setFilterCutoffFrequency(10.0);
    // 4 / (2π · 10 Hz) = 63.7 ms: 32 samples at 500 Hz.
    for (int i = 0; i < 31; ++i) {
        channel.addSample(2500.0);
        QVERIFY(std::isnan(channel.value()));
    }
    channel.addSample(2500.0);
    QCOMPARE(channel.value(), 2500.0);
    // A gap in the signal starts the settling over.
    channel.addSample(std::nan(""));
    channel.addSample(2500.0);
    QVERIFY(std::isnan(channel.value()));
}

void TestFrequencyInputs::cutoffChangeInvalidatesUntilSettled()
{
    FilterBoxVariableSamplingChannel channel(DynoSettingId_freqInputFilter);
    channel.setFilterCutoffFrequency(5.0);
    const double settling = 3.0 / (2.0 * M_PI * 5.0) + 0.2;
    double t = 0.0;
    while (t + 0.001 < settling) {
        channel.addSample(100.0, 0.001);
        t += 0.001;
        QVERIFY(std::isnan(channel.take()));
    }
    channel.addSample(100.0, 0.002);
    QCOMPARE(channel.take(), 100.0);
}

void TestFrequencyInputs::stoppedInputReadsZeroAtOnce()
{
    FilterBoxVariableSamplingChannel channel(DynoSettingId_freqInputFilter);
    channel.setFilterCutoffFrequency(5.0);
    channel.addSample(100.0, 0.001);
    QVERIFY(std::isnan(channel.take()));
    channel.zero();
    QVERIFY(channel.hasNewData());
    QCOMPARE(channel.take(), 0.0);
    // New frames filter upwards from 0.
    channel.addSample(100.0, 0.01);
    const double next = channel.take();
    QVERIFY(next > 0.0 && next < 100.0);
}

QTEST_GUILESS_MAIN(TestFrequencyInputs)
#include "tst_frequency_inputs.moc"
