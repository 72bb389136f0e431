#pragma once

#include <QList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

class QCPCurve;

// Index arithmetic the graph items and the result table share. Vectors of a
// run may be shorter than its main time vector (a channel that stopped early):
// every index is bounded by the vectors it reads, and what lies beyond a
// vector's end is treated as missing.
namespace AMdiCurveData {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// The samples a curve draws for the selection first ... last (inclusive): the
// last two samples are not drawn, and a one- or two-sample selection draws
// nothing (never "to the end of the run").
inline int curveCount(int first, int last)
{
    return std::max(0, last - first - 1);
}

// Smallest and largest finite value of v[first ... last], both NaN when none.
inline std::pair<double, double> finiteRange(const QList<double>& v, int first, int last)
{
    double lo = notANumber;
    double hi = notANumber;
    const qsizetype end = std::min<qsizetype>(last, v.size() - 1);
    for (qsizetype i = std::max(first, 0); i <= end; ++i) {
        const double x = v.at(i);
        if (!std::isfinite(x))
            continue;
        if (!(x >= lo))
            lo = x;
        if (!(x <= hi))
            hi = x;
    }
    return {lo, hi};
}

// The first i in first ... last - 1 where x lies on the segment from sample i
// to i + 1 (rising: v[i] <= x < v[i+1]; falling: v[i] >= x > v[i+1]); -1 when none.
inline int findCrossing(const QList<double>& v, int first, int last, double x)
{
    const qsizetype end = std::min<qsizetype>(last, v.size() - 1);
    for (qsizetype i = std::max(first, 0); i < end; ++i) {
        const double a = v.at(i);
        const double b = v.at(i + 1);
        if ((a <= x && x < b) || (b < x && x <= a))
            return int(i);
    }
    return -1;
}

// Index of the first largest value of v over first ... last - 1 that exceeds
// zero (as the run statistics pick their peaks); -1 when none does.
inline int peakIndex(const QList<double>& v, int first, int last)
{
    double best = 0.0;
    int index = -1;
    const qsizetype end = std::min<qsizetype>(last, v.size());
    for (qsizetype i = std::max(first, 0); i < end; ++i) {
        if (v.at(i) > best) {
            best = v.at(i);
            index = int(i);
        }
    }
    return index;
}

// Fills a curve with `count` samples from `first` of t, keys and values, cut
// to the shortest of the three. Handed over in one call as already sorted by t.
void fillCurve(QCPCurve* curve, const QList<double>& t, const QList<double>& keys, const QList<double>& values,
               int first, int count);

} // namespace AMdiCurveData
