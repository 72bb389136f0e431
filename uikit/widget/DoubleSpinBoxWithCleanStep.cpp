#include "DoubleSpinBoxWithCleanStep.h"

#include <QGuiApplication>

#include <cmath>
#include <limits>

DoubleSpinBoxWithCleanStep::DoubleSpinBoxWithCleanStep(QWidget* parent)
    : QDoubleSpinBox(parent)
{
}

double DoubleSpinBoxWithCleanStep::cleanStep(double value, int steps, bool adaptive, double singleStep,
                                             int decimals, bool fine)
{
    double step = 0;
    if (adaptive) {
        double base = value == 0 ? 0 : std::pow(10.0, std::floor(std::log10(std::fabs(value)))) / 10.0;
        if (fine)
            base /= 10.0;
        step = steps * base;
        // A step that would land on zero is made ten times finer, so that
        // stepping up from -1 passes -0.9 instead of jumping to 0.
        if (step * std::round((value + step) / step) == 0)
            step /= 10.0;
        const double smallest = std::pow(10.0, -decimals);
        if (!std::isfinite(step) || smallest > std::fabs(step))
            step = steps > 0 ? smallest : -smallest;
    } else {
        step = steps * singleStep;
        if (fine)
            step /= 10.0;
        if (step == 0)
            return std::numeric_limits<double>::quiet_NaN();
    }
    return std::round((value + step) / step) * step;
}

void DoubleSpinBoxWithCleanStep::stepBy(int steps)
{
    if (steps == 0)
        return;
    const bool fine = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    const double next = cleanStep(value(), steps, stepType() == QAbstractSpinBox::AdaptiveDecimalStepType,
                                  singleStep(), decimals(), fine);
    if (std::isnan(next))
        return;
    setValue(next);
}

void DoubleSpinBoxWithCleanStep::setReadOnly(bool readOnly)
{
    setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
    QDoubleSpinBox::setReadOnly(readOnly);
}
