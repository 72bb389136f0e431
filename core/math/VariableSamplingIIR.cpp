#include "VariableSamplingIIR.h"

#include <QDebug>

#include <cmath>

void VariableSamplingIIR::setup(double fc)
{
    if (std::isinf(fc) && fc > 0.0) {
        m_settlingTime = 0.0;
    } else {
        m_k = -2.0 * M_PI * fc;
        m_settlingTime = 3.0 / (2.0 * M_PI * fc) + 0.2;
    }
    m_elapsed = 0.0;
}

double VariableSamplingIIR::addData(double x, double dt)
{
    if (dt > 0.0 && m_elapsed < m_settlingTime)
        m_elapsed += dt;
    const double alpha = feedbackFor(m_k, dt);
    if (std::isfinite(m_state))
        m_state = (1.0 - alpha) * x + alpha * m_state;
    else
        m_state = x;
    return m_elapsed >= m_settlingTime ? m_state : std::numeric_limits<double>::quiet_NaN();
}

double VariableSamplingIIR::getOutput() const
{
    return m_elapsed >= m_settlingTime ? m_state : std::numeric_limits<double>::quiet_NaN();
}

void VariableSamplingIIR::filterVector(QList<double>* data, const QList<double>* time, double fc)
{
    const qsizetype n = data->size();
    if (n == 0)
        return;
    if (time->size() < n) {
        qDebug().noquote() << "static void VariableSamplingIIR::filterVector(QVector<double>*, QVector<double>*, double)"
                           << "data length bigger than timeVector length. Data length: " << n
                           << ", time length: " << time->size();
        return;
    }
    const double k = (std::isinf(fc) && fc > 0.0) ? -std::numeric_limits<double>::infinity() : -2.0 * M_PI * fc;
    double* d = data->data();
    const double* t = time->constData();

    double state = d[0];
    for (qsizetype i = 1; i < n; ++i) {
        const double alpha = feedbackFor(k, t[i] - t[i - 1]);
        if (std::isfinite(state))
            d[i] = (1.0 - alpha) * d[i] + alpha * state;
        state = d[i];
    }
    state = d[n - 1];
    for (qsizetype i = n - 2; i >= 0; --i) {
        const double alpha = feedbackFor(k, t[i + 1] - t[i]);
        if (std::isfinite(state))
            d[i] = (1.0 - alpha) * d[i] + alpha * state;
        state = d[i];
    }
}
