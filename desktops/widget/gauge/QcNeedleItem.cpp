#include "QcNeedleItem.h"

#include "QcLabelItem.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

QcNeedleItem::QcNeedleItem(QObject* parent)
    : QcScaleItem(parent)
{
    itemPosition = 50.0f;
}

void QcNeedleItem::draw(QPainter* painter)
{
    if (std::isnan(value))
        return;
    resetRect();
    const QRectF rect = adjustRect(itemPosition);
    const float r = getRadius(rect);
    painter->save();
    painter->translate(rect.center());
    painter->rotate(double(getDegFromValue(value)) + 90.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(needleColor);
    const QPointF triangle[3] = {QPointF(0.0, r), QPointF(-r / 40.0, 0.0), QPointF(r / 40.0, 0.0)};
    painter->drawConvexPolygon(triangle, 3);
    painter->restore();
}

void QcNeedleItem::setCurrentValue(float v)
{
    if (valueLabel)
        valueLabel->setText(QString::asprintf("%.1f", double(v)), false);
    value = std::isnan(v) ? v : std::clamp(v, minimumValue, maximumValue);
    update();
}

void QcNeedleItem::setColor(const QColor& color)
{
    needleColor = color;
    update();
}

void QcNeedleItem::setLabel(QcLabelItem* label)
{
    valueLabel = label;
    update();
}

void QcNeedleItem::setValueFormat(const QString& format)
{
    valueFormat = format;
    update();
}
