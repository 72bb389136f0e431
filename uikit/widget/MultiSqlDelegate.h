#pragma once

#include <QStyledItemDelegate>

class CustomSqlTableModel;

// Edits, inside a table cell, a value of one field of a CustomSqlTableModel with
// the editor that suits the field's type. The field is the one whose id is the
// cell's row (the field configurator lists one field per row).
class MultiSqlDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MultiSqlDelegate(QObject* parent = nullptr);

    void setModel(CustomSqlTableModel* model);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    CustomSqlTableModel* sqlModel = nullptr;
};
