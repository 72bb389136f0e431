#pragma once

#include "QcScaleItem.h"

#include <QColor>
#include <QList>
#include <QPainterPath>

#include <utility>

// A thick arc in coloured sections: each (colour, value) pair paints from the
// previous pair's value (the scale's minimum for the first) to its own.
class QcColorBand : public QcScaleItem
{
    Q_OBJECT
public:
    explicit QcColorBand(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    void setColors(const QList<std::pair<QColor, float>>& colors);
    QList<std::pair<QColor, float>> colors() const { return bands; }
    QPainterPath createSubBand(float startDegree, float sweep);

private:
    QList<std::pair<QColor, float>> bands;
};
