#pragma once

#include <QList>
#include <QPointF>

// The engine-noise characteristic proposed from a knock-free part of a run:
// the highest level per engine-speed bin, carried one bin towards higher
// speed, empty bins filled from above, times the tolerance.
namespace KnockEngineNoise {
// `speeds` in the display unit, `binWidth` in the same unit; points with x in
// that unit. Empty when the bin width is not a positive number.
QList<QPointF> characteristic(const QList<double>& levels, const QList<double>& speeds, double binWidth,
                              double tolerance);
} // namespace KnockEngineNoise
