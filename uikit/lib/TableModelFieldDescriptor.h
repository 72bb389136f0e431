#pragma once

#include "Quantity.h"
#include "SQLiteDataType.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class Unit;

// One registered field (column) of a CustomSqlTableModel. The last five members
// before groupId are the user's customisation and are changed in place by the
// field configurator, the header menus and the dyno settings.
struct TableModelFieldDescriptor {
    QString databaseKey;
    QString headerLabel;
    QString compactHeaderLabel;
    QString toolTip;
    SQLiteDataType dataType = SQLiteVarchar;
    int varcharSize = 0;
    Quantity quantity = Quantity::None;
    // Points into the model's enumLabelLists; null for other types.
    const QStringList* enumLabels = nullptr;
    int flags = 0;
    const Unit* unit = nullptr;
    int decimals = 0;
    bool hiddenInTable = false;
    bool hiddenInEditor = false;
    // SI for real fields; invalid when a new record leaves the column empty.
    QVariant defaultValue;
    int groupId = -1;
};
