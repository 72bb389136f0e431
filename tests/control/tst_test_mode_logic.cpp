// The test modes' tick logic on clocks and speeds the test sets (the ramp's
// step machine, the inertia calibration's double ramp), and the test
// worker's hand-over between its thread and the GUI thread.
#include "CustomAccRateDialog.h"
#include "DriveCycle.h"
#include "InertiaCalibrationLogic.h"
#include "RampTestLogic.h"
#include "RelayTuning.h"
#include "RoadLoad.h"
#include "Resampler.h"
#include "SequenceDialog.h"
#include "SimConnector.h"
#include "TunePID.h"
#include "lib/Units.h"
#include "SafeSpinBox.h"
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QLabel>
#include "TestTicker.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A ramp with the window's defaults, driven by hand.
struct Rig {
    std::atomic<float> dynoSpeed{-1}, engineSpeed{-1}, dynoAcc{-1}, engineAcc{-1};
    RampTestLogic logic;
    RampTestSnapshot s;
    RampTestInputs in;
    QList<int> modes;
    QList<int> variables;
    QList<bool> selectorEnabled;
    QString label;

    explicit Rig(bool engineDyno = false)
        : logic({&dynoSpeed, &engineSpeed, &dynoAcc, &engineAcc}, engineDyno)
    {
        s.road = {13.88888888888889, 3, 3, 2.7777777777777777, 0.1, false, 55.55555555555556};
        s.engine = {209.43951023931953, 3, 3, 5.235987755982989, 0.1, false, 837.7580409572781};
        s.roadThreshold = 2.7777777777777777;
        s.engineThreshold = 20.943951023931955;
        s.roadCoastdownRate = 2.7777777777777777;
        s.engineCoastdownRate = 5.235987755982989;
        s.minRoadSpeed = 1.0;
        s.minEngineSpeed = 50.0;
        s.runActive = true;
        in.now = 1'000'000;
        in.roadSpeed = 0;
        in.engineSpeed = 0;
        in.power = 0;
        in.trigger = NaN;
        logic.requestMode = [this](int m) { modes.append(m); };
        logic.requestVariable = [this](int v) { variables.append(v); };
        logic.setModeSelectorEnabled = [this](bool e) { selectorEnabled.append(e); };
        logic.setLabel = [this](const QString& t) { label = t; };
    }
    // One tick `ms` after the previous one at road speed v.
    void tick(qint64 ms, double v)
    {
        in.now += ms;
        in.roadSpeed = v;
        logic.tick(s, in);
    }
    void ticks(int count, double v)
    {
        for (int i = 0; i < count; ++i)
            tick(10, v);
    }
    int step() const { return logic.step(); }
    // From rest through the hold and the release into the ramp.
    void toAcceleration()
    {
        s.road.startHoldTime = 0;
        s.road.releaseTime = 0;
        tick(10, 14);  // ARMED
        tick(10, 14);  // HOLDING
        tick(10, 14);  // RELEASING
        tick(10, 14);  // ACCELERATION
        QCOMPARE(step(), int(RampTestStep_acceleration));
    }
    // Ticks of 10 ms at v until the step is `target`; how many it took (-1: never within 300).
    int ticksUntil(int target, double v)
    {
        for (int i = 1; i <= 300; ++i) {
            tick(10, v);
            if (step() == target)
                return i;
        }
        return -1;
    }
    void toCoastdown()
    {
        in.power = -1;
        const int n = ticksUntil(RampTestStep_coastdown, 30);
        QVERIFY(n >= 100 && n <= 102);
    }
};

} // namespace

class TestTestModeLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The unit table, which the editors of the tuning window need.
    void initTestCase() { theUnits.init(); }
    void withoutRunStaysArmedFollowingTheSpeed();
    void holdCountsDownAndRestartsOutsideTheBand();
    void releaseTrigger_data();
    void releaseTrigger();
    void zeroHoldAndReleaseTimes();
    void releaseRampsTheAcceleration();
    void modeChangeReArms();
    void topHoldOffStopsOnlyTheSpeedTarget();
    void easeIn();
    void liftOffAndReacceleration();
    void coastdownReArmsAtTheLowerSpeed();
    void forcedCoastdown();
    void stepTexts();

    void inertiaCalibrationTargets_data();
    void inertiaCalibrationTargets();
    void inertiaCalibrationTurns();
    void customRateTarget();
    void relayTuningCompletesAtThe21stCrossing();
    void relayTuningTimesOutAndSurvivesBadSetPoints();
    void relayTuningRuleSets();
    void roadLoadAtRest();
    void roadLoadWithoutMass();
    void driveCycleText();
    void driveCycleBand();
    void sequenceSteps();
    void simConnectorThrottle();
    void tunePidWindow();

    void tickerRunsRequestsInTheGuiThread();
    void tickerClosesWhileTheTickWaits();
};

void TestTestModeLogic::withoutRunStaysArmedFollowingTheSpeed()
{
    Rig rig;
    rig.s.runActive = false;
    rig.tick(10, 7.5);
    QCOMPARE(rig.step(), int(RampTestStep_armed));
    QCOMPARE(rig.label, QStringLiteral("ARMED\n"));
    QCOMPARE(rig.dynoSpeed.load(), 7.5f);
    rig.ticks(5, 9.0);
    QCOMPARE(rig.dynoSpeed.load(), 9.0f);
    QCOMPARE(rig.modes, QList<int>({0}));

    // A run on a speed that is not valid yet keeps it armed.
    rig.s.runActive = true;
    rig.ticks(3, NaN);
    QCOMPARE(rig.step(), int(RampTestStep_armed));
    rig.tick(10, 14.0);
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    QCOMPARE(rig.modes, QList<int>({0, 3}));
    // Leaving the run arms it again, absorber off.
    rig.s.runActive = false;
    rig.tick(10, 14.0);
    QCOMPARE(rig.step(), int(RampTestStep_armed));
    QCOMPARE(rig.modes, QList<int>({0, 3, 0}));
}

void TestTestModeLogic::holdCountsDownAndRestartsOutsideTheBand()
{
    Rig rig;
    rig.tick(10, 14);
    rig.tick(10, 14);
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    rig.tick(10, 14);
    QCOMPARE(rig.dynoSpeed.load(), float(13.88888888888889));
    QCOMPARE(rig.label, QStringLiteral("HOLDING\n3.0"));
    rig.tick(1000, 14);
    QCOMPARE(rig.label, QStringLiteral("HOLDING\n2.0"));
    // Below S − threshold: the hold starts again.
    rig.tick(10, 10);
    QCOMPARE(rig.label, QStringLiteral("HOLDING\nSPEED LOW"));
    rig.tick(1000, 14);
    QCOMPARE(rig.label, QStringLiteral("HOLDING\n2.0"));
    rig.tick(10, 17);
    QCOMPARE(rig.label, QStringLiteral("HOLDING\nSPEED HIGH"));
    rig.tick(2990, 14);
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    QCOMPARE(rig.label, QStringLiteral("HOLDING\n0.0"));
    rig.tick(10, 14);
    QCOMPARE(rig.step(), int(RampTestStep_releasing));
    // Acceleration controlled by default: the panel goes to "Accel. control".
    QCOMPARE(rig.modes.last(), 4);
    QCOMPARE(rig.dynoAcc.load(), 0.0f);
}

void TestTestModeLogic::releaseTrigger_data()
{
    QTest::addColumn<double>("trigger");
    QTest::addColumn<bool>("releases");
    QTest::newRow("exactly 1") << 1.0 << true;
    QTest::newRow("0.5") << 0.5 << false;
    QTest::newRow("2") << 2.0 << false;
    QTest::newRow("0") << 0.0 << false;
    QTest::newRow("no channel") << NaN << false;
}

void TestTestModeLogic::releaseTrigger()
{
    QFETCH(double, trigger);
    QFETCH(bool, releases);
    Rig rig;
    rig.tick(10, 14);
    rig.tick(10, 14);
    rig.in.trigger = trigger;
    rig.tick(10, 14);
    QCOMPARE(rig.step(), int(releases ? RampTestStep_releasing : RampTestStep_holding));
    // Even the trigger does not release a vehicle below the band.
    if (releases) {
        Rig low;
        low.tick(10, 5);
        low.tick(10, 5);
        low.in.trigger = 1.0;
        low.tick(10, 5);
        QCOMPARE(low.step(), int(RampTestStep_holding));
    }
}

void TestTestModeLogic::zeroHoldAndReleaseTimes()
{
    Rig rig;
    rig.s.road.startHoldTime = 0;
    rig.s.road.releaseTime = 0;
    rig.tick(10, 10);
    rig.tick(10, 10);
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    rig.tick(10, 10); // below 13.9 − 2.8
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    rig.tick(10, 11.2);
    QCOMPARE(rig.step(), int(RampTestStep_releasing));
    rig.tick(10, 11.2);
    QCOMPARE(rig.step(), int(RampTestStep_acceleration));
    QCOMPARE(rig.label, QStringLiteral("ACCELERATION\n"));
    // Entering the ramp requests no mode of its own.
    QCOMPARE(rig.modes, QList<int>({0, 3, 4}));
}

void TestTestModeLogic::releaseRampsTheAcceleration()
{
    // Acceleration controlled: the commanded acceleration rises linearly to R.
    Rig rig;
    rig.s.road.startHoldTime = 0;
    rig.tick(10, 14); // armed, and holding at once: the speed is valid
    rig.tick(10, 14);
    QCOMPARE(rig.step(), int(RampTestStep_releasing));
    rig.tick(1500, 14);
    QCOMPARE(rig.dynoAcc.load(), float(1.5 * 2.7777777777777777 / 3));
    QCOMPARE(rig.label, QStringLiteral("RELEASING\n1.5"));
    rig.tick(1500, 14);
    QCOMPARE(rig.step(), int(RampTestStep_acceleration));

    // Speed controlled: the target climbs by a·dt while the vehicle follows,
    // and waits (the release clock held) while it lags.
    Rig speed;
    speed.s.accelerationControlled = false;
    speed.s.road.startHoldTime = 0;
    speed.tick(10, 14);
    speed.tick(10, 14);
    QCOMPARE(speed.modes.last(), 3);
    QCOMPARE(speed.logic.roadTarget(), 14.0);
    speed.tick(100, 14);
    const double a = 0.1 * 2.7777777777777777 / 3;
    QVERIFY(std::abs(speed.logic.roadTarget() - (14.0 + a * 0.1)) < 1e-12);
    QCOMPARE(speed.dynoSpeed.load(), float(speed.logic.roadTarget()));
    const double held = speed.logic.roadTarget();
    for (int i = 0; i < 400; ++i)
        speed.tick(10, 10.0); // lags by more than the threshold
    QCOMPARE(speed.logic.roadTarget(), held);
    QCOMPARE(speed.step(), int(RampTestStep_releasing));
    // The 0.1 s before the lag count, the 4 s of lag do not.
    speed.tick(2800, 14);
    QCOMPARE(speed.step(), int(RampTestStep_releasing));
    speed.tick(200, 14);
    QCOMPARE(speed.step(), int(RampTestStep_acceleration));
}

void TestTestModeLogic::modeChangeReArms()
{
    Rig rig;
    rig.toAcceleration();
    // Armed (absorber off), then at once holding, the engine speed being valid.
    rig.s.roadMode = false;
    rig.in.engineSpeed = 0;
    const int before = rig.modes.size();
    rig.tick(10, 14);
    QCOMPARE(rig.modes.mid(before), QList<int>({0, 3}));
    QCOMPARE(rig.step(), int(RampTestStep_holding));
    // Engine mode: its own set, its own outputs.
    rig.tick(10, 14);
    QCOMPARE(rig.engineSpeed.load(), float(209.43951023931953));
    QCOMPARE(rig.label, QStringLiteral("HOLDING\nSPEED LOW"));
    rig.s.roadMode = true;
    rig.in.engineSpeed = NaN;
    rig.tick(10, NaN);
    QCOMPARE(rig.step(), int(RampTestStep_armed));
}

void TestTestModeLogic::topHoldOffStopsOnlyTheSpeedTarget()
{
    // Speed controlled, top hold off: the target stops at T.
    Rig speed;
    speed.s.accelerationControlled = false;
    speed.toAcceleration();
    // A vehicle that follows the target exactly.
    for (int i = 0; i < 2000; ++i)
        speed.tick(10, speed.logic.roadTarget());
    QCOMPARE(speed.step(), int(RampTestStep_acceleration));
    QCOMPARE(speed.dynoSpeed.load(), float(55.55555555555556));
    speed.ticks(100, 57.0);
    QCOMPARE(speed.dynoSpeed.load(), float(55.55555555555556));
    // A vehicle that lags by more than the threshold pulls the target down to it.
    speed.tick(10, 40.0);
    QCOMPARE(speed.logic.roadTarget(), 40.0 + 2.7777777777777777);
    // Acceleration controlled: it keeps commanding R above T.
    Rig acc;
    acc.toAcceleration();
    acc.ticks(10, 60.0);
    QCOMPARE(acc.step(), int(RampTestStep_acceleration));
    QCOMPARE(acc.dynoAcc.load(), float(2.7777777777777777));
    // Below S − threshold it arms again.
    acc.tick(10, 10.0);
    QCOMPARE(acc.step(), int(RampTestStep_armed));
}

void TestTestModeLogic::easeIn()
{
    const double T = 55.55555555555556;
    const double R = 2.7777777777777777;
    Rig rig;
    rig.s.road.topHold = true;
    rig.toAcceleration();
    rig.tick(10, 0.9 * T - 0.5);
    QCOMPARE(rig.step(), int(RampTestStep_acceleration));
    rig.tick(10, 0.9 * T + 0.1);
    QCOMPARE(rig.step(), int(RampTestStep_topHoldEase));
    // R at E, falling to 0.05·R at T.
    rig.tick(10, 0.9 * T);
    QVERIFY(std::abs(rig.dynoAcc.load() - R) < 1e-5);
    rig.tick(10, 0.95 * T);
    QVERIFY(std::abs(rig.dynoAcc.load() - R * (0.05 * T * 0.95 / (0.1 * T) + 0.05)) < 1e-5);
    // An ease-in set to 0 meanwhile: the full rate, never infinity.
    rig.s.road.easeIn = 0;
    rig.tick(10, 0.97 * T);
    QCOMPARE(rig.dynoAcc.load(), float(R));
    rig.tick(10, T);
    QCOMPARE(rig.step(), int(RampTestStep_topHold));
    QCOMPARE(rig.dynoSpeed.load(), float(T));
    QCOMPARE(rig.modes.last(), 3);
    rig.tick(10, T - 1.0);
    QCOMPARE(rig.dynoSpeed.load(), float(T - 1.0 + 2.7777777777777777 > T ? T : T - 1.0 + 2.7777777777777777));

    // With an ease-in of 0 TOP HOLD EASE is never entered.
    Rig zero;
    zero.s.road.topHold = true;
    zero.s.road.easeIn = 0;
    zero.toAcceleration();
    for (double v = 14; v < T; v += 0.5) {
        zero.tick(10, v);
        QVERIFY(zero.step() != RampTestStep_topHoldEase);
    }
    zero.tick(10, T);
    QCOMPARE(zero.step(), int(RampTestStep_topHold));
}

void TestTestModeLogic::liftOffAndReacceleration()
{
    // Power below 0 ends the ramp once it has stayed there for more than 1 s.
    Rig rig;
    rig.toAcceleration();
    rig.in.power = -1000;
    rig.ticks(95, 30);
    QCOMPARE(rig.step(), int(RampTestStep_acceleration));
    rig.in.power = 10; // a single positive tick starts the second again
    rig.tick(10, 30);
    rig.in.power = -1000;
    rig.ticks(95, 30);
    QCOMPARE(rig.step(), int(RampTestStep_acceleration));
    const int n = rig.ticksUntil(RampTestStep_coastdown, 30);
    QVERIFY(n > 0 && n <= 7);
    QCOMPARE(rig.modes.last(), 0); // not forced: absorber off
    // Power back above 0 for more than 1 s: back into the ramp, no mode request.
    const int modes = rig.modes.size();
    rig.in.power = 5000;
    rig.ticks(95, 30);
    QCOMPARE(rig.step(), int(RampTestStep_coastdown));
    const int m = rig.ticksUntil(RampTestStep_acceleration, 30);
    QVERIFY(m > 0 && m <= 7);
    QCOMPARE(rig.modes.size(), modes);

    // TOP HOLD ends on the first tick of negative power.
    Rig top;
    top.s.road.topHold = true;
    top.toAcceleration();
    top.tick(10, 56);
    QCOMPARE(top.step(), int(RampTestStep_topHold));
    top.in.power = -1;
    top.tick(10, 56);
    QCOMPARE(top.step(), int(RampTestStep_coastdown));
}

void TestTestModeLogic::coastdownReArmsAtTheLowerSpeed()
{
    struct Case {
        const char* name;
        double minimum;
        double start;
        double v;
        bool rearms;
    };
    const Case cases[] = {
        {"above both", 5, 13, 20, false},
        {"below the start speed only", 5, 13, 10, true},
        {"below the minimum only", 15, 13, 14, true},
        {"at the lower", 5, 13, 5, true},
        {"below both", 5, 13, 2, true},
        {"speed invalid", 5, 13, NaN, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.toAcceleration();
        rig.toCoastdown();
        rig.s.minRoadSpeed = c.minimum;
        rig.s.road.startSpeed = c.start;
        rig.tick(10, c.v);
        QVERIFY2((rig.step() == RampTestStep_armed) == c.rearms, c.name);
    }
    // On an engine dyno the engine speed decides, whatever the ramp mode.
    Rig engine(true);
    engine.toAcceleration();
    engine.in.engineSpeed = 300;
    engine.toCoastdown();
    engine.tick(10, 0.5);
    QCOMPARE(engine.step(), int(RampTestStep_coastdown));
    engine.in.engineSpeed = 40;
    engine.tick(10, 30);
    QCOMPARE(engine.step(), int(RampTestStep_armed));
}

void TestTestModeLogic::forcedCoastdown()
{
    // Roller dyno, speed controlled: the road target falls at the rate,
    // capped at the speed plus the threshold; the road variable is controlled
    // and the ramp-mode selector locked until COASTDOWN ends.
    Rig rig;
    rig.s.accelerationControlled = false;
    rig.s.forcedCoastdown = true;
    rig.toAcceleration();
    rig.in.engineSpeed = 400;
    rig.toCoastdown();
    QCOMPARE(rig.variables, QList<int>({0}));
    QCOMPARE(rig.selectorEnabled, QList<bool>({false}));
    QCOMPARE(rig.modes.last(), 3);
    QCOMPARE(rig.dynoAcc.load(), float(-2.7777777777777777));
    QCOMPARE(rig.engineAcc.load(), float(-5.235987755982989));
    const double start = rig.logic.roadTarget();
    QCOMPARE(start, 30 + 2.7777777777777777);
    rig.tick(100, 30);
    QVERIFY(std::abs(rig.logic.roadTarget() - (start - 0.27777777777777777)) < 1e-9);
    QCOMPARE(rig.dynoSpeed.load(), float(rig.logic.roadTarget()));
    QCOMPARE(rig.logic.engineTarget(), 400.0);
    rig.tick(10, 20); // capped at speed + threshold
    QCOMPARE(rig.logic.roadTarget(), 20 + 2.7777777777777777);
    rig.tick(10, 0.5);
    QCOMPARE(rig.step(), int(RampTestStep_armed));
    QCOMPARE(rig.variables, QList<int>({0, 0}));
    QCOMPARE(rig.selectorEnabled, QList<bool>({false, true}));

    // Acceleration controlled: both commanded decelerations, targets follow the speeds.
    Rig acc;
    acc.s.forcedCoastdown = true;
    acc.toAcceleration();
    acc.in.engineSpeed = 400;
    acc.toCoastdown();
    acc.tick(10, 25);
    QCOMPARE(acc.modes.last(), 4);
    QCOMPARE(acc.dynoSpeed.load(), 25.0f);
    QCOMPARE(acc.engineSpeed.load(), 400.0f);
    QCOMPARE(acc.dynoAcc.load(), float(-2.7777777777777777));

    // Engine dyno, speed controlled: the engine target falls, the engine variable is controlled.
    Rig engine(true);
    engine.s.accelerationControlled = false;
    engine.s.forcedCoastdown = true;
    engine.toAcceleration();
    engine.in.engineSpeed = 400;
    engine.toCoastdown();
    QCOMPARE(engine.variables, QList<int>({1}));
    engine.tick(1000, 30);
    QVERIFY(std::abs(engine.logic.engineTarget() - (400 + 20.943951023931955 - 5.235987755982989)) < 1e-9);
    QCOMPARE(engine.engineSpeed.load(), float(engine.logic.engineTarget()));
}

void TestTestModeLogic::stepTexts()
{
    const char* texts[] = {"UNDEFINED", "ARMED", "HOLDING", "RELEASING", "ACCELERATION", "TOP HOLD EASE",
                           "TOP HOLD", "COASTDOWN"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rampTestStepText(i), QString::fromLatin1(texts[i]));
    QCOMPARE(rampTestStepText(8), QString());
    QCOMPARE(rampTestStepText(-1), QString());
}

void TestTestModeLogic::inertiaCalibrationTargets_data()
{
    // Defaults: 2000 to 3000 rpm at 300 rpm/s; speeds and targets in rpm and rpm/s.
    QTest::addColumn<bool>("accelerating");
    QTest::addColumn<double>("rpm");
    QTest::addColumn<double>("target");
    QTest::newRow("up, lower taper") << true << 2050.0 << 165.0;
    QTest::newRow("up, middle") << true << 2500.0 << 300.0;
    QTest::newRow("up, upper taper") << true << 2950.0 << 165.0;
    QTest::newRow("up, at the bottom") << true << 2000.0 << 30.0;
    QTest::newRow("up, far below: limited") << true << 1800.0 << 300.0;
    QTest::newRow("up, stale speed") << true << NaN << 300.0;
    QTest::newRow("down, upper taper") << false << 2950.0 << -165.0;
    QTest::newRow("down, at the top") << false << 3000.0 << -30.0;
    QTest::newRow("down, above the top: limited") << false << 3300.0 << -300.0;
    QTest::newRow("down, middle") << false << 2500.0 << -300.0;
    QTest::newRow("down, lower taper") << false << 2050.0 << -165.0;
    QTest::newRow("down, stale speed") << false << NaN << -300.0;
}

void TestTestModeLogic::inertiaCalibrationTargets()
{
    QFETCH(bool, accelerating);
    QFETCH(double, rpm);
    QFETCH(double, target);
    const double k = M_PI / 30.0;
    InertiaCalibrationLogic logic;
    logic.accelerating = accelerating;
    double a = 12345;
    QVERIFY(logic.tick(rpm * k, 2000 * k, 3000 * k, 300 * k, a));
    QVERIFY2(std::abs(a / k - target) < 1e-9, qPrintable(QString::number(a / k)));
    QCOMPARE(logic.accelerating, accelerating);
}

void TestTestModeLogic::inertiaCalibrationTurns()
{
    const double k = M_PI / 30.0;
    InertiaCalibrationLogic logic;
    double a = 7;
    // At the top the direction turns and nothing is written in that tick.
    QVERIFY(!logic.tick(3000 * k, 2000 * k, 3000 * k, 300 * k, a));
    QVERIFY(!logic.accelerating);
    QCOMPARE(a, 7.0);
    QVERIFY(logic.tick(3000 * k, 2000 * k, 3000 * k, 300 * k, a));
    QVERIFY(std::abs(a / k + 30.0) < 1e-9);
    QVERIFY(!logic.tick(2000 * k, 2000 * k, 3000 * k, 300 * k, a));
    QVERIFY(logic.accelerating);
    // Bottom not below top: nothing at all, in either direction.
    a = 7;
    QVERIFY(!logic.tick(2500 * k, 3000 * k, 3000 * k, 300 * k, a));
    logic.accelerating = false;
    QVERIFY(!logic.tick(2500 * k, 3500 * k, 3000 * k, 300 * k, a));
    QCOMPARE(a, 7.0);
}

void TestTestModeLogic::customRateTarget()
{
    const double base = 52.35987755982988; // 500 rpm/s
    struct Case {
        const char* name;
        bool on[3];
        double factors[3];
        double expected;
    };
    const Case cases[] = {
        {"all off", {false, false, false}, {1.5, 0, 2}, base},
        {"engine speed at 3500 rpm", {true, false, false}, {1.5, 0, 2}, 1.5 * base},
        {"full throttle", {true, true, false}, {1.5, 0, 2}, 0},
        {"stale throttle skipped", {true, true, true}, {1.5, NaN, 2}, 3 * base},
        {"infinite factor skipped", {false, false, true}, {1, 1, std::numeric_limits<double>::infinity()}, base},
    };
    for (const Case& c : cases)
        QVERIFY2(std::abs(CustomAccRateDialog::target(base, c.on, c.factors) - c.expected) < 1e-12, c.name);
}

namespace {
// A process value oscillating between 90 and 110 around SP 100, sampled every
// millisecond; the period of each cycle from `periodOf`.
template<class Period> QList<RelayTuning::Result> oscillate(RelayTuning& tuning, int cycles, Period periodOf,
                                                           double sp = 100, double amplitude = 0.5,
                                                           double (*swingOf)(int) = nullptr)
{
    QList<RelayTuning::Result> results;
    qint64 t = 0;
    for (int c = 0; c < cycles; ++c) {
        const int ms = int(periodOf(c) * 1000);
        for (int i = 0; i < ms; ++i, ++t) {
            const double swing = swingOf ? swingOf(c) : 10.0;
            const double v = 100 + swing * std::sin(2 * M_PI * (i + 0.5) / ms + M_PI);
            const RelayTuning::Result r = tuning.addSample(v, t, sp, amplitude);
            if (r != RelayTuning::Result_none)
                results.append(r);
        }
    }
    return results;
}
} // namespace

void TestTestModeLogic::relayTuningCompletesAtThe21stCrossing()
{
    RelayTuning tuning;
    tuning.startRelay();
    const QList<RelayTuning::Result> results = oscillate(tuning, 40, [](int) { return 0.5; });
    QVERIFY(results.size() >= 21);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(results.at(i), RelayTuning::Result_counted);
    QCOMPARE(results.at(20), RelayTuning::Result_completed);
    QCOMPARE(results.size(), 21); // the measurement ended
    QVERIFY(!tuning.isRelayMode());
    const double kU = 4.0 / (M_PI * 20);
    QVERIFY2(std::abs(tuning.resultK - kU) < 0.005 * kU, qPrintable(QString::number(tuning.resultK)));
    QVERIFY2(std::abs(tuning.resultT - 0.5) < 0.002, qPrintable(QString::number(tuning.resultT)));
    // Without the relay the crossings are still tracked but nothing is counted.
    RelayTuning idle;
    QVERIFY(oscillate(idle, 10, [](int) { return 0.5; }).isEmpty());
    QCOMPARE(idle.crossings, 0);
    // A third of the relative depth of the dips.
    QVERIFY2(std::abs(idle.hysteresis - 0.033) < 0.001, qPrintable(QString::number(idle.hysteresis)));
}

void TestTestModeLogic::relayTuningTimesOutAndSurvivesBadSetPoints()
{
    // Swings that never settle: no rule sets, the measurement ends at 101.
    RelayTuning tuning;
    tuning.startRelay();
    const QList<RelayTuning::Result> results = oscillate(
        tuning, 150, [](int) { return 0.5; }, 100, 0.5, [](int c) { return c % 4 < 2 ? 5.0 : 15.0; });
    QCOMPARE(results.size(), 101);
    QCOMPARE(results.last(), RelayTuning::Result_timeout);
    QVERIFY(!results.contains(RelayTuning::Result_completed));

    // A stale set point suspends detection.
    RelayTuning stale;
    stale.startRelay();
    QVERIFY(oscillate(stale, 10, [](int) { return 0.5; }, NaN).isEmpty());

    // A set point of 0 leaves the hysteresis finite, so detection goes on
    // once the set point is back.
    RelayTuning zero;
    zero.startRelay();
    oscillate(zero, 3, [](int) { return 0.5; });
    for (int i = 0; i < 40; ++i)
        zero.addSample(i % 2 ? 1.0 : -1.0, 2000 + i, 0.0, 0.5);
    QVERIFY(std::isfinite(zero.hysteresis));
    const int before = zero.crossings;
    QVERIFY(!oscillate(zero, 5, [](int) { return 0.5; }).isEmpty());
    QVERIFY(zero.crossings > before);
}

void TestTestModeLogic::relayTuningRuleSets()
{
    PIDConf_t sets[4];
    RelayTuning::calculateCoefficients(2, 0.5, sets);
    const float expected[4][3] = {{0.6f, 0.8f, 0.04f}, {0.9f, 2.4f, 0.06f}, {1.2f, 4.8f, 0.075f}, {0.9f, 2.16f, 0}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(sets[i].kP, expected[i][0]);
        QCOMPARE(sets[i].kI, expected[i][1]);
        QCOMPARE(sets[i].kDFast, expected[i][2]);
        // Only the three gains: loading a set writes 0 for the relay, kDSlow and kDD.
        QCOMPARE(sets[i].relayAmplitude, 0.0f);
        QCOMPARE(sets[i].kDSlow, 0.0f);
        QCOMPARE(sets[i].kDD, 0.0f);
        QVERIFY(std::isnan(sets[i].kF));
    }
}

void TestTestModeLogic::roadLoadAtRest()
{
    const double m = 1200;
    const double extra = 80;
    struct Case {
        const char* name;
        double crr;
        double angleDeg;
        double expected;
    };
    const Case cases[] = {
        {"level, no rolling resistance", 0, 0, 0},
        {"5 degrees", 0, 5, -9.81 * std::sin(5 * M_PI / 180) * m / (m + extra)},
        {"default coefficient", 0.012, 0, -0.012 * 9.81 * m / (m + extra)},
    };
    for (const Case& c : cases) {
        const RoadLoad load = RoadLoad::compute(0, 0, 0.4, 2.5, m, extra, c.crr, c.angleDeg * M_PI / 180);
        QVERIFY2(std::abs(load.target - c.expected) < 1e-5, c.name);
    }
    // Moving: air drag 0.55·Cx·A·v², forces kept as floats.
    const RoadLoad moving = RoadLoad::compute(20, 1000, 0.4, 2.5, m, 0, 0, 0);
    QCOMPARE(moving.air, float(0.55 * 0.4 * 2.5 * 400));
    QVERIFY(std::abs(moving.target - (1000 - 220.0) / m) < 1e-9);
    // A stale channel gives NaN.
    QVERIFY(std::isnan(RoadLoad::compute(NaN, 1000, 0.4, 2.5, m, 0, 0, 0).target));
    QVERIFY(std::isnan(RoadLoad::compute(10, NaN, 0.4, 2.5, m, 0, 0, 0).target));
}

void TestTestModeLogic::roadLoadWithoutMass()
{
    // Mass and extra mass 0: NaN, never an infinite target.
    for (double F : {0.0, 500.0, -500.0}) {
        const RoadLoad load = RoadLoad::compute(10, F, 0.4, 2.5, 0, 0, 0.012, 0);
        QVERIFY(std::isnan(load.target));
    }
}

void TestTestModeLogic::driveCycleText()
{
    DriveCycle cycle;
    QVERIFY(cycle.parse(QStringLiteral("Town\nspeeds in km/h\n0 0\n10 36\n\n20 x\n30\t72\n")));
    QCOMPARE(cycle.title, QStringLiteral("Town"));
    QCOMPARE(cycle.description, QStringLiteral("speeds in km/h"));
    // A blank line is the point (0, 0), an unreadable number 0; times as they stand.
    QCOMPARE(cycle.times, QList<double>({0, 10, 0, 20, 30}));
    QCOMPARE(cycle.speeds, QList<double>({0, 10, 0, 0, 20}));

    DriveCycle mph;
    QVERIFY(mph.parse(QStringLiteral("US\nall in mph\n0 10\n")));
    QVERIFY(std::abs(mph.speeds.at(0) - 10 * 0.44704) < 1e-5);
    // Capitals are not the unit.
    QVERIFY(mph.parse(QStringLiteral("US\nall in MPH\n0 36\n")));
    QVERIFY(std::abs(mph.speeds.at(0) - 10) < 1e-9);
    // Non-finite numbers count as 0.
    QVERIFY(mph.parse(QStringLiteral("A\nB\ninf nan\n5 1e999\n")));
    QCOMPARE(mph.times, QList<double>({0, 5}));
    QCOMPARE(mph.speeds, QList<double>({0, 0}));

    // Longer than a day: refused with a reason, the previous cycle stays.
    QString error;
    QVERIFY(!cycle.parse(QStringLiteral("Long\nkm/h\n0 0\n1e9 50\n"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(cycle.title, QStringLiteral("Town"));
    QCOMPARE(cycle.times.size(), 5);
}

void TestTestModeLogic::driveCycleBand()
{
    const double kmh = 1 / 3.6;
    double low = 0;
    double high = 0;
    struct Case {
        double x, low, high;
    };
    for (const Case& c : {Case{50, 40, 60}, Case{150, 135, 165}, Case{5, 0, 15}}) {
        DriveCycle::lowHigh(c.x * kmh, 10 * kmh, 0.1, low, high);
        QVERIFY(std::abs(low - c.low * kmh) < 1e-9);
        QVERIFY(std::abs(high - c.high * kmh) < 1e-9);
    }
    DriveCycle cycle;
    QVERIFY(cycle.parse(QStringLiteral("T\nkm/h\n0 0\n9.95 99.5\n")));
    cycle.computeBand(0, 0, 0);
    QCOMPARE(cycle.gridTimes.size(), 99);
    QCOMPARE(cycle.gridTimes.last(), 9.8);
    QVERIFY(std::abs(cycle.gridSpeeds.at(50) - 50 * kmh) < 1e-9);
    // A time tolerance of 1 s widens the band by 10 grid points each side.
    cycle.computeBand(0, 0, 1.0);
    QVERIFY(std::abs(cycle.gridLow.at(50) - 40 * kmh) < 1e-9);
    QVERIFY(std::abs(cycle.gridHigh.at(50) - 60 * kmh) < 1e-9);
    QVERIFY(std::abs(cycle.gridLow.at(5) - 0) < 1e-9);
    // Nothing to grid: no band.
    QVERIFY(cycle.parse(QStringLiteral("T\nkm/h\n0 0\n0.05 10\n")));
    QCOMPARE(cycle.computeBand(1, 0.1, 0), 0.0);
    QVERIFY(cycle.gridTimes.isEmpty());
}

void TestTestModeLogic::sequenceSteps()
{
    const double kmh = 1 / 3.6;
    const QList<QPointF> defaultSpeed{QPointF(0, 100 * kmh), QPointF(2, 100 * kmh), QPointF(8, 20 * kmh),
                                      QPointF(10, 20 * kmh)};
    const QList<QPointF> shortSpeed{QPointF(0, 50 * kmh), QPointF(5, 30 * kmh)};
    const QList<QPointF> noPoints;
    const QList<QPointF> throttlePoints{QPointF(0, 0), QPointF(2, 1), QPointF(8, 1), QPointF(10, 0)};
    struct Case {
        const char* name;
        const QList<QPointF>* speed;
        bool show;
        double t;
        bool writes;
        double kmhTarget;
        bool sends;
        double percent;
        bool end;
    };
    const Case cases[] = {
        {"held at first", &defaultSpeed, false, 1, true, 100, false, 0, false},
        {"falling", &defaultSpeed, false, 5, true, 60, false, 0, false},
        {"held at last point", &defaultSpeed, false, 9, true, 20, false, 0, false},
        {"with throttle", &defaultSpeed, true, 5, true, 60, true, 100, false},
        {"over", &defaultSpeed, false, 10.01, true, 20, false, 0, true},
        {"speed over, throttle goes on", &shortSpeed, true, 7, true, 30, true, 100, false},
        {"speed over, throttle hidden", &shortSpeed, false, 7, true, 30, false, 0, true},
        {"both over", &shortSpeed, true, 10.5, true, 30, true, 0, true},
        {"no speed curve", &noPoints, false, 0, false, 0, false, 0, true},
        {"no speed curve, throttle shown", &noPoints, true, 3, false, 0, true, 100, false},
    };
    for (const Case& c : cases) {
        // Fresh resamplers: they only move forward in time.
        Resampler speedData(*c.speed);
        Resampler throttleData(throttlePoints);
        const SequenceDialog::Curve speed{&speedData, c.speed->isEmpty(),
                                          c.speed->isEmpty() ? 0 : c.speed->last().x()};
        const SequenceDialog::Curve throttle{&throttleData, false, 10};
        const SequenceDialog::Step step = SequenceDialog::evaluate(c.t, speed, throttle, c.show);
        QVERIFY2(step.writeSpeed == c.writes, c.name);
        if (c.writes)
            QVERIFY2(std::abs(step.speed - c.kmhTarget * kmh) < 1e-9, c.name);
        QVERIFY2(step.sendThrottle == c.sends, c.name);
        if (c.sends)
            QVERIFY2(std::abs(step.throttlePercent - c.percent) < 1e-9, c.name);
        QVERIFY2(step.end == c.end, c.name);
    }
}

void TestTestModeLogic::simConnectorThrottle()
{
    struct Case {
        const char* name;
        double target, actual, gain, throttle, percent;
    };
    const Case cases[] = {
        {"gain 0", 314.159, 300, 0, 0.5, 50},
        {"rev matching", 320, 300, 0.01, 0.5, 70},
        {"stale speed, gain 0", 314.159, NaN, 0, 0.5, 50},
        {"stale speed, gain", 314.159, NaN, 1, 0.25, 25},
        {"limited above", 400, 100, 1, 0.5, 100},
        {"limited below", 100, 400, 1, 0.5, 0},
        {"throttle not a number", 100, 100, 0, NaN, 0},
    };
    for (const Case& c : cases)
        QVERIFY2(std::abs(SimConnector::throttlePercent(c.target, c.actual, c.gain, c.throttle) - c.percent) < 1e-9,
                 c.name);
    // Request datagrams: two zero words and the operation.
    const QByteArray dismiss = SimConnector::request(SimConnector::Operation_dismiss);
    QCOMPARE(dismiss.size(), 12);
    QCOMPARE(dismiss, QByteArray("\0\0\0\0\0\0\0\0\x03\0\0\0", 12));
    QVERIFY(!SimConnector::parseUpdate(QByteArray(100, '\0')).valid);
}

void TestTestModeLogic::tunePidWindow()
{
    // The controller's own editors, as the dyno settings page holds them.
    QWidget page;
    auto box = [&page](double value) {
        auto* b = new QDoubleSpinBox(&page);
        b->setRange(0, 1000);
        b->setDecimals(4);
        b->setValue(value);
        return b;
    };
    auto* relay = box(0);
    relay->setRange(0, 1);
    TunePID::Editors editors;
    editors.relayAmplitude = relay;
    editors.kFF = box(0.5);
    editors.kP = box(1);
    editors.kI = box(2);
    editors.kDFast = box(0.1);
    editors.kDSlow = box(0.2);
    auto* tune = new TunePID(nullptr, nullptr, nullptr, editors, QStringLiteral("Speed PID 1"), QStringLiteral("Speed"));
    tune->setPointValue = [] { return 100.0; };
    QCOMPARE(tune->windowTitle(), QStringLiteral("Speed PID 1"));
    QCOMPARE(tune->gains[1]->getValueSI(), 1.0);
    QVERIFY(!tune->pushButton_save->autoFillBackground());

    // Mirrored both ways; Reset goes back to the restore point.
    tune->gains[1]->setValueSI(3);
    QCOMPARE(editors.kP->value(), 3.0);
    QVERIFY(tune->pushButton_save->autoFillBackground());
    QVERIFY(tune->pushButton_reset->toolTip().contains(QStringLiteral("kP\t\t1")));
    tune->pushButton_reset->click();
    QCOMPARE(editors.kP->value(), 1.0);
    QVERIFY(!tune->pushButton_save->autoFillBackground());

    // A relay measurement of a 90–110 oscillation at amplitude 0.5.
    tune->spinBox_relayAmplitude->setValueSI(0.5);
    QCOMPARE(relay->value(), 0.5);
    tune->pushButton_relayTuning->setChecked(true);
    qint64 t = 0;
    for (int c = 0; c < 40 && tune->pushButton_relayTuning->isChecked(); ++c) {
        for (int i = 0; i < 500; ++i, ++t)
            tune->slot_newPVData(100 - 10 * std::sin(2 * M_PI * (i + 0.5) / 500), t);
    }
    QVERIFY(!tune->pushButton_relayTuning->isChecked());
    QVERIFY(tune->pushButton_load[2]->isEnabled());
    const double kU = 4 / (M_PI * 20);
    QVERIFY(std::abs(tune->ruleSets[2].kP - 0.6 * kU) < 0.005 * kU);
    QCOMPARE(tune->label_rules[0][2]->text(), QString::asprintf("%f", tune->ruleSets[2].kP));
    // Loading Ziegler-Nichols: relay 0, kDSlow 0, kFF stays.
    tune->pushButton_load[2]->click();
    QCOMPARE(relay->value(), 0.0);
    QVERIFY(std::abs(editors.kP->value() - 0.6 * kU) < 0.001);
    QCOMPARE(editors.kDSlow->value(), 0.0);
    QCOMPARE(editors.kFF->value(), 0.5);

    // Clipboard text: eleven lines; read back only text that starts with kFF.
    const QStringList lines = tune->clipboardText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.at(0), QStringLiteral("kFF 0.5000000"));
    tune->applyClipboardText(QStringLiteral("kP 5\nkI 6"));
    QVERIFY(editors.kP->value() != 5.0);
    tune->applyClipboardText(QStringLiteral("kFF 0.25\nkP  7\nkI 6"));
    QCOMPARE(editors.kFF->value(), 0.25);
    QVERIFY(editors.kP->value() != 7.0);
    QCOMPARE(editors.kI->value(), 6.0);

    // Closing sets the relay to 0 and restores the gains.
    tune->spinBox_relayAmplitude->setValueSI(0.4);
    tune->close();
    QCOMPARE(relay->value(), 0.0);
    QCOMPARE(editors.kP->value(), 1.0);
    QCOMPARE(editors.kI->value(), 2.0);
    // So does going away without a close (the program ending while tuning).
    tune->show();
    tune->spinBox_relayAmplitude->setValueSI(0.3);
    tune->gains[2]->setValueSI(9);
    QCOMPARE(editors.kI->value(), 9.0);
    delete tune;
    QCOMPARE(relay->value(), 0.0);
    QCOMPARE(editors.kI->value(), 2.0);
}

void TestTestModeLogic::tickerRunsRequestsInTheGuiThread()
{
    QObject owner;
    std::atomic<int> applied{0};
    std::atomic<bool> wrongThread{false};
    std::atomic<bool> waited{true};
    std::atomic<bool> stopping{false};
    QThread* gui = QThread::currentThread();
    TestTicker* ticker = nullptr;
    ticker = new TestTicker(&owner, [&] {
        if (QThread::currentThread() == gui)
            wrongThread = true;
        const int before = applied.load();
        ticker->runInGui([&] {
            if (QThread::currentThread() != gui)
                wrongThread = true;
            applied.fetch_add(1);
        });
        // The worker went on only once the GUI thread had applied it.
        if (applied.load() != before + 1 && !stopping.load())
            waited = false;
    });
    ticker->startTimer();
    QVERIFY(ticker->isTimerActive());
    QTRY_VERIFY(applied.load() >= 20);
    // A tick waiting for the GUI thread gives way to the stop; its request
    // is applied late, but no tick follows.
    stopping = true;
    ticker->stopTimer();
    QVERIFY(!ticker->isTimerActive());
    QTest::qWait(30);
    const int stopped = applied.load();
    QTest::qWait(50);
    const int later = applied.load();
    delete ticker;
    QCOMPARE(later, stopped);
    QVERIFY(!wrongThread);
    QVERIFY(waited);
}

void TestTestModeLogic::tickerClosesWhileTheTickWaits()
{
    // The GUI thread finishes the worker without serving events: a tick
    // waiting for the GUI must give up, and no tick may run afterwards.
    for (int i = 0; i < 200; ++i) {
        auto* owner = new QObject;
        std::atomic<int> ticks{0};
        QSemaphore inRequest;
        TestTicker* ticker = nullptr;
        ticker = new TestTicker(owner, [&] {
            ticks.fetch_add(1);
            inRequest.release();
            ticker->runInGui([] {});
        });
        ticker->startTimer();
        if (i % 2 == 0)
            inRequest.acquire();
        ticker->finish();
        const int after = ticks.load();
        QTest::qWait(i % 50 == 0 ? 30 : 0);
        QCOMPARE(ticks.load(), after);
        delete ticker;
        // The dropped request, still queued, dies with the window.
        delete owner;
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TestTestModeLogic)
#include "tst_test_mode_logic.moc"
