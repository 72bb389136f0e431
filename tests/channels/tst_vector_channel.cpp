// Recorded channels: their views and caches, setups shared between runs and
// private to copies, keys, and the legacy OBD table older runs need.
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "LegacyObdChannel.h"
#include "LegacyObdChannelsModel.h"
#include "LogCapture.h"
#include "RunChannel.h"
#include "VectorChannel.h"
#include "lib/Units.h"

#include <QTest>

#include <cmath>
#include <memory>

namespace {

const Unit* unitOf(Quantity quantity, const char* name)
{
    return theUnits.getUnitByQuantityAndName(quantity, QString::fromUtf8(name));
}

QList<double> ramp(int n)
{
    QList<double> values;
    for (int i = 0; i < n; ++i)
        values.append(std::sin(i * 0.1) + i * 0.01);
    return values;
}

} // namespace

class TestVectorChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void viewsAndCaches();
    void cachesFollowFilterAndUnit();
    void recordedCopiesOfALiveChannel();
    void privateCopiesAndSlices();
    void timeVector();
    void legacyObdTable();
};

void TestVectorChannel::initTestCase()
{
    theUnits.init();
}

void TestVectorChannel::viewsAndCaches()
{
    VectorChannel vector(100.0, QStringLiteral("views_v"), QStringLiteral("Views"), Quantity::Speed, 0, nullptr);
    *vector.getRawData() = ramp(400);
    vector.setup->unit = unitOf(Quantity::Speed, "m/s");

    // Unfiltered in an identity unit: the samples themselves, no copy.
    QCOMPARE(vector.getTranslatedData(), &vector.rawSamples());
    QCOMPARE(vector.getFilteredData(), &vector.rawSamples());

    vector.setup->unit = unitOf(Quantity::Speed, "km/h");
    const QList<double>* kmh = vector.getTranslatedData();
    QVERIFY(kmh != &vector.rawSamples());
    for (int i = 0; i < 400; ++i)
        QCOMPARE(kmh->at(i), vector.rawSamples().at(i) * 3.6);
    QCOMPARE(vector.getTranslatedData(), kmh); // cached

    // An offset unit: NaN samples stay NaN.
    VectorChannel temperature(100.0, QString(), QString(), Quantity::Temperature, 3, nullptr);
    *temperature.getRawData() = {273.15, qQNaN(), 300.0};
    temperature.setup->quantity = Quantity::Temperature;
    temperature.setup->unit = unitOf(Quantity::Temperature, "°C");
    const QList<double> celsius = *temperature.getTranslatedData();
    QVERIFY(std::fabs(celsius.at(0)) < 1e-12);
    QVERIFY(std::isnan(celsius.at(1)));
    QVERIFY(std::fabs(celsius.at(2) - 26.85) < 1e-9);
}

void TestVectorChannel::cachesFollowFilterAndUnit()
{
    VectorChannel vector(100.0, QStringLiteral("caches_v"), QStringLiteral("Caches"), Quantity::Speed, 0, nullptr);
    QList<double>* raw = vector.getRawData();
    *raw = ramp(600);
    vector.setup->unit = unitOf(Quantity::Speed, "km/h");
    vector.setup->filter = 0.1;
    emit vector.setup->signal_setupChanged();
    const QList<double> filtered = *vector.getFilteredData();
    QVERIFY(filtered.at(300) != vector.rawSamples().at(300));

    // Writing through a pointer taken earlier leaves the views stale...
    (*raw)[300] += 100.0;
    QCOMPARE(vector.getFilteredData()->at(300), filtered.at(300));
    // ...and another unit converts again without filtering again.
    vector.setup->unit = unitOf(Quantity::Speed, "mph");
    emit vector.setup->signal_setupChanged();
    const QList<double>* mph = vector.getTranslatedData();
    QCOMPARE(mph->at(300), filtered.at(300) * unitOf(Quantity::Speed, "mph")->factor);

    // A new filter time filters the samples as they are now.
    vector.setup->filter = 0.2;
    emit vector.setup->signal_setupChanged();
    const QList<double> refiltered = *vector.getFilteredData();
    QVERIFY(refiltered.at(300) > filtered.at(300) + 1.0);
    QCOMPARE(vector.getTranslatedData()->at(300), refiltered.at(300) * unitOf(Quantity::Speed, "mph")->factor);

    // Writing through getRawData refilters even with the same filter time.
    (*vector.getRawData())[300] -= 100.0;
    QVERIFY(vector.getFilteredData()->at(300) < refiltered.at(300) - 1.0);
}

void TestVectorChannel::recordedCopiesOfALiveChannel()
{
    RunChannel live(6, QStringLiteral("roller_%1_speed"), 1, QStringLiteral("Roller %1 road speed"), Quantity::Speed);
    VectorChannel time(100.0, QString(), QString(), Quantity::Time, 5, nullptr);

    // Two loaded runs share one analysis setup for the same live channel.
    VectorChannel first(&live, 0, 5, 100.0, &time, QString(), static_cast<Quantity>(-1));
    VectorChannel second(&live, 0, 5, 100.0, &time, QString(), static_cast<Quantity>(-1));
    QCOMPARE(first.setup->key, QStringLiteral("roller_1_speed_v"));
    QCOMPARE(first.setup->runKey, QStringLiteral("roller_1_speed"));
    QCOMPARE(first.setup->displayName, QStringLiteral("Roller 1 road speed"));
    QCOMPARE(first.setup, second.setup);
    QCOMPARE(first.setup->parent(), &theVectorChannelSetupModel);
    QCOMPARE(first.setup->flags, 6u);
    first.setup->unit = unitOf(Quantity::Speed, "mph");
    QCOMPARE(second.setup->unit->name, QStringLiteral("mph"));
    QCOMPARE(first.rawSamples(), QList<double>(5, 0.0));
    // The live setup stays its own.
    QVERIFY(live.setup != first.setup);

    VectorChannel peak(&live, 1, 5, 100.0, &time, QStringLiteral("max"), Quantity::Speed);
    QCOMPARE(peak.setup->key, QStringLiteral("roller_2_speed_v_max"));
    QCOMPARE(peak.setup->displayName, QStringLiteral("max"));
    QCOMPARE(peak.suffix, QStringLiteral("max"));

    VectorChannel any(&live, 3, 100.0, &time, false);
    QCOMPARE(any.setup->key, QStringLiteral("roller_1_speed_v"));
    QCOMPARE(any.setup, first.setup);

    ChannelSetup functionSetup;
    functionSetup.key = QStringLiteral("F_boost");
    functionSetup.displayName = QStringLiteral("Boost");
    functionSetup.quantity = Quantity::Pressure;
    functionSetup.unit = theUnits.getDefaultUnit(Quantity::Pressure);
    VectorChannel function(100.0, 8, QStringLiteral("F_boost_p"), &functionSetup, &time);
    QCOMPARE(function.setup->runKey, QStringLiteral("F_boost"));
    QCOMPARE(function.setup->flags, 8u);
    QCOMPARE(function.setup->displayName, QStringLiteral("Boost"));
    QCOMPARE(function.setup->quantity, Quantity::Pressure);
}

void TestVectorChannel::privateCopiesAndSlices()
{
    VectorChannel time(50.0, QString(), QString(), Quantity::Time, 6, nullptr);
    VectorChannel source(50.0, QStringLiteral("slices_v"), QStringLiteral("Slices"), Quantity::Power, 0, &time);
    *source.getRawData() = {0, 1, 2, 3, 4, 5};
    source.suffix = QStringLiteral("s");
    source.setup->color = Qt::red;

    VectorChannel slice(&source, 2, 3, QStringLiteral("Part"));
    QCOMPARE(slice.rawSamples(), QList<double>({2, 3, 4}));
    QCOMPARE(slice.setup->displayName, QStringLiteral("Part"));
    QCOMPARE(slice.setup->parent(), &slice);
    slice.setup->color = Qt::blue;
    QCOMPARE(source.setup->color, QColor(Qt::red));
    QCOMPARE(slice.getTimeVector(), &time); // the full-length time vector
    QCOMPARE(slice.samplingRate, 50.0);
    QCOMPARE(slice.suffix, QStringLiteral("s"));

    VectorChannel copy(&source);
    QCOMPARE(copy.rawSamples(), source.rawSamples());
    QVERIFY(copy.setup != source.setup);
    QCOMPARE(copy.setup->displayName, QStringLiteral("Slices"));
    (*copy.getRawData())[0] = 99;
    QCOMPARE(source.rawSamples().at(0), 0.0);

    VectorChannel part(source.setup, 50.0, &time);
    part.mid(&source, 1, 4);
    QCOMPARE(part.rawSamples(), QList<double>({1, 2, 3, 4}));
}

void TestVectorChannel::timeVector()
{
    LogCapture log;
    VectorChannel time(100.0, QStringLiteral("time_t"), QStringLiteral("Time"), Quantity::Time, 3, nullptr);
    QCOMPARE(time.getTimeVector(), &time);
    QCOMPARE(log.count(QStringLiteral("Time vector is not set on VectorChannel")), 1);
}

void TestVectorChannel::legacyObdTable()
{
    int entries = 0;
    for (int pid = 0; pid <= 0xFF; ++pid)
        entries += theLegacyObdChannelsModel.getChannel(pid) != nullptr;
    QCOMPARE(entries, 106);
    // Records carry a whole byte: PID 0xFF and beyond read nothing.
    QCOMPARE(theLegacyObdChannelsModel.getChannel(0xFF), nullptr);
    QCOMPARE(theLegacyObdChannelsModel.getChannel(256), nullptr);
    QCOMPARE(theLegacyObdChannelsModel.getChannel(-1), nullptr);
    QCOMPARE(theLegacyObdChannelsModel.list.size(), 256);
    QCOMPARE(theLegacyObdChannelsModel.getChannel(0x20), nullptr);

    const LegacyObdChannel* engine = theLegacyObdChannelsModel.getChannel(0x0C);
    QCOMPARE(engine->name, QStringLiteral("Engine speed"));
    QCOMPARE(engine->quantity, Quantity::RotationalSpeed);
    QCOMPARE(engine->getChannelDisplayName(), QStringLiteral("OBD 12 Engine speed"));
    QCOMPARE(engine->getVectorChannelKey(), QStringLiteral("OBD_12_ω"));
    QCOMPARE(theLegacyObdChannelsModel.getChannel(0x0D)->quantity, Quantity::Speed);
    QCOMPARE(theLegacyObdChannelsModel.getChannel(0xA6)->getVectorChannelKey(), QStringLiteral("OBD_166_l"));
    // Two names that differ only in a point get different keys.
    QVERIFY(theLegacyObdChannelsModel.getChannel(0x32)->getVectorChannelKey()
            != theLegacyObdChannelsModel.getChannel(0xA3)->getVectorChannelKey());
}

QTEST_MAIN(TestVectorChannel)
#include "tst_vector_channel.moc"
