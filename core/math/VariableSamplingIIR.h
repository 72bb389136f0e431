#pragma once
// First-order low-pass for samples with their own time stamps (seconds).

#include <QList>

#include <cmath>
#include <limits>

class VariableSamplingIIR
{
public:
    // fc in Hz; fc = +inf keeps the previous coefficient and needs no settling.
    void setup(double fc);
    double addData(double x, double dt);
    double getOutput() const;
    // Takes the sample as the state. `settled` also ends the settling period,
    // as for a value that needs no filtering; otherwise the settling goes on.
    void setState(double x, bool settled)
    {
        m_state = x;
        if (settled)
            m_elapsed = m_settlingTime;
    }

    // Zero phase, full length: no settling time and no NaN at the edges.
    static void filterVector(QList<double>* data, const QList<double>* time, double fc);

protected:
    // Weight of the previous state for a step of dt seconds. A step that is not
    // positive (repeated or reversed time stamps) counts as no step, so the
    // weight never exceeds 1; an unset coefficient (-inf) passes samples through.
    static double feedbackFor(double k, double dt)
    {
        if (k == -std::numeric_limits<double>::infinity())
            return 0.0;
        return dt > 0.0 ? std::exp(k * dt) : 1.0;
    }

    double m_state = std::numeric_limits<double>::quiet_NaN();
    double m_settlingTime = 0.0;
    double m_elapsed = 0.0;
    double m_k = -std::numeric_limits<double>::infinity(); // -2*pi*fc, 1/s
};
