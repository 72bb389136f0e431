#include "BiQuad.h"
#include "IIR.h"
#include "IIR4.h"
#include "LogCapture.h"
#include "VariableSamplingIIR.h"
#include "VariableSamplingIIRN.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
} // namespace

class TestFilters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortAndEmptyVectors();
    void setupAgainRestartsSettling();
    void nonFiniteSamples();
    void variableSamplingMatchesFixedRate();
    void variableSamplingStepsThatAreNotPositive_data();
    void variableSamplingStepsThatAreNotPositive();
    void variableSamplingWithoutCutOff();
    void variableSamplingShortTimeVector();
    void sevenStagesOutputAtOnce();
    void bandPass();
};

void TestFilters::shortAndEmptyVectors()
{
    // 2m samples or fewer never settle in both directions.
    QList<double> ten(10, 1.0);
    IIR::filterVectorInplace(&ten, 100, 1);
    for (double v : ten)
        QVERIFY(std::isnan(v));
    QList<double> tenMore(10, 1.0);
    IIR4::filterVectorInplace(&tenMore, 100, 1);
    QVERIFY(std::isnan(tenMore.first()) && std::isnan(tenMore.last()));

    const QList<double> empty;
    QList<double> out{1, 2, 3};
    IIR::filterVectorToOther(&empty, &out, 100, 1);
    QVERIFY(out.isEmpty());
    out = {1, 2, 3};
    IIR4::filterVectorToOther(&empty, &out, 100, 1);
    QVERIFY(out.isEmpty());

    // A separate output has the input's length; the input stays as it was.
    const QList<double> in(300, 2.0);
    IIR4::filterVectorToOther(&in, &out, 100, 5);
    QCOMPARE(out.size(), in.size());
    QCOMPARE(in, QList<double>(300, 2.0));
    QCOMPARE(out[150], 2.0);
}

void TestFilters::setupAgainRestartsSettling()
{
    IIR filter;
    filter.setup(100, 1);
    QVERIFY(std::isnan(filter.getOutput()));
    int withheld = 0;
    while (std::isnan(filter.addData(3.0)))
        ++withheld;
    QCOMPARE(withheld, 64);
    QCOMPARE(filter.getOutput(), 3.0);

    filter.setup(100, 2); // new coefficients: the value is kept, the output withheld again
    QVERIFY(std::isnan(filter.getOutput()));
    withheld = 0;
    double out;
    while (std::isnan(out = filter.addData(3.0)))
        ++withheld;
    QCOMPARE(withheld, 32);
    QCOMPARE(out, 3.0);

    // The four-stage filter settles in the same time and reads out through the base.
    IIR4 four;
    four.setup(100, 1);
    withheld = 0;
    while (std::isnan(four.addData(-1.5)))
        ++withheld;
    QCOMPARE(withheld, 64);
    QCOMPARE(four.getOutput(), -1.5);
}

void TestFilters::nonFiniteSamples()
{
    // One stage: NaN restarts the settling; infinity passes once (it is not
    // NaN) and the next sample starts the filter again at its own value.
    IIR one;
    one.setup(100, 10);
    for (int i = 0; i < 20; ++i)
        one.addData(1.0);
    QCOMPARE(one.addData(Inf), Inf);
    QCOMPARE(one.addData(5.0), 5.0);
    QVERIFY(std::isnan(one.addData(NaN)));
    QVERIFY(std::isnan(one.addData(5.0)));
    for (int i = 0; i < 6; ++i)
        one.addData(5.0);
    QCOMPARE(one.getOutput(), 5.0);

    // Four stages: an infinite sample restarts the settling as well.
    IIR4 four;
    four.setup(100, 10);
    for (int i = 0; i < 20; ++i)
        four.addData(1.0);
    QVERIFY(std::isnan(four.addData(Inf)));
    double out;
    int withheld = 0;
    while (std::isnan(out = four.addData(2.0)))
        ++withheld;
    QCOMPARE(withheld, 6); // 7 samples of settling, the infinite one included
    QCOMPARE(out, 2.0);
}

void TestFilters::variableSamplingMatchesFixedRate()
{
    // The same signal through both zero-phase filters at a uniform rate.
    const double fs = 250, fc = 4;
    QList<double> data, time;
    for (int i = 0; i < 2000; ++i) {
        data.append(std::sin(i * 0.01) + 0.3 * std::sin(i * 0.7));
        time.append(i / fs);
    }
    QList<double> fixed = data;
    IIR::filterVectorInplace(&fixed, fs, fc);
    QList<double> variable = data;
    VariableSamplingIIR::filterVector(&variable, &time, fc);
    int compared = 0;
    for (int i = 0; i < data.size(); ++i) {
        QVERIFY(std::isfinite(variable[i])); // no settling edges
        if (std::isfinite(fixed[i])) {
            QVERIFY(std::fabs(fixed[i] - variable[i]) < 1e-12);
            ++compared;
        }
    }
    QVERIFY(compared > 1800);

    // Per sample: the same state once both have settled.
    IIR step;
    step.setup(fs, fc);
    VariableSamplingIIR stamped;
    stamped.setup(fc);
    for (int i = 0; i < 500; ++i) {
        const double a = step.addData(data[i]);
        const double b = stamped.addData(data[i], 1 / fs);
        if (std::isfinite(a) && std::isfinite(b))
            QVERIFY(std::fabs(a - b) < 1e-12);
    }
    QVERIFY(std::isfinite(stamped.getOutput()));
}

void TestFilters::variableSamplingStepsThatAreNotPositive_data()
{
    QTest::addColumn<double>("dt");
    QTest::newRow("repeated time stamp") << 0.0;
    QTest::newRow("time going back") << -0.05;
    QTest::newRow("time stamp missing") << NaN;
}

void TestFilters::variableSamplingStepsThatAreNotPositive()
{
    // A step that is not positive must never weight the state by more than 1
    // (exp(k dt) > 1 would amplify and soon diverge): it counts as no step.
    QFETCH(double, dt);
    VariableSamplingIIR filter;
    filter.setup(2);
    for (int i = 0; i < 200; ++i)
        filter.addData(1.0, 0.01);
    const double settled = filter.getOutput();
    QVERIFY(std::fabs(settled - 1.0) < 1e-9);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(filter.addData(100.0, dt), settled);

    VariableSamplingIIRN cascade;
    cascade.setup(2);
    for (int i = 0; i < 400; ++i)
        cascade.addData(1.0, 0.01);
    for (int i = 0; i < 50; ++i)
        QVERIFY(std::fabs(cascade.addData(100.0, dt) - 1.0) < 1e-9);

    // The vector function: the same sample repeated keeps its value.
    QList<double> data{1, 2, 3, 4, 5, 6};
    const QList<double> time{0.0, 0.1, 0.1, 0.05, 0.2, 0.3};
    QList<double> filtered = data;
    VariableSamplingIIR::filterVector(&filtered, &time, 1);
    for (double v : filtered)
        QVERIFY(v >= 1.0 && v <= 6.0);
}

void TestFilters::variableSamplingWithoutCutOff()
{
    // fc = +inf does not filter, whatever the time steps.
    const QList<double> data{3, -1, 4, 1, -5, 9, 2, 6};
    const QList<double> time{0, 0.1, 0.2, 0.2, 0.15, 0.5, 0.6, 0.7};
    QList<double> filtered = data;
    VariableSamplingIIR::filterVector(&filtered, &time, Inf);
    QCOMPARE(filtered, data);
    filtered = data;
    VariableSamplingIIRN::filterVector(&filtered, &time, Inf);
    QCOMPARE(filtered, data);

    // A filter never set up passes samples through and needs no settling;
    // setup(+inf) keeps the coefficient in force and needs no settling either.
    VariableSamplingIIR fresh;
    QCOMPARE(fresh.addData(7.0, 0.01), 7.0);
    QCOMPARE(fresh.addData(-2.0, 0.0), -2.0);
    fresh.setup(Inf);
    QCOMPARE(fresh.addData(4.0, 0.01), 4.0);

    VariableSamplingIIR configured;
    configured.setup(1);
    QVERIFY(std::isnan(configured.addData(0.0, 0.01)));
    configured.setup(Inf);
    const double out = configured.addData(1.0, 0.01); // still the 1 Hz low-pass
    QVERIFY(out > 0.0 && out < 0.1);
}

void TestFilters::variableSamplingShortTimeVector()
{
    LogCapture log;
    const QList<double> data{1, 5, 2, 8};
    const QList<double> time{0, 1, 2};
    QList<double> filtered = data;
    VariableSamplingIIR::filterVector(&filtered, &time, 1);
    QCOMPARE(filtered, data);
    QCOMPARE(log.count("static void VariableSamplingIIR::filterVector(QVector<double>*, QVector<double>*, double)"), 1);
    QCOMPARE(log.count("data length bigger than timeVector length. Data length: "), 1);
    VariableSamplingIIRN::filterVector(&filtered, &time, 1);
    QCOMPARE(filtered, data);
    QCOMPARE(log.count("static void VariableSamplingIIRN::filterVector"), 1);
}

void TestFilters::sevenStagesOutputAtOnce()
{
    VariableSamplingIIRN filter;
    filter.setup(1);
    QCOMPARE(filter.addData(2.0, 0.01), 2.0); // not withheld while settling
    const double next = filter.addData(3.0, 0.01);
    QVERIFY(next > 2.0 && next < 2.001);
    QVERIFY(std::isnan(filter.addData(NaN, 0.01)));
    QCOMPARE(filter.addData(4.0, 0.01), 4.0); // restarts at the sample's value
}

void TestFilters::bandPass()
{
    BiQuad fresh;
    QCOMPARE(fresh.addData(1.0f), 0.0f);

    BiQuad filter;
    filter.setFrequencyAndQ(48000, 6000, 1);
    // A constant is blocked.
    float out = 0;
    for (int i = 0; i < 2000; ++i)
        out = filter.addData(1.0f);
    QVERIFY(std::fabs(out) < 1e-4f);
    // Unit gain at the centre frequency.
    filter.reset();
    float peak = 0;
    for (int i = 0; i < 4800; ++i) {
        out = filter.addData(float(std::sin(2 * M_PI * 6000 * i / 48000.0)));
        if (i > 2400)
            peak = std::max(peak, std::fabs(out));
    }
    QVERIFY(std::fabs(peak - 1.0f) < 1e-3f);
    // reset() clears the state, not the coefficients.
    filter.reset();
    const float first = filter.addData(1.0f);
    const float alpha = float(std::sin(M_PI / 4) / 2);
    QVERIFY(std::fabs(first - alpha / (1 + alpha)) < 1e-6f);
}

QTEST_GUILESS_MAIN(TestFilters)
#include "tst_filters.moc"
