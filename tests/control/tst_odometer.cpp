// The dyno odometer with a recording link to the controller's user page:
// the labels of reported words, the run's accumulation, the words written
// back at the run end, and counters that wait for words not yet reported.
#include "DynoOdometer.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

struct Write {
    int id;
    uint32_t value;
    bool operator==(const Write& other) const { return id == other.id && value == other.value; }
};

} // namespace

class TestOdometer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void labels_data();
    void labels();
    void trapezoidDistance();
    void runEndWritesWords();
    void peaksOnlyRaise_data();
    void peaksOnlyRaise();
    void runBeforeWordsKnownWaits();
    void conversionsClamp_data();
    void conversionsClamp();
    void badRunValuesAddNothing();

private:
    void reportAll(uint32_t runs, uint32_t seconds, uint32_t metres, uint32_t speed, uint32_t acc, uint32_t dec);
    std::unique_ptr<DynoOdometer> odometer;
    QList<int> reads;
    QList<Write> writes;
    int commits = 0;
};

void TestOdometer::init()
{
    reads.clear();
    writes.clear();
    commits = 0;
    odometer = std::make_unique<DynoOdometer>();
    DynoOdometer::Link link;
    link.read = [this](uint8_t id) { reads.append(id); };
    link.write = [this](uint8_t id, uint32_t value) { writes.append({id, value}); };
    link.commit = [this] { ++commits; };
    odometer->setLink(link);
    odometer->init();
}

void TestOdometer::reportAll(uint32_t runs, uint32_t seconds, uint32_t metres, uint32_t speed, uint32_t acc,
                             uint32_t dec)
{
    odometer->slot_userPageData(2, runs);
    odometer->slot_userPageData(3, seconds);
    odometer->slot_userPageData(4, metres);
    odometer->slot_userPageData(5, speed);
    odometer->slot_userPageData(6, acc);
    odometer->slot_userPageData(7, dec);
}

void TestOdometer::labels_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<uint>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("runs") << 2 << 17u << QStringLiteral("Total run count: 17");
    QTest::newRow("time") << 3 << 3725u << QStringLiteral("Total run time: 1h : 2m : 5s");
    QTest::newRow("distance") << 4 << 123456u << QStringLiteral("Total run distance: 123456 m");
    QTest::newRow("speed") << 5 << 71u << QStringLiteral("Peak road speed: 71 m/s");
    QTest::newRow("acceleration") << 6 << 9810u << QStringLiteral("Peak road acceleration: 9.81 m/s²");
    QTest::newRow("deceleration") << 7 << 12500u << QStringLiteral("Peak road deceleration: 12.5 m/s²");
}

void TestOdometer::labels()
{
    QFETCH(int, id);
    QFETCH(uint, value);
    QFETCH(QString, text);
    // Requested at start-up, shown with placeholders until reported.
    QCOMPARE(reads, QList<int>({2, 3, 4, 5, 6, 7}));
    QVERIFY(odometer->labelText(id).contains(QLatin1Char('%')));
    odometer->slot_userPageData(uchar(id), value);
    QCOMPARE(odometer->labelText(id), text);
    // Ids outside the counters are ignored.
    odometer->slot_userPageData(9, 5);
    QCOMPARE(odometer->word(9), 0u);
}

void TestOdometer::trapezoidDistance()
{
    odometer->runStarted(1000);
    // 10 m/s for 20 s after a first sample 1 s into the run (the start counts as 0 m/s).
    for (qint64 t = 2000; t <= 22000; t += 10)
        odometer->newSpeedInfo(10.0, t);
    QCOMPARE(odometer->runDistance(), 205.0);
    odometer->newAccelerationInfo(3.0);
    odometer->newAccelerationInfo(-12.5);
    odometer->newAccelerationInfo(1.0);
    QCOMPARE(odometer->peakAcceleration(), 3.0);
    QCOMPARE(odometer->peakDeceleration(), -12.5);
    // A new run starts from nothing.
    odometer->runStarted(50000);
    QCOMPARE(odometer->runDistance(), 0.0);
    QCOMPARE(odometer->peakDeceleration(), 0.0);
}

void TestOdometer::runEndWritesWords()
{
    reportAll(10, 3600, 5000, 40, 5000, 6000);
    odometer->runStarted(0);
    odometer->newSpeedInfo(10.0, 10000);
    odometer->newAccelerationInfo(6.0);
    odometer->slot_runFinished(12.7);
    const QList<Write> expected = {{2, 11}, {3, 3612}, {4, 5050}, {5, 40}, {6, 6000}, {7, 6000}};
    QCOMPARE(writes.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(writes.at(i).id, expected.at(i).id);
        QCOMPARE(writes.at(i).value, expected.at(i).value);
    }
    QCOMPARE(commits, 1);
    QCOMPARE(odometer->labelText(2), QStringLiteral("Total run count: 11"));
    QCOMPARE(odometer->getRunTime(), 3612.0);
    QCOMPARE(odometer->getTotalRunDistance(), 5050.0);
}

void TestOdometer::peaksOnlyRaise_data()
{
    QTest::addColumn<uint>("stored");
    QTest::addColumn<uint>("after");
    QTest::newRow("below") << 12000u << 12500u;
    QTest::newRow("above") << 13000u << 13000u;
}

void TestOdometer::peaksOnlyRaise()
{
    QFETCH(uint, stored);
    QFETCH(uint, after);
    reportAll(0, 0, 0, 0, 0, stored);
    odometer->runStarted(0);
    odometer->newAccelerationInfo(-12.5);
    odometer->slot_runFinished(1.0);
    QCOMPARE(odometer->word(7), after);
}

void TestOdometer::runBeforeWordsKnownWaits()
{
    // Only some words reported when the run ends: nothing is written back,
    // zeros would wipe the lifetime counters.
    odometer->slot_userPageData(2, 100);
    odometer->slot_userPageData(4, 90000);
    odometer->runStarted(0);
    odometer->newSpeedInfo(20.0, 10000);
    odometer->slot_runFinished(10.0);
    QVERIFY(writes.isEmpty());
    QCOMPARE(commits, 0);
    QVERIFY(odometer->hasPendingRuns());
    // A second run before the page arrives adds to the same pending counters.
    odometer->runStarted(20000);
    odometer->newSpeedInfo(10.0, 30000);
    odometer->slot_runFinished(5.0);
    QVERIFY(writes.isEmpty());

    odometer->slot_userPageData(3, 7200);
    odometer->slot_userPageData(5, 30);
    odometer->slot_userPageData(6, 1000);
    QVERIFY(writes.isEmpty());
    odometer->slot_userPageData(7, 0xFFFFFFFFu); // never written: counts as 0
    QVERIFY(!odometer->hasPendingRuns());
    QCOMPARE(commits, 1);
    QCOMPARE(odometer->word(2), 102u);
    QCOMPARE(odometer->word(3), 7215u);
    QCOMPARE(odometer->word(4), 90000u + 100u + 50u);
    QCOMPARE(odometer->word(7), 0u);
}

void TestOdometer::conversionsClamp_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<uint>("word");
    QTest::newRow("truncates") << 12.9 << 12u;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0u;
    QTest::newRow("negative") << -5.0 << 0u;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 4294967295u;
    QTest::newRow("too large") << 5e9 << 4294967295u;
}

void TestOdometer::conversionsClamp()
{
    QFETCH(double, value);
    QFETCH(uint, word);
    QCOMPARE(DynoOdometer::toWord(value), word);
}

void TestOdometer::badRunValuesAddNothing()
{
    reportAll(4294967295u - 1, 4294967200u, 1000, 0, 0, 0);
    odometer->runStarted(10000);
    // Backwards samples give a negative distance.
    odometer->newSpeedInfo(-5.0, 20000);
    odometer->slot_runFinished(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(odometer->word(2), 4294967295u);
    QCOMPARE(odometer->word(3), 4294967200u);
    QCOMPARE(odometer->word(4), 1000u);
    // Counters at their limit stay there instead of wrapping to 0.
    odometer->runStarted(0);
    odometer->slot_runFinished(1000.0);
    QCOMPARE(odometer->word(2), 4294967295u);
    QCOMPARE(odometer->word(3), 4294967295u);
}

QTEST_MAIN(TestOdometer)
#include "tst_odometer.moc"
