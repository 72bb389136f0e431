#pragma once

#include "DoubleSpinBoxWithDisable.h"
#include "Quantity.h"

#include <QList>
#include <QString>

#include <functional>

class QDomElement;
class Unit;

// A number with a unit: the value is held in SI (the quantity's base unit) and
// shown in a unit the operator picks from the context menu. Range and value are
// set in SI; changes are announced in SI. A value set in SI is kept exactly as
// given, whatever the display rounds it to, until the operator edits it.
class SpinBoxWithUnit : public DoubleSpinBoxWithDisable
{
    Q_OBJECT
public:
    explicit SpinBoxWithUnit(QWidget* parent = nullptr, Quantity quantity = Quantity::None);

    void setValueSI(double value);
    void setMinimumSI(double value);
    void setMaximumSI(double value);
    void setRangeSI(double min, double max);
    // A name that the quantity lacks selects its default unit.
    void setUnitFromName(const QString& name);
    // Only these units may be chosen (all of the quantity when empty).
    void restrictUnits(QList<QString> names);

    void writeSetupToDomElement(QDomElement* element);
    void parseDomElement(QDomElement* element);

    // Makes a and b follow each other in value and unit; b takes a's first.
    static void cloneSpinBoxWithUnit(SpinBoxWithUnit* a, SpinBoxWithUnit* b);

    double getValueSI() const { return valueSI; }
    const Unit* getUnit() const { return unit; }
    Quantity getQuantity() const { return quantity; }

    // The context menu offers font size, step type and custom step.
    bool configMenuEnabled = false;
    // The context menu offers the unit.
    bool unitMenuEnabled = true;

public Q_SLOTS:
    void slot_setValueSI(double val);
    void slot_setMinimumSI(double val);
    void slot_setMaximumSI(double val);
    void slot_setQuantity(Quantity quantity);
    void slot_setUnit(const Unit* unit);
    void slot_valueDispatcher(double value);

Q_SIGNALS:
    void signal_valueChangedSI(double value);
    void signal_unitChanged(const Unit* unit);
    // The operator changed the font size, step type or custom step.
    void signal_configurationChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void askCustomStep();
    // The SI value the box holds once the display shows si: si itself unless the range clamped it.
    double siShownAs(double si) const;
    // Runs apply (which sets the display) keeping si as the SI value, and
    // announces it when it changed without the display changing.
    void showSI(double si, const std::function<void()>& apply);

    // Outside the quantities, so that the first quantity given always applies.
    static constexpr int kUnsetQuantity = -2;

    Quantity quantity = static_cast<Quantity>(kUnsetQuantity);
    const Unit* unit = nullptr;
    double valueSI = 0;
    QList<QString> allowedUnits;
    bool holdingSI = false;
    double heldSI = 0;
    bool announcedSI = false;
};
