#include "FitCurve.h"

#include "mpfit.h"

#include <QDebug>

#include <cmath>
#include <new>

int linfunc(int m, int n, double* p, double* residuals, double** derivatives, void* data)
{
    Q_UNUSED(n)
    Q_UNUSED(derivatives)
    const auto* points = static_cast<const FitCurveData*>(data);
    const double* x = points->x;
    const double* y = points->y;
    const double p0 = p[0], p1 = p[1], p2 = p[2], p3 = p[3], p4 = p[4];
    for (int i = 0; i < m; ++i) {
        const double v = x[i];
        residuals[i] = y[i] - (p0 + v * (p1 + v * (p2 + v * (p3 + v * p4))));
    }
    return 0;
}

const char* FitCurve::statusText(int status)
{
    switch (status) {
    case MpfitInputError: return "General input parameter error";
    case MpfitMaxIterations: return "Maximum number of iterations reached";
    case MpfitNonFiniteResiduals: return "User function produced non-finite values";
    case MpfitNoFunction: return "No user function was supplied";
    case MpfitNoData: return "No user data points were supplied";
    case MpfitNoFreeParameters: return "No free parameters";
    case MpfitOutOfMemory: return "Memory allocation error";
    case MpfitStartOutsideLimits: return "Initial values inconsistent w constraints";
    case MpfitInconsistentLimits: return "Initial constraints inconsistent";
    case MpfitBadConfiguration: return "General input parameter error";
    case MpfitTooFewPoints: return "Not enough degrees of freedom";
    default: return "";
    }
}

int FitCurve::calculatePowerLossCoeficients(const QList<double>* x, const QList<double>* y, double* coefficients,
                                            int order, int* fitStatus)
{
    if (x->size() != y->size()) {
        qDebug() << "Vector length mismatch" << x->size() << y->size();
        return BadArguments;
    }
    if (order < 1) {
        qDebug() << "order < 1" << order;
        return BadArguments;
    }
    return calculateCoeficients(x, y, coefficients, order, fitStatus);
}

int FitCurve::calculateCoeficients(const QList<double>* x, const QList<double>* y, double* coefficients, int order,
                                   int* fitStatus)
{
    if (x->size() != y->size()) {
        qDebug() << "Vector length mismatch" << x->size() << y->size();
        return BadArguments;
    }
    if (order < 0) {
        qDebug() << "order < 0" << order;
        return BadArguments;
    }
    if (order != 4) {
        qDebug() << "only hardcoded polynomial of order 4 is supported" << order;
        return BadArguments;
    }

    // A NaN or infinite sample would poison every residual sum of the fit.
    QList<double> xs;
    QList<double> ys;
    int status = MpfitOutOfMemory;
    double p[5] = {0.0, 100.0, 1.0, 0.1, 0.001};
    try {
        xs.reserve(x->size());
        ys.reserve(y->size());
        for (qsizetype i = 0; i < x->size(); ++i) {
            if (std::isfinite(x->at(i)) && std::isfinite(y->at(i))) {
                xs.append(x->at(i));
                ys.append(y->at(i));
            }
        }
        if (xs.size() < x->size())
            qDebug() << "Loss model fit: left out" << x->size() - xs.size() << "non-finite points";

        MpfitParameter settings[5];
        settings[0].fixed = 1;
        for (int i = 1; i < 5; ++i) {
            settings[i].lowerLimited = 1;
            settings[i].lowerLimit = 0.0;
        }
        MpfitConfig config;
        config.maxEvaluations = 10000;
        double errors[5] = {};
        MpfitResult result;
        result.parameterErrors = errors;
        FitCurveData data{xs.constData(), ys.constData()};
        status = mpfit(linfunc, static_cast<int>(xs.size()), 5, p, settings, &config, &data, &result);
    } catch (const std::bad_alloc&) {
        status = MpfitOutOfMemory;
    }
    if (fitStatus)
        *fitStatus = status;

    if (status <= 0 || status == MpfitMaxIterations) {
        qDebug() << "Loss Model curve fit error:" << status;
        const char* text = statusText(status);
        if (*text)
            qDebug() << text;
        return FitFailed;
    }

    if (p[0] != 0.0 || p[1] < 0.0 || p[2] < 0.0 || p[3] < 0.0 || p[4] < 0.0) {
        qDebug() << "Loss model coefficient constraint error";
        qDebug() << "Coefficients: " << p[0] << p[1] << p[2] << p[3] << p[4];
    }
    for (int i = 0; i < 5; ++i)
        coefficients[i] = p[i];
    return Ok;
}
