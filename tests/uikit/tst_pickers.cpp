// The quantity and unit pickers.
#include "QuantityComboBox.h"
#include "Unit.h"
#include "UnitComboBox.h"
#include "Units.h"

#include <QSignalSpy>
#include <QTest>

class TestPickers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void quantityPicker();
    void unitPickerFollowsItsQuantity();
    void unitPickerSetters();
    void operatorChoiceIsAnnouncedOnce();
};

void TestPickers::initTestCase()
{
    theUnits.init();
}

void TestPickers::quantityPicker()
{
    QuantityComboBox picker;
    QCOMPARE(picker.count(), QuantityCount);
    QSignalSpy spy(&picker, &QuantityComboBox::signal_quantityChanged);
    for (int q = 0; q < QuantityCount; ++q) {
        picker.setQuantity(static_cast<Quantity>(q));
        QCOMPARE(picker.currentQuantity(), static_cast<Quantity>(q));
        QCOMPARE(picker.currentText(), theUnits.quantityNames.at(q));
    }
    const int row = theUnits.quantityToSortedIndex.at(Quantity::Torque);
    picker.setCurrentIndex(row == 0 ? 1 : 0);
    spy.clear();
    picker.setCurrentIndex(row);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<Quantity>(), Quantity::Torque);

    // Outside the quantities: no row, and no crash reading it back.
    picker.setQuantity(static_cast<Quantity>(-1));
    QCOMPARE(picker.currentIndex(), -1);
    QCOMPARE(int(picker.currentQuantity()), -1);
    picker.setQuantity(static_cast<Quantity>(99));
    QCOMPARE(picker.currentIndex(), -1);
}

void TestPickers::unitPickerFollowsItsQuantity()
{
    UnitComboBox empty;
    QCOMPARE(empty.count(), 0);
    UnitComboBox none(Quantity::None);
    QCOMPARE(none.count(), 0);
    QCOMPARE(none.getUnit(), theUnits.unitless);

    UnitComboBox picker;
    QSignalSpy spy(&picker, &UnitComboBox::signal_unitChanged);
    picker.slot_setQuantity(Quantity::Speed);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<const Unit*>(), theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(picker.count(), theUnits.listUnitNames(Quantity::Speed).size());
    QCOMPARE(picker.currentText(), theUnits.getDefaultUnit(Quantity::Speed)->name);
    picker.slot_setQuantity(Quantity::Speed);
    QCOMPARE(spy.count(), 1);
}

void TestPickers::unitPickerSetters()
{
    UnitComboBox picker(Quantity::Speed);
    picker.setUnit(QStringLiteral("km/h"));
    QSignalSpy spy(&picker, &UnitComboBox::signal_unitChanged);
    picker.setUnit(QStringLiteral("km/h"));
    QCOMPARE(spy.count(), 0);

    // A name the quantity lacks: its default unit, selected and announced.
    picker.setUnit(QStringLiteral("parsec"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(picker.getUnit(), theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(picker.currentText(), picker.getUnit()->name);

    const Unit* mph = theUnits.getUnitByQuantityAndName(Quantity::Speed, "mph");
    picker.setUnit(mph);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(picker.currentText(), QStringLiteral("mph"));
    picker.setUnit(mph);
    QCOMPARE(spy.count(), 2);
}

void TestPickers::operatorChoiceIsAnnouncedOnce()
{
    UnitComboBox picker(Quantity::Pressure);
    QSignalSpy spy(&picker, &UnitComboBox::signal_unitChanged);
    picker.setCurrentIndex(picker.findText("psi"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<const Unit*>()->name, QStringLiteral("psi"));
    QCOMPARE(picker.getUnit()->name, QStringLiteral("psi"));
    // The class's own row change emits only the signal of the method that made it.
    picker.setUnit(QStringLiteral("bar"));
    QCOMPARE(spy.count(), 2);
    picker.slot_setQuantity(Quantity::Speed);
    QCOMPARE(spy.count(), 3);
}

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
