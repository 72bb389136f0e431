#pragma once

#include "Quantity.h"
#include "Unit.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The registry of quantities and units. Filled once by init() in the GUI thread
// before any worker thread starts; read without locks afterwards.
class Units
{
public:
    Units() = default;
    ~Units();
    Units(const Units&) = delete;
    Units& operator=(const Units&) = delete;

    void init();

    void registerQuantity(Quantity quantity, const QString& symbol, const QString& name);
    Unit* registerUnit(Quantity quantity, const QString& name, double factor, QList<QString> aliases, double offset);
    void setDefaultUnit(Quantity quantity, const QString& name);

    const Unit* getDefaultUnit(Quantity quantity) const;
    const Unit* getUnitByQuantityAndName(Quantity quantity, const QString& name) const;
    const Unit* getUnitByQuantityAndSearchInString(Quantity quantity, const QString& text) const;
    const Unit* getUnitFromImportedUnitString(const QString& text) const;
    QList<QString> listUnitNames(Quantity quantity) const;
    static Quantity getQuantityFromXMLString(const QString& text);

    QList<QMap<QString, const Unit*>*> unitsByQuantity;
    QList<const Unit*> defaultUnits;
    QList<int> sortedIndexToQuantity;
    QList<int> quantityToSortedIndex;
    QStringList quantitySymbols;
    QStringList quantityNames;
    QStringList sortedQuantityNames;
    const Unit* unitless = nullptr;
    const Unit* celsius = nullptr;
    const Unit* percentRelativeHumidity = nullptr;

private:
    const QMap<QString, const Unit*>* mapOf(Quantity quantity) const;
    void clear();

    QList<Unit*> ownedUnits;
};

extern Units theUnits;
