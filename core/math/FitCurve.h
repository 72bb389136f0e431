#pragma once
// The dyno's loss model from a coast-down selection: the five coefficients of
//   P_loss(v) = a0 + a1 v + a2 v^2 + a3 v^3 + a4 v^4,  a0 = 0, a1..a4 >= 0,
// fitted to speeds x and loss powers y in the least-squares sense.

#include <QList>

class FitCurve
{
public:
    enum Result : int {
        Ok = 0,
        BadArguments = -1, // vector lengths differ or the order is not supported
        FitFailed = -2,    // the solver gave up: coefficients left untouched, see fitStatus
    };

    // Checks the arguments (order >= 1) and fits; the loss-model calculator
    // calls it with order 4. fitStatus, when given, takes the solver's status
    // (see MpfitStatus), also on a failed fit.
    static int calculatePowerLossCoeficients(const QList<double>* x, const QList<double>* y, double* coefficients,
                                             int order, int* fitStatus = nullptr);
    // Only order 4 is built in. Pairs with a non-finite x or y are left out.
    // The model is linear in its coefficients, so the bounded optimum is found
    // directly (status MpfitConvergedChiSquare); mpfit takes over where that
    // is refused (fewer points than coefficients, nearly dependent columns).
    // Writes all five coefficients and returns Ok on success; on a failed
    // fit returns FitFailed and leaves the coefficients as they were.
    static int calculateCoeficients(const QList<double>* x, const QList<double>* y, double* coefficients, int order,
                                    int* fitStatus = nullptr);

    // The text of a failing solver status, empty for those without one.
    static const char* statusText(int status);
};

// Residual function of the polynomial of order 4 for mpfit: data points at a
// FitCurveData. Returns 0; never fills derivatives.
int linfunc(int m, int n, double* p, double* residuals, double** derivatives, void* data);

struct FitCurveData
{
    const double* x = nullptr;
    const double* y = nullptr;
};
