#include "QcLabelItem.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

QcLabelItem::QcLabelItem(QObject* parent)
    : QcItem(parent)
{
    itemPosition = 50.0f;
}

void QcLabelItem::draw(QPainter* painter)
{
    resetRect();
    const float r = getRadius(itemRect);
    const int pixels = std::max(10, int(r * labelFontSize));
    if (pixels != fontPixels) {
        font = QFont();
        font.setPixelSize(pixels);
        fontPixels = pixels;
    }
    painter->setFont(font);
    painter->setPen(labelColor);
    const QSizeF size = QFontMetricsF(font).size(Qt::TextSingleLine, labelText);
    const QPointF p = getPoint(labelAngle, adjustRect(itemPosition));
    painter->drawText(QRectF(p.x() - size.width() / 2.0, p.y() - size.height() / 2.0, size.width(), size.height()),
                      Qt::AlignCenter, labelText);
}

void QcLabelItem::setText(const QString& text, bool repaint)
{
    labelText = text;
    if (repaint)
        update();
}

void QcLabelItem::setAngle(float a)
{
    labelAngle = a;
    update();
}

void QcLabelItem::setColor(const QColor& color)
{
    labelColor = color;
    update();
}

void QcLabelItem::setFontSize(float fraction)
{
    labelFontSize = fraction > 0.0f ? fraction : 0.1f;
    update();
}
