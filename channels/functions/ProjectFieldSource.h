#pragma once

#include "lib/Quantity.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// The project table as arguments see it. The projects layer sits above the
// channel model, so it registers its model through Argument::setProjectFieldSource
// at start-up; until then project-field arguments read 0 and name no field.
// Fields are the numbers of ProjectListFieldId; -1 is no field.
class ProjectFieldSource
{
public:
    virtual ~ProjectFieldSource() = default;
    // The raw value of a field of the active project; invalid when none is active.
    virtual QVariant activeProjectDataRawById(int field) const = 0;
    // The field's database key; the translated "invalid" for a field out of range.
    virtual QString getDatabaseKey(int field) const = 0;
    // The field of a database key; -1 when none has it.
    virtual int getFieldIdFromKey(const QString& key) const = 0;
    // (database key, label) of the fields an argument of `quantity` may read,
    // offered by the argument editor's picker.
    virtual QList<std::pair<QString, QString>> listKeysForArgument(Quantity quantity) const
    {
        Q_UNUSED(quantity);
        return {};
    }
};
