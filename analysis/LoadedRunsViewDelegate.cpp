#include "LoadedRunsViewDelegate.h"

#include <QApplication>
#include <QPainter>

void LoadedRunsViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);

    const QVariant background = index.data(Qt::BackgroundRole);
    painter->fillRect(opt.rect, background.canConvert<QBrush>() ? background.value<QBrush>()
                                                                 : QBrush(background.value<QColor>()));

    const int pointSize = qMax(0, opt.font.pointSize());
    QRect content = opt.rect.adjusted(pointSize / 2, 2, -(pointSize / 2), -2);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (icon.isNull()) {
        opt.rect = content;
        opt.backgroundBrush = QBrush();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (selected) {
            painter->save();
            const QPalette::ColorGroup group =
                (option.state & QStyle::State_Enabled) ? QPalette::Active : QPalette::Disabled;
            painter->setPen(QPen(option.palette.color(group, QPalette::Text), 2, Qt::SolidLine, Qt::SquareCap,
                                 Qt::MiterJoin));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
            painter->restore();
        }
        return;
    }
    const QPixmap pixmap = icon.pixmap(icon.actualSize(QSize(1024, 1024)), QIcon::Normal, QIcon::Off);
    if (pixmap.isNull() || pointSize <= 0)
        return;
    const QPixmap scaled = pixmap.scaledToHeight(pointSize, Qt::FastTransformation);
    const QPoint topLeft(content.center().x() - scaled.width() / 2, content.center().y() - scaled.height() / 2);
    painter->drawPixmap(topLeft, scaled);
}

QSize LoadedRunsViewDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    const int pointSize = qMax(0, option.font.pointSize());
    return QSize(base.width() + (pointSize / 2) * 2, base.height() + 4);
}

QWidget* LoadedRunsViewDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor) {
        editor->setFont(option.font);
        editor->setStyleSheet(QStringLiteral("padding-left: %1px; padding-right: %1px;")
                                  .arg(qMax(0, option.font.pointSize()) / 2));
    }
    return editor;
}
