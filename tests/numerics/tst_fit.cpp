#include "FitCurve.h"
#include "LogCapture.h"
#include "mpfit.h"

#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

// y = p0 * exp(-p1 * x) + p2, with analytic derivatives on request.
struct Decay
{
    QList<double> x;
    QList<double> y;
};

int decayResiduals(int m, int, double* p, double* residuals, double** derivatives, void* data)
{
    const auto* d = static_cast<const Decay*>(data);
    for (int i = 0; i < m; ++i) {
        const double e = std::exp(-p[1] * d->x[i]);
        residuals[i] = d->y[i] - (p[0] * e + p[2]);
        if (derivatives) {
            if (derivatives[0])
                derivatives[0][i] = -e;
            if (derivatives[1])
                derivatives[1][i] = p[0] * d->x[i] * e;
            if (derivatives[2])
                derivatives[2][i] = -1.0;
        }
    }
    return 0;
}

Decay decayData()
{
    Decay d;
    for (int i = 0; i < 60; ++i) {
        const double x = i * 0.1;
        d.x.append(x);
        d.y.append(4.0 * std::exp(-1.3 * x) + 0.5 + 0.01 * std::sin(i * 1.7));
    }
    return d;
}

int failingResiduals(int, int, double*, double*, double**, void*)
{
    return -7;
}

// Runs f with the standard output going to a file and returns what it printed.
template<typename F>
QByteArray captureStdout(F f)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
    f();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

class TestFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lossModel();
    void lossModelMatchesIterativeSolver_data();
    void lossModelMatchesIterativeSolver();
    void badArguments_data();
    void badArguments();
    void failedFit_data();
    void failedFit();
    void solverRefusesInput_data();
    void solverRefusesInput();
    void nonLinearWithLimits_data();
    void nonLinearWithLimits();
    void solverEndsOnLimitsAndFailures();
    void uncertaintiesOfStraightLine();
    void derivativeDebugging();
    void guardedNorm();
};

void TestFit::lossModel()
{
    QList<double> v, p;
    for (int i = 0; i < 10; ++i) {
        v.append(i);
        p.append(2.0 * i + 0.5 * i * i);
    }
    double c[5] = {9, 9, 9, 9, 9};
    int status = 0;
    QCOMPARE(FitCurve::calculatePowerLossCoeficients(&v, &p, c, 4, &status), int(FitCurve::Ok));
    QVERIFY(status >= 1 && status <= 8 && status != MpfitMaxIterations);
    QCOMPARE(c[0], 0.0);
    QVERIFY(std::fabs(c[1] - 2.0) < 1e-6 && std::fabs(c[2] - 0.5) < 1e-6);
    QVERIFY(c[3] >= 0 && c[3] < 1e-8 && c[4] >= 0 && c[4] < 1e-8);
}

// The loss model as the iterative solver fits it from the usual start.
void iterativeLossModel(const QList<double>& x, const QList<double>& y, double* p)
{
    MpfitParameter settings[5];
    settings[0].fixed = 1;
    for (int i = 1; i < 5; ++i) {
        settings[i].lowerLimited = 1;
        settings[i].lowerLimit = 0.0;
    }
    MpfitConfig config;
    config.maxEvaluations = 10000;
    FitCurveData data{x.constData(), y.constData()};
    const int status = mpfit(linfunc, int(x.size()), 5, p, settings, &config, &data, nullptr);
    QVERIFY(status >= 1 && status <= 8 && status != MpfitMaxIterations);
}

void TestFit::lossModelMatchesIterativeSolver_data()
{
    // Speeds, then the model's coefficients a1..a4, noise amplitude; which
    // coefficients the bound holds at 0 follows from the data.
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<double>>("model");
    QTest::addColumn<double>("noise");
    QTest::newRow("coast-down") << 3.0 << 35.0 << 5000 << QList<double>{40, 1.5, 0.02, 1e-5} << 25.0;
    QTest::newRow("cubic held at 0") << 2.0 << 30.0 << 800 << QList<double>{60, 4, -0.05, 0.0005} << 5.0;
    QTest::newRow("linear only") << 1.0 << 20.0 << 300 << QList<double>{300, -2, 0, 0} << 1.0;
    QTest::newRow("exact, all four") << 1.0 << 40.0 << 50 << QList<double>{10, 0.5, 0.01, 1e-4} << 0.0;
    // Nearly dependent columns: left to the iterative solver entirely.
    QTest::newRow("narrow band of speeds") << 100.0 << 100.001 << 40 << QList<double>{1, 1, 0, 0} << 0.0;
}

void TestFit::lossModelMatchesIterativeSolver()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(int, count);
    QFETCH(QList<double>, model);
    QFETCH(double, noise);
    QList<double> v, p;
    quint32 seed = 7;
    for (int i = 0; i < count; ++i) {
        const double x = from + (to - from) * i / (count - 1);
        seed = seed * 1664525u + 1013904223u;
        const double e = noise * (double(seed >> 8) / double(1u << 24) - 0.5);
        v.append(x);
        p.append(x * (model[0] + x * (model[1] + x * (model[2] + x * model[3]))) + e);
    }
    double ours[5] = {};
    int status = 0;
    QCOMPARE(FitCurve::calculateCoeficients(&v, &p, ours, 4, &status), int(FitCurve::Ok));
    QVERIFY(status >= 1 && status <= 8 && status != MpfitMaxIterations);
    double iterative[5] = {0.0, 100.0, 1.0, 0.1, 0.001};
    iterativeLossModel(v, p, iterative);
    QCOMPARE(ours[0], 0.0);
    // Same model: the coefficients held at the bound are held by both, and
    // the predictions agree within the iterative solver's own accuracy (its
    // tolerances leave the smallest coefficients good to about 1e-5).
    double largest = 0, apart = 0, costOurs = 0, costIterative = 0;
    for (int i = 0; i < count; ++i) {
        const double x = v[i];
        const double a = x * (ours[1] + x * (ours[2] + x * (ours[3] + x * ours[4])));
        const double b = x * (iterative[1] + x * (iterative[2] + x * (iterative[3] + x * iterative[4])));
        largest = std::max(largest, std::fabs(p[i]));
        apart = std::max(apart, std::fabs(a - b));
        costOurs += (a - p[i]) * (a - p[i]);
        costIterative += (b - p[i]) * (b - p[i]);
    }
    for (int j = 1; j < 5; ++j) {
        QVERIFY2(ours[j] >= 0.0, qPrintable(QString::number(j)));
        QCOMPARE(ours[j] == 0.0, iterative[j] == 0.0 || iterative[j] < 1e-12 * std::fabs(iterative[1]));
    }
    QVERIFY2(apart <= 1e-6 * largest, qPrintable(QString::number(apart / largest)));
    // Never a worse fit than the iterative one.
    QVERIFY2(costOurs <= costIterative * (1 + 1e-9) + count * 1e-20 * largest * largest,
             qPrintable(QStringLiteral("%1 %2").arg(costOurs).arg(costIterative)));
}

void TestFit::badArguments_data()
{
    QTest::addColumn<int>("xCount");
    QTest::addColumn<int>("order");
    QTest::addColumn<bool>("direct");
    QTest::addColumn<QString>("message");
    QTest::newRow("lengths differ") << 9 << 4 << false << "Vector length mismatch 9 10";
    QTest::newRow("order 3") << 10 << 3 << false << "only hardcoded polynomial of order 4 is supported 3";
    QTest::newRow("order 0") << 10 << 0 << false << "order < 1 0";
    QTest::newRow("negative order, direct") << 10 << -2 << true << "order < 0 -2";
    QTest::newRow("lengths differ, direct") << 11 << 4 << true << "Vector length mismatch 11 10";
}

void TestFit::badArguments()
{
    QFETCH(int, xCount);
    QFETCH(int, order);
    QFETCH(bool, direct);
    QFETCH(QString, message);
    const QList<double> x(xCount, 1.0);
    const QList<double> y(10, 1.0);
    double c[5] = {1, 2, 3, 4, 5};
    LogCapture log;
    const int result = direct ? FitCurve::calculateCoeficients(&x, &y, c, order)
                              : FitCurve::calculatePowerLossCoeficients(&x, &y, c, order);
    QCOMPARE(result, int(FitCurve::BadArguments));
    QCOMPARE(log.count(message), 1);
    const double untouched[5] = {1, 2, 3, 4, 5};
    QVERIFY(std::equal(c, c + 5, untouched));
}

void TestFit::failedFit_data()
{
    QTest::addColumn<QList<double>>("x");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("three points") << QList<double>{1, 2, 3} << QList<double>{4, 9, 20} << -24
                                  << "Not enough degrees of freedom";
    QTest::newRow("empty") << QList<double>{} << QList<double>{} << -18 << "No user data points were supplied";
    QTest::newRow("only non-finite points")
        << QList<double>{1, 2, qQNaN(), 4, 5} << QList<double>{qInf(), qQNaN(), 3, -qInf(), qQNaN()} << -18
        << "No user data points were supplied";
}

void TestFit::failedFit()
{
    // A failed fit must not pass for a model without losses: the caller gets
    // a distinct result and its coefficients stay as they were.
    QFETCH(QList<double>, x);
    QFETCH(QList<double>, y);
    QFETCH(int, status);
    QFETCH(QString, text);
    double c[5] = {0, 11, 12, 13, 14};
    int reported = 0;
    LogCapture log;
    QCOMPARE(FitCurve::calculatePowerLossCoeficients(&x, &y, c, 4, &reported), int(FitCurve::FitFailed));
    QCOMPARE(reported, status);
    QCOMPARE(log.count(QStringLiteral("Loss Model curve fit error: %1").arg(status)), 1);
    QCOMPARE(log.count(text), 1);
    const double untouched[5] = {0, 11, 12, 13, 14};
    QVERIFY(std::equal(c, c + 5, untouched));
}

void TestFit::solverRefusesInput_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("status");
    QTest::newRow("no function") << 0 << int(MpfitNoFunction);
    QTest::newRow("no points") << 1 << int(MpfitNoData);
    QTest::newRow("no parameters") << 2 << int(MpfitNoData);
    QTest::newRow("all fixed") << 3 << int(MpfitNoFreeParameters);
    QTest::newRow("start below its limit") << 4 << int(MpfitStartOutsideLimits);
    QTest::newRow("limits crossed") << 5 << int(MpfitInconsistentLimits);
    QTest::newRow("tolerance not a number") << 6 << int(MpfitBadConfiguration);
    QTest::newRow("fewer points than free parameters") << 7 << int(MpfitTooFewPoints);
    QTest::newRow("function reports an error") << 8 << -7;
    QTest::newRow("non-finite residuals, checked") << 9 << int(MpfitNonFiniteResiduals);
}

void TestFit::solverRefusesInput()
{
    QFETCH(int, which);
    QFETCH(int, status);
    Decay data = decayData();
    double p[3] = {1, 1, 0};
    MpfitParameter settings[3];
    MpfitConfig config;
    MpfitFunction function = decayResiduals;
    int m = data.x.size();
    double* parameters = p;
    switch (which) {
    case 0: function = nullptr; break;
    case 1: m = 0; break;
    case 2: parameters = nullptr; break;
    case 3: settings[0].fixed = settings[1].fixed = settings[2].fixed = 1; break;
    case 4: settings[1].lowerLimited = 1; settings[1].lowerLimit = 2; break;
    case 5:
        settings[2].lowerLimited = settings[2].upperLimited = 1;
        settings[2].lowerLimit = 1;
        settings[2].upperLimit = -1;
        break;
    case 6: config.chiSquareTolerance = qQNaN(); break;
    case 7: m = 2; break;
    case 8: function = failingResiduals; break;
    case 9:
        data.y[5] = qInf();
        config.checkFinite = 1;
        break;
    }
    MpfitResult result;
    QCOMPARE(mpfit(function, m, 3, parameters, settings, &config, &data, &result), status);
    QCOMPARE(result.status, status);
    QCOMPARE(p[0], 1.0); // refused input leaves the parameters alone
    QCOMPARE(p[1], 1.0);
}

void TestFit::nonLinearWithLimits_data()
{
    QTest::addColumn<int>("side");
    QTest::newRow("automatic") << 0;
    QTest::newRow("forward") << 1;
    QTest::newRow("backward") << -1;
    QTest::newRow("two-sided") << 2;
    QTest::newRow("analytic") << 3;
}

void TestFit::nonLinearWithLimits()
{
    Decay data = decayData();
    QFETCH(int, side);
    MpfitParameter settings[3];
    for (auto& s : settings)
        s.side = side;

    // Free: close to the generating values.
    double p[3] = {1, 0.5, 0};
    MpfitResult result;
    int status = mpfit(decayResiduals, data.x.size(), 3, p, settings, nullptr, &data, &result);
    QVERIFY2(status >= 1 && status <= 4, qPrintable(QString::number(status)));
    QVERIFY(std::fabs(p[0] - 4.0) < 0.02 && std::fabs(p[1] - 1.3) < 0.02 && std::fabs(p[2] - 0.5) < 0.02);
    QVERIFY(result.finalChiSquare < 0.01 && result.initialChiSquare > result.finalChiSquare);
    QCOMPARE(result.freeCount, 3);
    QCOMPARE(result.peggedCount, 0);

    // The offset held at 0.3 from above and the amplitude fixed: the rate
    // alone adapts, and the offset ends on its limit.
    double q[3] = {4, 0.5, 0.2};
    settings[0].fixed = 1;
    settings[2].upperLimited = 1;
    settings[2].upperLimit = 0.3;
    status = mpfit(decayResiduals, data.x.size(), 3, q, settings, nullptr, &data, &result);
    QVERIFY2(status >= 1 && status <= 4, qPrintable(QString::number(status)));
    QCOMPARE(q[0], 4.0);
    QCOMPARE(q[2], 0.3);
    QVERIFY(q[1] > 0.5 && q[1] < 1.3);
    QCOMPARE(result.freeCount, 2);
    QCOMPARE(result.peggedCount, 1);
}

void TestFit::solverEndsOnLimitsAndFailures()
{
    Decay data = decayData();
    double p[3] = {1, 0.2, 0};
    MpfitConfig config;
    config.maxIterations = 2;
    MpfitResult result;
    QCOMPARE(mpfit(decayResiduals, data.x.size(), 3, p, nullptr, &config, &data, &result), int(MpfitMaxIterations));
    QCOMPARE(result.iterations, 2);
    QVERIFY(p[0] != 1.0); // the best point so far is kept

    double q[3] = {1, 0.2, 0};
    config = MpfitConfig();
    config.maxEvaluations = 12;
    QCOMPARE(mpfit(decayResiduals, data.x.size(), 3, q, nullptr, &config, &data, &result), int(MpfitMaxIterations));
    QVERIFY(result.evaluations <= 12 + 3);
}

void TestFit::uncertaintiesOfStraightLine()
{
    // For y = p0 + p1 x with unit weights the covariance is (A^T A)^-1:
    // var p1 = 1 / Sxx, var p0 = sum x^2 / (n Sxx).
    const QList<double> x{0, 1, 2, 3, 4, 5, 6, 7};
    const QList<double> y{1.1, 2.9, 5.2, 7.1, 8.8, 11.2, 13.1, 14.8};
    QList<double> yy = y;
    double p[5] = {0, 0, 0, 0, 0};
    MpfitParameter settings[5];
    settings[2].fixed = settings[3].fixed = settings[4].fixed = 1;
    double errors[5] = {-1, -1, -1, -1, -1};
    double covariance[25];
    MpfitResult result;
    result.parameterErrors = errors;
    result.covariance = covariance;
    FitCurveData data{x.constData(), yy.constData()};
    const int status = mpfit(linfunc, x.size(), 5, p, settings, nullptr, &data, &result);
    QVERIFY(status >= 1 && status <= 8 && status != MpfitMaxIterations);
    double sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (int i = 0; i < x.size(); ++i) {
        sx += x[i];
        sxx += x[i] * x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    const double n = x.size();
    const double spread = sxx - sx * sx / n;
    const double slope = (sxy - sx * sy / n) / spread;
    QVERIFY(std::fabs(p[1] - slope) < 1e-9);
    QVERIFY(std::fabs(p[0] - (sy - slope * sx) / n) < 1e-9);
    // From a finite-difference Jacobian: good to about 1e-7.
    QVERIFY(std::fabs(errors[1] / std::sqrt(1 / spread) - 1) < 1e-6);
    QVERIFY(std::fabs(errors[0] / std::sqrt(sxx / (n * spread)) - 1) < 1e-6);
    QCOMPARE(errors[2], 0.0);
    QVERIFY(std::fabs(covariance[0 * 5 + 1] / (-sx / n / spread) - 1) < 1e-6);
    QCOMPARE(covariance[1 * 5 + 0], covariance[0 * 5 + 1]);
}

void TestFit::derivativeDebugging()
{
    Decay data = decayData();
    double p[3] = {1, 0.5, 0};
    MpfitParameter settings[3];
    settings[1].side = 3;
    settings[1].debugDerivative = 1;
    settings[1].debugAbsoluteTolerance = 1e-6;
    settings[1].debugRelativeTolerance = 1e-3;
    MpfitConfig config;
    config.maxIterations = 1;
    const QByteArray printed = captureStdout([&] {
        mpfit(decayResiduals, data.x.size(), 3, p, settings, &config, &data, nullptr);
    });
    QVERIFY(printed.startsWith("FJAC DEBUG BEGIN\n"));
    QVERIFY(printed.contains("IPNT") && printed.contains("DERIV_U") && printed.contains("DIFF_REL"));
    QVERIFY(printed.trimmed().endsWith("FJAC DEBUG END"));
    // Analytic and numeric derivatives agree: no point exceeds the tolerances.
    QCOMPARE(printed.count('\n'), 4);

    // Without debugging nothing is printed.
    settings[1].debugDerivative = 0;
    const QByteArray quiet = captureStdout([&] {
        mpfit(decayResiduals, data.x.size(), 3, p, settings, &config, &data, nullptr);
    });
    QVERIFY(quiet.isEmpty());
}

void TestFit::guardedNorm()
{
    const double tiny[3] = {3e-170, 4e-170, 0};
    QVERIFY(std::fabs(mp_enorm(3, tiny) / 5e-170 - 1) < 1e-15);
    const double huge[2] = {3e200, 4e200};
    QVERIFY(std::fabs(mp_enorm(2, huge) / 5e200 - 1) < 1e-15);
    const double mixed[4] = {3e-170, 3, 4, 0};
    QCOMPARE(mp_enorm(4, mixed), 5.0);
    const double large[2] = {1e160, 1};
    QCOMPARE(mp_enorm(2, large), 1e160);
    QCOMPARE(mp_enorm(0, nullptr), 0.0);
}

QTEST_GUILESS_MAIN(TestFit)
#include "tst_fit.moc"
