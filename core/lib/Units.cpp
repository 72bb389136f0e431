#include "Units.h"

#include <QDebug>

#include <algorithm>
#include <climits>

Units theUnits;

// The table of quantities and units, kept in its own file.
#include "UnitsTable.inc"

Units::~Units()
{
    clear();
}

void Units::clear()
{
    qDeleteAll(ownedUnits);
    ownedUnits.clear();
    qDeleteAll(unitsByQuantity);
    unitsByQuantity.clear();
}

void Units::init()
{
    // Channel setups, arguments and editors keep pointers to these units for
    // the life of the program: building the table again would leave them all
    // dangling, so a second call keeps the first table.
    if (!ownedUnits.isEmpty())
        return;
    clear();
    defaultUnits.clear();
    quantitySymbols.clear();
    quantityNames.clear();
    unitsByQuantity.resize(QuantityCount, nullptr);
    defaultUnits.resize(QuantityCount, nullptr);
    quantityNames.reserve(QuantityCount);

    for (int q = 0; q < QuantityCount; ++q) {
        const QuantityRow& row = kQuantities[q];
        const QString name = q == Quantity::None ? QString::fromUtf8(row.name)
                                                 : QCoreApplication::translate("Units", row.name);
        registerQuantity(static_cast<Quantity>(q), QString::fromUtf8(row.symbol), name);
    }

    for (const UnitRow& row : kUnits) {
        const QString name = QString::fromUtf8(row.name);
        QList<QString> aliases;
        if (row.aliases[0] != '\0')
            aliases = QString::fromUtf8(row.aliases).split(QLatin1Char('|'));
        const auto quantity = static_cast<Quantity>(row.quantity);
        Unit* unit = registerUnit(quantity, name, row.factor, aliases, row.offset);
        if (quantity == Quantity::None && name.isEmpty())
            unitless = unit;
        else if (quantity == Quantity::Temperature && name == QStringLiteral("°C"))
            celsius = unit;
        else if (quantity == Quantity::RelativeHumidity && name == QStringLiteral("%"))
            percentRelativeHumidity = unit;
    }
    for (int q = 0; q < QuantityCount; ++q)
        setDefaultUnit(static_cast<Quantity>(q), QString::fromUtf8(kQuantities[q].defaultUnit));

    // The quantity picker lists "-" first, then the names in code-unit order
    // (not locale order), so the rows are the same on every board.
    sortedQuantityNames = quantityNames;
    std::sort(sortedQuantityNames.begin(), sortedQuantityNames.end());
    const int dash = sortedQuantityNames.indexOf(QStringLiteral("-"));
    if (dash > 0)
        sortedQuantityNames.move(dash, 0);

    sortedIndexToQuantity = QList<int>(QuantityCount, 0);
    quantityToSortedIndex = QList<int>(QuantityCount, 0);
    for (int r = 0; r < QuantityCount; ++r) {
        if (!defaultUnits.at(r))
            qDebug() << Q_FUNC_INFO << "default unit not set for" << quantityNames.at(r);
        const int q = quantityNames.indexOf(sortedQuantityNames.at(r));
        sortedIndexToQuantity[r] = q;
        quantityToSortedIndex[q] = r;
    }
}

void Units::registerQuantity(Quantity quantity, const QString& symbol, const QString& name)
{
    quantitySymbols.insert(quantity, symbol);
    quantityNames.insert(quantity, name);
    if (unitsByQuantity.size() <= quantity)
        unitsByQuantity.resize(quantity + 1, nullptr);
    delete unitsByQuantity[quantity];
    unitsByQuantity[quantity] = new QMap<QString, const Unit*>();
}

Unit* Units::registerUnit(Quantity quantity, const QString& name, double factor, QList<QString> aliases, double offset)
{
    auto* unit = new Unit(quantity, name, aliases, factor, offset);
    ownedUnits.append(unit);
    unitsByQuantity.at(quantity)->insert(name, unit);
    return unit;
}

void Units::setDefaultUnit(Quantity quantity, const QString& name)
{
    defaultUnits[quantity] = getUnitByQuantityAndName(quantity, name);
}

const QMap<QString, const Unit*>* Units::mapOf(Quantity quantity) const
{
    if (quantity < 0 || quantity >= unitsByQuantity.size())
        return unitsByQuantity.value(Quantity::None);
    return unitsByQuantity.at(quantity);
}

const Unit* Units::getDefaultUnit(Quantity quantity) const
{
    if (quantity < 0 || quantity >= QuantityCount || quantity >= defaultUnits.size())
        return unitless;
    return defaultUnits.at(quantity);
}

const Unit* Units::getUnitByQuantityAndName(Quantity quantity, const QString& name) const
{
    const QMap<QString, const Unit*>* map = mapOf(quantity);
    if (map) {
        const auto it = map->constFind(name);
        if (it != map->constEnd())
            return it.value();
    }
    if (quantity < 0 || quantity >= QuantityCount)
        return unitless;
    return getDefaultUnit(quantity);
}

const Unit* Units::getUnitByQuantityAndSearchInString(Quantity quantity, const QString& text) const
{
    const QMap<QString, const Unit*>* map = mapOf(quantity);
    if (map) {
        for (const Unit* unit : *map) {
            for (const QString& alias : unit->aliases) {
                if (!alias.isEmpty() && text.indexOf(alias, 0, Qt::CaseInsensitive) >= 0)
                    return unit;
            }
            if (!unit->name.isEmpty() && text.indexOf(unit->name, 0, Qt::CaseInsensitive) >= 0)
                return unit;
        }
    }
    if (quantity < 0 || quantity >= QuantityCount)
        return unitless;
    return getDefaultUnit(quantity);
}

const Unit* Units::getUnitFromImportedUnitString(const QString& text) const
{
    for (const QMap<QString, const Unit*>* map : unitsByQuantity) {
        if (!map)
            continue;
        for (const Unit* unit : *map) {
            if (unit->name == text || unit->aliases.contains(text))
                return unit;
        }
    }
    return nullptr;
}

QList<QString> Units::listUnitNames(Quantity quantity) const
{
    if (quantity < 0 || quantity >= unitsByQuantity.size() || !unitsByQuantity.at(quantity))
        return QList<QString>{QString()};
    return unitsByQuantity.at(quantity)->keys();
}

Quantity Units::getQuantityFromXMLString(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok)
        return Quantity::None;
    if (number < -1 || number >= QuantityCount)
        return static_cast<Quantity>(-1);
    return static_cast<Quantity>(number);
}

namespace Quantities {

QDebug operator<<(QDebug debug, const Quantity& quantity)
{
    const QString name = (quantity >= 0 && quantity < theUnits.quantityNames.size())
                             ? theUnits.quantityNames.at(quantity)
                             : QString::number(static_cast<int>(quantity));
    debug << name;
    return debug;
}

} // namespace Quantities
