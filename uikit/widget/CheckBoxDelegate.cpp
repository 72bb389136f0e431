#include "CheckBoxDelegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QStyle>

CheckBoxDelegate::CheckBoxDelegate(QObject* parent)
    : QItemDelegate(parent)
{
}

namespace {

QString wordFor(const QModelIndex& index)
{
    return index.data(Qt::DisplayRole).toBool() ? QStringLiteral("      Var") : QStringLiteral("      Yok");
}

} // namespace

void CheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    drawDisplay(painter, option, option.rect, wordFor(index));
    drawFocus(painter, option, option.rect);
}

QSize CheckBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize base = QItemDelegate::sizeHint(option, index);
    // The text margins of the item view style, on both sides.
    const int margins = 2 * (QApplication::style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, nullptr) + 1);
    return QSize(qMax(base.width(), option.fontMetrics.horizontalAdvance(wordFor(index)) + margins), base.height());
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
