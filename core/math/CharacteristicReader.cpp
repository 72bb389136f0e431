#include "CharacteristicReader.h"

#include <cmath>
#include <limits>

void CharacteristicReader::init(const QList<QPointF>* curve)
{
    m_curve = curve;
    m_position = 0;
}

double CharacteristicReader::getValue(double x)
{
    if (std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    m_last = m_curve ? static_cast<int>(m_curve->size()) - 1 : -1;
    if (m_position > m_last)
        m_position = 0; // the curve got shorter since the last query
    if (m_last < 0)
        return x;
    const QPointF* p = m_curve->constData();
    while (m_position < m_last && x >= p[m_position + 1].x())
        ++m_position;
    while (m_position > 0 && x < p[m_position].x())
        --m_position;
    const int i = m_position;
    if (i == m_last)
        return p[i].y();
    if (x >= p[i].x())
        return p[i].y() + (x - p[i].x()) * (p[i + 1].y() - p[i].y()) / (p[i + 1].x() - p[i].x());
    return p[0].y();
}
