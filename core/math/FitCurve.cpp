#include "FitCurve.h"

#include "mpfit.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int kFree = 4; // a1..a4; a0 is fixed at 0

// The loss model is linear in its coefficients, so its bounded least-squares
// problem has an exact answer that needs no iterations. A Householder QR of
// the columns v, v^2, v^3, v^4 with y beside them, taken over blocks of rows
// on the stack (each block stacked under the triangle of the rows before it),
// reduces the problem to a 4 x 4 triangle R and four values b. On that, the
// best fit with a1..a4 >= 0 is the least-squares fit on the columns of some
// subset, the coefficients outside it exactly 0: of the sixteen subsets whose
// own fit has no negative coefficient, the one with the smallest residual.
// That is the optimum the iterative solver converges to, without its
// finite-difference Jacobians and repeated factorisations of every row.
// Non-finite points are skipped; `used` takes the number of the others.
// Returns false when there are fewer points than coefficients, the columns
// are (nearly) dependent or anything is not finite: the caller then leaves
// it to the iterative solver.
constexpr int kColumns = kFree + 1;
constexpr int kBlockRows = 256;
constexpr int kStackedRows = kColumns + kBlockRows;

// Reduces the first `rows` rows of the five columns to an upper triangle in
// their first five rows; the rows below are left as scratch.
void reduceBlock(double (&a)[kColumns][kStackedRows], int rows)
{
    for (int k = 0; k < kColumns; ++k) {
        double* c = a[k] + k;
        const int n = rows - k;
        double norm2 = 0;
        for (int i = 0; i < n; ++i)
            norm2 += c[i] * c[i];
        if (norm2 > 0) {
            const double norm = std::sqrt(norm2);
            const double c0 = c[0];
            const double alpha = c0 > 0 ? -norm : norm;
            // H = I - 2 u u^T / (u^T u) with u = c - alpha e1.
            c[0] = c0 - alpha;
            const double twoOverUtu = 1.0 / (norm2 - alpha * c0);
            for (int j = k + 1; j < kColumns; ++j) {
                double* d = a[j] + k;
                double dot = 0;
                for (int i = 0; i < n; ++i)
                    dot += c[i] * d[i];
                const double f = dot * twoOverUtu;
                for (int i = 0; i < n; ++i)
                    d[i] -= f * c[i];
            }
            a[k][k] = alpha;
        }
        for (int i = k + 1; i < kColumns; ++i)
            a[k][i] = 0.0;
    }
}

bool solveLossModelDirectly(const QList<double>& x, const QList<double>& y, double* p, qsizetype* used)
{
    double a[kColumns][kStackedRows];
    for (auto& column : a)
        std::fill(column, column + kColumns, 0.0);
    qsizetype m = 0;
    int rows = kColumns;
    const qsizetype total = x.size();
    for (qsizetype i = 0; i < total; ++i) {
        const double v = x.at(i), w = y.at(i);
        if (!std::isfinite(v) || !std::isfinite(w))
            continue;
        const double v2 = v * v;
        a[0][rows] = v;
        a[1][rows] = v2;
        a[2][rows] = v2 * v;
        a[3][rows] = v2 * v2;
        a[4][rows] = w;
        ++m;
        if (++rows == kStackedRows) {
            reduceBlock(a, rows);
            rows = kColumns;
        }
    }
    if (rows > kColumns)
        reduceBlock(a, rows);
    *used = m;
    if (m < kFree)
        return false;

    // R with its columns scaled to unit length (A's column lengths are R's),
    // b beside it.
    double r[kFree][kColumns];
    double scale[kFree];
    for (int j = 0; j < kFree; ++j) {
        double norm2 = 0;
        for (int i = 0; i <= j; ++i)
            norm2 += a[j][i] * a[j][i];
        if (!(norm2 > 0) || !std::isfinite(norm2))
            return false;
        scale[j] = 1.0 / std::sqrt(norm2);
        for (int i = 0; i < kFree; ++i)
            r[i][j] = i <= j ? a[j][i] * scale[j] : 0.0;
    }
    for (int i = 0; i < kFree; ++i)
        r[i][kFree] = a[kFree][i];
    // The columns must be well apart, or the subsets' fits mean little.
    for (int k = 0; k < kFree; ++k) {
        if (!(std::fabs(r[k][k]) > 1e-10) || !std::isfinite(r[k][kFree]))
            return false;
    }

    // Every subset of the columns: its least-squares fit on R, b.
    double bestCost = 0;
    double best[kFree] = {};
    for (int k = 0; k < kFree; ++k)
        bestCost += r[k][kFree] * r[k][kFree]; // the empty subset: all zero
    for (int subset = 1; subset < (1 << kFree); ++subset) {
        int index[kFree];
        int count = 0;
        for (int j = 0; j < kFree; ++j) {
            if (subset & (1 << j))
                index[count++] = j;
        }
        // The chosen columns of R (4 x count) and b, reduced by Givens
        // rotations to a triangle; what is left below it is the residual.
        double s[kFree][kFree + 1];
        for (int i = 0; i < kFree; ++i) {
            for (int c = 0; c < count; ++c)
                s[i][c] = r[i][index[c]];
            s[i][count] = r[i][kFree];
        }
        bool singular = false;
        for (int c = 0; c < count && !singular; ++c) {
            for (int i = c + 1; i < kFree; ++i) {
                if (s[i][c] == 0.0)
                    continue;
                const double h = std::hypot(s[c][c], s[i][c]);
                const double cs = s[c][c] / h, sn = s[i][c] / h;
                for (int j = c; j <= count; ++j) {
                    const double top = s[c][j], bottom = s[i][j];
                    s[c][j] = cs * top + sn * bottom;
                    s[i][j] = -sn * top + cs * bottom;
                }
            }
            singular = s[c][c] == 0.0;
        }
        if (singular)
            continue;
        double coefficient[kFree];
        bool feasible = true;
        for (int c = count - 1; c >= 0; --c) {
            double sum = s[c][count];
            for (int j = c + 1; j < count; ++j)
                sum -= s[c][j] * coefficient[j];
            coefficient[c] = sum / s[c][c];
            if (!(coefficient[c] >= 0.0))
                feasible = false;
        }
        if (!feasible)
            continue;
        double cost = 0;
        for (int i = count; i < kFree; ++i)
            cost += s[i][count] * s[i][count];
        if (cost < bestCost) {
            bestCost = cost;
            std::fill(best, best + kFree, 0.0);
            for (int c = 0; c < count; ++c)
                best[index[c]] = coefficient[c];
        }
    }
    double result[kFree];
    for (int j = 0; j < kFree; ++j) {
        result[j] = best[j] * scale[j];
        if (!std::isfinite(result[j]))
            return false;
    }
    p[0] = 0.0;
    for (int j = 0; j < kFree; ++j)
        p[j + 1] = result[j];
    return true;
}

} // namespace

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
    double p[5] = {0.0, 100.0, 1.0, 0.1, 0.001};

    qsizetype used = 0;
    if (solveLossModelDirectly(*x, *y, p, &used)) {
        if (used < x->size())
            qDebug() << "Loss model fit: left out" << x->size() - used << "non-finite points";
        if (fitStatus)
            *fitStatus = MpfitConvergedChiSquare;
        for (int i = 0; i < 5; ++i)
            coefficients[i] = p[i];
        return Ok;
    }

    // A NaN or infinite sample would poison every residual sum of the fit.
    QList<double> xs;
    QList<double> ys;
    int status = MpfitOutOfMemory;
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
