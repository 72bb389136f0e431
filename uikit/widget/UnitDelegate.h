#pragma once

#include "Quantity.h"

#include <QStyledItemDelegate>

// Edits the unit of a table cell among the units of one quantity; the cell
// gets the chosen unit as a `const Unit*`.
class UnitDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit UnitDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Set by the owner before editing starts.
    Quantity quantity = Quantity::None;
    // True while one of its editors is open.
    mutable bool editorOpen = false;
};
