#include "QcScaleItem.h"

#include <QDebug>

#include <cmath>

namespace {

bool validRange(float min, float max)
{
    return std::isfinite(min) && std::isfinite(max) && min < max;
}

} // namespace

QcScaleItem::QcScaleItem(QObject* parent)
    : QcItem(parent)
{
}

bool QcScaleItem::setValueRange(float min, float max)
{
    if (!validRange(min, max)) {
        qWarning() << "Gauge: value range" << min << ".." << max << "refused";
        return false;
    }
    minimumValue = min;
    maximumValue = max;
    invalidate();
    return true;
}

bool QcScaleItem::setDgereeRange(float min, float max)
{
    if (!validRange(min, max)) {
        qWarning() << "Gauge: degree range" << min << ".." << max << "refused";
        return false;
    }
    minimumDegree = min;
    maximumDegree = max;
    invalidate();
    return true;
}

bool QcScaleItem::setMinValue(float value)
{
    if (!setValueRange(value, maximumValue))
        return false;
    update();
    return true;
}

bool QcScaleItem::setMaxValue(float value)
{
    if (!setValueRange(minimumValue, value))
        return false;
    update();
    return true;
}

bool QcScaleItem::setMinDegree(float degree)
{
    if (!setDgereeRange(degree, maximumDegree))
        return false;
    update();
    return true;
}

bool QcScaleItem::setMaxDegree(float degree)
{
    if (!setDgereeRange(minimumDegree, degree))
        return false;
    update();
    return true;
}

float QcScaleItem::getDegFromValue(float v) const
{
    return minimumDegree + (maximumDegree - minimumDegree) / (maximumValue - minimumValue) * (v - minimumValue);
}
