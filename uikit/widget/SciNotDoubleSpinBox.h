#pragma once

#include "DoubleSpinBoxWithCleanStep.h"

class QRegularExpressionValidator;

// Shows its value in scientific notation (1.23E+02) and keeps full double
// precision; typed text such as 1.5e3 is accepted.
class SciNotDoubleSpinBox : public DoubleSpinBoxWithCleanStep
{
    Q_OBJECT
public:
    explicit SciNotDoubleSpinBox(QWidget* parent = nullptr);

    // Decimals of the mantissa, 0..20; used at the next redisplay.
    void setSciNotDecimals(int decimals);
    void setDecimals(int decimals) { QDoubleSpinBox::setDecimals(decimals); }
    int decimals() const { return QDoubleSpinBox::decimals(); }

    QValidator::State validate(QString& text, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;

private:
    QRegularExpressionValidator* validator = nullptr;
    int sciNotDecimals = 2;
};
