#include "SpinBoxDelegate.h"

#include <QSpinBox>

SpinBoxDelegate::SpinBoxDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QWidget* SpinBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QSpinBox(parent);
    editor->setFrame(false);
    editor->setRange(minimum, maximum);
    editorOpen = true;
    return editor;
}

void SpinBoxDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    QStyledItemDelegate::destroyEditor(editor, index);
    editorOpen = false;
}

void SpinBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<QSpinBox*>(editor)->setValue(static_cast<int>(index.data(Qt::EditRole).toDouble()));
}

void SpinBoxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* spinBox = static_cast<QSpinBox*>(editor);
    spinBox->interpretText();
    model->setData(index, static_cast<double>(spinBox->value()), Qt::EditRole);
}

void SpinBoxDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

void SpinBoxDelegate::setRange(int min, int max)
{
    minimum = min;
    maximum = max;
}
