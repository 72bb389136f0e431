#pragma once

#include "lib/Quantity.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// One row of the operator table. Quantities: -1 any (the user chooses), -3 the
// quantity of the first argument, otherwise that fixed quantity.
struct OperatorDescriptor {
    static constexpr int AnyQuantity = -1;
    static constexpr int FirstArgumentQuantity = -3;

    // Stored in functions.xml and run files; unique, case-sensitive.
    QString key;
    // Untranslated; shown through displayName(), so that the table built
    // before the translator is installed still shows translated texts.
    QString name;
    QList<QString> argumentNames;
    QList<Quantity> argumentQuantities;
    Quantity resultQuantity = Quantity::None;
    // Names of operators 16 and up, and argument names of operators 16..28,
    // are translatable (context FunctionsModel).
    bool translatedName = false;
    bool translatedArguments = false;

    int argumentCount() const { return int(argumentNames.size()); }
    QString displayName() const
    {
        return translatedName ? QCoreApplication::translate("FunctionsModel", name.toUtf8().constData()) : name;
    }
    QString argumentName(int index) const
    {
        const QString text = argumentNames.value(index);
        return translatedArguments ? QCoreApplication::translate("FunctionsModel", text.toUtf8().constData()) : text;
    }
};
