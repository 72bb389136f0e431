// Live channels: the filter and its settling period, alarms and warnings with
// delay and gate, the texts, and values written from another thread.
#include "Argument.h"
#include "ChannelSetup.h"
#include "Colors.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "lib/Units.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr qint64 kStart = 1700000000000; // a plausible wall-clock time in ms

qint64 g_now = kStart;
qint64 testClock()
{
    return g_now;
}

int g_keys = 0;
// A live channel of its own key, so no two tests share a setup.
std::unique_ptr<RunChannel> makeChannel(Quantity quantity = Quantity::None, double filter = 0.0)
{
    auto channel = std::make_unique<RunChannel>(7, QStringLiteral("test_live_%1"), ++g_keys,
                                                QStringLiteral("Test %1"), quantity);
    channel->setup->filter = filter;
    emit channel->setup->signal_setupChanged();
    return channel;
}

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
}

const QColor* colorOf(const RunChannel& channel)
{
    return &channel.getAlarmOrWarningColor();
}

} // namespace

class TestRunChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void unfilteredChannelTakesEverySample();
    void filterSteps_data();
    void filterSteps();
    void settlingAfterSetupChange_data();
    void settlingAfterSetupChange();
    void missingSamplesAndTimeGoingBack();
    void valueStaysWithoutTimeOut();
    void alarmsAndWarnings_data();
    void alarmsAndWarnings();
    void alarmClearsAndStartsANewDelay();
    void highAndLowShareOneTimer();
    void settlingChannelRaisesNothing();
    void texts();
    void removalAsksOnlyWhenArgumentsUseTheChannel();
    void setupChangesWhileAnotherThreadWrites();
};

void TestRunChannel::initTestCase()
{
    theUnits.init();
    theColors.init();
    RunChannel::setWallClock(&testClock);
}

void TestRunChannel::init()
{
    g_now = kStart;
}

void TestRunChannel::cleanupTestCase()
{
    RunChannel::setWallClock(nullptr);
}

void TestRunChannel::unfilteredChannelTakesEverySample()
{
    auto channel = makeChannel();
    QSignalSpy data(channel.get(), &RunChannel::signal_newData);
    QVERIFY(std::isnan(channel->getValue()));
    channel->setData(5.0, kStart);
    QCOMPARE(channel->getValue(), 5.0);
    channel->setData(-3.0, kStart + 1);
    QCOMPARE(channel->getValue(), -3.0);
    QCOMPARE(data.size(), 2);
    QCOMPARE(data.at(0).at(0).toDouble(), 5.0);
    QCOMPARE(data.at(0).at(1).toLongLong(), kStart);

    const int first = channel->uniqueId;
    auto next = makeChannel();
    QCOMPARE(next->uniqueId, first + 1);
}

void TestRunChannel::filterSteps_data()
{
    QTest::addColumn<double>("tau");
    QTest::addColumn<int>("stepMs");
    QTest::addColumn<int>("steps");

    QTest::newRow("1 s, 10 ms") << 1.0 << 10 << 100;
    QTest::newRow("0.5 s, 10 ms") << 0.5 << 10 << 50;
    QTest::newRow("2 s, 20 ms") << 2.0 << 20 << 10;
    QTest::newRow("0.1 s, 1 ms") << 0.1 << 1 << 300;
}

void TestRunChannel::filterSteps()
{
    QFETCH(double, tau);
    QFETCH(int, stepMs);
    QFETCH(int, steps);

    auto channel = makeChannel(Quantity::None, tau);
    QVERIFY(std::isnan(channel->getValue()));
    // The first sample is taken as it is and makes the channel valid.
    channel->setData(0.0, kStart);
    QCOMPARE(channel->getValue(), 0.0);
    // Each sample of 1 closes the factor 1 - exp(-dt / tau) of the distance left.
    const double k = std::exp(-stepMs / 1000.0 / tau);
    double expected = 0.0;
    for (int i = 1; i <= steps; ++i) {
        channel->setData(1.0, kStart + qint64(i) * stepMs);
        expected = 1.0 * (1.0 - k) + k * expected;
        QVERIFY2(near(channel->getValue(), expected), qPrintable(QStringLiteral("step %1").arg(i)));
    }
    QVERIFY(near(expected, 1.0 - std::pow(k, steps)));
}

void TestRunChannel::settlingAfterSetupChange_data()
{
    QTest::addColumn<double>("tau");
    QTest::addColumn<int>("settlingMs");

    QTest::newRow("1 s") << 1.0 << 3200;
    QTest::newRow("0.5 s") << 0.5 << 1700;
    QTest::newRow("unfiltered") << 0.0 << 0;
}

void TestRunChannel::settlingAfterSetupChange()
{
    QFETCH(double, tau);
    QFETCH(int, settlingMs);

    auto channel = makeChannel(Quantity::None, tau);
    channel->setData(4.0, kStart);
    QCOMPARE(channel->getValue(), 4.0);

    // Any change of the setup (here the colour) restarts the settling.
    channel->setup->color = Qt::green;
    emit channel->setup->signal_setupChanged();
    QSignalSpy data(channel.get(), &RunChannel::signal_newData);
    qint64 t = kStart;
    for (int elapsed = 10; elapsed <= settlingMs + 100; elapsed += 10) {
        t = kStart + elapsed;
        channel->setData(4.0, t);
        if (elapsed == settlingMs)
            continue; // sums of sample steps meet the settling time only to rounding
        const bool settled = elapsed > settlingMs;
        QCOMPARE(!std::isnan(channel->getValue()), settled);
        QCOMPARE(!std::isnan(data.last().at(0).toDouble()), settled);
    }
    QVERIFY(near(channel->getValue(), 4.0));
}

void TestRunChannel::missingSamplesAndTimeGoingBack()
{
    auto channel = makeChannel(Quantity::None, 1.0);
    channel->setData(10.0, kStart);
    channel->setData(kNaN, kStart + 10);
    QVERIFY(std::isnan(channel->getValue()));
    channel->setData(7.0, kStart + 20);
    QCOMPARE(channel->getValue(), 7.0); // the filter starts again from the sample

    // A clock that jumps back does not blow the filter up: it starts again
    // from the sample and carries on filtering from there.
    channel->setData(50.0, kStart - 60000);
    QCOMPARE(channel->getValue(), 50.0);
    channel->setData(60.0, kStart - 60000 + 10);
    const double k = std::exp(-0.01);
    QVERIFY(near(channel->getValue(), 60.0 * (1.0 - k) + k * 50.0));

    // Unfiltered: a step back just takes the sample.
    auto plain = makeChannel();
    plain->setData(1.0, kStart);
    plain->setData(2.0, kStart - 5);
    QCOMPARE(plain->getValue(), 2.0);
}

void TestRunChannel::valueStaysWithoutTimeOut()
{
    auto channel = makeChannel(Quantity::None, 0.5);
    channel->setData(7.0, kStart);
    g_now = kStart + 3600 * 1000;
    channel->slot_checkWarningsAndAlarms();
    double value = 0;
    qint64 stamp = 0;
    channel->getTimestampedData(value, stamp);
    QCOMPARE(value, 7.0);
    QCOMPARE(stamp, kStart);
    QCOMPARE(channel->getValue(), 7.0);
}

void TestRunChannel::alarmsAndWarnings_data()
{
    QTest::addColumn<QString>("gate");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("delay");
    // At the checks 0, 1, 1.999, 2 and 2.5 s after the sample: alarms emitted
    // so far and the colour, as a letter: n normal, o warning high, b warning
    // low, R alarm high, B alarm low.
    QTest::addColumn<QList<int>>("alarms");
    QTest::addColumn<QString>("colors");
    QTest::addColumn<int>("alarmType");

    const QList<int> delayed = {0, 0, 0, 1, 2};
    const QList<int> none = {0, 0, 0, 0, 0};
    QTest::newRow("high, no gate") << "null" << 120.0 << 2.0 << delayed << "oooRR" << 1;
    QTest::newRow("high, gate 1") << "1" << 120.0 << 2.0 << delayed << "oooRR" << 1;
    QTest::newRow("high, gate 0") << "0" << 120.0 << 2.0 << none << "nnnnn" << -1;
    QTest::newRow("high, gate 2") << "2" << 120.0 << 2.0 << none << "nnnnn" << -1;
    QTest::newRow("high, gate channel at 1") << "channel 1" << 120.0 << 2.0 << delayed << "oooRR" << 1;
    QTest::newRow("high, gate channel at 0") << "channel 0" << 120.0 << 2.0 << none << "nnnnn" << -1;
    QTest::newRow("high, gate channel without value") << "channel NaN" << 120.0 << 2.0 << delayed << "oooRR" << 1;
    QTest::newRow("high, no delay") << "null" << 120.0 << 0.0 << QList<int>{1, 2, 3, 4, 5} << "RRRRR" << 1;
    QTest::newRow("warning only") << "null" << 105.0 << 2.0 << none << "ooooo" << -1;
    QTest::newRow("within limits") << "null" << 50.0 << 2.0 << none << "nnnnn" << -1;
    QTest::newRow("low, delayed") << "null" << -20.0 << 2.0 << delayed << "bbbBB" << 0;
    QTest::newRow("low warning only") << "null" << 5.0 << 2.0 << none << "bbbbb" << -1;
    QTest::newRow("low, gate 0") << "0" << -20.0 << 0.0 << none << "nnnnn" << -1;
}

void TestRunChannel::alarmsAndWarnings()
{
    QFETCH(QString, gate);
    QFETCH(double, value);
    QFETCH(double, delay);
    QFETCH(QList<int>, alarms);
    QFETCH(QString, colors);
    QFETCH(int, alarmType);

    auto gateChannel = makeChannel(Quantity::Logic);
    auto channel = makeChannel(Quantity::None);
    ChannelSetup* setup = channel->setup;
    setup->warningLow = 10.0;
    setup->warningHigh = 100.0;
    setup->alarmLow = 0.0;
    setup->alarmHigh = 110.0;
    setup->alarmDelay = delay;
    if (gate.startsWith(QLatin1String("channel"))) {
        setup->alarmGate->setChannel(gateChannel.get(), false);
        const QString level = gate.section(QLatin1Char(' '), 1);
        if (level != QLatin1String("NaN"))
            gateChannel->setData(level.toDouble(), kStart);
    } else if (gate != QLatin1String("null")) {
        setup->alarmGate->setConstant(gate.toDouble(), false);
    }
    emit setup->signal_setupChanged();

    QSignalSpy raised(channel.get(), &RunChannel::signal_alarm);
    const QList<qint64> checks = {0, 1000, 1999, 2000, 2500};
    const QMap<QChar, const QColor*> palette = {
        {QLatin1Char('n'), &theColors.colorInactive}, {QLatin1Char('o'), &theColors.colorWarningHigh},
        {QLatin1Char('b'), &theColors.colorWarningLow},  {QLatin1Char('R'), &theColors.colorAlarmHigh},
        {QLatin1Char('B'), &theColors.colorAlarmLow},
    };
    for (int i = 0; i < checks.size(); ++i) {
        g_now = kStart + checks.at(i);
        if (i == 0)
            channel->setData(value, g_now); // a write runs the check too
        else
            channel->slot_checkWarningsAndAlarms();
        QCOMPARE(raised.size(), alarms.at(i));
        QCOMPARE(colorOf(*channel), palette.value(colors.at(i)));
        // The state colours themselves: red, blue, orange, light blue, else the palette's Base.
        static const QMap<QChar, QRgb> rgb = {{QLatin1Char('n'), qRgb(255, 255, 255)}, {QLatin1Char('o'), qRgb(255, 150, 0)},
                                              {QLatin1Char('b'), qRgb(0, 150, 255)},   {QLatin1Char('R'), qRgb(255, 0, 0)},
                                              {QLatin1Char('B'), qRgb(0, 0, 255)}};
        QCOMPARE(colorOf(*channel)->rgb(), rgb.value(colors.at(i)));
        if (colors.at(i) == QLatin1Char('n'))
            QCOMPARE(*colorOf(*channel), QApplication::palette().color(QPalette::Base));
    }
    for (const QList<QVariant>& signal : std::as_const(raised))
        QCOMPARE(signal.at(0).value<AlarmType>(), AlarmType(alarmType));
    if (alarmType < 0) {
        const RunChannel::AlarmState state = channel->alarmState();
        QVERIFY(!state.alarmActive);
    }
}

void TestRunChannel::alarmClearsAndStartsANewDelay()
{
    auto channel = makeChannel();
    channel->setup->alarmHigh = 100.0;
    channel->setup->alarmDelay = 1.0;
    emit channel->setup->signal_setupChanged();
    QSignalSpy raised(channel.get(), &RunChannel::signal_alarm);

    channel->setData(120.0, g_now);
    g_now += 1000;
    channel->slot_checkWarningsAndAlarms();
    QCOMPARE(raised.size(), 1);
    QVERIFY(channel->alarmState().alarmActive);

    channel->setData(90.0, g_now);
    const RunChannel::AlarmState cleared = channel->alarmState();
    QVERIFY(!cleared.alarmActive && !cleared.alarmTimerRunning && !cleared.aboveAlarmHigh);
    QCOMPARE(colorOf(*channel), &theColors.colorInactive);

    g_now += 5000;
    channel->setData(130.0, g_now);
    g_now += 999;
    channel->slot_checkWarningsAndAlarms();
    QCOMPARE(raised.size(), 1);
    g_now += 1;
    channel->slot_checkWarningsAndAlarms();
    QCOMPARE(raised.size(), 2);
}

void TestRunChannel::highAndLowShareOneTimer()
{
    auto channel = makeChannel();
    channel->setup->alarmLow = 0.0;
    channel->setup->alarmHigh = 100.0;
    channel->setup->alarmDelay = 2.0;
    emit channel->setup->signal_setupChanged();
    QSignalSpy raised(channel.get(), &RunChannel::signal_alarm);

    channel->setData(120.0, g_now);
    g_now += 1500;
    channel->setData(-50.0, g_now);
    QCOMPARE(raised.size(), 0);
    g_now += 500;
    channel->slot_checkWarningsAndAlarms();
    QCOMPARE(raised.size(), 1);
    QCOMPARE(raised.at(0).at(0).value<AlarmType>(), AlarmType_low);
    QCOMPARE(colorOf(*channel), &theColors.colorAlarmLow);
}

void TestRunChannel::settlingChannelRaisesNothing()
{
    auto channel = makeChannel(Quantity::None, 1.0);
    channel->setup->alarmHigh = 100.0;
    channel->setup->warningHigh = 50.0;
    channel->setData(120.0, g_now);
    emit channel->setup->signal_setupChanged(); // limits in, settling starts
    QSignalSpy raised(channel.get(), &RunChannel::signal_alarm);
    for (int i = 1; i <= 10; ++i) {
        g_now += 100;
        channel->setData(120.0, g_now);
        QVERIFY(std::isnan(channel->getValue()));
    }
    QCOMPARE(raised.size(), 0);
    QCOMPARE(colorOf(*channel), &theColors.colorInactive);
}

void TestRunChannel::texts()
{
    auto channel = makeChannel(Quantity::Speed);
    QCOMPARE(channel->getTimestampString(), QStringLiteral("?"));
    ChannelSetup* setup = channel->setup;
    setup->unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    setup->decimals = 1;
    setup->autorangeMin = setup->autorangeMax = false;
    setup->rangeMin = 0.0;
    setup->rangeMax = 100.0 / 3.6;
    emit setup->signal_setupChanged();

    channel->setData(150.0 / 3.6, kStart + 1234);
    QVERIFY(near(channel->getDataTranslated(), 150.0));
    QCOMPARE(channel->getDataTranslatedString(), QStringLiteral("150.0"));
    QCOMPARE(channel->getDataTranslatedWithUnit(), QStringLiteral("150.0km/h"));
    QCOMPARE(channel->getDataTranslatedAndClippedString(), QStringLiteral("100.0") + QChar(0x02C4));
    setup->autorangeMax = true;
    QCOMPARE(channel->getDataTranslatedAndClippedString(), QStringLiteral("150.0"));
    channel->setData(-1.0, kStart + 1300);
    QCOMPARE(channel->getDataTranslatedAndClippedString(), QStringLiteral("0.0") + QChar(0x02C5));
    channel->setData(kNaN, kStart + 1400);
    QCOMPARE(channel->getDataTranslatedAndClippedString(), QStringLiteral("?"));
    QCOMPARE(channel->getTimestampString(),
             QDateTime::fromMSecsSinceEpoch(kStart + 1400).toString(QStringLiteral("hh:mm:ss.zzz")));

    auto mode = makeChannel(Quantity::Enumerated);
    mode->setup->labels = {{3, QStringLiteral("speed")}};
    mode->setData(3.0, kStart);
    QCOMPARE(mode->getDataTranslatedAndClippedString(), QStringLiteral("3 speed"));
    QCOMPARE(mode->getNameWithUnit(), QStringLiteral("Test %1 [Ⓔ]").arg(g_keys));
}

void TestRunChannel::removalAsksOnlyWhenArgumentsUseTheChannel()
{
    RecordingAnswerer answerer;
    auto channel = makeChannel();
    QCOMPARE(channel->confirmChannelRemoval(), false);
    QCOMPARE(answerer.shown.size(), 0);

    Argument argument;
    argument.setChannel(channel.get(), false);
    answerer.result = QMessageBox::No;
    QCOMPARE(channel->confirmChannelRemoval(), true); // keep it
    answerer.result = QMessageBox::Yes;
    QCOMPARE(channel->confirmChannelRemoval(), false);
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(0).title, QStringLiteral("Remove Channel"));
    QVERIFY(answerer.shown.at(0).text.startsWith(QStringLiteral("The channel is used as an argument.")));
}

void TestRunChannel::setupChangesWhileAnotherThreadWrites()
{
    // The run thread writes while the operator edits the setup: the writer only
    // sees whole copies of filter and limits taken under the channel's lock.
    auto channel = makeChannel(Quantity::None, 0.0);
    auto gate = makeChannel(Quantity::Logic);
    gate->setData(1.0, kStart);
    channel->setup->alarmGate->setChannel(gate.get(), false);
    std::atomic<bool> stop {false};
    std::atomic<qint64> written {0};
    QThread* writer = QThread::create([&] {
        qint64 t = kStart;
        while (!stop.load()) {
            ++t;
            channel->setData(double(t % 200), t);
            gate->setData(double(t % 2), t);
            ++written;
        }
    });
    writer->start();
    for (int i = 0; i < 2000; ++i) {
        channel->setup->filter = (i % 3) * 0.01;
        channel->setup->alarmHigh = i % 2 ? 150.0 : kInf;
        channel->setup->warningLow = i % 5;
        emit channel->setup->signal_setupChanged();
        channel->slot_checkWarningsAndAlarms();
        (void)channel->getDataTranslated();
    }
    QTRY_VERIFY(written.load() > 1000);
    stop = true;
    writer->wait();
    delete writer;
    channel->setup->alarmGate->setNull(false);
    QVERIFY(!std::isinf(channel->getValue()));
}

QTEST_MAIN(TestRunChannel)
#include "tst_run_channel.moc"
