#include "SpinBoxWithUnit.h"

#include "DialogAnswerer.h"
#include "MyMenu.h"
#include "Unit.h"
#include "Units.h"

#include <QContextMenuEvent>
#include <QDomElement>
#include <QInputDialog>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const int kFontSizes[] = {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 21, 24, 36};
}

SpinBoxWithUnit::SpinBoxWithUnit(QWidget* parent, Quantity q)
    : DoubleSpinBoxWithDisable(parent)
    , unit(theUnits.unitless)
{
    // Units travel in signals, also queued ones and through signal spies.
    qRegisterMetaType<const Unit*>("const Unit*");
    const double infinity = std::numeric_limits<double>::infinity();
    setRange(-infinity, infinity);
    connect(this, &QDoubleSpinBox::valueChanged, this, &SpinBoxWithUnit::slot_valueDispatcher);
    setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    if (q != kUnsetQuantity)
        slot_setQuantity(q);
}

double SpinBoxWithUnit::siShownAs(double si) const
{
    // The display holds si rounded to the decimals; the SI value stays what it
    // was given (a stored 1.23456 m/s shown as 4.4 km/h is still 1.23456), so
    // showing a value never rewrites it. Only a value the range clamped takes
    // what the display holds.
    const double shown = unit->getUnitValue(si);
    if (!std::isfinite(si) || !std::isfinite(shown))
        return unit->getSIValue(value());
    const double halfDigit = 0.5 * std::pow(10.0, -decimals());
    const double tolerance = std::max(halfDigit, std::fabs(shown) * 1e-12) * (1.0 + 1e-9);
    if (std::fabs(value() - shown) <= tolerance)
        return si;
    return unit->getSIValue(value());
}

void SpinBoxWithUnit::showSI(double si, const std::function<void()>& apply)
{
    const double before = valueSI;
    const bool outerHolding = holdingSI;
    const double outerHeld = heldSI;
    holdingSI = true;
    heldSI = si;
    announcedSI = false;
    apply();
    holdingSI = outerHolding;
    heldSI = outerHeld;
    valueSI = siShownAs(si);
    // The display may show the same digits for a different SI value; the
    // value changed all the same.
    if (!announcedSI && !(valueSI == before))
        Q_EMIT signal_valueChangedSI(valueSI);
}

void SpinBoxWithUnit::setValueSI(double si)
{
    showSI(si, [this, si] { setValue(unit->getUnitValue(si)); });
}

void SpinBoxWithUnit::setMinimumSI(double si)
{
    setMinimum(unit->getUnitValue(si));
}

void SpinBoxWithUnit::setMaximumSI(double si)
{
    setMaximum(unit->getUnitValue(si));
}

void SpinBoxWithUnit::setRangeSI(double min, double max)
{
    setRange(unit->getUnitValue(min), unit->getUnitValue(max));
}

void SpinBoxWithUnit::slot_setValueSI(double val)
{
    setValueSI(val);
}

void SpinBoxWithUnit::slot_setMinimumSI(double val)
{
    setMinimumSI(val);
}

void SpinBoxWithUnit::slot_setMaximumSI(double val)
{
    setMaximumSI(val);
}

void SpinBoxWithUnit::slot_setQuantity(Quantity q)
{
    if (q == quantity)
        return;
    quantity = q;
    slot_setUnit(theUnits.getDefaultUnit(q));
}

void SpinBoxWithUnit::slot_setUnit(const Unit* newUnit)
{
    if (!newUnit || newUnit == unit)
        return;
    const double minSI = unit->getSIValue(minimum());
    const double maxSI = unit->getSIValue(maximum());
    const double keptSI = valueSI;
    if (!allowedUnits.isEmpty() && !allowedUnits.contains(newUnit->name))
        newUnit = theUnits.getUnitByQuantityAndName(quantity, allowedUnits.first());
    unit = newUnit;
    setSuffix(QLatin1Char(' ') + unit->name);
    showSI(keptSI, [this, minSI, maxSI, keptSI] {
        setRange(unit->getUnitValue(minSI), unit->getUnitValue(maxSI));
        setValue(unit->getUnitValue(keptSI));
    });
    Q_EMIT signal_unitChanged(unit);
}

void SpinBoxWithUnit::setUnitFromName(const QString& name)
{
    slot_setUnit(theUnits.getUnitByQuantityAndName(quantity, name));
}

void SpinBoxWithUnit::restrictUnits(QList<QString> names)
{
    allowedUnits = std::move(names);
    if (!allowedUnits.isEmpty() && !allowedUnits.contains(unit->name))
        slot_setUnit(theUnits.getUnitByQuantityAndName(quantity, allowedUnits.first()));
}

void SpinBoxWithUnit::writeSetupToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("unit"), unit->name);
    element->setAttribute(QStringLiteral("value"), valueSI);
}

void SpinBoxWithUnit::parseDomElement(QDomElement* element)
{
    setUnitFromName(element->attribute(QStringLiteral("unit")));
    bool ok = false;
    const double stored = element->attribute(QStringLiteral("value")).toDouble(&ok);
    setValueSI(ok ? stored : 0.0);
}

void SpinBoxWithUnit::cloneSpinBoxWithUnit(SpinBoxWithUnit* a, SpinBoxWithUnit* b)
{
    connect(a, &SpinBoxWithUnit::signal_valueChangedSI, b, &SpinBoxWithUnit::slot_setValueSI);
    connect(a, &SpinBoxWithUnit::signal_unitChanged, b, &SpinBoxWithUnit::slot_setUnit);
    connect(b, &SpinBoxWithUnit::signal_valueChangedSI, a, &SpinBoxWithUnit::slot_setValueSI);
    connect(b, &SpinBoxWithUnit::signal_unitChanged, a, &SpinBoxWithUnit::slot_setUnit);
    const bool wasBlocked = b->blockSignals(true);
    b->slot_setUnit(a->unit);
    b->setValueSI(a->valueSI);
    b->blockSignals(wasBlocked);
    Q_EMIT b->signal_unitChanged(b->unit);
    Q_EMIT b->signal_valueChangedSI(b->valueSI);
}

void SpinBoxWithUnit::slot_valueDispatcher(double shown)
{
    // While code sets an SI value, the display only follows it; an edit of the
    // operator (typing, stepping) takes what the display shows.
    valueSI = holdingSI ? siShownAs(heldSI) : unit->getSIValue(shown);
    announcedSI = true;
    Q_EMIT signal_valueChangedSI(valueSI);
}

void SpinBoxWithUnit::contextMenuEvent(QContextMenuEvent* event)
{
    MyMenu menu(this);

    QList<QAction*> unitEntries;
    if (unitMenuEnabled && quantity != Quantity::None) {
        QMenu* units = menu.addSubMenu(tr("Unit"));
        for (const QString& name : theUnits.listUnitNames(quantity)) {
            if (!allowedUnits.isEmpty() && !allowedUnits.contains(name))
                continue;
            QAction* entry = units->addAction(name);
            entry->setCheckable(true);
            entry->setChecked(name == unit->name);
            unitEntries.append(entry);
        }
    }

    QList<QAction*> fontEntries;
    QAction* adaptive = nullptr;
    QAction* custom = nullptr;
    QAction* customStep = nullptr;
    if (configMenuEnabled) {
        QMenu* fonts = menu.addSubMenu(tr("Font size"));
        for (int size : kFontSizes) {
            QAction* entry = fonts->addAction(QString::number(size));
            entry->setCheckable(true);
            entry->setChecked(size == font().pointSize());
            fontEntries.append(entry);
        }
        QMenu* stepTypes = menu.addSubMenu(tr("Step type"));
        adaptive = stepTypes->addAction(tr("Adaptive"));
        adaptive->setCheckable(true);
        adaptive->setChecked(stepType() == QAbstractSpinBox::AdaptiveDecimalStepType);
        custom = stepTypes->addAction(tr("Custom"));
        custom->setCheckable(true);
        custom->setChecked(stepType() == QAbstractSpinBox::DefaultStepType);
        customStep = menu.addAction(tr("Set custom step ") + QStringLiteral("(%1)").arg(singleStep(), 0, 'g', 6));
    }

    menu.addActions(actions());

    QAction* chosen = menu.exec(event->globalPos());
    if (!chosen)
        return;
    if (chosen == customStep) {
        askCustomStep();
    } else if (unitEntries.contains(chosen)) {
        slot_setUnit(theUnits.getUnitByQuantityAndName(quantity, chosen->text()));
    } else if (fontEntries.contains(chosen)) {
        QFont changed = font();
        changed.setPointSize(chosen->text().toInt());
        setFont(changed);
        Q_EMIT signal_configurationChanged();
    } else if (chosen == adaptive) {
        setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        Q_EMIT signal_configurationChanged();
    } else if (chosen == custom) {
        setStepType(QAbstractSpinBox::DefaultStepType);
        Q_EMIT signal_configurationChanged();
    }
}

void SpinBoxWithUnit::askCustomStep()
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(tr("Set custom step"));
    dialog.setLabelText(tr("Custom step"));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleDecimals(decimals());
    dialog.setDoubleRange(1.0 / std::pow(10.0, decimals()), std::numeric_limits<double>::infinity());
    dialog.setDoubleStep(1);
    dialog.setDoubleValue(singleStep());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;
    setSingleStep(dialog.doubleValue());
    setStepType(QAbstractSpinBox::DefaultStepType);
    Q_EMIT signal_configurationChanged();
}
