#pragma once

// A small table model of the toolkit's base class, one field of every type,
// for the tests of the base and of the views that work on any such model.
#include "CustomSqlTableModel.h"

class TinyTableModel : public CustomSqlTableModel
{
    Q_OBJECT
public:
    enum Field { Id = 0, Flag, Kind, When, Power, Label, Count, Note, FieldCount };

    TinyTableModel(QSqlDatabase db, const QString& table, int fields = FieldCount)
        : CustomSqlTableModel(nullptr, db)
    {
        enumLabelLists.insert(Kind, new QStringList{QStringLiteral("alpha"), QStringLiteral("beta")});
        fieldDescriptors.resize(fields);
        const auto add = [this, fields](int group, int id, const char* key, const char* label, SQLiteDataType type,
                                        int size, Quantity quantity, int flags, const QVariant& value, int decimals) {
            if (id < fields)
                registerField(group, id, QString::fromLatin1(key), QString::fromUtf8(label), QString(),
                              QStringLiteral("tip of ") + QString::fromLatin1(key), type, size, quantity, flags,
                              value, decimals);
        };
        add(-1, Id, "id", "DB ID", SQLiteInteger, 0, Quantity::Integer, FieldInternal, QVariant(), 0);
        add(0, Flag, "flag", "\u2691", SQLiteBool, 0, Quantity::None, FieldInEditor, QVariant(), 0);
        add(0, Kind, "kind", "Kind", SQLiteEnum, 0, Quantity::None, FieldInEditor, QVariant(1), 0);
        add(1, When, "whenDone", "When", SQLiteTimestamp, 0, Quantity::None, FieldInEditor, QVariant(), 0);
        add(1, Power, "power", "Power", SQLiteReal, 0, Quantity::Power, FieldInEditor, QVariant(), 1);
        add(0, Label, "label", "Label", SQLiteVarchar, 100, Quantity::None, FieldInEditor | FieldAlwaysVisible,
            QVariant(), 0);
        add(1, Count, "count", "Count", SQLiteInteger, 0, Quantity::Integer, FieldInEditor, QVariant(), 0);
        add(-1, Note, "note", "Note", SQLiteVarchar, 2000, Quantity::None, FieldInEditor, QVariant(), 0);
        createTable(db, table);
        groupDescriptors.resize(2);
        registerGroup(0, QStringLiteral("First"), false);
        registerGroup(1, QStringLiteral("Second"), false);
        loadTableData(table);
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override
    {
        ++writes;
        return CustomSqlTableModel::setData(index, value, role);
    }

    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position) override
    {
        menuRequests.append({rows, column});
        Q_UNUSED(position)
    }
    void slot_keyEvent(const QList<int>& rows, int key) override { keys.append({rows, key}); }

    int writes = 0;
    QList<QPair<QList<int>, int>> menuRequests;
    QList<QPair<QList<int>, int>> keys;
};
