#pragma once
// Thins a densely sampled characteristic into straight segments whose points
// all lie within a vertical tolerance of their chord; each vertex is then
// shifted by the mean half deviation of its two segments, so the error is
// spread to both sides of the chord.

#include "CharacteristicSegment.h"

#include <QList>
#include <QPointF>

class CharacteristicReductor
{
public:
    // Fewer than two points give an empty list.
    static QList<QPointF> reduceCharacteristic(const QList<QPointF>& points, double tolerance);

    CharacteristicReductor(const QList<QPointF>& points, double tolerance);
    // Splits the points start..end into segments and appends them in
    // ascending order. A stretch of two points is never split, so a tolerance
    // of 0 or below, or repeated x values, still end.
    void addSegment(int start, int end);
    QList<QPointF> calculateCharacteristic() const;

private:
    QList<QPointF> m_points;
    double m_tolerance;
    QList<CharacteristicSegment> m_segments;
};
