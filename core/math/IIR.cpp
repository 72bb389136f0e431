#include "IIR.h"

#include <cmath>

void IIR::setup(double fs, double fc)
{
    m_feedback = std::exp(-2.0 * M_PI * fc / fs);
    m_gain = 1.0 - m_feedback;
    m_period = 1.0 / fs;
    m_settlingTime = 4.0 / (2.0 * M_PI * fc);
    // The state is kept: a running filter that gets new coefficients carries
    // on from its value but withholds its output until it has settled again.
    m_elapsed = 0.0;
}

double IIR::addData(double x)
{
    if (std::isnan(x))
        m_elapsed = 0.0;
    if (std::isfinite(m_state))
        m_state = m_gain * x + m_feedback * m_state;
    else
        m_state = x;
    if (m_elapsed >= m_settlingTime)
        return m_state;
    m_elapsed += m_period;
    return std::numeric_limits<double>::quiet_NaN();
}

double IIR::getOutput() const
{
    return m_elapsed >= m_settlingTime ? m_state : std::numeric_limits<double>::quiet_NaN();
}

void IIR::filterVectorInplace(QList<double>* data, double fs, double fc)
{
    filterVectorToOther(data, data, fs, fc);
}

void IIR::filterVectorToOther(const QList<double>* in, QList<double>* out, double fs, double fc)
{
    out->resize(in->size());
    const qsizetype n = in->size();
    if (n == 0)
        return;
    const double* source = in->constData(); // read before out detaches when in == out
    double* target = out->data();
    if (in == out)
        source = target;

    IIR forward;
    forward.setup(fs, fc);
    for (qsizetype i = 0; i < n; ++i)
        target[i] = forward.addData(source[i]);

    IIR backward;
    backward.setup(fs, fc);
    for (qsizetype i = n - 1; i >= 0; --i)
        target[i] = backward.addData(target[i]);
}
