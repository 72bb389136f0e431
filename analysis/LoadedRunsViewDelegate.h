#pragma once

#include <QStyledItemDelegate>

// Draws the loaded-runs table: every cell filled with its colour, a 2-pixel
// frame instead of the selection colour (so a selected curve cell keeps its
// colour), icons scaled to the font, padded text.
class LoadedRunsViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};
