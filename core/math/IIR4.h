#pragma once
// Four IIR stages in cascade, sharing coefficients and settling time. The
// base's state holds the output of the last stage, so IIR::getOutput reads it.

#include "IIR.h"

class IIR4 : public IIR
{
public:
    double addData(double x);

    static void filterVectorInplace(QList<double>* data, double fs, double fc);
    static void filterVectorToOther(const QList<double>* in, QList<double>* out, double fs, double fc);

private:
    double m_input = std::numeric_limits<double>::quiet_NaN();
    double m_stage[4] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
};
