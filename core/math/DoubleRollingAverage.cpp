#include "DoubleRollingAverage.h"

#include <QDebug>

#include <cmath>
#include <limits>
#include <new>

namespace {

int checkedSize(int size)
{
    if (size < 1) {
        qDebug() << "Can't make rolling average with size < 1. Size:" << size;
        return 1;
    }
    return size;
}

} // namespace

double* DoubleRollingAverage::allocate(int size)
{
    try {
        return new double[static_cast<size_t>(size)];
    } catch (const std::bad_alloc& e) {
        qDebug() << "Rolling average bad_alloc caught:" << e.what();
        return nullptr;
    }
}

DoubleRollingAverage::DoubleRollingAverage(int size)
    : m_size(checkedSize(size))
{
    m_buffer = allocate(m_size);
}

DoubleRollingAverage::~DoubleRollingAverage()
{
    delete[] m_buffer;
}

void DoubleRollingAverage::addData(double x)
{
    if (!m_buffer)
        return;
    if (std::isinf(x)) {
        reset();
        return;
    }
    m_buffer[m_index] = x;
    m_index = (m_index + 1) % m_size;
    if (m_count < m_size)
        ++m_count;
}

double DoubleRollingAverage::getAverage() const
{
    if (!m_buffer || m_count != m_size)
        return std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0;
    for (int i = 0; i < m_size; ++i)
        sum += m_buffer[i];
    return sum / m_size;
}

void DoubleRollingAverage::reset()
{
    m_count = 0;
    m_index = 0;
}

void DoubleRollingAverage::setFilterSize(int size)
{
    size = checkedSize(size);
    double* old = m_buffer;
    const int oldCount = m_count;
    const int oldSize = m_size;
    // Oldest held sample: slot 0 while filling, the next slot to write once full.
    const int oldest = oldCount < oldSize ? 0 : m_index;

    m_buffer = allocate(size);
    m_size = size;
    reset();
    if (m_buffer && old) {
        for (int i = 0; i < oldCount; ++i)
            addData(old[(oldest + i) % oldSize]);
    }
    delete[] old;
}
