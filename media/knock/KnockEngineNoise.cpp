#include "KnockEngineNoise.h"

#include <cmath>

namespace KnockEngineNoise {

namespace {
// More bins than any engine has revolutions per minute: a bin width typed
// far too small must not exhaust the board's memory.
constexpr double maxPoints = 1e6;
} // namespace

QList<QPointF> characteristic(const QList<double>& levels, const QList<double>& speeds, double binWidth,
                              double tolerance)
{
    if (!(binWidth > 0.0) || !std::isfinite(binWidth))
        return {};
    const qsizetype n = std::min(levels.size(), speeds.size());
    double highest = 0.0;
    for (qsizetype i = 0; i < n; ++i) {
        if (speeds.at(i) > highest)
            highest = speeds.at(i);
    }
    const double count = std::ceil(highest / binWidth) + 1.0;
    if (!(count <= maxPoints))
        return {};
    const int points = int(count);
    QList<double> level(points, 0.0);
    for (qsizetype i = 0; i < n; ++i) {
        const double s = speeds.at(i);
        if (!std::isfinite(s))
            continue;
        const double bin = std::trunc(s / binWidth);
        if (bin < 0.0 || bin >= points)
            continue;
        const int b = int(bin);
        if (levels.at(i) > level.at(b))
            level[b] = levels.at(i);
    }
    for (int i = points - 1; i >= 1; --i) {
        if (level.at(i - 1) > level.at(i))
            level[i] = level.at(i - 1);
    }
    for (int i = points - 2; i >= 0; --i) {
        if (level.at(i) == 0.0)
            level[i] = level.at(i + 1);
    }
    QList<QPointF> result;
    result.reserve(points);
    for (int i = 0; i < points; ++i)
        result.append(QPointF(i * binWidth, level.at(i) * tolerance));
    return result;
}

} // namespace KnockEngineNoise
