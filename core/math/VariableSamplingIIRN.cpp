#include "VariableSamplingIIRN.h"

#include <QDebug>

#include <cmath>

double VariableSamplingIIRN::addData(double x, double dt)
{
    if (dt > 0.0 && m_elapsed < m_settlingTime)
        m_elapsed += dt;
    const double alpha = feedbackFor(m_k, dt);
    m_input = x;
    double value = x;
    for (double& stage : m_stage) {
        stage = std::isnan(stage) ? value : (1.0 - alpha) * value + alpha * stage;
        value = stage;
    }
    m_state = value;
    return value;
}

void VariableSamplingIIRN::startAt(double value)
{
    m_input = value;
    for (double& stage : m_stage)
        stage = value;
    m_state = value;
}

void VariableSamplingIIRN::filterVector(QList<double>* data, const QList<double>* time, double fc)
{
    const qsizetype n = data->size();
    if (n == 0)
        return;
    if (time->size() < n) {
        qDebug().noquote() << "static void VariableSamplingIIRN::filterVector(QVector<double>*, QVector<double>*, double)"
                           << "data length bigger than timeVector length. Data length: " << n
                           << ", time length: " << time->size();
        return;
    }
    double* d = data->data();
    const double* t = time->constData();

    VariableSamplingIIRN filter;
    filter.setup(fc);
    filter.startAt(d[0]);
    for (qsizetype i = 1; i < n; ++i)
        d[i] = filter.addData(d[i], t[i] - t[i - 1]);
    filter.startAt(d[n - 1]);
    for (qsizetype i = n - 2; i >= 0; --i)
        d[i] = filter.addData(d[i], t[i + 1] - t[i]);
}
