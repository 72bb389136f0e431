#pragma once

#include "Quantity.h"
#include "SQLiteDataType.h"
#include "TableFieldFlag.h"
#include "TableModelFieldDescriptor.h"
#include "TableModelGroupDescriptor.h"

#include <QList>
#include <QMap>
#include <QPoint>
#include <QSqlDatabase>
#include <QSqlTableModel>
#include <QStringList>

// An SQLite table whose columns are declared in code: every column is a
// registered field (field id = model column = position in the SQL table). The
// model creates and migrates its table, loads every row, formats values for
// display and is written only through setDataRawByRowAndId: views cannot edit.
//
// It lives in the toolkit (not with the project and run tables that derive from
// it) because the table view, the row editor and the field configurator work on
// this class and sit below the runs layer.
class MyMenu;
class QAction;

class CustomSqlTableModel : public QSqlTableModel
{
    Q_OBJECT
public:
    CustomSqlTableModel(QObject* parent, QSqlDatabase db);
    ~CustomSqlTableModel() override;

    // Registration stores at the given index: size fieldDescriptors and
    // groupDescriptors first, and fill enumLabelLists before enumeration fields.
    void registerField(int groupId, int fieldId, const QString& databaseKey, const QString& headerLabel,
                       const QString& compactHeaderLabel, const QString& toolTip, SQLiteDataType dataType,
                       int varcharSize, Quantity quantity, int flags, const QVariant& defaultValue, int decimals);
    void registerGroup(int groupId, const QString& name, bool flag);

    // Creates the table when db lacks it, then binds the model to it; true when it was absent.
    bool createTable(QSqlDatabase db, const QString& table);
    static QString getColumnDefString(const TableModelFieldDescriptor* descriptor);
    // Appends the column of a field that a later version declared; silent when it exists.
    void addNewField(int fieldId, const QString& defaultText);
    void removeLegacyField(const QString& databaseKey);
    void loadTableData(const QString& table);

    static QString formatDataForDisplay(const QVariant& value, const TableModelFieldDescriptor* descriptor,
                                        bool withUnit);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QString getHeaderLabelWithoutUnit(int fieldId) const;

    QVariant dataRawByRowAndId(int row, int fieldId) const;
    bool setDataRawByRowAndId(int row, int fieldId, const QVariant& value);
    int fieldDescriptorIdByDatabaseKey(const QString& key) const;
    QStringList getKeysForTemplates() const;

    bool canUserHideColumn(int column) const;
    void forceShowColumnInEditor(int fieldId);
    void forceHideColumn(int fieldId);
    void descriptorChanged(int fieldId);

    // The registered field of a column, or null outside the registry.
    const TableModelFieldDescriptor* descriptor(int fieldId) const;
    TableModelFieldDescriptor* descriptor(int fieldId);
    bool isFieldId(int fieldId) const { return fieldId >= 0 && fieldId < fieldDescriptors.size(); }

    QList<TableModelFieldDescriptor*> fieldDescriptors;
    QList<TableModelGroupDescriptor*> groupDescriptors;
    // Labels of the enumeration fields, by field id; owned by the model.
    QMap<int, const QStringList*> enumLabelLists;

public Q_SLOTS:
    bool select() override;
    virtual void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position) = 0;
    virtual void slot_keyEvent(const QList<int>& rows, int key) = 0;
    virtual void slot_tooltipEvent(int row, const QPoint& position);
    virtual void slot_mouseLeaveEvent();

Q_SIGNALS:
    void signal_descriptorChanged(int fieldId);
    void signal_requestModelConfigurationSave();

protected:
    // The "Hide column" entry and the "Restore column" submenu that the
    // context menus of the project and run tables share.
    struct ColumnMenuEntries {
        QAction* hide = nullptr;
        QList<QAction*> restore;
    };
    ColumnMenuEntries addColumnMenuEntries(MyMenu& menu, int column);
    // Applies and saves the choice when it was one of those entries.
    bool applyColumnMenuEntry(const ColumnMenuEntries& entries, QAction* chosen, int column);

    // The stored value as the rest of the program reads it: SQL NULL, and an
    // empty text in a column that is not text, read as no value.
    QVariant rawValue(const QModelIndex& index) const;
    // Writes the failed statement after its error, as every SQL failure is logged.
    static void logSqlError(const class QSqlQuery& query);

    // True only while setDataRawByRowAndId writes: the one way into the table.
    bool writeEnabled = false;
};
