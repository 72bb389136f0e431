#pragma once
// Seven VariableSamplingIIR stages in cascade for the speed and frequency
// inputs. Its per-sample output is not withheld while settling.

#include "VariableSamplingIIR.h"

class VariableSamplingIIRN : public VariableSamplingIIR
{
public:
    static constexpr int StageCount = 7;

    double addData(double x, double dt);

    static void filterVector(QList<double>* data, const QList<double>* time, double fc);

private:
    void startAt(double value);

    double m_input = std::numeric_limits<double>::quiet_NaN();
    double m_stage[StageCount] = {
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::quiet_NaN()};
};
