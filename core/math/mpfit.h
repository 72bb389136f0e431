#pragma once
// Bounded non-linear least squares: Levenberg–Marquardt with a trust region,
// finite-difference Jacobians, fixed parameters and lower and upper parameter
// limits. It minimises the sum of squared residuals over the free parameters.
// Used by the loss-model fit (FitCurve); any other least-squares problem with
// box constraints can use it as well. All state lives on the stack and in the
// solver's own allocations: any thread may call it.

// Fills residuals[0..m-1] for the parameters p[0..n-1]. derivatives is null
// unless a parameter asks for analytic derivatives (side 3, or derivative
// debugging); then derivatives[j], when not null, takes the m partial
// derivatives of the residuals with respect to p[j]. A negative return value
// ends the fit with that value as its status.
using MpfitFunction = int (*)(int m, int n, double* p, double* residuals, double** derivatives, void* data);

// Settings of one parameter; all zero means free, unlimited, automatic steps.
struct MpfitParameter
{
    int fixed = 0;
    int lowerLimited = 0;
    int upperLimited = 0;
    double lowerLimit = 0.0;
    double upperLimit = 0.0;
    const char* name = nullptr;
    double step = 0.0;         // absolute finite-difference step; 0 = automatic
    double relativeStep = 0.0; // step relative to |p|; 0 = automatic
    // 0 automatic one-sided (forward, backward next to an upper limit),
    // 1 forward, -1 backward, 2 two-sided, 3 analytic (from the function).
    int side = 0;
    // Non-zero: print the analytic and the numeric derivative of this
    // parameter to the standard output on every Jacobian.
    int debugDerivative = 0;
    double debugRelativeTolerance = 0.0;
    double debugAbsoluteTolerance = 0.0;
};

// A value of 0 or below stands for the default given beside it; a tolerance
// that is not a finite number is refused (MpfitBadConfiguration).
struct MpfitConfig
{
    double chiSquareTolerance = 0.0;     // relative reduction of chi-square, 1e-10
    double parameterTolerance = 0.0;     // relative change of the parameters, 1e-10
    double orthogonalityTolerance = 0.0; // residuals against Jacobian columns, 1e-10
    double finiteDifferenceStep = 0.0;   // relative precision of the function, 2.220446e-16
    double initialStepBound = 0.0;       // first trust-region radius relative to the parameters, 100
    double covarianceTolerance = 0.0;    // rank cut-off of the covariance, 1e-14
    int maxIterations = 0;               // 200
    int maxEvaluations = 0;              // no limit
    int checkFinite = 0;                 // non-zero: non-finite residuals end the fit (status -16)
};

// What the fit did. The three arrays are optional: when not null they take
// the final residuals (m), the parameter uncertainties (npar, 0 for fixed or
// pegged parameters) and the covariance (npar x npar, row-major).
struct MpfitResult
{
    double finalChiSquare = 0.0;
    double initialChiSquare = 0.0;
    int iterations = 0;
    int evaluations = 0;
    int status = 0;
    int parameterCount = 0;
    int freeCount = 0;
    int peggedCount = 0;
    int residualCount = 0;
    double* residuals = nullptr;
    double* parameterErrors = nullptr;
    double* covariance = nullptr;
    char version[20] = {};
};

// Return values of mpfit. 1 to 4 and 6 to 8 are successful terminations.
enum MpfitStatus : int {
    MpfitInputError = 0,
    MpfitConvergedChiSquare = 1,
    MpfitConvergedParameters = 2,
    MpfitConvergedBoth = 3,
    MpfitConvergedOrthogonality = 4,
    MpfitMaxIterations = 5, // also when the evaluation limit is exceeded
    MpfitChiSquareToleranceTooSmall = 6,
    MpfitParameterToleranceTooSmall = 7,
    MpfitOrthogonalityToleranceTooSmall = 8,
    MpfitNonFiniteResiduals = -16,
    MpfitNoFunction = -17,
    MpfitNoData = -18,
    MpfitNoFreeParameters = -19,
    MpfitOutOfMemory = -20,
    MpfitStartOutsideLimits = -21,
    MpfitInconsistentLimits = -22,
    MpfitBadConfiguration = -23,
    MpfitTooFewPoints = -24,
};

// Minimises over the free parameters, starting from and updating parameters
// in place (left unchanged when the input is refused). settings, config and
// result may be null (all free, defaults, no report).
int mpfit(MpfitFunction function, int m, int npar, double* parameters, const MpfitParameter* settings,
          const MpfitConfig* config, void* privateData, MpfitResult* result);

// Euclidean norm that neither overflows nor underflows: small, intermediate
// and large components are summed apart, with rescaling.
double mp_enorm(int n, const double* v);
