// The unit-aware spin-box family: clean stepping, the disable menu, units and
// their menu, mirroring, XML, typed entry on Enter and scientific notation.
#include "Colors.h"
#include "Fonts.h"
#include "MenuDriver.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SafeSpinBox.h"
#include "SciNotDoubleSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "Unit.h"
#include "Units.h"

#include <QContextMenuEvent>
#include <QDomDocument>
#include <QInputDialog>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

void openContextMenu(QWidget* widget)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &event);
}

// Counts the key presses that reach it, e.g. those a child passed on.
class KeyCatcher : public QWidget
{
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++presses; }
};

} // namespace

class TestSpinBoxes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void cleanStep_data();
    void cleanStep();
    void keysStepCleanlyAndShiftStepsFiner();
    void readOnlyHidesTheArrows();
    void disableMenu();

    void constructionAppliesTheDefaultUnit();
    void unitSwitchKeepsTheSIValue();
    void allowedUnits();
    void contextMenuEntries();
    void contextMenuChoices();
    void customStepDialog_data();
    void customStepDialog();
    void mirroredBoxesFollowEachOther();
    void xmlAttributes();

    void safeSpinBoxShowsPendingEntries();
    void safeSpinBoxPassesShortcutsOn();
    void scientificNotation();
    void scientificValidation_data();
    void scientificValidation();
    void scientificStepFollowsTheShownDigits_data();
    void scientificStepFollowsTheShownDigits();

    void setSIValueIsKeptExactly_data();
    void setSIValueIsKeptExactly();
};

void TestSpinBoxes::initTestCase()
{
    theUnits.init();
    theColors.init();
    theFonts.init();
}

void TestSpinBoxes::cleanStep_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("adaptive");
    QTest::addColumn<double>("single");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("fine");
    QTest::addColumn<double>("expected");

    QTest::newRow("1.234 up lands on 1.3") << 1.234 << 1 << true << 1.0 << 3 << false << 1.3;
    QTest::newRow("1 down to 0.9") << 1.0 << -1 << true << 1.0 << 2 << false << 0.9;
    QTest::newRow("0.9 down to 0.89") << 0.9 << -1 << true << 1.0 << 2 << false << 0.89;
    QTest::newRow("0 up: one smallest step") << 0.0 << 1 << true << 1.0 << 2 << false << 0.01;
    QTest::newRow("0 down: one smallest step") << 0.0 << -1 << true << 1.0 << 2 << false << -0.01;
    QTest::newRow("0 up many: still one smallest step") << 0.0 << 5 << true << 1.0 << 2 << false << 0.01;
    QTest::newRow("-1 up ten: not onto 0") << -1.0 << 10 << true << 1.0 << 2 << false << -0.9;
    QTest::newRow("5 up") << 5.0 << 1 << true << 1.0 << 2 << false << 5.1;
    QTest::newRow("5 up with Shift") << 5.0 << 1 << true << 1.0 << 2 << true << 5.01;
    QTest::newRow("below the decimals: smallest step") << 0.001 << 1 << true << 1.0 << 2 << false << 0.01;
    QTest::newRow("custom 0.5 from 1.2") << 1.2 << 1 << false << 0.5 << 2 << false << 1.5;
    QTest::newRow("custom ten steps") << 1.2 << 10 << false << 0.5 << 2 << false << 5.0;
    QTest::newRow("custom with Shift") << 1.2 << 1 << false << 0.5 << 2 << true << 1.25;
    QTest::newRow("custom no lower bound") << 1.0 << 1 << false << 0.0001 << 2 << false << 1.0001;
    QTest::newRow("disabled +inf stays") << kInf << 1 << true << 1.0 << 2 << false << kInf;
    QTest::newRow("disabled -inf stays") << -kInf << 1 << true << 1.0 << 2 << false << -kInf;
    QTest::newRow("disabled +inf custom down") << kInf << -1 << false << 1.0 << 2 << false << kInf;
}

void TestSpinBoxes::cleanStep()
{
    QFETCH(double, value);
    QFETCH(int, steps);
    QFETCH(bool, adaptive);
    QFETCH(double, single);
    QFETCH(int, decimals);
    QFETCH(bool, fine);
    QFETCH(double, expected);
    const double result = DoubleSpinBoxWithCleanStep::cleanStep(value, steps, adaptive, single, decimals, fine);
    QVERIFY2(!std::isnan(result), "a step never makes a NaN");
    if (std::isinf(expected))
        QCOMPARE(result, expected);
    else
        QVERIFY2(std::fabs(result - expected) < 1e-12, qPrintable(QString::number(result, 'g', 17)));
}

void TestSpinBoxes::keysStepCleanlyAndShiftStepsFiner()
{
    DoubleSpinBoxWithCleanStep box;
    box.setRange(-1000, 1000);
    box.setDecimals(3);
    box.setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    box.setValue(1.234);
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.value(), 1.3);
    QTest::keyClick(&box, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(box.value(), 1.31);

    // The base still clamps into the range.
    box.setRange(0, 1.305);
    box.setValue(1.3);
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.value(), 1.305);

    // A custom step of zero leaves the value alone.
    box.setStepType(QAbstractSpinBox::DefaultStepType);
    box.setSingleStep(0);
    box.setValue(1.0);
    QSignalSpy changes(&box, &QDoubleSpinBox::valueChanged);
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.value(), 1.0);
    QCOMPARE(changes.count(), 0);
}

void TestSpinBoxes::readOnlyHidesTheArrows()
{
    DoubleSpinBoxWithCleanStep box;
    box.setReadOnly(true);
    QCOMPARE(box.buttonSymbols(), QAbstractSpinBox::NoButtons);
    QVERIFY(box.isReadOnly());
    box.setReadOnly(false);
    QCOMPARE(box.buttonSymbols(), QAbstractSpinBox::UpDownArrows);
    QVERIFY(!box.isReadOnly());
}

void TestSpinBoxes::disableMenu()
{
    SpinBoxWithUnit box(nullptr, Quantity::Temperature);
    box.setDecimals(1);
    box.setValue(12);
    box.setDisableAndRestoreValue(kInf, 0);
    QCOMPARE(box.contextMenuPolicy(), Qt::CustomContextMenu);
    {
        MenuDriver driver({"Disable"});
        box.slot_contextMenu(QPoint(1, 1));
        QCOMPARE(driver.entries, QStringList{"Disable"});
    }
    QVERIFY(box.isDisabledValue());
    QCOMPARE(box.value(), kInf);
    QVERIFY(std::isinf(box.getValueSI()));
    // Stepping a disabled box keeps it disabled, never NaN.
    box.stepBy(1);
    QVERIFY(box.isDisabledValue());
    {
        MenuDriver driver({"Enable"});
        box.slot_contextMenu(QPoint(1, 1));
        QCOMPARE(driver.entries, QStringList{"Enable"});
    }
    QCOMPARE(box.value(), 12.0);

    // A disable value the range cannot hold is never reached: the menu keeps
    // offering Disable.
    DoubleSpinBoxWithDisable bounded;
    bounded.setRange(0, 100);
    bounded.setValue(40);
    bounded.setDisableAndRestoreValue(kInf, 0);
    {
        MenuDriver driver({"Disable"});
        bounded.slot_contextMenu(QPoint(1, 1));
    }
    QCOMPARE(bounded.value(), 100.0);
    QVERIFY(!bounded.isDisabledValue());
}

void TestSpinBoxes::constructionAppliesTheDefaultUnit()
{
    SpinBoxWithUnit speed(nullptr, Quantity::Speed);
    QCOMPARE(speed.getUnit(), theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(speed.suffix(), QLatin1Char(' ') + speed.getUnit()->name);
    QCOMPARE(speed.stepType(), QAbstractSpinBox::AdaptiveDecimalStepType);
    QCOMPARE(speed.minimum(), -kInf);

    SpinBoxWithUnit plain;
    QCOMPARE(plain.getUnit(), theUnits.unitless);
    QCOMPARE(plain.suffix(), QString());
    QSignalSpy unitSpy(&plain, &SpinBoxWithUnit::signal_unitChanged);
    plain.slot_setQuantity(Quantity::None);
    QCOMPARE(unitSpy.count(), 0);
}

void TestSpinBoxes::unitSwitchKeepsTheSIValue()
{
    SpinBoxWithUnit box(nullptr, Quantity::Speed);
    box.setDecimals(3);
    box.setUnitFromName("km/h");
    box.setRangeSI(0, 50);
    box.setValueSI(10);
    QCOMPARE(box.value(), 36.0);
    QCOMPARE(box.maximum(), 180.0);

    QSignalSpy unitSpy(&box, &SpinBoxWithUnit::signal_unitChanged);
    box.setUnitFromName("m/s");
    QCOMPARE(unitSpy.count(), 1);
    QCOMPARE(box.value(), 10.0);
    QCOMPARE(box.maximum(), 50.0);
    QCOMPARE(box.getValueSI(), 10.0);
    QCOMPARE(box.suffix(), QStringLiteral(" m/s"));

    // The current unit again: nothing at all.
    QSignalSpy valueSpy(&box, &SpinBoxWithUnit::signal_valueChangedSI);
    box.slot_setUnit(box.getUnit());
    QCOMPARE(unitSpy.count(), 1);
    QCOMPARE(valueSpy.count(), 0);

    // A unit with an offset: the SI value is kept through it.
    SpinBoxWithUnit temperature(nullptr, Quantity::Temperature);
    temperature.setDecimals(2);
    temperature.setUnitFromName("°C");
    temperature.setValue(100);
    const double si = temperature.getValueSI();
    temperature.setUnitFromName("°F");
    QCOMPARE(temperature.value(), 212.0);
    QVERIFY(std::fabs(temperature.getValueSI() - si) < 1e-9);

    // A name the quantity lacks: its default unit.
    box.setUnitFromName("furlongs per fortnight");
    QCOMPARE(box.getUnit(), theUnits.getDefaultUnit(Quantity::Speed));
}

void TestSpinBoxes::allowedUnits()
{
    SpinBoxWithUnit box(nullptr, Quantity::Speed);
    box.restrictUnits({"mph"});
    QCOMPARE(box.getUnit()->name, QStringLiteral("mph"));
    box.slot_setUnit(theUnits.getUnitByQuantityAndName(Quantity::Speed, "km/h"));
    QCOMPARE(box.getUnit()->name, QStringLiteral("mph"));
    box.restrictUnits({});
    QCOMPARE(box.getUnit()->name, QStringLiteral("mph"));
    box.slot_setUnit(theUnits.getUnitByQuantityAndName(Quantity::Speed, "km/h"));
    QCOMPARE(box.getUnit()->name, QStringLiteral("km/h"));
}

void TestSpinBoxes::contextMenuEntries()
{
    SpinBoxWithUnit speed(nullptr, Quantity::Speed);
    speed.restrictUnits({"km/h", "mph"});
    speed.configMenuEnabled = true;
    speed.setSingleStep(0.1);
    auto* own = new QAction("Own action", &speed);
    speed.addAction(own);
    {
        MenuDriver driver({"Unit"});
        openContextMenu(&speed);
        QCOMPARE(driver.entries,
                 (QStringList{"Unit", "Font size", "Step type", "Set custom step (0.1)", "Own action"}));
        QCOMPARE(driver.subEntries.value("Unit"), (QStringList{"km/h", "mph"}));
        QCOMPARE(driver.checkedSubEntries.value("Unit"), QStringList{speed.getUnit()->name});
    }
    {
        MenuDriver driver({"Font size"});
        openContextMenu(&speed);
        QCOMPARE(driver.subEntries.value("Font size"),
                 (QStringList{"6", "7", "8", "9", "10", "11", "12", "14", "16", "18", "21", "24", "36"}));
    }

    // No unit sub-menu without a quantity; nothing at all with both flags off.
    SpinBoxWithUnit plain;
    plain.configMenuEnabled = true;
    {
        MenuDriver driver;
        openContextMenu(&plain);
        QVERIFY(!driver.entries.contains("Unit"));
    }
    SpinBoxWithUnit bare(nullptr, Quantity::Speed);
    bare.unitMenuEnabled = false;
    {
        MenuDriver driver;
        openContextMenu(&bare);
        QVERIFY(driver.entries.isEmpty());
    }
}

void TestSpinBoxes::contextMenuChoices()
{
    SpinBoxWithUnit box(nullptr, Quantity::Speed);
    box.configMenuEnabled = true;
    box.setDecimals(2);
    box.setValueSI(10);
    QSignalSpy configSpy(&box, &SpinBoxWithUnit::signal_configurationChanged);
    {
        MenuDriver driver({"Unit", "km/h"});
        openContextMenu(&box);
    }
    QCOMPARE(box.getUnit()->name, QStringLiteral("km/h"));
    QCOMPARE(box.getValueSI(), 10.0);
    QCOMPARE(configSpy.count(), 0);
    {
        MenuDriver driver({"Font size", "14"});
        openContextMenu(&box);
    }
    QCOMPARE(box.font().pointSize(), 14);
    QCOMPARE(configSpy.count(), 1);
    {
        MenuDriver driver({"Step type", "Custom"});
        openContextMenu(&box);
        QCOMPARE(driver.checkedSubEntries.value("Step type"), QStringList{"Adaptive"});
    }
    QCOMPARE(box.stepType(), QAbstractSpinBox::DefaultStepType);
    QCOMPARE(configSpy.count(), 2);
}

void TestSpinBoxes::customStepDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestSpinBoxes::customStepDialog()
{
    QFETCH(bool, accept);
    SpinBoxWithUnit box(nullptr, Quantity::Force);
    box.configMenuEnabled = true;
    box.setDecimals(2);
    box.setSingleStep(1.5);
    QSignalSpy configSpy(&box, &SpinBoxWithUnit::signal_configurationChanged);
    RecordingAnswerer answerer;
    double offeredMinimum = 0;
    double offeredValue = 0;
    answerer.respond = [&](QDialog* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (!input)
            return int(QDialog::Rejected);
        offeredMinimum = input->doubleMinimum();
        offeredValue = input->doubleValue();
        input->setDoubleValue(0.25);
        return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    {
        MenuDriver driver({"Set custom step (1.5)"});
        openContextMenu(&box);
    }
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Set custom step"));
    QCOMPARE(offeredMinimum, 0.01);
    QCOMPARE(offeredValue, 1.5);
    QCOMPARE(box.singleStep(), accept ? 0.25 : 1.5);
    QCOMPARE(box.stepType(),
             accept ? QAbstractSpinBox::DefaultStepType : QAbstractSpinBox::AdaptiveDecimalStepType);
    QCOMPARE(configSpy.count(), accept ? 1 : 0);
}

void TestSpinBoxes::mirroredBoxesFollowEachOther()
{
    SpinBoxWithUnit a(nullptr, Quantity::Speed);
    SpinBoxWithUnit b(nullptr, Quantity::Speed);
    a.setDecimals(3);
    b.setDecimals(3);
    a.setUnitFromName("km/h");
    a.setValueSI(10);
    QSignalSpy bValues(&b, &SpinBoxWithUnit::signal_valueChangedSI);
    SpinBoxWithUnit::cloneSpinBoxWithUnit(&a, &b);
    QCOMPARE(b.getUnit()->name, QStringLiteral("km/h"));
    QCOMPARE(b.value(), 36.0);
    QCOMPARE(bValues.count(), 1);

    a.setValue(72);
    QCOMPARE(b.getValueSI(), 20.0);
    b.setUnitFromName("m/s");
    QCOMPARE(a.getUnit()->name, QStringLiteral("m/s"));
    QCOMPARE(a.value(), 20.0);
    b.setValue(5);
    QCOMPARE(a.getValueSI(), 5.0);
}

void TestSpinBoxes::xmlAttributes()
{
    QDomDocument document;
    QDomElement element = document.createElement("limit");
    SpinBoxWithUnit box(nullptr, Quantity::Pressure);
    box.setDecimals(3);
    box.setUnitFromName("bar");
    box.setValueSI(250000);
    box.writeSetupToDomElement(&element);
    QCOMPARE(element.attribute("unit"), QStringLiteral("bar"));
    QCOMPARE(element.attribute("value").toDouble(), 250000.0);

    SpinBoxWithUnit read(nullptr, Quantity::Pressure);
    read.setDecimals(3);
    read.parseDomElement(&element);
    QCOMPARE(read.getUnit()->name, QStringLiteral("bar"));
    QCOMPARE(read.value(), 2.5);

    QDomElement broken = document.createElement("limit");
    broken.setAttribute("value", "lots");
    read.parseDomElement(&broken);
    QCOMPARE(read.getUnit(), theUnits.getDefaultUnit(Quantity::Pressure));
    QCOMPARE(read.getValueSI(), 0.0);
}

void TestSpinBoxes::safeSpinBoxShowsPendingEntries()
{
    SafeSpinBox box;
    box.setDecimals(1);
    box.setRange(10, 100);
    box.setValue(50);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QColor normal = box.palette().color(QPalette::Base);
    QSignalSpy applied(&box, &QDoubleSpinBox::valueChanged);

    box.selectAll();
    QTest::keyClicks(&box, "5");
    QCOMPARE(box.palette().color(QPalette::Active, QPalette::Base), theColors.colorError);
    QTest::keyClicks(&box, "5");
    QCOMPARE(box.palette().color(QPalette::Inactive, QPalette::Base), theColors.colorPending);
    QCOMPARE(box.value(), 50.0);
    QCOMPARE(applied.count(), 0);

    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.value(), 55.0);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(box.palette().color(QPalette::Base), normal);
}

void TestSpinBoxes::safeSpinBoxPassesShortcutsOn()
{
    KeyCatcher parent;
    auto* box = new SafeSpinBox(&parent);
    box->setValue(3);
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
    QApplication::sendEvent(box, &ctrl);
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_1, Qt::AltModifier, "1");
    QApplication::sendEvent(box, &alt);
    QCOMPARE(parent.presses, 2);
    QCOMPARE(box->value(), 3.0);
}

void TestSpinBoxes::scientificNotation()
{
    SciNotDoubleSpinBox box;
    box.setRange(-1e300, 1e300);
    QCOMPARE(box.textFromValue(0.00012), QStringLiteral("1.20E-04"));
    QCOMPARE(box.textFromValue(123), QStringLiteral("1.23E+02"));
    QCOMPARE(box.valueFromText("1.5e3"), 1500.0);
    QCOMPARE(box.valueFromText("nonsense"), 0.0);
    box.setSciNotDecimals(40);
    QCOMPARE(box.textFromValue(1.0 / 3.0), QString::number(1.0 / 3.0, 'E', 20));
    // Full precision: the base does not round.
    box.setValue(1.2345678901234567e-10);
    QCOMPARE(box.value(), 1.2345678901234567e-10);
}

void TestSpinBoxes::scientificValidation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::newRow("exponent") << "1.5e3" << int(QValidator::Acceptable);
    QTest::newRow("signed exponent") << "-2.0E-04" << int(QValidator::Acceptable);
    QTest::newRow("plain") << "42" << int(QValidator::Acceptable);
    QTest::newRow("unfinished exponent") << "1.5e" << int(QValidator::Intermediate);
    QTest::newRow("letters") << "1.5x3" << int(QValidator::Invalid);
    QTest::newRow("two exponents") << "1e5e5" << int(QValidator::Invalid);
}

void TestSpinBoxes::scientificValidation()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    SciNotDoubleSpinBox box;
    int pos = 0;
    QCOMPARE(int(box.validate(text, pos)), state);
}

void TestSpinBoxes::scientificStepFollowsTheShownDigits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("neighbour"); // another box on the same page, 0: none
    QTest::addColumn<double>("expected");
    // Four mantissa decimals, as the loss-model fields show them.
    QTest::newRow("up from 1.0000E-04") << 1e-4 << 1 << 0.0 << 1.0001e-4;
    QTest::newRow("down from 1.0000E-04 into the lower decade") << 1e-4 << -1 << 0.0 << 9.999e-5;
    QTest::newRow("ten up from 2.5000E+01") << 25.0 << 10 << 0.0 << 25.01;
    QTest::newRow("up from 9.9999E-05 into the next decade") << 9.9999e-5 << 1 << 0.0 << 1e-4;
    QTest::newRow("from 0 alone: the last digit of 1.0000E+00") << 0.0 << 1 << 0.0 << 1e-4;
    QTest::newRow("from 0 beside 2.5000E-03: its last digit") << 0.0 << 1 << 2.5e-3 << 1e-7;
    QTest::newRow("from 0 beside 1.2000E+01: the page's smallest") << 0.0 << 2 << 12.0 << 2e-4;
    QTest::newRow("down from 0 stays at the minimum") << 0.0 << -1 << 0.0 << 0.0;
}

void TestSpinBoxes::scientificStepFollowsTheShownDigits()
{
    QFETCH(double, value);
    QFETCH(int, steps);
    QFETCH(double, neighbour);
    QFETCH(double, expected);
    QWidget page;
    auto* box = new SciNotDoubleSpinBox(&page);
    auto* other = new SciNotDoubleSpinBox(&page);
    for (SciNotDoubleSpinBox* b : {box, other}) {
        b->setRange(0, kInf);
        b->setSciNotDecimals(4);
        b->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    }
    other->setValue(neighbour);
    box->setValue(value);
    box->stepBy(steps);
    QVERIFY2(std::fabs(box->value() - expected) <= 1e-9 * std::max(std::fabs(expected), 1e-300),
             qPrintable(QString::number(box->value(), 'E', 10)));
    // And the keys do the same as the step.
    box->setValue(value);
    QTest::keyClick(box, steps > 0 ? Qt::Key_Up : Qt::Key_Down);
    const double oneStep = box->value();
    box->setValue(value);
    box->stepBy(steps > 0 ? 1 : -1);
    QCOMPARE(oneStep, box->value());
}

void TestSpinBoxes::setSIValueIsKeptExactly_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("stored");
    QTest::newRow("m/s shown in km/h, one decimal") << int(Quantity::Speed) << "km/h" << 1 << 1.23456;
    QTest::newRow("m/s shown in m/s, two decimals") << int(Quantity::Speed) << "m/s" << 2 << 2.096;
    QTest::newRow("mph, no decimals") << int(Quantity::Speed) << "mph" << 0 << 27.777777777777779;
    QTest::newRow("kelvin shown in °F, with an offset") << int(Quantity::Temperature) << "°F" << 1 << 300.123456789;
    QTest::newRow("metres shown in mm, seven decimals") << int(Quantity::Distance) << "mm" << 7 << 0.123456789012345;
    QTest::newRow("rpm/s, three decimals") << int(Quantity::RotationalAcceleration) << "" << 3
                                           << 10.471975511965978;
}

void TestSpinBoxes::setSIValueIsKeptExactly()
{
    QFETCH(int, quantity);
    QFETCH(QString, unit);
    QFETCH(int, decimals);
    QFETCH(double, stored);
    const QString name = QStringLiteral("spinBox_test_exact_%1").arg(QTest::currentDataTag());
    const QString key = QStringLiteral("UserSetting/") + name;
    theSettings.setValue(key, stored);
    if (!unit.isEmpty())
        theSettings.setValue(key + QStringLiteral("/unit"), unit);

    SpinBoxWithUnit box(nullptr, Quantity(quantity));
    box.setObjectName(name);
    box.setDecimals(decimals);
    box.setRangeSI(0, kInf);
    QSignalSpy announced(&box, &SpinBoxWithUnit::signal_valueChangedSI);
    theSettings.connectSpinBoxWithUnit(&box);
    // The bind shows the value in the stored unit and rewrites nothing.
    QCOMPARE(box.getValueSI(), stored);
    QCOMPARE(theSettings.value(key).toDouble(), stored);
    QCOMPARE(announced.last().at(0).toDouble(), stored);
    if (!unit.isEmpty())
        QCOMPARE(box.getUnit()->name, unit);

    // Neither does a change of the unit, nor setting the same value again.
    for (const QString& other : theUnits.listUnitNames(Quantity(quantity))) {
        if (other != box.getUnit()->name) {
            box.setUnitFromName(other);
            break;
        }
    }
    box.setValueSI(stored);
    QCOMPARE(box.getValueSI(), stored);
    QCOMPARE(theSettings.value(key).toDouble(), stored);

    // A value that differs only below the shown digits is still a change.
    announced.clear();
    box.setValueSI(stored * (1 + 1e-12));
    QCOMPARE(box.getValueSI(), stored * (1 + 1e-12));
    QCOMPARE(announced.size(), 1);

    // An edit of the operator takes what the display shows.
    box.stepBy(1);
    QCOMPARE(box.getValueSI(), box.getUnit()->getSIValue(box.value()));
    QCOMPARE(theSettings.value(key).toDouble(), box.getValueSI());

    // A value the range clamps takes the clamped value.
    box.setRangeSI(0, 1.0);
    box.setValueSI(5.0);
    QVERIFY(std::fabs(box.getValueSI() - 1.0) <= 0.5 * std::pow(10.0, -decimals) / box.getUnit()->factor + 1e-12);
    theSettings.remove(key);
    theSettings.remove(key + QStringLiteral("/unit"));
}

QTEST_MAIN(TestSpinBoxes)
#include "tst_spin_boxes.moc"
