#pragma once

#include "DoubleSpinBoxWithCleanStep.h"

class QRegularExpressionValidator;

// Shows its value in scientific notation (1.23E+02) and keeps full double
// precision; typed text such as 1.5e3 is accepted. A step moves the last
// digit of the shown mantissa (1.0000E-04 steps by 1E-08); from 0 it moves
// by the smallest digit shown on its page: the smallest last digit of the
// non-zero boxes of this kind beside it, else that of 1.0000E+00.
class SciNotDoubleSpinBox : public DoubleSpinBoxWithCleanStep
{
    Q_OBJECT
public:
    explicit SciNotDoubleSpinBox(QWidget* parent = nullptr);

    // Decimals of the mantissa, 0..20; used at the next redisplay.
    void setSciNotDecimals(int decimals);
    void setDecimals(int decimals) { QDoubleSpinBox::setDecimals(decimals); }
    int decimals() const { return QDoubleSpinBox::decimals(); }

    // The step from 0; 0 (the default) takes it from the page as above.
    void setZeroStep(double step) { zeroStep = step; }
    // What one step up or down moves from value, shown with `decimals` mantissa decimals.
    static double lastShownDigit(double value, int mantissaDecimals);

    void stepBy(int steps) override;
    QValidator::State validate(QString& text, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;

private:
    QRegularExpressionValidator* validator = nullptr;
    int sciNotDecimals = 2;
    double zeroStep = 0;

    double stepFromZero() const;
};
