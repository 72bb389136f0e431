#include "DoubleSpinBoxDelegate.h"

#include <QDoubleSpinBox>

DoubleSpinBoxDelegate::DoubleSpinBoxDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QWidget* DoubleSpinBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QDoubleSpinBox(parent);
    editor->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    editor->setFrame(false);
    editor->setButtonSymbols(QAbstractSpinBox::NoButtons);
    editor->setRange(minimum, maximum);
    editorOpen = true;
    return editor;
}

void DoubleSpinBoxDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    QStyledItemDelegate::destroyEditor(editor, index);
    editorOpen = false;
}

void DoubleSpinBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<QDoubleSpinBox*>(editor)->setValue(index.data(Qt::EditRole).toDouble());
}

void DoubleSpinBoxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* spinBox = static_cast<QDoubleSpinBox*>(editor);
    spinBox->interpretText();
    model->setData(index, spinBox->value(), Qt::EditRole);
}

void DoubleSpinBoxDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                 const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

void DoubleSpinBoxDelegate::setRange(double min, double max)
{
    minimum = min;
    maximum = max;
}
