#include "LogCapture.h"
#include "Units.h"

#include <QTest>

#include <cmath>

namespace {
const Unit* unit(Quantity q, const char* name)
{
    return theUnits.getUnitByQuantityAndName(q, QString::fromUtf8(name));
}
bool near(double a, double b, double tol = 1e-9)
{
    return std::fabs(a - b) <= tol * std::max(1.0, std::fabs(b));
}
} // namespace

class TestUnits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void registryShape();
    void conversions();
    void defaultsAndLookupByName();
    void sharedNamesAreDistinctUnits();
    void listUnitNames();
    void searchInString_data();
    void searchInString();
    void importedUnitStrings();
    void quantityFromXmlString_data();
    void quantityFromXmlString();
    void pickerOrder();
    void vectorsAndStrings();
    void secondInitKeepsUnits();
};

void TestUnits::initTestCase()
{
    LogCapture log;
    theUnits.init();
    QCOMPARE(log.count(QStringLiteral("default unit not set")), 0);
}

void TestUnits::registryShape()
{
    QCOMPARE(theUnits.unitsByQuantity.size(), 36);
    QCOMPARE(theUnits.quantitySymbols.size(), 36);
    int total = 0;
    for (int q = 0; q < 36; ++q) {
        const auto* map = theUnits.unitsByQuantity.at(q);
        QVERIFY(map && !map->isEmpty());
        total += map->size();
        QVERIFY(theUnits.getDefaultUnit(Quantity(q)));
        // The first registered unit defines the base value of its quantity.
        bool hasBase = false;
        for (const Unit* u : *map)
            hasBase |= (u->factor == 1.0 && u->offset == 0.0);
        QVERIFY(hasBase);
    }
    QCOMPARE(total, 178);
    QCOMPARE(theUnits.quantitySymbols.at(Quantity::RotationalSpeed), QStringLiteral("ω"));
    QCOMPARE(theUnits.quantitySymbols.at(Quantity::VolumeFlow), QString::fromUtf8("V̇"));
    QCOMPARE(theUnits.unitless->name, QString());
    QCOMPARE(theUnits.celsius->name, QStringLiteral("°C"));
    QCOMPARE(theUnits.percentRelativeHumidity->quantity, Quantity::RelativeHumidity);
    for (int q : {6, 28, 29, 30, 32, 34, 35})
        QCOMPARE(theUnits.unitsByQuantity.at(q)->size(), 1);
}

void TestUnits::conversions()
{
    const Unit* c = unit(Quantity::Temperature, "°C");
    const Unit* f = unit(Quantity::Temperature, "°F");
    const Unit* r = unit(Quantity::Temperature, "°R");
    QCOMPARE(c->getUnitValue(273.15), 0.0);
    QCOMPARE(c->getSIValue(0), 273.15);
    QVERIFY(near(c->getSIValue(-40), f->getSIValue(-40), 1e-12));
    QVERIFY(near(c->getSIValue(-40), 233.15));
    QCOMPARE(r->getUnitValue(0), 0.0);
    QCOMPARE(f->getUnitValue(0), -459.67);
    QVERIFY(near(unit(Quantity::Current, "nA")->getUnitValue(2e-9), 2));
    QVERIFY(near(unit(Quantity::Current, "mA")->getSIValue(1), 0.001));
    QCOMPARE(unit(Quantity::Density, "g/L")->getUnitValue(1000), 1000.0);
    QVERIFY(near(unit(Quantity::Density, "g/cm³")->getUnitValue(1000), 1));
    QVERIFY(near(unit(Quantity::Density, "lb/ft³")->getUnitValue(1000), 62.4279606));
    QVERIFY(near(unit(Quantity::Time, "month")->getUnitValue(30 * 86400), 1));
    QVERIFY(near(unit(Quantity::Time, "year")->getUnitValue(365 * 86400), 1));
    QVERIFY(near(unit(Quantity::Power, "HP")->getUnitValue(100000), 134.048257, 1e-8));
    QVERIFY(near(unit(Quantity::Power, "PS")->getUnitValue(100000), 135.9621155, 1e-9));
    QVERIFY(near(unit(Quantity::RotationalSpeed, "RPM")->getUnitValue(100), 954.9296585513721, 1e-15));
    QVERIFY(near(unit(Quantity::AirFuelRatio, "AFR Gasoline")->getUnitValue(1), 14.7));
}

void TestUnits::defaultsAndLookupByName()
{
    QCOMPARE(theUnits.getDefaultUnit(Quantity::Power)->name, QStringLiteral("PS"));
    QCOMPARE(theUnits.getDefaultUnit(Quantity(-1)), theUnits.unitless);
    QCOMPARE(theUnits.getDefaultUnit(Quantity(36)), theUnits.unitless);
    // Aliases are not consulted by name lookup: the default answers.
    QCOMPARE(unit(Quantity::RotationalSpeed, "rpm")->name, QStringLiteral("RPM"));
    QCOMPARE(unit(Quantity::Speed, "kph")->name, QStringLiteral("km/h"));
    QCOMPARE(unit(Quantity::Speed, "mph")->name, QStringLiteral("mph"));
    QCOMPARE(unit(Quantity(-1), "km/h"), theUnits.unitless);
    QCOMPARE(unit(Quantity(36), ""), theUnits.unitless);
    QCOMPARE(unit(Quantity(99), "anything"), theUnits.unitless);
}

void TestUnits::sharedNamesAreDistinctUnits()
{
    QVERIFY(unit(Quantity::Acceleration, "g") != unit(Quantity::Mass, "g"));
    QCOMPARE(unit(Quantity::Mass, "g")->factor, 1000.0);
    QVERIFY(unit(Quantity::Fraction, "%") != unit(Quantity::RelativeHumidity, "%"));
    QVERIFY(unit(Quantity::Logic, "") != theUnits.unitless);
    QVERIFY(unit(Quantity::Integer, "") != unit(Quantity::ClockTime, ""));
}

void TestUnits::listUnitNames()
{
    QCOMPARE(theUnits.listUnitNames(Quantity::Fraction), (QList<QString>{"", "%", "ppm", "‰"}));
    QCOMPARE(theUnits.listUnitNames(Quantity::Power), (QList<QString>{"HP", "PS", "W", "kW"}));
    QCOMPARE(theUnits.listUnitNames(Quantity::Temperature), (QList<QString>{"K", "°C", "°F", "°R"}));
    QCOMPARE(theUnits.listUnitNames(Quantity(-1)), (QList<QString>{QString()}));
}

void TestUnits::searchInString_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first name wins over longest") << int(Quantity::Distance) << "Distance [mm]" << "m";
    QTest::newRow("case-insensitive inside a word") << int(Quantity::Power) << "Power [kW]" << "W";
    QTest::newRow("alias") << int(Quantity::Temperature) << "Coolant degC" << "°C";
    QTest::newRow("no match gives default") << int(Quantity::Time) << "Time" << "s";
    QTest::newRow("out of range") << 40 << "km/h" << "";
}

void TestUnits::searchInString()
{
    QFETCH(int, quantity);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Unit* u = theUnits.getUnitByQuantityAndSearchInString(Quantity(quantity), text);
    QVERIFY(u);
    QCOMPARE(u->name, expected);
}

void TestUnits::importedUnitStrings()
{
    QCOMPARE(theUnits.getUnitFromImportedUnitString("g"), unit(Quantity::Acceleration, "g"));
    QCOMPARE(theUnits.getUnitFromImportedUnitString("rpm"), unit(Quantity::RotationalSpeed, "RPM"));
    QCOMPARE(theUnits.getUnitFromImportedUnitString("deg C"), theUnits.celsius);
    QCOMPARE(theUnits.getUnitFromImportedUnitString("count"), unit(Quantity::Integer, ""));
    QCOMPARE(theUnits.getUnitFromImportedUnitString("%"), unit(Quantity::Fraction, "%"));
    QCOMPARE(theUnits.getUnitFromImportedUnitString(""), theUnits.unitless);
    QCOMPARE(theUnits.getUnitFromImportedUnitString("tbd"), theUnits.unitless);
    QCOMPARE(theUnits.getUnitFromImportedUnitString("RPM "), nullptr);
}

void TestUnits::quantityFromXmlString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("9") << "9" << 9;
    QTest::newRow("35") << "35" << 35;
    QTest::newRow("36") << "36" << -1;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("-2") << "-2" << -1;
    QTest::newRow("abc") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("too large") << "99999999999" << 0;
}

void TestUnits::quantityFromXmlString()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(Units::getQuantityFromXMLString(text)), expected);
}

void TestUnits::pickerOrder()
{
    const QStringList& rows = theUnits.sortedQuantityNames;
    QCOMPARE(rows.size(), 36);
    QCOMPARE(rows.at(0), QStringLiteral("-"));
    QCOMPARE(rows.mid(1, 4), (QStringList{"acceleration", "air fuel ratio", "angle", "area"}));
    QCOMPARE(rows.last(), QStringLiteral("volume flow"));
    for (int r = 0; r < 36; ++r) {
        const int q = theUnits.sortedIndexToQuantity.at(r);
        QCOMPARE(theUnits.quantityToSortedIndex.at(q), r);
        QCOMPARE(theUnits.quantityNames.at(q), rows.at(r));
    }
}

void TestUnits::vectorsAndStrings()
{
    const Unit* f = unit(Quantity::Temperature, "°F");
    QList<double> out{1, 2, 3};
    const QList<double> empty;
    f->translateVector(&empty, &out);
    QVERIFY(out.isEmpty());
    const QList<double> in{273.15, 0};
    f->translateVector(&in, &out);
    QCOMPARE(out.size(), 2);
    QVERIFY(near(out[0], 32, 1e-12));
    QCOMPARE(out[1], -459.67);
    QCOMPARE(unit(Quantity::Speed, "km/h")->getUnitValueStringWithNameSpaced(27.5, 1), QStringLiteral("99.0 km/h"));
    QCOMPARE(theUnits.celsius->getUnitValueStringWithNameSpaced(273.15, 1), QStringLiteral("0.0 °C"));
    QCOMPARE(theUnits.unitless->getUnitValueStringWithNameSpaced(2, 0), QStringLiteral("2 "));
    QString debugText;
    QDebug(&debugText) << Quantity::Power;
    QCOMPARE(debugText, QStringLiteral("\"power\" "));
}

QTEST_GUILESS_MAIN(TestUnits)
// Channel setups hold unit pointers from start-up on; a later init() (a
// second window, a test fixture) must not free them under their feet.
void TestUnits::secondInitKeepsUnits()
{
    const Unit* kmh = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    const Unit* celsius = theUnits.celsius;
    QVERIFY(kmh && celsius);
    theUnits.init();
    QCOMPARE(theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h")), kmh);
    QCOMPARE(theUnits.celsius, celsius);
    QCOMPARE(kmh->name, QStringLiteral("km/h"));
}

#include "tst_units.moc"
