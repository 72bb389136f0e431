#pragma once

#include "Quantity.h"

#include <QList>
#include <QString>
#include <QStringList>

// One unit of a quantity: unit value = SI value * factor + offset. Units are
// created once by Units::init and never change, so a const Unit* stays valid
// for the whole process and pointer equality is unit equality.
class Unit
{
public:
    Unit(Quantity quantity, const QString& name, const QStringList& aliases, double factor, double offset);

    double getUnitValue(double si) const { return si * factor + offset; }
    double getSIValue(double value) const { return (value - offset) / factor; }
    void translateVector(const QList<double>* in, QList<double>* out) const;
    QString getUnitValueStringWithNameSpaced(double si, int decimals) const;

    const Quantity quantity;
    const QString name;
    const QStringList aliases;
    const double factor;
    const double offset;
};
