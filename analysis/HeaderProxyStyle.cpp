#include "HeaderProxyStyle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionHeader>

void HeaderProxyStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const
{
    const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
    if (element != CE_HeaderLabel || !header || header->icon.isNull()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QPixmap pixmap = header->icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off);
    const QRect& rect = header->rect;
    const int x = rect.left() + rect.width() / 2 - pixmap.width() / 2;
    painter->drawPixmap(x, rect.top() + 8, pixmap);
    const int width = painter->fontMetrics().horizontalAdvance(header->text) + pixmap.width();
    painter->drawText(QRect(x + 16, rect.top() + 8, width, pixmap.height()), header->text, QTextOption());
}
