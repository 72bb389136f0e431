// One channel setup: value rules, texts of enumerations and bit fields, the
// automatic display range and the XML element.
#include "Argument.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "lib/Units.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const Unit* unitOf(Quantity quantity, const char* name)
{
    return theUnits.getUnitByQuantityAndName(quantity, QString::fromUtf8(name));
}

QDomElement elementFrom(QDomDocument& document, const QString& xml)
{
    document.setContent(xml);
    return document.documentElement();
}

QDomElement written(QDomDocument& document, const ChannelSetup& setup)
{
    QDomElement element = document.createElement(QStringLiteral("variable"));
    document.appendChild(element);
    setup.writeSetupToDomElement(&element);
    return element;
}

} // namespace

Q_DECLARE_METATYPE(Quantity)

class TestChannelSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sanitizing_data();
    void sanitizing();
    void namesAndNumbers();
    void enumAndBitfieldTexts_data();
    void enumAndBitfieldTexts();
    void labelsText();
    void autorange_data();
    void autorange();
    void autorangeReadsThePaddingSetting();
    void elementRoundTrip();
    void elementReadingRules();
    void assignmentLeavesTimeBaseAndEmitsNothing();
};

void TestChannelSetup::initTestCase()
{
    theUnits.init();
}

void TestChannelSetup::sanitizing_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<double>("filter");
    QTest::addColumn<int>("groupId");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expectedFilter");
    QTest::addColumn<int>("expectedGroup");
    QTest::addColumn<int>("expectedDecimals");
    QTest::addColumn<int>("expectedSampling");

    QTest::newRow("filter above 2") << 3 << 5.0 << 0 << 2 << 2.0 << 0 << 2 << 1;
    QTest::newRow("negative filter") << 3 << -1.0 << 1 << 2 << 0.0 << 1 << 2 << 1;
    QTest::newRow("NaN filter") << 3 << kNaN << 5 << 2 << 0.0 << 5 << 2 << 1;
    QTest::newRow("group 9") << 3 << 0.5 << 9 << 2 << 0.5 << 0 << 2 << 1;
    QTest::newRow("group -1") << 3 << 0.5 << -1 << 2 << 0.5 << 0 << 2 << 1;
    QTest::newRow("decimals 12") << 3 << 0.5 << 0 << 12 << 0.5 << 0 << 10 << 1;
    QTest::newRow("decimals -12") << 3 << 0.5 << 0 << -12 << 0.5 << 0 << -10 << 1;
    QTest::newRow("logic") << 30 << 1.0 << 0 << 3 << 0.0 << 0 << 0 << 0;
    QTest::newRow("bit field") << 28 << 1.0 << 0 << 3 << 0.0 << 0 << 0 << 0;
    QTest::newRow("enumerated") << 29 << 1.0 << 0 << 3 << 0.0 << 0 << 0 << 0;
    QTest::newRow("integer") << 35 << 1.0 << 0 << 3 << 0.0 << 0 << 0 << 0;
}

void TestChannelSetup::sanitizing()
{
    QFETCH(int, quantity);
    QFETCH(double, filter);
    QFETCH(int, groupId);
    QFETCH(int, decimals);

    ChannelSetup setup;
    setup.quantity = Quantity(quantity);
    setup.filter = filter;
    setup.groupId = quint32(groupId);
    setup.decimals = decimals;
    setup.rangeMin = 10;
    setup.rangeMax = 5;
    setup.warningLow = 3;
    setup.warningHigh = 1;
    setup.alarmLow = inf;
    setup.alarmHigh = 7;
    setup.sanitize();

    QTEST(setup.filter, "expectedFilter");
    QTEST(int(setup.groupId), "expectedGroup");
    QTEST(setup.decimals, "expectedDecimals");
    QTEST(int(setup.sampling), "expectedSampling");
    QCOMPARE(setup.rangeMin, 5.0);
    QCOMPARE(setup.warningLow, 1.0);
    QCOMPARE(setup.alarmLow, 7.0);
}

void TestChannelSetup::namesAndNumbers()
{
    ChannelSetup setup;
    setup.key = QStringLiteral("roller_1_speed");
    setup.quantity = Quantity::Speed;
    setup.unit = unitOf(Quantity::Speed, "km/h");
    QCOMPARE(setup.getNameWithUnit(), QStringLiteral("roller_1_speed [km/h]"));
    setup.displayName = QStringLiteral("<Roller> 1");
    QCOMPARE(setup.getName(), QStringLiteral("<Roller> 1"));
    QCOMPARE(setup.getNameWithUnitMultiline(), QStringLiteral("<Roller> 1\n[km/h]"));
    QCOMPARE(setup.getNameWithUnitMultilineHTML(), QStringLiteral("&#x3C;Roller&#x3E; 1<br>[km/h]"));

    setup.decimals = 1;
    QCOMPARE(setup.getStringFromValue(10.0), QStringLiteral("36.0"));
    QCOMPARE(setup.getStringWithUnitFromValue(10.0), QStringLiteral("36.0km/h"));
    QCOMPARE(setup.getStringFromValue(kNaN), QStringLiteral("?"));
    setup.unit = unitOf(Quantity::Speed, "m/s");
    setup.decimals = -3;
    QCOMPARE(setup.getStringFromValue(1234.0), QStringLiteral("1.234e+03"));
}

void TestChannelSetup::enumAndBitfieldTexts_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("withLabels");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bits 1 and 4") << 28 << true << 5.0 << QStringLiteral("1 low; 4 high");
    QTest::newRow("bit without label") << 28 << true << 2.0 << QStringLiteral("2");
    QTest::newRow("bit NaN") << 28 << true << kNaN << QStringLiteral("?");
    QTest::newRow("enum labelled") << 29 << true << 4.0 << QStringLiteral("4 high");
    QTest::newRow("enum unknown") << 29 << true << 7.0 << QStringLiteral("7 unknown");
    QTest::newRow("enum no labels") << 29 << false << 7.0 << QStringLiteral("7");
    QTest::newRow("other quantity") << 3 << true << 0.1234567 << QStringLiteral("0.123457");
}

void TestChannelSetup::enumAndBitfieldTexts()
{
    QFETCH(int, quantity);
    QFETCH(bool, withLabels);
    QFETCH(double, value);

    ChannelSetup setup;
    setup.quantity = Quantity(quantity);
    if (withLabels)
        setup.labels = {{1, QStringLiteral("low")}, {4, QStringLiteral("high")}};
    QTEST(setup.getStringFromEnumOrBitfieldValue(value), "expected");
}

void TestChannelSetup::labelsText()
{
    const QMap<int, QString> labels = ChannelSetup::labelsFromString(QStringLiteral(
        "=nothing\nx=not a number\n3=\n\n2==two=\n-1=minus\n99999999999=too big\n2=again"));
    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels.value(-1), QStringLiteral("minus"));
    QCOMPARE(labels.value(2), QStringLiteral("again")); // a later line replaces an earlier one
    QCOMPARE(ChannelSetup::labelsFromString(QStringLiteral("2==two=")).value(2), QStringLiteral("=two="));
    QCOMPARE(ChannelSetup::stringFromLabels(labels), QStringLiteral("-1=minus\n2=again"));
    QCOMPARE(ChannelSetup::labelsFromString(ChannelSetup::stringFromLabels(labels)), labels);
}

void TestChannelSetup::autorange_data()
{
    QTest::addColumn<bool>("autoMin");
    QTest::addColumn<bool>("autoMax");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    // Fixed range 10..50, padding 2 %, SI = display unit.
    QTest::newRow("both, no span, flat data at 0") << true << true << 0.0 << 0.0 << 0.0 << -0.5 << 0.5;
    QTest::newRow("both, no span, flat data at 20") << true << true << 0.0 << 20.0 << 20.0 << 18.0 << 22.0;
    QTest::newRow("both, no span, 0..100") << true << true << 0.0 << 0.0 << 100.0 << 0.0 << 102.0;
    QTest::newRow("both, no span, -100..100") << true << true << 0.0 << -100.0 << 100.0 << -104.0 << 104.0;
    QTest::newRow("both, span 10, data 2..4") << true << true << 10.0 << 2.0 << 4.0 << 0.0 << 10.0;
    QTest::newRow("both, span 10, data -4..-2") << true << true << 10.0 << -4.0 << -2.0 << -8.0 << 2.0;
    QTest::newRow("both, span 10, data 100..200") << true << true << 10.0 << 100.0 << 200.0 << 99.0 << 201.0;
    QTest::newRow("both, span 10, data 0.1..20.1") << true << true << 10.0 << 0.1 << 20.1 << 0.0 << 20.3;
    QTest::newRow("both, span 10, data 1..21") << true << true << 10.0 << 1.0 << 21.0 << 0.8 << 21.2;
    QTest::newRow("upper, no span, above L") << false << true << 0.0 << 0.0 << 60.0 << 10.0 << 61.0;
    QTest::newRow("upper, no span, below L") << false << true << 0.0 << 0.0 << 5.0 << 10.0 << 10.25;
    QTest::newRow("upper, span 100") << false << true << 100.0 << 0.0 << 60.0 << 10.0 << 110.0;
    QTest::newRow("upper, span 100, below L") << false << true << 100.0 << 0.0 << 5.0 << 10.0 << 110.0;
    QTest::newRow("lower, no span, below H") << true << false << 0.0 << 0.0 << 60.0 << -1.0 << 50.0;
    QTest::newRow("lower, no span, above H") << true << false << 0.0 << 60.0 << 80.0 << 43.0 << 50.0;
    QTest::newRow("lower, span 100") << true << false << 100.0 << 0.0 << 60.0 << -50.0 << 50.0;
    QTest::newRow("lower, span 100, above H") << true << false << 100.0 << 60.0 << 80.0 << -50.0 << 50.0;
    QTest::newRow("fixed whatever the data") << false << false << 0.0 << -1e9 << inf << 10.0 << 50.0;
    QTest::newRow("infinite data") << true << true << 0.0 << 0.0 << inf << 0.0 << 1.0;
    QTest::newRow("NaN data") << false << true << 0.0 << kNaN << 3.0 << 0.0 << 1.0;
}

void TestChannelSetup::autorange()
{
    QFETCH(bool, autoMin);
    QFETCH(bool, autoMax);
    QFETCH(double, span);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, low);
    QFETCH(double, high);

    ChannelSetup setup;
    setup.autorangeMin = autoMin;
    setup.autorangeMax = autoMax;
    setup.rangeMin = 10.0;
    setup.rangeMax = 50.0;
    setup.minAutorangeSpan = span;
    const QPair<double, double> range = setup.getRangeFromDataRange(a, b, 2.0);
    QVERIFY2(std::fabs(range.first - low) < 1e-9, qPrintable(QString::number(range.first)));
    QVERIFY2(std::fabs(range.second - high) < 1e-9, qPrintable(QString::number(range.second)));
}

void TestChannelSetup::autorangeReadsThePaddingSetting()
{
    // The range is shown in the unit: a span of 10 K stays 10 in °C while the
    // fixed ends move by the offset.
    ChannelSetup setup;
    setup.quantity = Quantity::Temperature;
    setup.unit = unitOf(Quantity::Temperature, "°C");
    setup.autorangeMin = false;
    setup.rangeMin = 273.15;
    setup.minAutorangeSpan = 10.0;
    QPair<double, double> range = setup.getRangeFromDataRange(0.0, 2.0);
    QVERIFY(std::fabs(range.first) < 1e-9);
    QVERIFY(std::fabs(range.second - 10.0) < 1e-9);

    // Padding from the settings page: 2 % until set, then what it holds.
    setup.minAutorangeSpan = 0.0;
    range = setup.getRangeFromDataRange(0.0, 100.0);
    QVERIFY(std::fabs(range.second - 102.0) < 1e-9);
    theSettings.setValue(QStringLiteral("UserSetting/spinBox_settings_autorangePadding"), 10);
    range = setup.getRangeFromDataRange(0.0, 100.0);
    QVERIFY(std::fabs(range.second - 110.0) < 1e-9);
    theSettings.remove(QStringLiteral("UserSetting/spinBox_settings_autorangePadding"));
}

void TestChannelSetup::elementRoundTrip()
{
    ChannelSetup setup;
    setup.key = QStringLiteral("not written");
    setup.runKey = QStringLiteral("not written either");
    setup.groupId = 3;
    setup.displayName = QStringLiteral("Line one\nline \"two\" & <three>");
    setup.autorangeMin = false;
    setup.rangeMin = 0.1;
    setup.rangeMax = 1e300;
    setup.minAutorangeSpan = 1.0 / 3.0;
    setup.decimals = -2;
    setup.warningHigh = 5.5;
    setup.alarmLow = -2.0;
    setup.alarmDelay = 0.75;
    setup.quantity = Quantity::Enumerated;
    setup.unit = theUnits.getDefaultUnit(Quantity::Enumerated);
    setup.labels = {{0, QStringLiteral("off")}, {3, QStringLiteral("on = 3")}};
    setup.sampling = SamplingMode::SampleAndHold;
    setup.color = QColor(18, 52, 86);
    setup.colorSteps = {{ColorScaleStepType_relative, 0.5, QColor(Qt::red)},
                        {ColorScaleStepType_absolute, 300.0, QColor(Qt::blue)}};
    setup.hide = true;
    setup.timeOffset = -0.25;
    setup.comment = QStringLiteral("first\nsecond");
    setup.bins = {1.0, 2.5, 1234567.0};
    setup.alarmGate->quantity = Quantity::Logic;
    setup.alarmGate->setConstant(1.0, false);

    QDomDocument document;
    const QDomElement element = written(document, setup);
    QVERIFY(!element.hasAttribute(QStringLiteral("key")));
    QCOMPARE(element.attribute(QStringLiteral("rangeMin")), QStringLiteral("0.10000000000000001"));
    QCOMPARE(element.attribute(QStringLiteral("warningLow")), QStringLiteral("-inf"));
    QCOMPARE(element.attribute(QStringLiteral("alarmHigh")), QStringLiteral("inf"));
    QCOMPARE(element.attribute(QStringLiteral("color")), QStringLiteral("#123456"));
    QCOMPARE(element.attribute(QStringLiteral("bins")), QStringLiteral("1 2.5 1.23457e+06 "));
    QCOMPARE(element.elementsByTagName(QStringLiteral("label")).size(), 2);
    QCOMPARE(element.firstChildElement(QStringLiteral("alarmGate")).attribute(QStringLiteral("type")),
             QStringLiteral("constant"));

    // Through text and back, as the files are.
    QDomDocument reread;
    const QDomElement again = elementFrom(reread, document.toString(1));
    ChannelSetup copy;
    QSignalSpy changed(&copy, &ChannelSetup::signal_setupChanged);
    copy.parseChannelDomElement(&again);
    copy.parseChannelDomElement(&again); // twice: no doubled labels or steps
    QCOMPARE(changed.size(), 2);
    QVERIFY(copy.key.isEmpty() && copy.runKey.isEmpty());
    QCOMPARE(copy.groupId, 3u);
    QCOMPARE(copy.displayName, setup.displayName);
    QCOMPARE(copy.autorangeMin, false);
    QCOMPARE(copy.autorangeMax, true);
    QCOMPARE(copy.rangeMin, 0.1);
    QCOMPARE(copy.rangeMax, 1e300);
    QCOMPARE(copy.minAutorangeSpan, 1.0 / 3.0);
    QCOMPARE(copy.decimals, 0); // sanitised: enumerated
    QCOMPARE(copy.warningLow, -inf);
    QCOMPARE(copy.warningHigh, 5.5);
    QCOMPARE(copy.alarmLow, -2.0);
    QCOMPARE(copy.alarmDelay, 0.75);
    QCOMPARE(copy.labels, setup.labels);
    QCOMPARE(copy.colorSteps, setup.colorSteps);
    QCOMPARE(copy.color, setup.color);
    QCOMPARE(copy.hide, true);
    QCOMPARE(copy.timeOffset, -0.25);
    QCOMPARE(copy.comment, setup.comment);
    QCOMPARE(copy.bins, QList<double>({1.0, 2.5, 1234570.0}));
    QCOMPARE(copy.alarmGate->getType(), ArgumentType_constant);
    QCOMPARE(copy.alarmGate->getValue(), 1.0);

    // Labels belong to enumerations and bit fields only; an invalid colour is black.
    copy.quantity = Quantity::Power;
    copy.unit = theUnits.getDefaultUnit(Quantity::Power);
    copy.color = QColor();
    copy.alarmGate->setNull(false);
    QDomDocument third;
    const QDomElement plain = written(third, copy);
    QCOMPARE(plain.elementsByTagName(QStringLiteral("label")).size(), 0);
    QVERIFY(plain.firstChildElement(QStringLiteral("alarmGate")).isNull());
    QCOMPARE(plain.attribute(QStringLiteral("color")), QStringLiteral("#000000"));
    copy.parseChannelDomElement(&plain);
    QVERIFY(copy.labels.isEmpty());
    QCOMPARE(copy.color, QColor(Qt::black));
    QCOMPARE(copy.alarmGate->getType(), ArgumentType_null);
}

void TestChannelSetup::elementReadingRules()
{
    ChannelSetup setup;
    setup.sampling = SamplingMode::SampleAndHold;
    setup.labels = {{1, QStringLiteral("stale")}};
    QDomDocument document;
    const QDomElement element = elementFrom(
        document, QStringLiteral("<variable autorange=\"0\" autorangeMin=\"1\" autorangeMax=\"1\" unitType=\"2\" "
                                 "unit=\"furlong/fortnight\" bins=\"1 2.5 word 4\" decimals=\"x\"/>"));
    setup.parseChannelDomElement(&element);
    QCOMPARE(setup.autorangeMin, false); // the old flag wins over the new ones
    QCOMPARE(setup.autorangeMax, false);
    QCOMPARE(int(setup.sampling), 0);    // absent: kept
    QCOMPARE(setup.warningLow, 0.0);     // absent: 0, not minus infinity
    QCOMPARE(setup.alarmHigh, 0.0);
    QCOMPARE(setup.decimals, 0);
    QCOMPARE(setup.quantity, Quantity::Speed);
    QCOMPARE(setup.unit, theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(setup.bins, QList<double>({1.0, 2.5}));
    QVERIFY(setup.labels.isEmpty());
    QVERIFY(!setup.color.isValid());

    QDomDocument out;
    QCOMPARE(written(out, setup).attribute(QStringLiteral("bins")), QStringLiteral("1 2.5 "));
}

void TestChannelSetup::assignmentLeavesTimeBaseAndEmitsNothing()
{
    ChannelSetup source;
    source.key = QStringLiteral("k");
    source.runKey = QStringLiteral("r");
    source.flags = 6;
    source.filter = 0.5;
    source.timeBase = true;
    source.alarmGate->setConstant(1.0, false);

    ChannelSetup target;
    QSignalSpy changed(&target, &ChannelSetup::signal_setupChanged);
    target = source;
    QCOMPARE(changed.size(), 0);
    QCOMPARE(target.key, QStringLiteral("k"));
    QCOMPARE(target.runKey, QStringLiteral("r"));
    QCOMPARE(target.flags, 6u);
    QCOMPARE(target.filter, 0.5);
    QCOMPARE(target.timeBase, false);
    QCOMPARE(target.alarmGate->getValue(), 1.0);
    QVERIFY(target.alarmGate != source.alarmGate);

    const ChannelSetup copied(source);
    QCOMPARE(copied.key, QStringLiteral("k"));
    QCOMPARE(copied.timeBase, false);
}

QTEST_MAIN(TestChannelSetup)
#include "tst_channel_setup.moc"
