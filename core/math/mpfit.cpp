#include "mpfit.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <new>
#include <vector>

double mp_enorm(int n, const double* v)
{
    constexpr double smallLimit = 1.8269129289596699e-153; // squares below underflow
    constexpr double largeLimit = 1.3407807799935083e153;  // squares above overflow
    if (n <= 0)
        return 0.0;
    double sumLarge = 0.0;
    double sumMiddle = 0.0;
    double sumSmall = 0.0;
    double maxLarge = 0.0;
    double maxSmall = 0.0;
    const double middleLimit = largeLimit / n;
    for (int i = 0; i < n; ++i) {
        const double a = std::fabs(v[i]);
        if (a > smallLimit && a < middleLimit) {
            sumMiddle += a * a;
        } else if (a > smallLimit) {
            // Large: summed relative to the largest seen so far.
            if (a > maxLarge) {
                const double r = maxLarge / a;
                sumLarge = 1.0 + sumLarge * r * r;
                maxLarge = a;
            } else {
                const double r = a / maxLarge;
                sumLarge += r * r;
            }
        } else if (a > maxSmall) {
            const double r = maxSmall / a;
            sumSmall = 1.0 + sumSmall * r * r;
            maxSmall = a;
        } else if (a != 0.0) {
            const double r = a / maxSmall;
            sumSmall += r * r;
        }
    }
    if (sumLarge != 0.0)
        return maxLarge * std::sqrt(sumLarge + (sumMiddle / maxLarge) / maxLarge);
    if (sumMiddle != 0.0) {
        if (sumMiddle >= maxSmall)
            return std::sqrt(sumMiddle * (1.0 + (maxSmall / sumMiddle) * (maxSmall * sumSmall)));
        return std::sqrt(maxSmall * ((sumMiddle / maxSmall) + (maxSmall * sumSmall)));
    }
    return maxSmall * std::sqrt(sumSmall);
}

namespace {

constexpr double machineEpsilon = DBL_EPSILON;
constexpr double smallestNormal = DBL_MIN;

// The plain sum of squares is exact enough whenever it neither overflowed nor
// came near underflow; only then is the guarded norm worth its cost.
double norm(std::ptrdiff_t n, const double* v)
{
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    std::ptrdiff_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += v[i] * v[i];
        s1 += v[i + 1] * v[i + 1];
        s2 += v[i + 2] * v[i + 2];
        s3 += v[i + 3] * v[i + 3];
    }
    for (; i < n; ++i)
        s0 += v[i] * v[i];
    const double sum = (s0 + s1) + (s2 + s3);
    if (std::isfinite(sum) && sum > 1e-280)
        return std::sqrt(sum);
    if (std::isnan(sum))
        return sum;
    return mp_enorm(static_cast<int>(n), v);
}

double dot(std::ptrdiff_t n, const double* a, const double* b)
{
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    std::ptrdiff_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i)
        s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

// Householder QR with column pivoting of the m x n matrix a (column-major,
// m >= n): afterwards the upper triangle of a holds R without its diagonal,
// which is in rdiag; the reflectors are below (with their leading element on
// the diagonal of a). columnNorms gets the norms of the original columns and
// permutation[j] the original index of column j of R.
void qrFactor(int m, int n, double* a, int* permutation, double* rdiag, double* columnNorms, double* work)
{
    for (int j = 0; j < n; ++j) {
        columnNorms[j] = norm(m, a + std::ptrdiff_t(j) * m);
        rdiag[j] = columnNorms[j];
        work[j] = rdiag[j];
        permutation[j] = j;
    }
    for (int j = 0; j < std::min(m, n); ++j) {
        // Bring the column of largest remaining norm to position j.
        int pivot = j;
        for (int k = j; k < n; ++k) {
            if (rdiag[k] > rdiag[pivot])
                pivot = k;
        }
        if (pivot != j) {
            std::swap_ranges(a + std::ptrdiff_t(j) * m, a + std::ptrdiff_t(j + 1) * m, a + std::ptrdiff_t(pivot) * m);
            rdiag[pivot] = rdiag[j];
            work[pivot] = work[j];
            std::swap(permutation[j], permutation[pivot]);
        }
        double* column = a + std::ptrdiff_t(j) * m;
        double columnNorm = norm(m - j, column + j);
        if (columnNorm != 0.0) {
            if (column[j] < 0.0)
                columnNorm = -columnNorm;
            const double scale = 1.0 / columnNorm;
            for (int i = j; i < m; ++i)
                column[i] *= scale;
            column[j] += 1.0;
            for (int k = j + 1; k < n; ++k) {
                double* other = a + std::ptrdiff_t(k) * m;
                const double factor = dot(m - j, column + j, other + j) / column[j];
                for (int i = j; i < m; ++i)
                    other[i] -= factor * column[i];
                // Update the remaining norm of column k; recompute it when
                // the update has lost too many digits.
                if (rdiag[k] != 0.0) {
                    const double r = other[j] / rdiag[k];
                    rdiag[k] *= std::sqrt(std::max(0.0, 1.0 - r * r));
                    const double kept = rdiag[k] / work[k];
                    if (0.05 * kept * kept <= machineEpsilon) {
                        rdiag[k] = norm(m - j - 1, other + j + 1);
                        work[k] = rdiag[k];
                    }
                }
            }
        }
        rdiag[j] = -columnNorm;
    }
}

// Solves the damped problem [R; D P] z ~ [qtb; 0] in the least-squares
// sense by Givens rotations, R upper triangular (leading n x n block of r with
// leading dimension ldr), D = diagonal d (already scaled by sqrt(par)), P the
// permutation. x = P z. s receives the upper triangular S with
// S^T S = R^T R + P^T D^2 P (n x n, column-major), sdiag its diagonal.
void dampedSolve(int n, const double* r, int ldr, const int* permutation, const double* d, const double* qtb,
                 double* x, double* sdiag, double* s, double* rhs, double* row)
{
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i <= j; ++i)
            s[i + j * n] = r[i + std::ptrdiff_t(j) * ldr];
        rhs[j] = qtb[j];
    }
    for (int j = 0; j < n; ++j) {
        const double dj = d[permutation[j]];
        if (dj != 0.0) {
            for (int k = j; k < n; ++k)
                row[k] = 0.0;
            row[j] = dj;
            double extra = 0.0; // right-hand side of the damping row
            for (int k = j; k < n; ++k) {
                if (row[k] == 0.0)
                    continue;
                double& skk = s[k + k * n];
                double cosine, sine;
                if (std::fabs(skk) < std::fabs(row[k])) {
                    const double cotangent = skk / row[k];
                    sine = 0.5 / std::sqrt(0.25 + 0.25 * cotangent * cotangent);
                    cosine = sine * cotangent;
                } else {
                    const double tangent = row[k] / skk;
                    cosine = 0.5 / std::sqrt(0.25 + 0.25 * tangent * tangent);
                    sine = cosine * tangent;
                }
                skk = cosine * skk + sine * row[k];
                const double t = cosine * rhs[k] + sine * extra;
                extra = -sine * rhs[k] + cosine * extra;
                rhs[k] = t;
                for (int i = k + 1; i < n; ++i) {
                    double& ski = s[k + i * n];
                    const double u = cosine * ski + sine * row[i];
                    row[i] = -sine * ski + cosine * row[i];
                    ski = u;
                }
            }
        }
        sdiag[j] = s[j + j * n];
    }
    int rank = n;
    for (int j = 0; j < n; ++j) {
        if (sdiag[j] == 0.0 && rank == n)
            rank = j;
        if (rank < n)
            rhs[j] = 0.0;
    }
    for (int j = rank - 1; j >= 0; --j) {
        double sum = 0.0;
        for (int i = j + 1; i < rank; ++i)
            sum += s[j + i * n] * rhs[i];
        rhs[j] = (rhs[j] - sum) / sdiag[j];
    }
    for (int j = 0; j < n; ++j)
        x[permutation[j]] = rhs[j];
}

struct LmWork
{
    std::vector<double> x1, x2, x3, x4, x5; // n each
    std::vector<double> s;                  // n x n
};

// Finds the Levenberg–Marquardt parameter par and the solution x of
// [J; sqrt(par) D] x ~ [f; 0] such that ||D x|| is within 10 % of delta, or
// par = 0 when the Gauss–Newton solution already lies inside the region.
// J P = Q R is given by r (leading dimension ldr), the permutation and
// qtb = (Q^T f)[0..n-1]. The step of the iteration is -x.
double lmParameter(int n, const double* r, int ldr, const int* permutation, const double* diag, const double* qtb,
                   double delta, double par, double* x, double* sdiag, LmWork& w)
{
    double* a = w.x1.data();
    double* b = w.x2.data();
    double* dampedDiag = w.x3.data();
    auto R = [&](int i, int j) { return r[i + std::ptrdiff_t(j) * ldr]; };

    // Gauss–Newton direction; a rank-deficient R gets a least-squares one.
    int rank = n;
    for (int j = 0; j < n; ++j) {
        a[j] = qtb[j];
        if (R(j, j) == 0.0 && rank == n)
            rank = j;
        if (rank < n)
            a[j] = 0.0;
    }
    for (int j = rank - 1; j >= 0; --j) {
        a[j] /= R(j, j);
        for (int i = 0; i < j; ++i)
            a[i] -= R(i, j) * a[j];
    }
    for (int j = 0; j < n; ++j)
        x[permutation[j]] = a[j];

    for (int j = 0; j < n; ++j)
        b[j] = diag[j] * x[j];
    double dxnorm = norm(n, b);
    double fp = dxnorm - delta;
    if (fp <= 0.1 * delta)
        return 0.0;

    // Bounds for par, from Newton's method on ||D x(par)|| = delta.
    double lower = 0.0;
    if (rank == n) {
        for (int j = 0; j < n; ++j) {
            const int l = permutation[j];
            a[j] = diag[l] * (b[l] / dxnorm);
        }
        for (int j = 0; j < n; ++j) {
            double sum = 0.0;
            for (int i = 0; i < j; ++i)
                sum += R(i, j) * a[i];
            a[j] = (a[j] - sum) / R(j, j);
        }
        const double t = norm(n, a);
        lower = ((fp / delta) / t) / t;
    }
    for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int i = 0; i <= j; ++i)
            sum += R(i, j) * qtb[i];
        a[j] = sum / diag[permutation[j]];
    }
    const double gradientNorm = norm(n, a);
    double upper = gradientNorm / delta;
    if (upper == 0.0)
        upper = smallestNormal / std::min(delta, 0.1);

    par = std::min(std::max(par, lower), upper);
    if (par == 0.0)
        par = gradientNorm / dxnorm;

    for (int iteration = 1;; ++iteration) {
        if (par == 0.0)
            par = std::max(smallestNormal, 0.001 * upper);
        const double root = std::sqrt(par);
        for (int j = 0; j < n; ++j)
            dampedDiag[j] = root * diag[j];
        dampedSolve(n, r, ldr, permutation, dampedDiag, qtb, x, sdiag, w.s.data(), w.x4.data(), w.x5.data());
        for (int j = 0; j < n; ++j)
            b[j] = diag[j] * x[j];
        dxnorm = norm(n, b);
        const double previous = fp;
        fp = dxnorm - delta;
        if (std::fabs(fp) <= 0.1 * delta || (lower == 0.0 && fp <= previous && previous < 0.0) || iteration == 10)
            break;
        // Newton correction through S^T.
        for (int j = 0; j < n; ++j) {
            const int l = permutation[j];
            a[j] = diag[l] * (b[l] / dxnorm);
        }
        const double* s = w.s.data();
        for (int j = 0; j < n; ++j) {
            a[j] /= sdiag[j];
            for (int i = j + 1; i < n; ++i)
                a[i] -= s[j + i * n] * a[j];
        }
        const double t = norm(n, a);
        const double correction = ((fp / delta) / t) / t;
        if (fp > 0.0)
            lower = std::max(lower, par);
        if (fp < 0.0)
            upper = std::min(upper, par);
        par = std::max(lower, par + correction);
    }
    return par;
}

class Solver
{
public:
    Solver(MpfitFunction function, int m, int npar, double* parameters, const MpfitParameter* settings,
           void* privateData)
        : m_function(function)
        , m_m(m)
        , m_npar(npar)
        , m_parameters(parameters)
        , m_settings(settings)
        , m_data(privateData)
    {
    }

    int run(const MpfitConfig& config, MpfitResult* result);

private:
    const MpfitParameter* setting(int index) const { return m_settings ? &m_settings[index] : nullptr; }
    bool isFixed(int index) const { return setting(index) && setting(index)->fixed; }
    int evaluate(double* residuals, double** derivatives = nullptr);
    int jacobian(const double* x, const double* f);
    void printDerivativeDebug(int free, const double* numeric, const double* analytic, const double* f) const;
    void covariance(double tolerance, MpfitResult* result);

    MpfitFunction m_function;
    int m_m;
    int m_npar;
    double* m_parameters;
    const MpfitParameter* m_settings;
    void* m_data;

    int m_n = 0; // free parameters
    int m_evaluations = 0;
    int m_maxEvaluations = 0;
    bool m_checkFinite = false;
    double m_epsfcn = machineEpsilon;

    std::vector<int> m_free;         // parameter index of each free parameter
    std::vector<double> m_all;       // every parameter, as handed to the function
    std::vector<double> m_lower, m_upper;
    std::vector<char> m_hasLower, m_hasUpper, m_pegged;
    std::vector<double> m_fjac;      // m x n, column-major
    std::vector<double> m_work;      // m, function values at a shifted parameter
    std::vector<double> m_work2;     // m, the other side of a two-sided difference
    std::vector<double> m_analytic;  // m per analytic or debugged parameter
    std::vector<double*> m_derivatives;
    std::vector<int> m_permutation;
    std::vector<double> m_rdiag;
    int m_rank = 0;
};

int Solver::evaluate(double* residuals, double** derivatives)
{
    ++m_evaluations;
    const int status = m_function(m_m, m_npar, m_all.data(), residuals, derivatives, m_data);
    if (status < 0)
        return status;
    if (m_checkFinite) {
        for (int i = 0; i < m_m; ++i) {
            if (!std::isfinite(residuals[i]))
                return MpfitNonFiniteResiduals;
        }
    }
    return 0;
}

void Solver::printDerivativeDebug(int free, const double* numeric, const double* analytic, const double* f) const
{
    const int index = m_free[free];
    const MpfitParameter* p = setting(index);
    std::printf("FJAC PARM %d%s%s\n", index, p->name ? " " : "", p->name ? p->name : "");
    for (int i = 0; i < m_m; ++i) {
        const double difference = analytic[i] - numeric[i];
        const double relative = analytic[i] != 0.0 ? difference / analytic[i] : 0.0;
        const bool all = p->debugAbsoluteTolerance == 0.0 && p->debugRelativeTolerance == 0.0;
        if (all || std::fabs(difference) > p->debugAbsoluteTolerance
            || std::fabs(relative) > p->debugRelativeTolerance)
            std::printf("           %10d %10.4g %10.4g %10.4g %10.4g %10.4g\n", i, f[i], analytic[i], numeric[i],
                        difference, relative);
    }
}

// Forward (or backward, or central) differences per free parameter; analytic
// columns where the function provides them.
int Solver::jacobian(const double* x, const double* f)
{
    const double minimumStep = std::sqrt(std::max(m_epsfcn, machineEpsilon));
    bool anyAnalytic = false;
    bool anyDebug = false;
    for (int j = 0; j < m_n; ++j) {
        const MpfitParameter* p = setting(m_free[j]);
        m_derivatives[m_free[j]] = nullptr;
        if (p && (p->side == 3 || p->debugDerivative)) {
            m_derivatives[m_free[j]] = m_analytic.data() + std::ptrdiff_t(j) * m_m;
            std::fill_n(m_derivatives[m_free[j]], m_m, 0.0);
            anyAnalytic = true;
            anyDebug = anyDebug || p->debugDerivative;
        }
    }
    if (anyAnalytic) {
        const int status = evaluate(m_work.data(), m_derivatives.data());
        if (status < 0)
            return status;
    }
    if (anyDebug) {
        std::printf("FJAC DEBUG BEGIN\n");
        std::printf("#  %10s %10s %10s %10s %10s %10s\n", "IPNT", "FUNC", "DERIV_U", "DERIV_N", "DIFF_ABS",
                    "DIFF_REL");
    }

    for (int j = 0; j < m_n; ++j) {
        const int index = m_free[j];
        const MpfitParameter* p = setting(index);
        double* column = m_fjac.data() + std::ptrdiff_t(j) * m_m;
        const int side = p ? p->side : 0;
        if (side == 3 && !(p && p->debugDerivative)) {
            std::copy_n(m_derivatives[index], m_m, column);
            continue;
        }
        const double value = x[j];
        double h;
        if (p && p->step > 0.0)
            h = p->step;
        else if (p && p->relativeStep > 0.0)
            h = p->relativeStep * std::fabs(value);
        else
            h = minimumStep * std::fabs(value);
        if (h == 0.0)
            h = minimumStep;

        const bool lowerOk = !m_hasLower[j] || value - h >= m_lower[j];
        const bool upperOk = !m_hasUpper[j] || value + h <= m_upper[j];
        int direction = side == -1 ? -1 : 1;
        if (direction > 0 && !upperOk)
            direction = -1;
        else if (direction < 0 && !lowerOk)
            direction = 1;
        const bool central = side == 2 && lowerOk && upperOk;

        m_all[index] = value + direction * h;
        const double stepTaken = m_all[index] - value;
        int status = evaluate(m_work.data());
        if (status < 0) {
            m_all[index] = value;
            return status;
        }
        if (central) {
            m_all[index] = value - h;
            const double otherStep = m_all[index] - value;
            status = evaluate(m_work2.data());
            m_all[index] = value;
            if (status < 0)
                return status;
            const double span = stepTaken - otherStep;
            for (int i = 0; i < m_m; ++i)
                column[i] = (m_work[i] - m_work2[i]) / span;
        } else {
            m_all[index] = value;
            for (int i = 0; i < m_m; ++i)
                column[i] = (m_work[i] - f[i]) / stepTaken;
        }
        if (p && p->debugDerivative) {
            printDerivativeDebug(j, column, m_derivatives[index], f);
            if (side == 3)
                std::copy_n(m_derivatives[index], m_m, column);
        }
    }
    if (anyDebug)
        std::printf("FJAC DEBUG END\n");
    return 0;
}

int Solver::run(const MpfitConfig& config, MpfitResult* result)
{
    // Tolerances: positive values are taken, zero or negative ones give the
    // default; a value that is not a number at all is refused.
    auto pick = [](double value, double fallback, bool& bad) {
        if (std::isnan(value) || std::isinf(value))
            bad = true;
        return value > 0.0 ? value : fallback;
    };
    bool badConfig = false;
    const double ftol = pick(config.chiSquareTolerance, 1e-10, badConfig);
    const double xtol = pick(config.parameterTolerance, 1e-10, badConfig);
    const double gtol = pick(config.orthogonalityTolerance, 1e-10, badConfig);
    const double factor = pick(config.initialStepBound, 100.0, badConfig);
    const double covarianceTolerance = pick(config.covarianceTolerance, 1e-14, badConfig);
    m_epsfcn = pick(config.finiteDifferenceStep, machineEpsilon, badConfig);
    const int maxIterations = config.maxIterations > 0 ? config.maxIterations : 200;
    m_maxEvaluations = config.maxEvaluations > 0 ? config.maxEvaluations : 0;
    m_checkFinite = config.checkFinite != 0;
    if (badConfig)
        return MpfitBadConfiguration;

    for (int i = 0; i < m_npar; ++i) {
        if (!isFixed(i))
            ++m_n;
    }
    if (m_n == 0)
        return MpfitNoFreeParameters;
    for (int i = 0; i < m_npar; ++i) {
        const MpfitParameter* p = setting(i);
        if (!p || p->fixed)
            continue;
        if (p->lowerLimited && p->upperLimited && !(p->lowerLimit < p->upperLimit))
            return MpfitInconsistentLimits;
    }
    for (int i = 0; i < m_npar; ++i) {
        const MpfitParameter* p = setting(i);
        if (!p || p->fixed)
            continue;
        const double v = m_parameters[i];
        if ((p->lowerLimited && !(v >= p->lowerLimit)) || (p->upperLimited && !(v <= p->upperLimit)))
            return MpfitStartOutsideLimits;
    }
    if (m_m < m_n)
        return MpfitTooFewPoints;

    const int m = m_m;
    const int n = m_n;
    std::vector<double> x, fvec, trialF, trialX, step, diag, qtf, columnNorms, wa1, sdiag, reflected;
    LmWork lm;
    try {
        m_free.reserve(n);
        for (int i = 0; i < m_npar; ++i) {
            if (!isFixed(i))
                m_free.push_back(i);
        }
        m_all.assign(m_parameters, m_parameters + m_npar);
        m_lower.assign(n, 0.0);
        m_upper.assign(n, 0.0);
        m_hasLower.assign(n, 0);
        m_hasUpper.assign(n, 0);
        m_pegged.assign(n, 0);
        m_fjac.assign(size_t(m) * n, 0.0);
        m_work.assign(m, 0.0);
        m_derivatives.assign(m_npar, nullptr);
        bool needsAnalytic = false;
        bool needsCentral = false;
        for (int j = 0; j < n; ++j) {
            const MpfitParameter* p = setting(m_free[j]);
            if (p) {
                needsAnalytic = needsAnalytic || p->side == 3 || p->debugDerivative;
                needsCentral = needsCentral || p->side == 2;
            }
        }
        if (needsAnalytic)
            m_analytic.assign(size_t(m) * n, 0.0);
        if (needsCentral)
            m_work2.assign(m, 0.0);
        m_permutation.assign(n, 0);
        m_rdiag.assign(n, 0.0);
        x.assign(n, 0.0);
        fvec.assign(m, 0.0);
        trialF.assign(m, 0.0);
        trialX.assign(n, 0.0);
        step.assign(n, 0.0);
        diag.assign(n, 0.0);
        qtf.assign(n, 0.0);
        columnNorms.assign(n, 0.0);
        wa1.assign(n, 0.0);
        sdiag.assign(n, 0.0);
        reflected.assign(m, 0.0);
        for (auto* v : {&lm.x1, &lm.x2, &lm.x3, &lm.x4, &lm.x5})
            v->assign(n, 0.0);
        lm.s.assign(size_t(n) * n, 0.0);
    } catch (const std::bad_alloc&) {
        return MpfitOutOfMemory;
    }

    for (int j = 0; j < n; ++j) {
        const MpfitParameter* p = setting(m_free[j]);
        x[j] = m_parameters[m_free[j]];
        if (p) {
            m_hasLower[j] = p->lowerLimited != 0;
            m_hasUpper[j] = p->upperLimited != 0;
            m_lower[j] = p->lowerLimit;
            m_upper[j] = p->upperLimit;
        }
    }

    int status = evaluate(fvec.data());
    if (status < 0)
        return status;
    double fnorm = norm(m, fvec.data());
    const double initialNorm = fnorm;

    double par = 0.0;
    double delta = 0.0;
    double xnorm = 0.0;
    int iterations = 0;
    int info = 0;
    int* permutation = m_permutation.data();
    const double* r = m_fjac.data();

    while (info == 0) {
        if (iterations >= maxIterations) {
            info = MpfitMaxIterations;
            break;
        }
        ++iterations;
        status = jacobian(x.data(), fvec.data());
        if (status < 0)
            return status;

        // A parameter at a limit whose gradient points out of the allowed
        // range stays there: its column is taken out of this iteration.
        for (int j = 0; j < n; ++j) {
            double* column = m_fjac.data() + std::ptrdiff_t(j) * m;
            const bool atLower = m_hasLower[j] && x[j] <= m_lower[j];
            const bool atUpper = m_hasUpper[j] && x[j] >= m_upper[j];
            m_pegged[j] = 0;
            if (!atLower && !atUpper)
                continue;
            const double gradient = dot(m, column, fvec.data()); // d(chi^2/2)/dp
            if ((atLower && gradient > 0.0) || (atUpper && gradient < 0.0)) {
                m_pegged[j] = 1;
                std::fill_n(column, m, 0.0);
            }
        }

        qrFactor(m, n, m_fjac.data(), permutation, m_rdiag.data(), columnNorms.data(), wa1.data());

        if (iterations == 1) {
            for (int j = 0; j < n; ++j)
                diag[j] = columnNorms[j] != 0.0 ? columnNorms[j] : 1.0;
            for (int j = 0; j < n; ++j)
                wa1[j] = diag[j] * x[j];
            xnorm = norm(n, wa1.data());
            delta = factor * xnorm;
            if (delta == 0.0)
                delta = factor;
        }

        // qtf = first n components of Q^T f.
        std::copy(fvec.begin(), fvec.end(), reflected.begin());
        for (int j = 0; j < n; ++j) {
            const double* column = m_fjac.data() + std::ptrdiff_t(j) * m;
            if (column[j] != 0.0) {
                const double factorJ = -dot(m - j, column + j, reflected.data() + j) / column[j];
                for (int i = j; i < m; ++i)
                    reflected[i] += factorJ * column[i];
            }
            m_fjac[j + std::ptrdiff_t(j) * m] = m_rdiag[j];
            qtf[j] = reflected[j];
        }

        // Orthogonality of the residuals to the (scaled) Jacobian columns.
        double gnorm = 0.0;
        if (fnorm != 0.0) {
            for (int j = 0; j < n; ++j) {
                const int l = permutation[j];
                if (columnNorms[l] == 0.0)
                    continue;
                double sum = 0.0;
                for (int i = 0; i <= j; ++i)
                    sum += r[i + std::ptrdiff_t(j) * m] * (qtf[i] / fnorm);
                gnorm = std::max(gnorm, std::fabs(sum / columnNorms[l]));
            }
        }
        if (gnorm <= gtol) {
            info = MpfitConvergedOrthogonality;
            break;
        }

        for (int j = 0; j < n; ++j)
            diag[j] = std::max(diag[j], columnNorms[j]);

        for (;;) {
            par = lmParameter(n, r, m, permutation, diag.data(), qtf.data(), delta, par, wa1.data(), sdiag.data(),
                              lm);
            for (int j = 0; j < n; ++j)
                lm.x1[j] = diag[j] * wa1[j];
            const double lmStepNorm = norm(n, lm.x1.data());

            // Keep the step inside the limits: pegged parameters and those
            // pushing outward from a limit stay, the rest is shortened so that
            // the first limit met is reached exactly.
            bool shortened = false;
            for (int j = 0; j < n; ++j) {
                step[j] = -wa1[j];
                if (m_pegged[j]) {
                    step[j] = 0.0;
                } else if ((m_hasLower[j] && x[j] <= m_lower[j] && step[j] < 0.0)
                           || (m_hasUpper[j] && x[j] >= m_upper[j] && step[j] > 0.0)) {
                    step[j] = 0.0;
                    shortened = true;
                }
            }
            double fraction = 1.0;
            int limiting = -1;
            bool limitingUpper = false;
            for (int j = 0; j < n; ++j) {
                if (m_hasLower[j] && step[j] < 0.0 && x[j] + step[j] < m_lower[j]) {
                    const double f = (m_lower[j] - x[j]) / step[j];
                    if (f < fraction) {
                        fraction = f;
                        limiting = j;
                        limitingUpper = false;
                    }
                }
                if (m_hasUpper[j] && step[j] > 0.0 && x[j] + step[j] > m_upper[j]) {
                    const double f = (m_upper[j] - x[j]) / step[j];
                    if (f < fraction) {
                        fraction = f;
                        limiting = j;
                        limitingUpper = true;
                    }
                }
            }
            fraction = std::max(0.0, fraction);
            shortened = shortened || limiting >= 0;
            bool moves = false;
            for (int j = 0; j < n; ++j) {
                step[j] *= fraction;
                double v = x[j] + step[j];
                if (m_hasLower[j])
                    v = std::max(v, m_lower[j]);
                if (m_hasUpper[j])
                    v = std::min(v, m_upper[j]);
                trialX[j] = v;
            }
            if (limiting >= 0)
                trialX[limiting] = limitingUpper ? m_upper[limiting] : m_lower[limiting];
            for (int j = 0; j < n; ++j) {
                step[j] = trialX[j] - x[j];
                moves = moves || step[j] != 0.0;
            }

            if (iterations == 1)
                delta = std::min(delta, lmStepNorm);

            if (!moves && lmStepNorm > 0.0) {
                // Every component that wanted to move pushes against a limit:
                // a smaller region turns the step towards the gradient, which
                // points inside for every parameter that is not pegged.
                delta = std::min(0.1 * delta, lmStepNorm);
                par *= 10.0;
                if (delta <= xtol * xnorm) {
                    info = MpfitConvergedParameters;
                    break;
                }
                continue;
            }

            for (int j = 0; j < n; ++j)
                m_all[m_free[j]] = trialX[j];
            status = evaluate(trialF.data());
            for (int j = 0; j < n; ++j)
                m_all[m_free[j]] = x[j];
            if (status < 0)
                return status;
            const double fnorm1 = norm(m, trialF.data());

            const double actualReduction = 0.1 * fnorm1 < fnorm ? 1.0 - (fnorm1 / fnorm) * (fnorm1 / fnorm) : -1.0;

            // Reduction predicted by the linear model for the step taken:
            // J s = Q R P^T s, so ||J s|| and f.J s follow from R and qtf.
            double jsNorm2 = 0.0;
            double fDotJs = 0.0;
            for (int i = 0; i < n; ++i) {
                double v = 0.0;
                for (int j = i; j < n; ++j)
                    v += r[i + std::ptrdiff_t(j) * m] * step[permutation[j]];
                jsNorm2 += v * v;
                fDotJs += qtf[i] * v;
            }
            const double fnorm2 = fnorm * fnorm;
            const double predictedReduction = fnorm2 > 0.0 ? -(2.0 * fDotJs + jsNorm2) / fnorm2 : 0.0;
            const double directionalDerivative = fnorm2 > 0.0 ? fDotJs / fnorm2 : 0.0;
            const double ratio = predictedReduction != 0.0 ? actualReduction / predictedReduction : 0.0;

            // Trust region update.
            if (ratio <= 0.25) {
                double t = actualReduction >= 0.0
                               ? 0.5
                               : 0.5 * directionalDerivative / (directionalDerivative + 0.5 * actualReduction);
                if (0.1 * fnorm1 >= fnorm || t < 0.1)
                    t = 0.1;
                delta = t * std::min(delta, lmStepNorm / 0.1);
                par /= t;
            } else if (par == 0.0 || ratio >= 0.75) {
                delta = lmStepNorm / 0.5;
                par *= 0.5;
            }

            if (ratio >= 1e-4) {
                x.swap(trialX);
                fvec.swap(trialF);
                for (int j = 0; j < n; ++j)
                    lm.x1[j] = diag[j] * x[j];
                xnorm = norm(n, lm.x1.data());
                fnorm = fnorm1;
                for (int j = 0; j < n; ++j)
                    m_all[m_free[j]] = x[j];
            }

            // A step cut short by a limit says nothing about how much more the
            // free problem could gain: no convergence in chi-square on it.
            if (!shortened && std::fabs(actualReduction) <= ftol && predictedReduction <= ftol && 0.5 * ratio <= 1.0)
                info = MpfitConvergedChiSquare;
            if (delta <= xtol * xnorm)
                info = info == MpfitConvergedChiSquare ? MpfitConvergedBoth : MpfitConvergedParameters;
            if (info != 0)
                break;
            if (m_maxEvaluations > 0 && m_evaluations >= m_maxEvaluations) {
                info = MpfitMaxIterations;
                break;
            }
            if (!shortened && std::fabs(actualReduction) <= machineEpsilon && predictedReduction <= machineEpsilon
                && 0.5 * ratio <= 1.0) {
                info = MpfitChiSquareToleranceTooSmall;
                break;
            }
            if (delta <= machineEpsilon * xnorm) {
                info = MpfitParameterToleranceTooSmall;
                break;
            }
            if (gnorm <= machineEpsilon) {
                info = MpfitOrthogonalityToleranceTooSmall;
                break;
            }
            if (ratio >= 1e-4)
                break;
        }
    }

    for (int j = 0; j < n; ++j)
        m_parameters[m_free[j]] = x[j];
    if (result) {
        result->finalChiSquare = fnorm * fnorm;
        result->initialChiSquare = initialNorm * initialNorm;
        result->iterations = iterations;
        result->evaluations = m_evaluations;
        result->freeCount = n;
        result->peggedCount = 0;
        for (int j = 0; j < n; ++j) {
            if (m_pegged[j] || (m_hasLower[j] && x[j] <= m_lower[j]) || (m_hasUpper[j] && x[j] >= m_upper[j]))
                ++result->peggedCount;
        }
        if (result->residuals)
            std::copy(fvec.begin(), fvec.end(), result->residuals);
        if (result->parameterErrors || result->covariance)
            covariance(covarianceTolerance, result);
    }
    return info;
}

// Covariance of the free parameters, (J^T J)^-1 = P (R^T R)^-1 P^T, from
// the last factorisation; directions where R is singular to within the
// tolerance get zero variance.
void Solver::covariance(double tolerance, MpfitResult* result)
{
    const int n = m_n;
    const int m = m_m;
    std::vector<double> inverse, cov;
    try {
        inverse.assign(size_t(n) * n, 0.0);
        cov.assign(size_t(n) * n, 0.0);
    } catch (const std::bad_alloc&) {
        return;
    }
    auto R = [&](int i, int j) { return m_fjac[i + std::ptrdiff_t(j) * m]; };
    const double limit = tolerance * std::fabs(R(0, 0));
    int rank = 0;
    while (rank < n && std::fabs(R(rank, rank)) > limit)
        ++rank;
    // Inverse of the leading rank x rank block of R (upper triangular).
    for (int j = 0; j < rank; ++j) {
        inverse[j + j * n] = 1.0 / R(j, j);
        for (int i = j - 1; i >= 0; --i) {
            double sum = 0.0;
            for (int k = i + 1; k <= j; ++k)
                sum += R(i, k) * inverse[k + j * n];
            inverse[i + j * n] = -sum / R(i, i);
        }
    }
    for (int i = 0; i < rank; ++i) {
        for (int j = 0; j < rank; ++j) {
            double sum = 0.0;
            for (int k = std::max(i, j); k < rank; ++k)
                sum += inverse[i + k * n] * inverse[j + k * n];
            cov[m_permutation[i] + m_permutation[j] * n] = sum;
        }
    }
    if (result->covariance)
        std::fill_n(result->covariance, size_t(m_npar) * m_npar, 0.0);
    if (result->parameterErrors)
        std::fill_n(result->parameterErrors, m_npar, 0.0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (result->covariance)
                result->covariance[size_t(m_free[i]) * m_npar + m_free[j]] = cov[i + j * n];
        }
        if (result->parameterErrors)
            result->parameterErrors[m_free[i]] = std::sqrt(std::max(0.0, cov[i + i * n]));
    }
}

} // namespace

int mpfit(MpfitFunction function, int m, int npar, double* parameters, const MpfitParameter* settings,
          const MpfitConfig* config, void* privateData, MpfitResult* result)
{
    if (result) {
        std::snprintf(result->version, sizeof(result->version), "zembo-lm 1");
        result->parameterCount = npar;
        result->residualCount = m;
        result->status = 0;
    }
    int status;
    if (!function) {
        status = MpfitNoFunction;
    } else if (m < 1 || npar < 1 || !parameters) {
        status = MpfitNoData;
    } else {
        const MpfitConfig defaults;
        Solver solver(function, m, npar, parameters, settings, privateData);
        status = solver.run(config ? *config : defaults, result);
    }
    if (result)
        result->status = status;
    return status;
}
