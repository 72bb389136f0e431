#include "SciNotDoubleSpinBox.h"

#include <QGuiApplication>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

SciNotDoubleSpinBox::SciNotDoubleSpinBox(QWidget* parent)
    : DoubleSpinBoxWithCleanStep(parent)
{
    // First the validator: setting the decimals already redisplays the value.
    validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[+-]?\\d*\\.?\\d+([eE][+-]?\\d+)?")), this);
    // Enough decimals that the base never rounds a double.
    QDoubleSpinBox::setDecimals(323);
}

void SciNotDoubleSpinBox::setSciNotDecimals(int d)
{
    sciNotDecimals = qBound(0, d, 20);
}

QValidator::State SciNotDoubleSpinBox::validate(QString& text, int& pos) const
{
    return validator->validate(text, pos);
}

double SciNotDoubleSpinBox::valueFromText(const QString& text) const
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok ? number : 0.0;
}

QString SciNotDoubleSpinBox::textFromValue(double v) const
{
    return QString::number(v, 'E', sciNotDecimals);
}

double SciNotDoubleSpinBox::lastShownDigit(double value, int mantissaDecimals)
{
    if (value == 0 || !std::isfinite(value))
        return std::pow(10.0, -mantissaDecimals);
    // The exponent as shown: 9.99996E-05 shows as 1.0000E-04 with four decimals.
    const QString shown = QString::number(value, 'E', mantissaDecimals);
    const int e = int(shown.indexOf(QLatin1Char('E')));
    const int exponent = e >= 0 ? shown.mid(e + 1).toInt() : int(std::floor(std::log10(std::fabs(value))));
    return std::pow(10.0, exponent - mantissaDecimals);
}

double SciNotDoubleSpinBox::stepFromZero() const
{
    if (zeroStep > 0)
        return zeroStep;
    double smallest = lastShownDigit(0.0, sciNotDecimals);
    if (QWidget* page = parentWidget()) {
        for (const SciNotDoubleSpinBox* box :
             page->findChildren<SciNotDoubleSpinBox*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (box != this && !box->isHidden() && box->value() != 0)
                smallest = std::min(smallest, lastShownDigit(box->value(), box->sciNotDecimals));
        }
    }
    return smallest;
}

void SciNotDoubleSpinBox::stepBy(int steps)
{
    if (steps == 0)
        return;
    // The clean step of the other boxes would work on the 323 decimals the
    // base keeps and move a coefficient by 1E-323.
    const double current = value();
    double step = current == 0 ? stepFromZero() : lastShownDigit(current, sciNotDecimals);
    if (QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier))
        step /= 10.0;
    double next = std::round((current + steps * step) / step) * step;
    // Stepping down out of a decade lands on the next lower decade's digits.
    if (next != 0 && lastShownDigit(next, sciNotDecimals) < step)
        next = std::round(next / lastShownDigit(next, sciNotDecimals)) * lastShownDigit(next, sciNotDecimals);
    setValue(next);
}
