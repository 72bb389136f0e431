#pragma once

#include "Quantity.h"

#include <QComboBox>

class Unit;

// Picks a unit of one quantity by name and keeps the chosen Unit.
class UnitComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit UnitComboBox(QWidget* parent = nullptr);
    explicit UnitComboBox(Quantity quantity, QWidget* parent = nullptr);

    // A name that the quantity lacks selects and announces its default unit.
    void setUnit(const QString& name);
    void setUnit(const Unit* u);
    const Unit* getUnit() const { return unit; }
    Quantity getQuantity() const { return quantity; }

public Q_SLOTS:
    void slot_setQuantity(Quantity quantity);
    void slot_currentIndexChangedSlot(int index);

Q_SIGNALS:
    void signal_unitChanged(const Unit* unit);

private:
    void selectRowOf(const Unit* u);

    const Unit* unit = nullptr;
    Quantity quantity = Quantity::None;
    // Set while this class changes the list or the row itself, so that its
    // own index handler stays silent.
    bool updating = false;
};
