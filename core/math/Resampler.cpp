#include "Resampler.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

Resampler::Resampler(const QList<double>* x, const QList<double>* y)
    : m_x(x)
    , m_y(y)
    , m_last(static_cast<int>(std::min(x->size(), y->size())) - 1)
{
    if (m_last < 0)
        qDebug() << "Empty vector provided for resampler";
}

Resampler::Resampler(const QList<QPointF>& points)
{
    replaceData(points);
    if (m_last < 0)
        qDebug() << "Empty vector provided for resampler";
}

Resampler::~Resampler()
{
    delete m_ownedX;
    delete m_ownedY;
}

void Resampler::replaceData(const QList<QPointF>& points)
{
    if (!m_ownedX)
        m_ownedX = new QList<double>;
    if (!m_ownedY)
        m_ownedY = new QList<double>;
    m_ownedX->resize(points.size());
    m_ownedY->resize(points.size());
    double* x = m_ownedX->data();
    double* y = m_ownedY->data();
    for (qsizetype i = 0; i < points.size(); ++i) {
        x[i] = points[i].x();
        y[i] = points[i].y();
    }
    m_x = m_ownedX;
    m_y = m_ownedY;
    m_last = static_cast<int>(points.size()) - 1;
    m_position = 0;
}

bool Resampler::isOutOfRange(double x) const
{
    return !m_x || m_x->isEmpty() || x > m_x->last();
}

double Resampler::getSample(double x, bool zeroOutside)
{
    if (!m_x || !m_y || m_last < 0)
        return zeroOutside ? 0.0 : std::numeric_limits<double>::quiet_NaN();
    const double* xs = m_x->constData();
    const double* ys = m_y->constData();
    while (m_position < m_last && xs[m_position + 1] <= x)
        ++m_position;
    const int p = m_position;
    if (p >= m_last)
        return zeroOutside ? 0.0 : m_y->last();
    if (xs[p] <= x)
        return ys[p] + (x - xs[p]) * (ys[p + 1] - ys[p]) / (xs[p + 1] - xs[p]);
    if (p == 0)
        return zeroOutside ? 0.0 : ys[0];
    return ys[p];
}

void Resampler::resampleToVector(const QList<double>* x, const QList<double>* y, QList<double>* out, double rate,
                                 int count, SamplingMode mode)
{
    const qsizetype n = std::min(x->size(), y->size());
    if (n == 0) {
        qDebug() << "Empty vector provided for resampler";
        return;
    }
    out->resize(std::max(count, 0));
    const double* xs = x->constData();
    const double* ys = y->constData();
    double* result = out->data();
    const double period = 1.0 / rate;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const bool interpolate = mode == SamplingMode::Interpolate;
    const bool hold = mode == SamplingMode::SampleAndHold;

    qsizetype i = 0;
    for (int j = 0; j < count; ++j) {
        const double t = j * period;
        while (i < n - 1 && xs[i + 1] <= t)
            ++i;
        if (i < n - 1 && xs[i] <= t) {
            if (interpolate)
                result[j] = ys[i] + (t - xs[i]) * (ys[i + 1] - ys[i]) / (xs[i + 1] - xs[i]);
            else
                result[j] = hold ? ys[i] : 0.0;
        } else if (i == n - 1 && t == xs[n - 1]) {
            // The last recorded sample itself, so a grid that ends exactly on
            // the last time stamp does not lose the final value.
            result[j] = (interpolate || hold) ? ys[n - 1] : 0.0;
        } else if (i == 0 || i == n - 1) {
            result[j] = nan;
        } else {
            result[j] = (interpolate || hold) ? ys[i] : 0.0;
        }
    }
}
