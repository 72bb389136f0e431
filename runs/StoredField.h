#pragma once

#include "SQLiteDataType.h"

#include <QString>
#include <QVariant>

// A table field as a run file stores it ("/projectInfo"): the field's
// database key, its storage type and its value.
struct StoredField {
    QString key;
    SQLiteDataType type = SQLiteVarchar;
    QVariant value;
};
