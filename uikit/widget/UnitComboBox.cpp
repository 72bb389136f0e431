#include "UnitComboBox.h"

#include "Units.h"

UnitComboBox::UnitComboBox(QWidget* parent)
    : QComboBox(parent)
    , unit(theUnits.unitless)
{
    // Units travel in signals, also queued ones and through signal spies.
    qRegisterMetaType<const Unit*>("const Unit*");
    connect(this, &QComboBox::currentIndexChanged, this, &UnitComboBox::slot_currentIndexChangedSlot);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

UnitComboBox::UnitComboBox(Quantity q, QWidget* parent)
    : UnitComboBox(parent)
{
    slot_setQuantity(q);
}

void UnitComboBox::selectRowOf(const Unit* u)
{
    const int row = findText(u ? u->name : QString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row < 0)
        return;
    const bool wasUpdating = updating;
    updating = true;
    setCurrentIndex(row);
    updating = wasUpdating;
}

void UnitComboBox::slot_setQuantity(Quantity q)
{
    if (q == quantity)
        return;
    updating = true;
    clear();
    quantity = q;
    addItems(theUnits.listUnitNames(q));
    unit = theUnits.getDefaultUnit(q);
    selectRowOf(unit);
    updating = false;
    Q_EMIT signal_unitChanged(unit);
}

void UnitComboBox::setUnit(const QString& name)
{
    if (currentText() == name)
        return;
    unit = theUnits.getUnitByQuantityAndName(quantity, name);
    selectRowOf(unit);
    Q_EMIT signal_unitChanged(unit);
}

void UnitComboBox::setUnit(const Unit* u)
{
    if (u == unit)
        return;
    unit = u;
    selectRowOf(u);
    Q_EMIT signal_unitChanged(u);
}

void UnitComboBox::slot_currentIndexChangedSlot(int)
{
    if (updating)
        return;
    unit = theUnits.getUnitByQuantityAndName(quantity, currentText());
    Q_EMIT signal_unitChanged(unit);
}
