#pragma once

#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QScrollArea>

class CustomSqlTableModel;
class QAction;
class QFormLayout;
struct TableModelFieldDescriptor;

// The form that edits one row of a project or run table, field by field, with
// an editor that suits each field's type, in the model's groups. Every edit is
// written straight back into the row; showing a value never writes it.
class TableEditor : public QScrollArea
{
    Q_OBJECT
public:
    explicit TableEditor(QWidget* parent = nullptr);

    void setModel(CustomSqlTableModel* model);
    void setEditingEnabled(bool enabled);
    // The action joins the context menu of the field's editor, from the next build on.
    void addActionForField(int fieldId, QAction* action);
    void reloadField(int fieldId);

    // The model row shown; -1 when none.
    int currentRow() const { return row; }
    // The editor built for a field in the current form, or null.
    QWidget* editorForField(int fieldId) const { return editorsByField.value(fieldId, nullptr); }

    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void slot_setRow(int row);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void slot_descriptorChanged(int fieldId);
    void slot_valueChangedDispatcherInt(int value);
    void slot_valueChangedDispatcherReal(double value);
    void slot_valueChangedDispatcherText(const QString& string);

private:
    QWidget* buildEditor(int fieldId, const TableModelFieldDescriptor* field, const QVariant& raw);
    void writeBack(const QVariant& value);

    CustomSqlTableModel* model = nullptr;
    int row = -1;
    QFormLayout* formLayout = nullptr;
    QWidget* formWidget = nullptr;
    QMap<int, QWidget*> editorsByField;
    // Several per field, in the order they were added; kept across rebuilds.
    QMap<int, QList<QAction*>> actionsByField;
};
