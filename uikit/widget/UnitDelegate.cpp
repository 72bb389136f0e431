#include "UnitDelegate.h"

#include "Unit.h"
#include "UnitComboBox.h"

UnitDelegate::UnitDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QWidget* UnitDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new UnitComboBox(parent);
    editor->setFrame(false);
    editor->slot_setQuantity(quantity);
    editorOpen = true;
    return editor;
}

void UnitDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    QStyledItemDelegate::destroyEditor(editor, index);
    editorOpen = false;
}

void UnitDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<UnitComboBox*>(editor)->setUnit(index.data(Qt::EditRole).toString());
}

void UnitDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, QVariant::fromValue(static_cast<UnitComboBox*>(editor)->getUnit()), Qt::EditRole);
}

void UnitDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
