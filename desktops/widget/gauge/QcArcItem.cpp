#include "QcArcItem.h"

#include <QPainter>

QcArcItem::QcArcItem(QObject* parent)
    : QcScaleItem(parent)
{
    itemPosition = 80.0f;
}

void QcArcItem::draw(QPainter* painter)
{
    resetRect();
    const QRectF r = adjustRect(itemPosition);
    QPen pen(arcColor);
    pen.setWidthF(getRadius(r) / 40.0f);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawArc(r, int(-(minimumDegree + 180.0f) * 16.0f), int(-(maximumDegree - minimumDegree) * 16.0f));
}

void QcArcItem::setColor(const QColor& color)
{
    arcColor = color;
    invalidate();
}
