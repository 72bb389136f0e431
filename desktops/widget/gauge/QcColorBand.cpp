#include "QcColorBand.h"

#include <QPainter>

#include <cmath>

QcColorBand::QcColorBand(QObject* parent)
    : QcScaleItem(parent)
{
    itemPosition = 50.0f;
    bands = {{Qt::green, 10.0f}, {Qt::darkGreen, 50.0f}, {Qt::red, 100.0f}};
}

QPainterPath QcColorBand::createSubBand(float start, float sweep)
{
    const QRectF r = adjustRect(itemPosition);
    QPainterPath path;
    path.arcMoveTo(r, 180.0f - start);
    path.arcTo(r, 180.0f - start, -sweep);
    return path;
}

void QcColorBand::draw(QPainter* painter)
{
    resetRect();
    QPen pen;
    pen.setCapStyle(Qt::FlatCap);
    pen.setWidthF(getRadius(itemRect) / 20.0f);
    painter->setBrush(Qt::NoBrush);
    float start = getDegFromValue(minimumValue);
    float previous = minimumValue;
    for (const auto& band : std::as_const(bands)) {
        const float sweep = getDegFromValue(band.second) - getDegFromValue(previous);
        previous = band.second;
        if (!std::isfinite(sweep))
            continue;
        pen.setColor(band.first);
        painter->setPen(pen);
        painter->drawPath(createSubBand(start, sweep));
        start += sweep;
    }
}

void QcColorBand::setColors(const QList<std::pair<QColor, float>>& colors)
{
    bands = colors;
    invalidate();
    update();
}
