// The operators of computed functions in live evaluation: the stateless table,
// the stateful operators over time, the shell command's rising edge and the
// function's own identity.
#include "Argument.h"
#include "ChannelSetup.h"
#include "Function.h"
#include "FunctionFixtures.h"
#include "FunctionsModel.h"
#include "LogCapture.h"
#include "lib/Units.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace fixtures;

Q_DECLARE_METATYPE(Operator)

namespace {

bool sameValue(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b))
        return a == b;
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
}

QString text(double value)
{
    return QString::number(value, 'g', 17);
}

} // namespace

class TestOperators : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void operatorTable();
    void statelessOperators_data();
    void statelessOperators();
    void hysteresis();
    void timeHysteresis();
    void timeHysteresisTwoWay();
    void toggle();
    void latch();
    void integrate();
    void differentiateTimesOut();
    void pidUnipolarLimits();
    void pidBipolarLimitsAndDerivative();
    void equation();
    void shellCommandOnRisingEdgeOnly();
    void shellCommandIsNoShellLine();
    void identityAndDescription();

private:
    TestClock clock;
};

void TestOperators::initTestCase()
{
    theUnits.init();
}

void TestOperators::operatorTable()
{
    const FunctionsModel& model = theFunctionsModel;
    QCOMPARE(model.operators.size(), 31);
    QCOMPARE(int(model.operatorFromKey(QStringLiteral("integrate"))), 24);
    QCOMPARE(int(model.operatorFromKey(QStringLiteral("Integrate"))), 0);
    QCOMPARE(int(model.operatorFromKey(QString())), 0);
    QCOMPARE(int(model.operatorFromKey(QStringLiteral("time hysteresis two way"))), 28);
    QCOMPARE(int(model.operatorFromKey(QStringLiteral("||"))), 15);
    QCOMPARE(model.getArgumentTypeKey(static_cast<ArgumentType>(4)), QStringLiteral("unknown"));
    QCOMPARE(model.getArgumentTypeKey(ArgumentType_projectInfo), QStringLiteral("projectInfo"));
    QCOMPARE(int(model.getArgumentTypeFromKey(QStringLiteral("const"))), 0);
    QCOMPARE(int(model.getArgumentTypeFromKey(QStringLiteral("channel"))), 2);
    // Argument counts, quantities and result quantities of a few telling rows.
    const OperatorDescriptor& choose = model.descriptor(Operator_choose);
    QCOMPARE(choose.argumentNames, QList<QString>({"if true", "if false", "condition"}));
    QCOMPARE(choose.argumentQuantities, QList<Quantity>({Quantity(-1), Quantity(-3), Quantity::Logic}));
    QCOMPARE(int(choose.resultQuantity), -3);
    QCOMPARE(int(model.descriptor(Operator_pidUnipolar).resultQuantity), int(Quantity::Fraction));
    QCOMPARE(model.descriptor(Operator_equation).argumentCount(), 5);
    QCOMPARE(model.descriptor(Operator_false).argumentCount(), 0);
    QCOMPARE(model.descriptor(Operator_timeHysteresis).displayName(), QStringLiteral("delay"));
}

void TestOperators::statelessOperators_data()
{
    QTest::addColumn<Operator>("op");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::addColumn<double>("x3");
    QTest::addColumn<double>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("0 (false)") << Operator_false << 3.0 << 4.0 << 0.0 << 0.0;
    QTest::newRow("= passes the first") << Operator_assign << 4.5 << 9.0 << 0.0 << 4.5;
    QTest::newRow("+") << Operator_add << 1.0 << 2.0 << 0.0 << 3.0;
    QTest::newRow("-") << Operator_subtract << 1.0 << 2.0 << 0.0 << -1.0;
    QTest::newRow("*") << Operator_multiply << 2.0 << 3.0 << 0.0 << 6.0;
    QTest::newRow("/ by zero") << Operator_divide << 1.0 << 0.0 << 0.0 << inf;
    QTest::newRow("% truncates both") << Operator_modulo << 7.9 << 2.5 << 0.0 << 1.0;
    QTest::newRow("% sign of dividend") << Operator_modulo << -7.0 << 2.0 << 0.0 << -1.0;
    QTest::newRow("% by zero gives dividend") << Operator_modulo << 5.0 << 0.0 << 0.0 << 5.0;
    QTest::newRow("% of NaN") << Operator_modulo << NaN << 3.0 << 0.0 << 0.0;
    QTest::newRow("% by -1") << Operator_modulo << -2147483648.0 << -1.0 << 0.0 << 0.0;
    QTest::newRow("% beyond the integer range") << Operator_modulo << 1e12 << 7.0 << 0.0 << 1.0;
    QTest::newRow("== equal") << Operator_equal << 2.0 << 2.0 << 0.0 << 1.0;
    QTest::newRow("!= equal") << Operator_notEqual << 2.0 << 2.0 << 0.0 << 0.0;
    QTest::newRow("> with NaN") << Operator_greater << NaN << 1.0 << 0.0 << NaN;
    QTest::newRow("< true") << Operator_less << 1.0 << 2.0 << 0.0 << 1.0;
    QTest::newRow(">= equal") << Operator_greaterOrEqual << 2.0 << 2.0 << 0.0 << 1.0;
    QTest::newRow("<= false") << Operator_lessOrEqual << 3.0 << 2.0 << 0.0 << 0.0;
    QTest::newRow("! 0") << Operator_not << 0.0 << 0.0 << 0.0 << 1.0;
    QTest::newRow("! 2") << Operator_not << 2.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("! NaN") << Operator_not << NaN << 0.0 << 0.0 << NaN;
    QTest::newRow("&& both") << Operator_and << 2.0 << -3.0 << 0.0 << 1.0;
    QTest::newRow("&& NaN") << Operator_and << 1.0 << NaN << 0.0 << NaN;
    QTest::newRow("|| none") << Operator_or << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("|| one") << Operator_or << 0.0 << -1.0 << 0.0 << 1.0;
    QTest::newRow("choose NaN condition") << Operator_choose << 5.0 << 7.0 << NaN << NaN;
    QTest::newRow("choose false") << Operator_choose << 5.0 << 7.0 << 0.0 << 7.0;
    QTest::newRow("choose true") << Operator_choose << 5.0 << 7.0 << 2.0 << 5.0;
    QTest::newRow("min NaN first") << Operator_min << NaN << 3.0 << 0.0 << 3.0;
    QTest::newRow("min NaN second") << Operator_min << 3.0 << NaN << 0.0 << NaN;
    QTest::newRow("max NaN first") << Operator_max << NaN << 3.0 << 0.0 << NaN;
    QTest::newRow("max NaN second") << Operator_max << 3.0 << NaN << 0.0 << 3.0;
    QTest::newRow("clamp NaN source") << Operator_clamp << NaN << 0.0 << 10.0 << 0.0;
    QTest::newRow("clamp above") << Operator_clamp << 15.0 << 0.0 << 10.0 << 10.0;
    QTest::newRow("clamp below") << Operator_clamp << -3.0 << 0.0 << 10.0 << 0.0;
    QTest::newRow("clamp NaN max") << Operator_clamp << 15.0 << 0.0 << NaN << 15.0;
    QTest::newRow("clamp NaN min") << Operator_clamp << 5.0 << NaN << 10.0 << NaN;
    QTest::newRow("NANto0 NaN") << Operator_nanTo0 << NaN << 0.0 << 0.0 << 0.0;
    QTest::newRow("NANto0 value") << Operator_nanTo0 << -2.5 << 0.0 << 0.0 << -2.5;
}

void TestOperators::statelessOperators()
{
    QFETCH(Operator, op);
    QFETCH(double, x1);
    QFETCH(double, x2);
    QFETCH(double, x3);
    QFETCH(double, expected);
    Function function;
    function.arguments[0]->setConstant(x1, false);
    function.arguments[1]->setConstant(x2, false);
    function.arguments[2]->setConstant(x3, false);
    function.setOperator(op);
    function.update(clock.advance(10));
    QVERIFY2(sameValue(function.getValue(), expected), qPrintable(text(function.getValue())));
    // A recorded run computes the same, and these operators keep no state there.
    function.recordedOutput = 42.0;
    QVERIFY2(sameValue(function.updateFromRunData(10, 1), expected), qPrintable(text(expected)));
    QCOMPARE(function.recordedOutput, 42.0);
}

void TestOperators::hysteresis()
{
    LiveRig rig(Operator_hysteresis, 1);
    rig.constant(1, 10.0);
    rig.constant(2, 5.0);
    // source, result
    const QList<std::pair<double, double>> steps = {{12, 1}, {7, 1}, {4, 0}, {7, 0}, {NaN, 0}, {11, 1}, {NaN, 1}};
    for (const auto& step : steps) {
        rig.set(0, step.first);
        QCOMPARE(rig.step(), step.second);
    }
    // A NaN limit only disables its own comparison.
    rig.constant(1, NaN);
    rig.set(0, 100);
    QCOMPARE(rig.step(), 1.0);
    rig.set(0, 1);
    QCOMPARE(rig.step(), 0.0);
    rig.set(0, 100);
    QCOMPARE(rig.step(), 0.0);
}

void TestOperators::timeHysteresis()
{
    LiveRig rig(Operator_timeHysteresis, 1);
    rig.constant(1, 0.5);
    QCOMPARE(rig.function.getValue(), 0.0); // set by the operator's initialisation
    rig.set(0, 0);
    QCOMPARE(rig.step(), 0.0);
    rig.set(0, 1);
    QCOMPARE(rig.step(), 0.0); // the change: elapsed 0
    const qint64 change = clock.now();
    while (clock.now() - change < 500)
        QCOMPARE(rig.step(1), 0.0);
    QCOMPARE(rig.step(1), 1.0); // first step at least 501 ms after the change
    // Back to 0 with the same delay, and NaN follows its class too.
    rig.set(0, 0);
    rig.step();
    QCOMPARE(rig.step(495), 1.0);
    QCOMPARE(rig.step(10), 0.0);
    rig.set(0, NaN);
    rig.step();
    QVERIFY(std::isnan(rig.step(600)));

    // A NaN delay holds the previous result for ever.
    LiveRig held(Operator_timeHysteresis, 1);
    held.constant(1, NaN);
    held.set(0, 1);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(held.step(1000), 0.0);
}

void TestOperators::timeHysteresisTwoWay()
{
    LiveRig rig(Operator_timeHysteresisTwoWay, 1);
    rig.constant(1, 1.0);
    rig.constant(2, 3.0);
    rig.set(0, 1);
    rig.step();
    QCOMPARE(rig.step(1000), 0.0); // not yet more than 1000 ms
    QCOMPARE(rig.step(1), 1.0);
    rig.set(0, 0);
    rig.step();
    QCOMPARE(rig.step(2999), 1.0);
    QCOMPARE(rig.step(2), 0.0);
    // NaN passes after the shorter of the two delays.
    rig.set(0, NaN);
    rig.step();
    QCOMPARE(rig.step(1000), 0.0);
    QVERIFY(std::isnan(rig.step(1)));
}

void TestOperators::toggle()
{
    LiveRig rig(Operator_toggle, 1);
    rig.function.setData(0.0, clock.now());
    for (double source : {0.0, 0.5, 1.0}) {
        rig.set(0, source);
        QCOMPARE(rig.step(), 0.0);
    }
    LiveRig pressed(Operator_toggle, 1);
    pressed.function.setData(0.0, clock.now());
    const QList<std::pair<double, double>> steps = {{0, 0}, {1, 1}, {1, 1}, {0, 1}, {1, 0}, {NaN, 0}, {1, 0}};
    for (const auto& step : steps) {
        pressed.set(0, step.first);
        QCOMPARE(pressed.step(), step.second);
    }
}

void TestOperators::latch()
{
    LiveRig rig(Operator_latchSR, 2);
    // set, reset, result
    const QList<std::tuple<double, double, double>> steps = {
        {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {NaN, 0, 1}, {0, NaN, 0}};
    for (const auto& step : steps) {
        rig.set(0, std::get<0>(step));
        rig.set(1, std::get<1>(step));
        QCOMPARE(rig.step(), std::get<2>(step));
    }
}

void TestOperators::integrate()
{
    LiveRig rig(Operator_integrate, 2);
    rig.set(1, 0);
    rig.set(0, 2);
    QCOMPARE(rig.step(0), 0.0); // the first sample is only recorded
    for (int pass = 1; pass <= 10; ++pass) {
        clock.advance(10);
        rig.set(0, 2);
        QVERIFY(qFuzzyCompare(rig.step(0), 0.02 * pass));
    }
    // A source slower than the pass is not counted twice.
    const double before = rig.step(10);
    QCOMPARE(rig.step(10), before);
    // A reset of exactly 1 gives 0 and restarts from the current sample.
    rig.set(1, 1);
    clock.advance(10);
    rig.set(0, 4);
    QCOMPARE(rig.step(0), 0.0);
    rig.set(1, 0.5);
    clock.advance(10);
    rig.set(0, 4);
    QVERIFY(qFuzzyCompare(rig.step(0), 0.04));
}

void TestOperators::differentiateTimesOut()
{
    LiveRig rig(Operator_differentiate, 1);
    QCOMPARE(rig.function.getValue(), 0.0);
    // A ramp of 5 units per second, sampled every 250 ms, evaluated every 10 ms.
    double value = 0;
    qint64 lastSample = 0;
    QList<double> derivatives;
    for (int pass = 0; pass < 150; ++pass) {
        if (pass % 25 == 0) {
            clock.advance(0);
            value += 1.25;
            rig.set(0, value);
            lastSample = clock.now();
        }
        const double result = rig.step();
        if (pass % 25 == 0 && pass > 0)
            derivatives.append(result);
    }
    // The first derivative sample has no previous value.
    QVERIFY(std::isnan(derivatives.first()));
    for (int i = 1; i < derivatives.size(); ++i)
        QVERIFY2(qFuzzyCompare(derivatives.at(i), 5.0), qPrintable(text(derivatives.at(i))));
    // The source stops: the last derivative holds for up to 400 ms, then 0.
    QCOMPARE(rig.function.stateTime, lastSample);
    while (clock.now() + 10 - lastSample <= 400)
        QVERIFY(qFuzzyCompare(rig.step(), 5.0));
    QCOMPARE(rig.step(), 0.0);
}

void TestOperators::pidUnipolarLimits()
{
    // kI 0: no limit.
    LiveRig free(Operator_pidUnipolar, 2);
    free.constant(2, 1.0);
    free.constant(3, 0.0);
    free.constant(4, 0.0);
    free.set(0, 10);
    free.set(1, 0);
    QCOMPARE(free.step(), 10.0);
    QCOMPARE(free.function.C, 0.0);

    // kI not 0: limited to 0..1 and the integral does not grow further.
    LiveRig limited(Operator_pidUnipolar, 2);
    limited.constant(2, 1.0);
    limited.constant(3, 2.0);
    limited.constant(4, 0.0);
    limited.set(0, 10);
    limited.set(1, 0);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(limited.step(), 1.0);
    QCOMPARE(limited.function.C, 0.0);
    limited.set(0, 0);
    limited.set(1, 10);
    QCOMPARE(limited.step(), 0.0);
    QCOMPARE(limited.function.C, 0.0);
    // Inside the limits the integral grows by e * 0.01 * kI, after the output.
    limited.set(0, 0.25);
    limited.set(1, 0);
    QCOMPARE(limited.step(), 0.25);
    QVERIFY(qFuzzyCompare(limited.function.C, 0.005));
    QVERIFY(qFuzzyCompare(limited.step(), 0.255));
    // A NaN set point gives NaN; the integral restarts from 0 on the next step.
    limited.set(0, NaN);
    QVERIFY(std::isnan(limited.step()));
    limited.set(0, 0.25);
    QCOMPARE(limited.step(), 0.25);
}

void TestOperators::pidBipolarLimitsAndDerivative()
{
    LiveRig rig(Operator_pid, 2);
    rig.constant(2, 1.0);
    rig.constant(3, 1.0);
    rig.constant(4, NaN); // counts as 0
    rig.set(0, 0);
    rig.set(1, 10);
    QCOMPARE(rig.step(), -1.0);
    QCOMPARE(rig.function.C, 0.0); // e < 0 below the limit: no growth
    rig.set(0, 20);
    rig.set(1, 10);
    QCOMPARE(rig.step(), 1.0);

    // The derivative of the process value, kD 0.1: pv rises by 1 over 200 ms.
    LiveRig derivative(Operator_pid, 2);
    derivative.constant(2, 0.0);
    derivative.constant(3, 0.0);
    derivative.constant(4, 0.1);
    derivative.set(0, 0);
    derivative.set(1, 0);
    clock.advance(150);
    derivative.set(0, 0);
    derivative.set(1, 0);
    derivative.step(0); // both derivatives start from a NaN previous value: 0
    clock.advance(200);
    derivative.set(1, 1);
    derivative.set(0, 0);
    QVERIFY(qFuzzyCompare(derivative.step(0), -0.5));
    // Without new samples the derivatives are dropped after 200 ms.
    QVERIFY(qFuzzyCompare(derivative.step(150), -0.5));
    QCOMPARE(derivative.step(60), 0.0);
}

void TestOperators::equation()
{
    LiveRig rig(Operator_equation, 0);
    rig.constant(0, 2.0);
    rig.constant(1, 3.0);
    rig.constant(2, 4.0);
    rig.function.equation = QStringLiteral("A*B+C^2");
    QCOMPARE(rig.function.updateAndCheckEquation(false), false);
    QCOMPARE(rig.step(), 22.0);
    rig.function.equation = QStringLiteral("(A>5) ? B : C");
    rig.function.updateAndCheckEquation(false);
    QCOMPARE(rig.step(), 4.0);
    rig.function.equation = QStringLiteral("sin(A) > B || C==3");
    rig.function.updateAndCheckEquation(false);
    QCOMPARE(rig.step(), 0.0);
    // A broken equation evaluates to NaN on every step.
    rig.function.equation = QStringLiteral("A +* B");
    QCOMPARE(rig.function.updateAndCheckEquation(false), true);
    QVERIFY(std::isnan(rig.step()));
    QVERIFY(std::isnan(rig.step()));
}

void TestOperators::shellCommandOnRisingEdgeOnly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!dir.path().contains(QLatin1Char(' ')));
    auto runs = [&dir] { return QDir(dir.path()).entryList(QDir::Files).size(); };
    // Every start of the command makes one new file.
    LiveRig rig(Operator_assign, 1);
    rig.function.shellScript = QStringLiteral("mktemp -p %1 edge.XXXXXX").arg(dir.path());

    rig.set(0, 1);
    rig.step(); // previous value NaN: never an edge
    rig.set(0, 0);
    rig.step();
    rig.set(0, 1);
    rig.step(); // 0 -> 1
    for (int i = 0; i < 5; ++i)
        rig.step(); // stays at 1
    QTRY_COMPARE(runs(), 1);
    QTest::qWait(300);
    QCOMPARE(runs(), 1);

    rig.set(0, 0);
    rig.step();
    rig.set(0, NaN);
    rig.step(); // 0 -> NaN counts as an edge
    rig.set(0, 1);
    rig.step(); // NaN -> 1 does not
    QTRY_COMPARE(runs(), 2);
    QTest::qWait(300);
    QCOMPARE(runs(), 2);
}

void TestOperators::shellCommandIsNoShellLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LiveRig rig(Operator_equation, 0);
    // Shell syntax in the command and in the equation stays plain text.
    rig.function.equation = QStringLiteral("A > 0");
    rig.function.updateAndCheckEquation(false);
    rig.function.shellScript = QStringLiteral("touch %1/a;touch %1/b$(id)").arg(dir.path());
    rig.constant(0, 0);
    rig.step();
    rig.constant(0, 1);
    rig.step();
    QTRY_VERIFY(QFile::exists(dir.filePath(QStringLiteral("b$(id)"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("a;touch"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a"))));
}

void TestOperators::identityAndDescription()
{
    Function function;
    function.setChildName(QStringLiteral("Boost"));
    QCOMPARE(function.setup->key, QStringLiteral("F_Boost"));
    QCOMPARE(function.getChildName(), QStringLiteral("Boost"));
    QCOMPARE(function.setup->flags, quint32(ChannelSetup::FlagFunction));

    function.setOperator(Operator_equation);
    function.equation = QStringLiteral("A*B");
    function.arguments[0]->setConstant(2.0, false);
    function.shellScript = QStringLiteral("beep -f 440");
    const QString description = function.description();
    QVERIFY2(description.startsWith(QStringLiteral("A*B, A (")), qPrintable(description));
    for (const char* name : {"B (0) ", "C (0) ", "D (0) ", "E (0) "})
        QVERIFY2(description.contains(QLatin1String(name)), qPrintable(description));
    QVERIFY(description.endsWith(QStringLiteral("$ beep -f 440")));

    // Setting "integrate" sets the value to 0 at once.
    function.setData(7.0, clock.now());
    function.setOperator(Operator_integrate);
    QCOMPARE(function.getValue(), 0.0);

    LogCapture log;
    function.setOperator(static_cast<Operator>(31));
    QCOMPARE(int(function.functionOperator), 0);
    QCOMPARE(log.count(QStringLiteral("invalid function operator")), 1);
    QVERIFY(log.messages().join(QLatin1Char('\n')).contains(QStringLiteral("31")));
}

QTEST_MAIN(TestOperators)
#include "tst_operators.moc"
