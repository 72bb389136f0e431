#pragma once
// First-order low-pass for samples at a fixed rate. The output is withheld
// (NaN) for four time constants after a start, a restart on a NaN sample or a
// new set-up, so a consumer never sees the step response of the filter itself.

#include <QList>

#include <limits>

class IIR
{
public:
    void setup(double fs, double fc);
    double addData(double x);
    double getOutput() const;

    // Zero-phase filtering: forward, then backward over the forward result.
    static void filterVectorInplace(QList<double>* data, double fs, double fc);
    static void filterVectorToOther(const QList<double>* in, QList<double>* out, double fs, double fc);

protected:
    // Until set up, the filter passes samples straight through.
    double m_state = std::numeric_limits<double>::quiet_NaN();
    double m_settlingTime = 0.0; // four time constants, seconds
    double m_elapsed = 0.0;      // since the last (re)start, seconds
    double m_gain = 1.0;         // 1 - alpha
    double m_feedback = 0.0;     // alpha
    double m_period = 0.0;       // 1 / fs
};
