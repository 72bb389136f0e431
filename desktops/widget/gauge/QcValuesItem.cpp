#include "QcValuesItem.h"

#include "QcDegreesItem.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

QcValuesItem::QcValuesItem(QObject* parent)
    : QcScaleItem(parent)
{
    itemPosition = 70.0f;
}

QString QcValuesItem::labelText(float v, int decimals)
{
    if (std::isnan(v))
        return QStringLiteral("?");
    if (decimals < 0)
        return QString::number(double(v), 'e', -decimals);
    if (v >= 0.0f)
        return QLatin1Char(' ') + QString::number(double(v), 'f', decimals);
    return QString::number(double(v), 'f', decimals);
}

void QcValuesItem::draw(QPainter* painter)
{
    resetRect();
    const int n = QcDegreesItem::markCount(minimumValue, maximumValue, valueStep);
    if (n == 0)
        return;
    const float r = getRadius(adjustRect(99.0f));
    const int points = std::max(10, int(r * 0.08f));
    const bool fontChanged = points != fontPoints;
    if (fontChanged) {
        font = QFont();
        font.setPointSize(points);
        fontPoints = points;
    }
    if (fontChanged || textsMin != minimumValue || textsMax != maximumValue || textsStep != valueStep
        || textsDecimals != valueDecimals || texts.size() != n) {
        texts.clear();
        sizes.clear();
        const QFontMetricsF metrics(font);
        for (int i = 0; i < n; ++i) {
            float v = minimumValue + float(i) * valueStep;
            // No "-0" from rounding on the way up through zero.
            if (std::fabs(v) < valueStep * 1e-4f)
                v = 0.0f;
            texts.append(labelText(v, valueDecimals));
            sizes.append(metrics.size(Qt::TextSingleLine, texts.last()));
        }
        textsMin = minimumValue;
        textsMax = maximumValue;
        textsStep = valueStep;
        textsDecimals = valueDecimals;
    }
    painter->setFont(font);
    painter->setPen(valueColor);
    const QPointF c = itemRect.center();
    const double f = 1.0 - double(itemPosition) / 100.0;
    for (int i = 0; i < n; ++i) {
        const float v = minimumValue + float(i) * valueStep;
        const QPointF p = getPoint(getDegFromValue(v), itemRect);
        const QPointF at = p + (c - p) * f;
        const QSizeF& s = sizes.at(i);
        painter->drawText(QRectF(at.x() - s.width() / 2.0, at.y() - s.height() / 2.0, s.width(), s.height()),
                          Qt::AlignCenter, texts.at(i));
    }
}

void QcValuesItem::setStep(float step)
{
    valueStep = step;
    invalidate();
}

void QcValuesItem::setColor(const QColor& color)
{
    valueColor = color;
    invalidate();
}

void QcValuesItem::setDecimals(int decimals)
{
    valueDecimals = decimals;
    invalidate();
}
