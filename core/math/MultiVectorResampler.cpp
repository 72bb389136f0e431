#include "MultiVectorResampler.h"

#include <algorithm>
#include <limits>
#include <utility>

MultiVectorResampler::MultiVectorResampler(const QList<double>* x, QList<const QList<double>*> ys)
    : m_x(x)
    , m_ys(std::move(ys))
{
    reset();
}

void MultiVectorResampler::reset()
{
    qsizetype shortest = m_x ? m_x->size() : 0;
    for (const QList<double>* y : std::as_const(m_ys))
        shortest = std::min(shortest, y ? y->size() : 0);
    m_last = static_cast<int>(shortest) - 1;
    m_position = 0;
}

QList<double> MultiVectorResampler::getSamples(double x)
{
    QList<double> values(m_ys.size(), std::numeric_limits<double>::quiet_NaN());
    if (m_last < 0)
        return values;
    const double* xs = m_x->constData();
    while (m_position < m_last && xs[m_position + 1] <= x)
        ++m_position;
    const int p = m_position;
    for (qsizetype k = 0; k < m_ys.size(); ++k) {
        const QList<double>& y = *m_ys[k];
        if (p >= m_last)
            values[k] = y.last();
        else if (xs[p] <= x)
            values[k] = y[p] + (x - xs[p]) * (y[p + 1] - y[p]) / (xs[p + 1] - xs[p]);
        else
            values[k] = y[p]; // before the first point this is the first value
    }
    return values;
}
