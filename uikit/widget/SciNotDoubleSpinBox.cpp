#include "SciNotDoubleSpinBox.h"

#include <QRegularExpressionValidator>

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
