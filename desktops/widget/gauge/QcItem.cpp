#include "QcItem.h"

#include "QcGaugeWidget.h"

#include <algorithm>
#include <cmath>

QcItem::QcItem(QObject* parent)
    : QObject(parent)
    , gauge(qobject_cast<QcGaugeWidget*>(parent))
{
}

int QcItem::type()
{
    return 50;
}

void QcItem::setPosition(float percent)
{
    if (std::isnan(percent))
        return;
    itemPosition = std::clamp(percent, 0.0f, 100.0f);
    invalidate();
    update();
}

void QcItem::update()
{
    if (gauge)
        gauge->update();
}

void QcItem::invalidate()
{
    if (gauge && isStatic())
        gauge->invalidateBackground();
}

float QcItem::getRadius(const QRectF& rect) const
{
    return float(std::min(rect.width(), rect.height())) / 2.0f;
}

void QcItem::resetRect()
{
    if (!gauge)
        return;
    const int w = gauge->width();
    const int h = gauge->height();
    const float r = float(std::min(w, h)) / 2.0f;
    itemRect = QRectF(float((w - 1) / 2) - r, float((h - 1) / 2) - r, 2.0f * r, 2.0f * r);
}

QRectF QcItem::adjustRect(float percent) const
{
    const float r = getRadius(itemRect);
    const float d = r - r * percent / 100.0f;
    return itemRect.adjusted(d, d, -d, -d);
}

QPointF QcItem::getPoint(float degree, const QRectF& rect) const
{
    const float r = getRadius(rect);
    const float a = degree * 0.017453292f;
    const QPointF c = rect.center();
    return QPointF(c.x() - r * std::cos(a), c.y() - r * std::sin(a));
}

float QcItem::getAngle(const QPointF& point, const QRectF& rect) const
{
    const QPointF c = rect.center();
    return float(std::atan2(c.y() - point.y(), c.x() - point.x()) * 57.29577951308232);
}
