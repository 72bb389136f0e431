#include "BinFinder.h"

#include <limits>

bool BinFinder::init(const QList<double>* axis)
{
    m_axis = axis;
    m_current = 0;
    return recheckBins();
}

bool BinFinder::recheckBins()
{
    m_last = m_axis ? static_cast<int>(m_axis->size()) - 1 : -1;
    if (m_current > m_last)
        m_current = m_last > 0 ? m_last : 0; // the axis got shorter
    return m_last < 0;
}

int BinFinder::findBin(double x)
{
    if (m_last < 0)
        return 0;
    const double* a = m_axis->constData();
    while (m_current < m_last && x >= (a[m_current] + a[m_current + 1]) / 2.0)
        ++m_current;
    while (m_current > 0 && x < (a[m_current - 1] + a[m_current]) / 2.0)
        --m_current;
    return m_current;
}

float BinFinder::getBinRelativePosition(double x) const
{
    if (m_last < 0)
        return std::numeric_limits<float>::quiet_NaN();
    const double* axis = m_axis->constData();
    const double a = axis[m_current];
    if (x == a)
        return 0.0f;
    if (x > a) {
        if (m_current == m_last)
            return std::numeric_limits<float>::infinity();
        return static_cast<float>((x - a) / (axis[m_current + 1] - a));
    }
    if (m_current == 0)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>((x - a) / (a - axis[m_current - 1]));
}
