#include "QcDegreesItem.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

QcDegreesItem::QcDegreesItem(QObject* parent)
    : QcScaleItem(parent)
{
    itemPosition = 90.0f;
}

int QcDegreesItem::markCount(float min, float max, float step)
{
    if (!(step > 0.0f) || !std::isfinite(step) || !std::isfinite(min) || !std::isfinite(max) || max < min)
        return 0;
    // The last mark is kept although rounding may put it a hair beyond the end.
    const double end = double(max) + std::max(std::fabs(double(max)), double(step)) * 1e-5;
    const double n = std::floor((end - double(min)) / double(step)) + 1.0;
    if (n > maxMarks)
        return 0;
    return int(n);
}

void QcDegreesItem::draw(QPainter* painter)
{
    resetRect();
    const int n = markCount(minimumValue, maximumValue, degreeStep);
    if (n == 0)
        return;
    const QRectF r = adjustRect(itemPosition);
    const QPointF c = r.center();
    QPen pen(degreeColor);
    if (!subDegree)
        pen.setWidthF(getRadius(r) / 25.0f);
    painter->setPen(pen);
    for (int i = 0; i < n; ++i) {
        const float v = minimumValue + float(i) * degreeStep;
        const QPointF p = getPoint(getDegFromValue(v), r);
        const QPointF d = c - p;
        painter->drawLine(p + d * 0.03, p + d * 0.13);
    }
}

void QcDegreesItem::setStep(float step)
{
    degreeStep = step;
    invalidate();
    update();
}

void QcDegreesItem::setColor(const QColor& color)
{
    degreeColor = color;
    invalidate();
    update();
}

void QcDegreesItem::setSubDegree(bool sub)
{
    subDegree = sub;
    invalidate();
    update();
}
