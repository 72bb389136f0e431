#pragma once
// Values of an (x, y) data set at arbitrary x, by linear interpolation, with a
// remembered position that only moves forward: a sweep of increasing x costs
// linear time overall. x must be ascending.

#include "SamplingMode.h"

#include <QList>
#include <QPointF>

class Resampler
{
public:
    Resampler() = default;
    // Borrows x and y: the caller keeps them alive and unchanged.
    Resampler(const QList<double>* x, const QList<double>* y);
    explicit Resampler(const QList<QPointF>& points);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Copies the points into vectors of its own and rewinds.
    void replaceData(const QList<QPointF>& points);
    bool isOutOfRange(double x) const;
    // Before the first point: y[0] (0 with zeroOutside); at or beyond the last:
    // the last y (0 with zeroOutside). Without data: NaN (0 with zeroOutside).
    double getSample(double x, bool zeroOutside);

    // out gets count values at t = j / rate: interpolated or held according to
    // mode, NaN before the first and after the last data point; a grid point
    // exactly at the last data point gets that point's value. Empty data
    // leaves out unchanged.
    static void resampleToVector(const QList<double>* x, const QList<double>* y, QList<double>* out, double rate,
                                 int count, SamplingMode mode);

private:
    const QList<double>* m_x = nullptr;
    const QList<double>* m_y = nullptr;
    QList<double>* m_ownedX = nullptr;
    QList<double>* m_ownedY = nullptr;
    int m_last = 0;
    int m_position = 0;
};
