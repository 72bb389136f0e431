#include "ContinousDoubleRollingAverage.h"

#include <QDebug>

#include <cmath>
#include <limits>
#include <new>

ContinousDoubleRollingAverage::ContinousDoubleRollingAverage(int size)
{
    if (size < 1) {
        qDebug() << "Can't make rolling average with size < 1. Size:" << size;
        size = 1;
    }
    m_size = size;
    try {
        m_buffer = new double[static_cast<size_t>(size)];
    } catch (const std::bad_alloc& e) {
        qDebug() << "Rolling average bad_alloc caught:" << e.what();
        m_buffer = nullptr;
    }
}

ContinousDoubleRollingAverage::~ContinousDoubleRollingAverage()
{
    delete[] m_buffer;
}

double ContinousDoubleRollingAverage::addData(double x)
{
    if (!m_buffer)
        return std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(x)) {
        reset();
        return x;
    }
    if (m_count < m_size)
        ++m_count;
    else
        m_sum -= m_buffer[m_index];
    m_buffer[m_index] = x;
    m_index = (m_index + 1) % m_size;
    m_sum += x;
    return m_count == m_size ? m_sum / m_size : std::numeric_limits<double>::quiet_NaN();
}

void ContinousDoubleRollingAverage::reset()
{
    m_sum = 0.0;
    m_count = 0;
    m_index = 0;
}

void ContinousDoubleRollingAverage::filterVector(QList<double>* data, int n)
{
    filterVectorToOther(data, data, n);
}

void ContinousDoubleRollingAverage::filterVectorToOther(const QList<double>* in, QList<double>* out, int n)
{
    const qsizetype length = in->size();
    if (length == 0)
        return;
    out->resize(length);
    const double* source = in->constData();
    double* target = out->data();
    if (in == out)
        source = target;

    ContinousDoubleRollingAverage forward(n / 2 + 1);
    for (qsizetype i = 0; i < length; ++i)
        target[i] = forward.addData(source[i]);
    ContinousDoubleRollingAverage backward(static_cast<int>((static_cast<long long>(n) + 1) / 2));
    for (qsizetype i = length - 1; i >= 0; --i)
        target[i] = backward.addData(target[i]);
}
