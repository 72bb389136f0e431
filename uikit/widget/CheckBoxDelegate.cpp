#include "CheckBoxDelegate.h"

#include <QCheckBox>

CheckBoxDelegate::CheckBoxDelegate(QObject* parent)
    : QItemDelegate(parent)
{
}

void CheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool set = index.data(Qt::DisplayRole).toBool();
    drawDisplay(painter, option, option.rect, set ? QStringLiteral("      Var") : QStringLiteral("      Yok"));
    drawFocus(painter, option, option.rect);
}

QWidget* CheckBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    editor = new QCheckBox(parent);
    connect(editor, &QCheckBox::toggled, this, &CheckBoxDelegate::slot_setData);
    return editor;
}

void CheckBoxDelegate::setEditorData(QWidget* editorWidget, const QModelIndex& index) const
{
    static_cast<QCheckBox*>(editorWidget)->setChecked(index.data(Qt::DisplayRole).toBool());
}

void CheckBoxDelegate::setModelData(QWidget* editorWidget, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, static_cast<QCheckBox*>(editorWidget)->isChecked(), Qt::EditRole);
}

void CheckBoxDelegate::updateEditorGeometry(QWidget* editorWidget, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    editorWidget->setGeometry(option.rect);
}

void CheckBoxDelegate::slot_setData(bool)
{
    // The box that was clicked is committed, even when a later editor exists.
    QWidget* clicked = qobject_cast<QCheckBox*>(sender());
    if (!clicked)
        clicked = editor;
    if (clicked)
        Q_EMIT commitData(clicked);
}
