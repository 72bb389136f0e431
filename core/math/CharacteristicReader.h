#pragma once
// Evaluates a characteristic (points with ascending x) by linear interpolation,
// clamped to the end values, remembering the segment it last used so that a
// slowly moving x costs almost nothing.

#include <QList>
#include <QPointF>

class CharacteristicReader
{
public:
    // Borrows the curve: its owner keeps it alive (and guards it when it is
    // shared between threads).
    void init(const QList<QPointF>* curve);
    // NaN gives NaN; an empty (or missing) curve gives x unchanged.
    double getValue(double x);

private:
    const QList<QPointF>* m_curve = nullptr;
    int m_position = 0;
    int m_last = -1;
};
