#pragma once

#include <QString>

// A titled group of fields in the row editor.
struct TableModelGroupDescriptor {
    QString name;
    bool flag = false;
};
