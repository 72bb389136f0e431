// Computed functions recomputed over a recorded run: the sample times, the
// stateful operators without live time stamps, functions that use functions,
// the vectors handed to the run, and repeated calculations.
#include "ChannelSetup.h"
#include "Function.h"
#include "FunctionFixtures.h"
#include "FunctionsModel.h"
#include "LogCapture.h"
#include "ProjectFieldSource.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QPointer>
#include <QTest>

#include <cmath>

using namespace fixtures;

namespace {

struct Arg {
    QString type;
    QString value;
};

// One function element as functions.xml and run files store it.
QString functionXml(const QString& name, const QString& op, const QList<Arg>& arguments,
                    const QString& equation = QString())
{
    QString text = QStringLiteral("<function name=\"%1\" operator=\"%2\" equation=\"%3\" shellScript=\"\" "
                                  "manufacturerLock=\"0\">")
                       .arg(name, op.toHtmlEscaped(), equation.toHtmlEscaped());
    for (int i = 0; i < arguments.size(); ++i)
        text += QStringLiteral("<argument id=\"%1\" type=\"%2\" value=\"%3\" unitType=\"0\"/>")
                    .arg(i)
                    .arg(arguments.at(i).type, arguments.at(i).value);
    return text + QStringLiteral("</function>");
}

QString functionsXml(const QStringList& functions)
{
    return QStringLiteral("<functions>") + functions.join(QString()) + QStringLiteral("</functions>");
}

// Equal sample by sample, NaN equal to NaN.
bool sameSamples(const QList<double>& a, const QList<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!(a.at(i) == b.at(i) || (std::isnan(a.at(i)) && std::isnan(b.at(i)))))
            return false;
    }
    return true;
}

// The project table: only "mass", field 7.
class Projects : public ProjectFieldSource
{
public:
    QVariant activeProjectDataRawById(int) const override { return QVariant(); }
    QString getDatabaseKey(int field) const override
    {
        return field == 7 ? QStringLiteral("mass") : QStringLiteral("invalid");
    }
    int getFieldIdFromKey(const QString& key) const override { return key == QLatin1String("mass") ? 7 : -1; }
};

QList<double> ramp(int samples, double perSample)
{
    QList<double> values;
    for (int i = 0; i < samples; ++i)
        values.append(i * perSample);
    return values;
}

} // namespace

class TestFunctionRecalculation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sampleTimesAreTruncatedMilliseconds();
    void integrateOverTheRun();
    void integrateStartingInvalid();
    void timeHysteresisTwoWay();
    void differentiateBetweenSamples();
    void functionsUseFunctions();
    void pidLimitsAlwaysApply();
    void equationAndProjectField();
    void vectorsAndRepeatedCalculation();
    void runsWithoutSamplesOrFunctions();

private:
    RecordingAnswerer answerer;
};

void TestFunctionRecalculation::initTestCase()
{
    theUnits.init();
}

void TestFunctionRecalculation::sampleTimesAreTruncatedMilliseconds()
{
    TestRun run(1000, 100.0);
    run.addChannel(QStringLiteral("one"), QList<double>(1000, 1.0));
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(QStringLiteral("area"), QStringLiteral("integrate"),
                                                   {{QStringLiteral("channel"), QStringLiteral("one")}})}));
    model.calculateFunctionsForRunData(&run);
    const QList<double> area = run.functionSamples(0);
    QCOMPARE(area.size(), 1000);
    QCOMPARE(area.at(0), 0.0);
    QCOMPARE(area.at(1), 0.0);
    // Each sample adds its time step in seconds; 803 is evaluated at 8029 ms.
    QVERIFY(qFuzzyCompare(area.at(802), 8.01));
    QVERIFY(qFuzzyCompare(area.at(803) - area.at(802), 0.009));
    QVERIFY(qFuzzyCompare(area.at(804) - area.at(803), 0.011));
    QVERIFY(qFuzzyCompare(area.at(999), 9.98));
}

void TestFunctionRecalculation::integrateOverTheRun()
{
    TestRun run(300, 100.0);
    QList<double> reset(300, 0.0);
    reset[200] = 1.0;
    reset[201] = 0.5; // only exactly 1 resets
    run.addChannel(QStringLiteral("reset"), reset);
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(
        QStringLiteral("area"), QStringLiteral("integrate"),
        {{QStringLiteral("constant"), QStringLiteral("2")}, {QStringLiteral("channel"), QStringLiteral("reset")}})}));
    model.calculateFunctionsForRunData(&run);
    const QList<double> area = run.functionSamples(0);
    QCOMPARE(area.at(0), 0.0);
    QCOMPARE(area.at(1), 0.0);
    for (int i = 2; i < 200; ++i)
        QVERIFY2(qFuzzyCompare(1.0 + area.at(i), 1.0 + 0.02 * (i - 1)), qPrintable(QString::number(i)));
    QCOMPARE(area.at(200), 0.0);
    QVERIFY(qFuzzyCompare(area.at(201), 0.02));
    QVERIFY(qFuzzyCompare(area.at(299), 0.02 * 99));
}

void TestFunctionRecalculation::integrateStartingInvalid()
{
    TestRun run(100, 100.0);
    QList<double> reset(100, 0.0);
    reset[50] = 1.0;
    run.addChannel(QStringLiteral("reset"), reset);
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(
        QStringLiteral("area"), QStringLiteral("integrate"),
        {{QStringLiteral("constant"), QStringLiteral("2")}, {QStringLiteral("channel"), QStringLiteral("reset")}})}));
    // A filtered channel has no valid value before its filter settled.
    Function* function = model.functions.first();
    function->setup->filter = 0.5;
    emit function->setup->signal_setupChanged();
    function->setOperator(Operator_integrate);
    QVERIFY(std::isnan(function->getValue()));
    model.calculateFunctionsForRunData(&run);
    const QList<double> area = run.functionSamples(0);
    for (int i = 0; i < 50; ++i)
        QVERIFY2(std::isnan(area.at(i)), qPrintable(QString::number(i)));
    QCOMPARE(area.at(50), 0.0);
    QVERIFY(qFuzzyCompare(area.at(99), 0.02 * 49));
}

void TestFunctionRecalculation::timeHysteresisTwoWay()
{
    TestRun run(1000, 100.0);
    QList<double> source(1000, 0.0);
    for (int i = 100; i < 600; ++i)
        source[i] = 1.0;
    run.addChannel(QStringLiteral("switch"), source);
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(
        QStringLiteral("debounced"), QStringLiteral("time hysteresis two way"),
        {{QStringLiteral("channel"), QStringLiteral("switch")}, {QStringLiteral("constant"), QStringLiteral("1")},
         {QStringLiteral("constant"), QStringLiteral("3")}})}));
    model.calculateFunctionsForRunData(&run);
    const QList<double> result = run.functionSamples(0);
    // On at the first sample more than 1000 ms after the source rose (1000 ms),
    // off at the first one more than 3000 ms after it fell (6000 ms).
    for (int i = 0; i < 1000; ++i) {
        const double expected = i >= 201 && i < 901 ? 1.0 : 0.0;
        QVERIFY2(result.at(i) == expected, qPrintable(QStringLiteral("sample %1: %2").arg(i).arg(result.at(i))));
    }
}

void TestFunctionRecalculation::differentiateBetweenSamples()
{
    TestRun run(500, 100.0);
    run.addChannel(QStringLiteral("position"), ramp(500, 0.05)); // 5 units per second
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(QStringLiteral("speed"), QStringLiteral("differentiate"),
                                                   {{QStringLiteral("channel"), QStringLiteral("position")}})}));
    model.calculateFunctionsForRunData(&run);
    const QList<double> speed = run.functionSamples(0);
    QCOMPARE(speed.at(0), 0.0);
    QVERIFY(std::isnan(speed.at(1)));
    for (int i = 2; i < 500; ++i)
        QVERIFY2(qFuzzyCompare(speed.at(i), 5.0), qPrintable(QString::number(i)));
}

void TestFunctionRecalculation::functionsUseFunctions()
{
    TestRun run(50, 100.0);
    run.addChannel(QStringLiteral("count"), ramp(50, 1.0));
    FunctionsModel model;
    // "before" comes first and reads "after" (later in the list): its previous
    // sample. "later" comes after "after" and reads its new sample.
    model.loadFromString(functionsXml(
        {functionXml(QStringLiteral("before"), QStringLiteral("="),
                     {{QStringLiteral("channel"), QStringLiteral("F_after")}}),
         functionXml(QStringLiteral("after"), QStringLiteral("="), {{QStringLiteral("channel"), QStringLiteral("count")}}),
         functionXml(QStringLiteral("later"), QStringLiteral("="),
                     {{QStringLiteral("channel"), QStringLiteral("F_after")}})}));
    model.calculateFunctionsForRunData(&run);
    const QList<double> before = run.functionSamples(0);
    const QList<double> after = run.functionSamples(1);
    const QList<double> later = run.functionSamples(2);
    for (int i = 2; i < 50; ++i) {
        QCOMPARE(after.at(i), double(i));
        QCOMPARE(before.at(i), double(i - 1));
        QCOMPARE(later.at(i), double(i));
    }
}

void TestFunctionRecalculation::pidLimitsAlwaysApply()
{
    TestRun run(100, 100.0);
    FunctionsModel model;
    auto pid = [](const QString& name, const QString& op, const QString& sp, const QString& pv, const QString& kI) {
        return functionXml(name, op,
                           {{QStringLiteral("constant"), sp},
                            {QStringLiteral("constant"), pv},
                            {QStringLiteral("constant"), QStringLiteral("1")},
                            {QStringLiteral("constant"), kI},
                            {QStringLiteral("null"), QString()}});
    };
    model.loadFromString(functionsXml({
        pid(QStringLiteral("high"), QStringLiteral("PID controller unipolar"), QStringLiteral("10"),
            QStringLiteral("0"), QStringLiteral("0")),
        pid(QStringLiteral("low"), QStringLiteral("PID controller"), QStringLiteral("0"), QStringLiteral("10"),
            QStringLiteral("0")),
        pid(QStringLiteral("inside"), QStringLiteral("PID controller unipolar"), QStringLiteral("0.5"),
            QStringLiteral("0"), QStringLiteral("1")),
    }));
    model.calculateFunctionsForRunData(&run);
    // Unlike live evaluation, the limits hold with kI 0 too.
    QCOMPARE(run.functionSamples(0).at(50), 1.0);
    QCOMPARE(run.functionSamples(1).at(50), -1.0);
    // The integral sums the error in seconds and is multiplied by kI when used.
    const QList<double> inside = run.functionSamples(2);
    QCOMPARE(inside.at(1), 0.5);
    for (int i = 2; i < 100; ++i)
        QVERIFY2(qFuzzyCompare(inside.at(i), 0.5 + 0.005 * (i - 1)), qPrintable(QString::number(i)));
}

void TestFunctionRecalculation::equationAndProjectField()
{
    Projects projects;
    Argument::setProjectFieldSource(&projects);
    TestRun run(10, 100.0);
    run.addChannel(QStringLiteral("speed"), ramp(10, 2.0));
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(
        QStringLiteral("mix"), QStringLiteral("equation"),
        {{QStringLiteral("channel"), QStringLiteral("speed")},
         {QStringLiteral("projectInfo"), QStringLiteral("mass")},
         {QStringLiteral("channel"), QStringLiteral("missing")}},
        QStringLiteral("A * 10 + B + (C == C ? 1000 : 0)"))}));
    model.calculateFunctionsForRunData(&run);
    Argument::setProjectFieldSource(nullptr);
    const QList<double> mix = run.functionSamples(0);
    // The project field reads the run's stored value; the missing channel NaN.
    for (int i = 1; i < 10; ++i)
        QCOMPARE(mix.at(i), i * 20.0 + 1450.0);
}

void TestFunctionRecalculation::vectorsAndRepeatedCalculation()
{
    TestRun run(400, 100.0);
    QList<double> pulses(400, 0.0);
    for (int i = 0; i < 400; ++i)
        pulses[i] = (i / 25) % 2;
    run.addChannel(QStringLiteral("button"), pulses);
    FunctionsModel model;
    model.loadFromString(functionsXml(
        {functionXml(QStringLiteral("lamp"), QStringLiteral("toggle"),
                     {{QStringLiteral("channel"), QStringLiteral("button")}}),
         functionXml(QStringLiteral("late"), QStringLiteral("time hysteresis"),
                     {{QStringLiteral("channel"), QStringLiteral("button")},
                      {QStringLiteral("constant"), QStringLiteral("0.1")}}),
         functionXml(QStringLiteral("area"), QStringLiteral("integrate"),
                     {{QStringLiteral("constant"), QStringLiteral("2")}})}));
    model.functions.first()->setup->quantity = Quantity::Logic;
    model.calculateFunctionsForRunData(&run);
    const QList<VectorChannel*> first = run.groups.value(ChannelId_functions);
    QCOMPARE(first.size(), 3);
    VectorChannel* lamp = first.first();
    QCOMPARE(lamp->setup->key, QStringLiteral("F_lamp_") + theUnits.quantitySymbols.value(Quantity::Logic));
    QCOMPARE(lamp->setup->runKey, QStringLiteral("F_lamp"));
    QCOMPARE(lamp->setup->flags, quint32(ChannelSetup::FlagFunction));
    QCOMPARE(lamp->samplingRate, 100.0);
    QCOMPARE(lamp->getTimeVector(), &run.time);
    const QList<double> lampFirst = run.functionSamples(0);
    const QList<double> lateFirst = run.functionSamples(1);
    const QList<double> areaFirst = run.functionSamples(2);
    QCOMPARE(areaFirst.at(1), 0.0);

    // A recalculation replaces the group and gives the same vectors: the state
    // the previous one left at its last sample does not leak into it.
    QPointer<VectorChannel> old = lamp;
    model.calculateFunctionsForRunData(&run);
    QVERIFY(old.isNull());
    QCOMPARE(run.groupStores, 2);
    QVERIFY(sameSamples(run.functionSamples(0), lampFirst));
    QVERIFY(sameSamples(run.functionSamples(1), lateFirst));
    QVERIFY(sameSamples(run.functionSamples(2), areaFirst));
    // Both changed over the run, so a leaked state would have shown.
    QVERIFY(lampFirst.contains(1.0) && lampFirst.contains(0.0));
    QVERIFY(lateFirst.contains(1.0) && lateFirst.contains(0.0));
    // The function's own live value is never touched.
    QVERIFY(std::isnan(model.functions.first()->getValue()));
}

void TestFunctionRecalculation::runsWithoutSamplesOrFunctions()
{
    TestRun empty(0, 100.0);
    FunctionsModel model;
    model.loadFromString(functionsXml({functionXml(QStringLiteral("x"), QStringLiteral("="), {})}));
    model.calculateFunctionsForRunData(&empty);
    QCOMPARE(empty.groups.value(ChannelId_functions).size(), 1);
    QVERIFY(empty.functionSamples(0).isEmpty());

    TestRun run(10, 100.0);
    FunctionsModel broken;
    broken.loadFromString(QStringLiteral("<functions><function name=\"x\""));
    QCOMPARE(broken.rowCount(), 0);
    broken.calculateFunctionsForRunData(&run);
    QVERIFY(run.groups.contains(ChannelId_functions));
    QVERIFY(run.groups.value(ChannelId_functions).isEmpty());
    QVERIFY(answerer.shown.isEmpty());
}

QTEST_MAIN(TestFunctionRecalculation)
#include "tst_function_recalculation.moc"
