#include "CharacteristicReductor.h"

#include <cmath>
#include <utility>
#include <vector>

QList<QPointF> CharacteristicReductor::reduceCharacteristic(const QList<QPointF>& points, double tolerance)
{
    if (points.size() < 2)
        return {};
    CharacteristicReductor reductor(points, tolerance);
    reductor.addSegment(0, static_cast<int>(points.size()) - 1);
    return reductor.calculateCharacteristic();
}

CharacteristicReductor::CharacteristicReductor(const QList<QPointF>& points, double tolerance)
    : m_points(points)
    , m_tolerance(tolerance)
{
}

void CharacteristicReductor::addSegment(int start, int end)
{
    if (start < 0 || end >= m_points.size() || start >= end)
        return;
    // An explicit stack instead of recursion: a curve of many thousands of
    // points may be split down to single steps.
    std::vector<std::pair<int, int>> pending;
    pending.emplace_back(start, end);
    while (!pending.empty()) {
        const auto [first, last] = pending.back();
        pending.pop_back();
        if (last - first < 2) {
            // The chord of two points passes through both of them.
            m_segments.append({first, last, 0.0});
            continue;
        }
        const QPointF a = m_points[first];
        const QPointF b = m_points[last];
        const double slope = (b.y() - a.y()) / (b.x() - a.x());
        const double intercept = a.y() - slope * a.x();
        double largest = -1.0;
        double deviationAtLargest = 0.0;
        int split = first;
        double largestInner = -1.0;
        int splitInner = first + 1;
        for (int i = first; i <= last; ++i) {
            const double deviation = m_points[i].y() - (slope * m_points[i].x() + intercept);
            // Repeated x values make the chord vertical: no point fits it.
            const double magnitude = std::isfinite(deviation) ? std::fabs(deviation) : HUGE_VAL;
            if (magnitude > largest) {
                largest = magnitude;
                deviationAtLargest = deviation;
                split = i;
            }
            if (i != first && i != last && magnitude > largestInner) {
                largestInner = magnitude;
                splitInner = i;
            }
        }
        if (std::isfinite(deviationAtLargest) && largest <= m_tolerance) {
            m_segments.append({first, last, deviationAtLargest / 2.0});
            continue;
        }
        // Splitting at an end point would give back the same stretch (rounding
        // at the ends against a tolerance of 0 or below): split inside instead.
        if (split == first || split == last)
            split = splitInner;
        pending.emplace_back(split, last);
        pending.emplace_back(first, split);
    }
}

QList<QPointF> CharacteristicReductor::calculateCharacteristic() const
{
    QList<QPointF> result;
    const qsizetype n = m_segments.size();
    if (n == 0)
        return result;
    result.reserve(n + 1);
    for (qsizetype i = 0; i <= n; ++i) {
        const int index = i < n ? m_segments[i].start : m_segments[n - 1].end;
        const double before = i > 0 ? m_segments[i - 1].halfDeviation : 0.0;
        const double after = i < n ? m_segments[i].halfDeviation : 0.0;
        const QPointF& point = m_points[index];
        result.append(QPointF(point.x(), point.y() + (before + after) / 2.0));
    }
    return result;
}
