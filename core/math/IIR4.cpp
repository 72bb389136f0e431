#include "IIR4.h"

#include <cmath>

double IIR4::addData(double x)
{
    // Unlike the single stage, an infinite sample restarts the settling too.
    if (!std::isfinite(x))
        m_elapsed = 0.0;
    m_input = x;
    double value = x;
    for (double& stage : m_stage) {
        stage = std::isfinite(stage) ? m_gain * value + m_feedback * stage : value;
        value = stage;
    }
    m_state = value;
    if (m_elapsed >= m_settlingTime)
        return value;
    m_elapsed += m_period;
    return std::numeric_limits<double>::quiet_NaN();
}

void IIR4::filterVectorInplace(QList<double>* data, double fs, double fc)
{
    filterVectorToOther(data, data, fs, fc);
}

void IIR4::filterVectorToOther(const QList<double>* in, QList<double>* out, double fs, double fc)
{
    out->resize(in->size());
    const qsizetype n = in->size();
    if (n == 0)
        return;
    const double* source = in->constData();
    double* target = out->data();
    if (in == out)
        source = target;

    IIR4 forward;
    forward.setup(fs, fc);
    for (qsizetype i = 0; i < n; ++i)
        target[i] = forward.addData(source[i]);

    IIR4 backward;
    backward.setup(fs, fc);
    for (qsizetype i = n - 1; i >= 0; --i)
        target[i] = backward.addData(target[i]);
}
