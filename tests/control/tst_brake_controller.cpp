// The absorber control of the largest board (device code 3) on the simulated
// controller: the brake-controller panel, its feed-forward setups and the
// brake-controller thread, checked by what reaches the controller (its trace
// of received frames). Live speeds are set on the channels by the test.
#include "SettingsFixture.h"

#include "BrakeController.h"
#include "BrakeControllerFF.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "CustomCorrectionWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "VehicleParamId.h"
#include "lib/ThreadHandOver.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint8_t configAddressReg = 44;
constexpr uint8_t configValueReg = 45;
constexpr uint8_t torqueTargetReg = 143;
constexpr uint8_t rotSpeedTargetReg = 147;
constexpr uint8_t rotAccTargetReg = 151;
constexpr uint8_t feedForward1Reg = 155;
constexpr uint8_t feedForward2Reg = 156;
constexpr quint32 deviceModeWord = 1712 / 4;
constexpr double kmh = 1.0 / 3.6;
// The roller diameter the test sets: road speed 1 m/s is 5 rad/s.
constexpr double rollerRadius = 0.2;

float asFloat(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Equal as the controller receives them: the same 32-bit float, NaN equal to NaN.
bool sameFloat(float a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == float(b);
}

struct Received {
    quint64 transfer;
    uint8_t reg;
    quint32 value;
};

// What the controller received in a window, by register.
class Window
{
public:
    explicit Window(QList<Received> frames)
        : frames(std::move(frames))
    {
    }
    QList<float> floats(uint8_t reg) const
    {
        QList<float> values;
        for (const Received& frame : frames) {
            if (frame.reg == reg)
                values.append(asFloat(frame.value));
        }
        return values;
    }
    int count(uint8_t reg) const { return int(floats(reg).size()); }
    // Every value of the register in the window equals `expected` (and there is one).
    bool allEqual(uint8_t reg, double expected) const
    {
        const QList<float> values = floats(reg);
        if (values.isEmpty()) {
            QList<int> seen;
            for (const Received& frame : frames)
                if (!seen.contains(frame.reg))
                    seen.append(frame.reg);
            qWarning() << "register" << reg << "not written in a window of" << frames.size() << "frames; seen" << seen;
            return false;
        }
        for (float value : values) {
            if (!sameFloat(value, expected)) {
                qWarning() << "register" << reg << "got" << value << "expected" << expected;
                return false;
            }
        }
        return true;
    }
    // Configuration writes (word, value) in order.
    QList<QPair<quint32, quint32>> configWrites(quint32 word) const
    {
        QList<QPair<quint32, quint32>> writes;
        quint32 latch = 0;
        bool latched = false;
        for (const Received& frame : frames) {
            if (frame.reg == configAddressReg) {
                latch = frame.value;
                latched = true;
            } else if (frame.reg == configValueReg && latched) {
                if ((latch >> 16) == word && (latch & 0xFFFF) == 0)
                    writes.append({word, frame.value});
                latched = false;
            }
        }
        return writes;
    }
    QList<quint32> deviceModes() const
    {
        QList<quint32> modes;
        for (const auto& write : configWrites(deviceModeWord))
            modes.append(write.second);
        return modes;
    }

    QList<Received> frames;
};

} // namespace

class TestBrakeController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void deviceModeFollowsModeAndRun_data();
    void deviceModeFollowsModeAndRun();
    void variableChangeDoesNotResendDeviceMode();
    void speedControlWritesRollerSpeedEveryTick();
    void feedForwardReachesBothRegisters_data();
    void feedForwardReachesBothRegisters();
    void feedForwardValue_data();
    void feedForwardValue();
    void multiplierBoxShowsItsCurve();
    void targetsByModeAndVariable_data();
    void targetsByModeAndVariable();
    void invalidEngineSpeedGivesNaNAndAntiStall();
    void accelerationTargetIsClampedPerRoller();
    void externalControlHandOver();
    void torqueJoinedCopiesFirstEditor();
    void runType_data();
    void runType();
    void remoteSlotsRespectDisabledControls();
    void tickNeverWaitsOnTheGuiOrTheCurveEditor();
    void modeChangeWhileTheThreadIsStopped();

private:
    // Clears the trace, lets the thread tick for `ms` and returns what arrived.
    Window window(int ms = 120);
    // What arrived since the trace was last cleared, after `ms` more.
    Window collect(int ms);
    // Waits for two ticks, so that what was set has been picked up, and for
    // the link to send what the ticks before queued (a loaded machine can
    // hold either back well beyond 30 ms).
    void settle();
    // From another thread than the link's: waits until the link has sent
    // everything queued so far (false after 10 s).
    bool drainLink();
    void setSpeed(ChannelId id, double value);
    void setOnlyDuringRun(bool on);
    void setTarget(SafeSpinBox* editor, double si) { editor->setValueSI(si); }

    SettingsFixture* fixture = nullptr;
    std::unique_ptr<QWidget> runTab;
    BrakeController* panel = nullptr;
    int rollers = 0;
    int loadCells = 0;
};

void TestBrakeController::initTestCase()
{
    SettingsFixture::prepareProcess();
    fixture = new SettingsFixture(3);
    QVERIFY(fixture->start());
    QVERIFY(fixture->waitLinkIdle());
    rollers = theHwInfo.rollers;
    loadCells = theHwInfo.loadCells;
    QVERIFY(rollers >= 2);
    QVERIFY(loadCells >= 2);

    // Load cells driven by the brake controller ("speed / acc. controller 1 output / manual torque").
    for (int cell = 0; cell < loadCells; ++cell)
        theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, cell)->setValue(2);
    for (int roller = 0; roller < rollers; ++roller) {
        DynoSetting* diameter = theDynoSettings->getSetting(DynoSettingId_rollerDiameter, roller);
        diameter->setValue(2 * rollerRadius);
        QCOMPARE(diameter->value().toDouble(), 2 * rollerRadius);
    }

    theBrakeControllerThread = new BrakeControllerThread;
    runTab = std::make_unique<QWidget>();
    panel = new BrakeController(runTab.get());
    panel->init();
    runTab->show();
    QVERIFY(theBrakeControllerThread->isRunning());
    fixture->link.sim->setTraceEnabled(true);
}

void TestBrakeController::cleanupTestCase()
{
    runTab.reset();
    delete theBrakeControllerThread;
    theBrakeControllerThread = nullptr;
    delete fixture;
}

void TestBrakeController::init()
{
    // Every case starts from the absorber off, targets followed outside runs.
    if (panel->externalControl)
        panel->disableExternalThreadControl();
    if (panel->runActive)
        panel->stopRun();
    setOnlyDuringRun(false);
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    panel->setMode(BrakeControllerMode_off);
    panel->dynoSpeedFF->checkBox_enable->setChecked(false);
    panel->engineSpeedFF->checkBox_enable->setChecked(false);
    setTarget(panel->spinBox_minDynoSpeed, 0.0);
    setTarget(panel->spinBox_minEngineSpeed, 0.0);
    setSpeed(ChannelId_dynoSpeed, 10.0);
    setSpeed(ChannelId_engineSpeed, 300.0);
    theChannels.getChannel(ChannelId_engineRollerSpeedRatio, 0)->setDataWithoutFilter(2.0, 0);
}

void TestBrakeController::settle()
{
    const quint64 start = theBrakeControllerThread->statistics.ticks.load();
    QTest::qWait(30);
    // Some cases stop the thread on purpose: then there is no tick to wait for.
    QElapsedTimer waited;
    waited.start();
    while (theBrakeControllerThread->isRunning() && waited.elapsed() < 10000) {
        const quint64 ticks = theBrakeControllerThread->statistics.ticks.load();
        if (ticks >= start + 2 || ticks < start)
            break;
        QTest::qWait(5);
    }
    // An empty queue alone is not enough: the buffer the link is sending may
    // still hold frames of the ticks before.
    QVERIFY(drainLink());
}

bool TestBrakeController::drainLink()
{
    // An empty queue, then two transfers more for the buffer that was in
    // flight, twice over.
    QElapsedTimer waited;
    waited.start();
    for (int round = 0; round < 2; ++round) {
        while (theMCUThread->getTxBufferFill() != 0) {
            if (waited.elapsed() > 10000)
                return false;
            QThread::msleep(1);
        }
        const quint64 transfers = fixture->link.sim->transfers();
        while (fixture->link.sim->transfers() < transfers + 2) {
            if (waited.elapsed() > 10000)
                return false;
            QThread::msleep(1);
        }
    }
    return true;
}

Window TestBrakeController::window(int ms)
{
    fixture->link.sim->clearTrace();
    return collect(ms);
}

Window TestBrakeController::collect(int ms)
{
    QTest::qWait(ms);
    QList<Received> frames;
    for (const auto& entry : fixture->link.sim->trace())
        frames.append({entry.transfer, entry.reg, entry.value});
    return Window(frames);
}

void TestBrakeController::setSpeed(ChannelId id, double value)
{
    theChannels.getChannel(id, 0)->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

void TestBrakeController::setOnlyDuringRun(bool on)
{
    theSettings.setValue(theSettings.keyPrefix + QStringLiteral("checkBox_settings_absorberControlOnlyDuringRun"),
                         on ? int(Qt::Checked) : int(Qt::Unchecked));
}

// ---------------------------------------------------------------------------

void TestBrakeController::deviceModeFollowsModeAndRun_data()
{
    QTest::addColumn<bool>("onlyDuringRun");
    QTest::addColumn<bool>("inRun");
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint32>("deviceMode");

    QTest::newRow("off, outside run") << false << false << 0 << 1u;
    QTest::newRow("torque") << false << false << 1 << 2u;
    QTest::newRow("torque joined") << false << false << 2 << 2u;
    QTest::newRow("speed") << false << false << 3 << 3u;
    QTest::newRow("acceleration") << false << false << 4 << 4u;
    QTest::newRow("only during run, outside run") << true << false << 3 << 0u;
    QTest::newRow("only during run, in run") << true << true << 3 << 3u;
    QTest::newRow("only during run, absorber off in run") << true << true << 0 << 1u;
}

void TestBrakeController::deviceModeFollowsModeAndRun()
{
    QFETCH(bool, onlyDuringRun);
    QFETCH(bool, inRun);
    QFETCH(int, mode);
    QFETCH(quint32, deviceMode);

    setOnlyDuringRun(onlyDuringRun);
    panel->setMode(mode == 0 ? 1 : 0); // so that selecting `mode` is a change
    if (inRun)
        panel->startRun();
    settle(); // what was queued before has reached the controller
    fixture->link.sim->clearTrace();
    panel->setMode(mode);
    const Window sent = collect(60);
    QCOMPARE(sent.deviceModes(), QList<quint32>{deviceMode});
    QCOMPARE(quint32(panel->deviceMode), deviceMode);
    if (inRun)
        panel->stopRun();
}

void TestBrakeController::variableChangeDoesNotResendDeviceMode()
{
    setOnlyDuringRun(true);
    panel->setMode(BrakeControllerMode_speed);
    settle();
    fixture->link.sim->clearTrace();
    panel->setChannel(BrakeControllerChannel_engineSpeed);
    QVERIFY(collect(60).deviceModes().isEmpty());

    // A run start sends the mode's device mode, its stop idle again.
    settle();
    fixture->link.sim->clearTrace();
    panel->startRun();
    panel->stopRun();
    QCOMPARE(collect(60).deviceModes(), (QList<quint32>{3u, 0u}));
}

void TestBrakeController::speedControlWritesRollerSpeedEveryTick()
{
    setTarget(panel->spinBox_dynoSpeedTarget, 50 * kmh);
    panel->setMode(BrakeControllerMode_speed);
    settle();

    // The window opens and closes inside the brake thread, between two of its
    // ticks, with everything written before it on the wire: each tick of the
    // window is then known to the frame, however late a loaded machine runs
    // the ticks or the link.
    auto inBrakeThread = [](const std::function<void()>& work) {
        ThreadHandOver::blockingCall(theBrakeControllerThread, work);
    };
    bool drained = false;
    inBrakeThread([this, &drained] {
        drained = drainLink();
        fixture->link.sim->clearTrace();
        theBrakeControllerThread->resetStatistics();
    });
    QVERIFY(drained);
    const auto& stats = theBrakeControllerThread->statistics;
    QVERIFY(QTest::qWaitFor([&stats] { return stats.intervals.load() >= 50; }, 30000));
    quint64 ticks = 0;
    quint64 intervals = 0;
    quint64 missed = 0;
    double intervalSumNs = 0;
    QList<Received> frames;
    inBrakeThread([&] {
        ticks = stats.ticks;
        intervals = stats.intervals;
        missed = stats.missedTicks;
        intervalSumNs = stats.intervalSumNs;
        drained = drainLink();
        for (const auto& entry : fixture->link.sim->trace())
            frames.append({entry.transfer, entry.reg, entry.value});
    });
    QVERIFY(drained);
    const Window sent(frames);

    // 13.89 m/s on rollers of 0.2 m radius.
    for (int roller = 0; roller < rollers; ++roller)
        QVERIFY(sent.allEqual(uint8_t(rotSpeedTargetReg + roller), 50 * kmh / rollerRadius));
    QVERIFY(sent.allEqual(rotSpeedTargetReg, 69.44444444444444));
    // Once per tick, every roller.
    for (int roller = 0; roller < rollers; ++roller)
        QCOMPARE(quint64(sent.count(uint8_t(rotSpeedTargetReg + roller))), ticks);
    // Every 10 ms on the thread's own clock: each deadline between the first
    // and the last tick of the window is a tick or a missed tick. A late
    // wake-up shifts only the two ends; a wrong period is far outside.
    QCOMPARE(ticks, intervals + 1);
    const double deadlines = intervalSumNs / (BrakeControllerThread::tickIntervalMs * 1e6);
    QVERIFY2(std::abs(deadlines - double(intervals + missed)) < 5.0,
             qPrintable(QStringLiteral("%1 periods of 10 ms, %2 ticks and %3 missed")
                            .arg(deadlines)
                            .arg(intervals)
                            .arg(missed)));
    // Nothing of other modes.
    QCOMPARE(sent.count(torqueTargetReg), 0);
    QCOMPARE(sent.count(rotAccTargetReg), 0);
}

void TestBrakeController::feedForwardReachesBothRegisters_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("written");
    QTest::addColumn<QString>("preview");

    QTest::newRow("on, 100 %") << true << 1.0 << 1.0 << "100.0 %";
    QTest::newRow("on, 40 %") << true << 0.4 << 0.4 << "40.0 %";
    QTest::newRow("off: 0 written, value previewed") << false << 0.8 << 0.0 << "80.0 %";
}

void TestBrakeController::feedForwardReachesBothRegisters()
{
    QFETCH(bool, enabled);
    QFETCH(double, base);
    QFETCH(double, written);
    QFETCH(QString, preview);

    BrakeControllerFF* ff = panel->dynoSpeedFF;
    ff->spinBox_baseValue->setValueSI(base);
    ff->checkBox_enable->setChecked(enabled);
    settle();
    const Window sent = window();
    QVERIFY(sent.allEqual(feedForward1Reg, written));
    QVERIFY(sent.allEqual(feedForward2Reg, written));
    QCOMPARE(sent.count(feedForward1Reg), sent.count(feedForward2Reg));

    // The preview shows the value whether or not it is sent.
    ff->dialog->show();
    ff->slot_updatePreviews();
    QCOMPARE(ff->lineEdit_valuePreview->text(), preview);
    ff->dialog->hide();

    // The engine-speed setup is the one taken with the engine-speed variable.
    panel->setChannel(BrakeControllerChannel_engineSpeed);
    panel->engineSpeedFF->spinBox_baseValue->setValueSI(0.25);
    panel->engineSpeedFF->checkBox_enable->setChecked(true);
    settle();
    // The curve editor publishes its copy one event-loop turn after the edit;
    // on a loaded machine that turn can come after the first window.
    QTRY_VERIFY_WITH_TIMEOUT(window(60).allEqual(feedForward2Reg, 0.25), 3000);
    ff->spinBox_baseValue->setValueSI(1.0);
}

void TestBrakeController::feedForwardValue_data()
{
    QTest::addColumn<double>("roadSpeed");
    QTest::addColumn<bool>("ratio");
    QTest::addColumn<double>("ratioValue");
    QTest::addColumn<int>("multipliers"); // bit n: multiplier n + 1 on
    QTest::addColumn<double>("expected");

    // Multiplier 1: road speed (50, 0) - (100, 1); 2: throttle, never set here.
    QTest::newRow("base only") << 75.0 << false << 2.0 << 0 << 0.5;
    QTest::newRow("road-speed curve inside") << 75.0 << false << 2.0 << 1 << 0.25;
    QTest::newRow("below the first point") << 30.0 << false << 2.0 << 1 << 0.0;
    QTest::newRow("above the last point") << 130.0 << false << 2.0 << 1 << 0.5;
    QTest::newRow("stale channel skipped") << 75.0 << false << 2.0 << 2 << 0.5;
    QTest::newRow("speed ratio") << 75.0 << true << 3.0 << 1 << 0.75;
    QTest::newRow("stale speed ratio") << 75.0 << true << kNaN << 0 << kNaN;
    QTest::newRow("road speed stale") << kNaN << false << 2.0 << 1 << 0.5;
}

void TestBrakeController::feedForwardValue()
{
    QFETCH(double, roadSpeed);
    QFETCH(bool, ratio);
    QFETCH(double, ratioValue);
    QFETCH(int, multipliers);
    QFETCH(double, expected);

    BrakeControllerFF* ff = panel->dynoSpeedFF;
    ff->spinBox_baseValue->setValueSI(0.5);
    ff->checkBox_multiplyBySpeedRatio->setChecked(ratio);
    for (int n = 0; n < BrakeControllerFF::curveCount; ++n)
        ff->checkBox_multiplier[n]->setChecked(multipliers & (1 << n));
    setSpeed(ChannelId_dynoSpeed, roadSpeed);
    theChannels.getChannel(ChannelId_engineRollerSpeedRatio, 0)->setDataWithoutFilter(ratioValue, 0);
    QVERIFY(std::isnan(theChannels.getVehicleParam(VehicleParamId_TPS)->getValue()));

    const double forced = ff->getFFValue(true);
    QVERIFY2(sameFloat(float(forced), expected), qPrintable(QString::number(forced)));
    QCOMPARE(ff->getFFValue(false), 0.0);

    // What the thread writes with the feed-forward on.
    ff->checkBox_enable->setChecked(true);
    settle();
    QVERIFY(window(60).allEqual(feedForward1Reg, expected));

    ff->checkBox_multiplyBySpeedRatio->setChecked(false);
    for (QCheckBox* box : ff->checkBox_multiplier)
        box->setChecked(false);
}

void TestBrakeController::multiplierBoxShowsItsCurve()
{
    BrakeControllerFF* ff = panel->dynoSpeedFF;
    ff->spinBox_baseValue->setValueSI(1.0);
    ff->checkBox_enable->setChecked(true);
    setSpeed(ChannelId_dynoSpeed, 75.0);
    ff->dialog->show();
    ff->checkBox_multiplier[0]->setChecked(true);
    ff->checkBox_multiplier[1]->setChecked(true);
    QVERIFY(ff->curves[1]->isVisible());
    QCOMPARE(ff->getFFValue(false), 0.5);

    // The curve of road speed over a changed point list (the lookup takes the
    // editor's points as they are now).
    ff->curves[0]->slot_setVector({QPointF(0, 0.2), QPointF(100, 0.2)});
    QTRY_COMPARE(ff->getFFValue(false), 0.2);
    ff->curves[0]->slot_setVector(ff->curves[0]->defaultPoints);
    QTRY_COMPARE(ff->getFFValue(false), 0.5);

    ff->checkBox_multiplier[1]->setChecked(false);
    QVERIFY(!ff->curves[1]->isVisible());
    QVERIFY(ff->curves[0]->isVisible());
    ff->slot_updatePreviews();
    QCOMPARE(ff->lineEdit_multiplierPreview[0]->text(), QStringLiteral("50.0 %"));
    QCOMPARE(ff->lineEdit_speedRatioPreview->text(), QStringLiteral("2.0"));
    ff->dialog->hide();
    ff->checkBox_multiplier[0]->setChecked(false);

    // Stored under the setup's prefix.
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/brakeController_dynoSpeed_accFF/enableMultiplier0")).toInt(),
             int(Qt::Unchecked));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/brakeController_dynoSpeed_accFF/enableFF")).toInt(),
             int(Qt::Checked));
}

void TestBrakeController::targetsByModeAndVariable_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("variable");
    QTest::addColumn<double>("speed"); // of the variable
    QTest::addColumn<bool>("torqueWritten");
    QTest::addColumn<double>("torque"); // the first load cell's target
    QTest::addColumn<double>("rotSpeed"); // the first roller's speed target; none when -1
    QTest::addColumn<double>("rotAcc");   // the first roller's acceleration target; none when -1

    // Panel (values the editors show exactly): torque 30 %, road target
    // 20 m/s (72 km/h), engine target 4000 rpm, minimums 5 m/s and 1000 rpm,
    // road acc 2.5 m/s² (9 km/h/s), engine acc 200 rpm/s. Engine / roller
    // speed ratio 2: engine 4000 rpm is roller 2000 rpm, 209.4 rad/s.
    QTest::newRow("off: feed-forward only") << 0 << 0 << 10.0 << false << 0.0 << -1.0 << -1.0;
    QTest::newRow("torque") << 1 << 0 << 10.0 << true << 0.3 << -1.0 << -1.0;
    QTest::newRow("torque below minimum") << 1 << 0 << 2.0 << true << 0.0 << -1.0 << -1.0;
    QTest::newRow("torque joined, engine") << 2 << 1 << 300.0 << true << 0.3 << -1.0 << -1.0;
    QTest::newRow("speed, road") << 3 << 0 << 10.0 << false << 0.0 << 100.0 << -1.0;
    QTest::newRow("speed, road below minimum keeps the target") << 3 << 0 << 2.0 << false << 0.0 << 100.0 << -1.0;
    QTest::newRow("speed, road speed invalid keeps the target") << 3 << 0 << kNaN << false << 0.0 << 100.0 << -1.0;
    QTest::newRow("speed, engine") << 3 << 1 << 300.0 << false << 0.0 << 209.43951023931953 << -1.0;
    QTest::newRow("speed, engine below minimum") << 3 << 1 << 50.0 << false << 0.0 << kNaN << -1.0;
    QTest::newRow("acceleration, road") << 4 << 0 << 10.0 << false << 0.0 << 50.0 << 12.5;
    QTest::newRow("acceleration, road below minimum") << 4 << 0 << 2.0 << false << 0.0 << 10.0 << kNaN;
    QTest::newRow("acceleration, engine") << 4 << 1 << 300.0 << false << 0.0 << 150.0 << 10.471975511965978;
    QTest::newRow("speed, variable out of range") << 3 << 7 << 10.0 << false << 0.0 << -1.0 << -1.0;
    QTest::newRow("torque, variable out of range") << 1 << 7 << 10.0 << true << 0.3 << -1.0 << -1.0;
}

void TestBrakeController::targetsByModeAndVariable()
{
    QFETCH(int, mode);
    QFETCH(int, variable);
    QFETCH(double, speed);
    QFETCH(bool, torqueWritten);
    QFETCH(double, torque);
    QFETCH(double, rotSpeed);
    QFETCH(double, rotAcc);

    panel->setMode(BrakeControllerMode_torque);
    for (SafeSpinBox* editor : panel->spinBox_brakeTargets)
        editor->setValueSI(0.3);
    setTarget(panel->spinBox_dynoSpeedTarget, 20.0);
    setTarget(panel->spinBox_engineSpeedTarget, 418.87902047863906);
    setTarget(panel->spinBox_minDynoSpeed, 5.0);
    setTarget(panel->spinBox_minEngineSpeed, 104.71975511965977);
    setTarget(panel->spinBox_dynoAccTarget, 2.5);
    setTarget(panel->spinBox_engineAccTarget, 20.943951023931955);
    panel->engineSpeedFF->spinBox_baseValue->setValueSI(1.0);
    panel->engineSpeedFF->checkBox_enable->setChecked(true);
    panel->dynoSpeedFF->spinBox_baseValue->setValueSI(1.0);
    panel->dynoSpeedFF->checkBox_enable->setChecked(true);
    setSpeed(variable == 1 ? ChannelId_engineSpeed : ChannelId_dynoSpeed, speed);

    if (variable <= 1) {
        panel->setChannel(variable);
    } else {
        // No combo entry has it: as a thread copy of an unknown variable.
        panel->inputs.variable = variable;
        theBrakeControllerThread->slot_updateMode();
    }
    panel->setMode(mode);
    if (variable > 1) {
        panel->inputs.variable = variable;
        theBrakeControllerThread->slot_updateMode();
    }
    settle();
    const Window sent = window();

    QVERIFY(sent.allEqual(feedForward1Reg, variable <= 1 ? 1.0 : 0.0));
    QVERIFY(sent.allEqual(feedForward2Reg, variable <= 1 ? 1.0 : 0.0));
    if (torqueWritten) {
        for (int cell = 0; cell < loadCells; ++cell)
            QVERIFY(sent.allEqual(uint8_t(torqueTargetReg + cell), torque));
        QCOMPARE(sent.count(uint8_t(torqueTargetReg + loadCells)), 0);
    } else {
        QCOMPARE(sent.count(torqueTargetReg), 0);
    }
    if (rotSpeed == -1.0) {
        QCOMPARE(sent.count(rotSpeedTargetReg), 0);
    } else {
        for (int roller = 0; roller < rollers; ++roller)
            QVERIFY(sent.allEqual(uint8_t(rotSpeedTargetReg + roller), rotSpeed));
    }
    if (rotAcc == -1.0) {
        QCOMPARE(sent.count(rotAccTargetReg), 0);
    } else {
        for (int roller = 0; roller < rollers; ++roller)
            QVERIFY(sent.allEqual(uint8_t(rotAccTargetReg + roller), rotAcc));
    }
    panel->setChannel(BrakeControllerChannel_roadSpeed);
}

void TestBrakeController::invalidEngineSpeedGivesNaNAndAntiStall()
{
    setTarget(panel->spinBox_engineSpeedTarget, 418.87902047863906);
    setTarget(panel->spinBox_minEngineSpeed, 0.0);
    panel->setChannel(BrakeControllerChannel_engineSpeed);
    panel->setMode(BrakeControllerMode_speed);
    setSpeed(ChannelId_engineSpeed, 300.0);
    settle();
    theBrakeControllerThread->antiStallActive = false;
    panel->slot_updateAntiStallIndication();
    const QColor plain = panel->label_engineAntiStall->palette().color(QPalette::Window);
    QVERIFY(window(60).allEqual(rotSpeedTargetReg, 209.43951023931953));
    QVERIFY(!theBrakeControllerThread->antiStallActive);

    // No valid engine speed: every roller gets NaN and anti-stall shows.
    setSpeed(ChannelId_engineSpeed, kNaN);
    settle();
    const Window sent = window(60);
    for (int roller = 0; roller < rollers; ++roller)
        QVERIFY(sent.allEqual(uint8_t(rotSpeedTargetReg + roller), kNaN));
    QVERIFY(theBrakeControllerThread->antiStallActive);
    panel->slot_updateAntiStallIndication();
    QCOMPARE(panel->label_engineAntiStall->palette().color(QPalette::Window), QColor(255, 224, 77));
    QCOMPARE(panel->label_dynoAntiStall->palette().color(QPalette::Window), QColor(255, 224, 77));
    // Read and cleared: it shows again only if the thread stalls again.
    setSpeed(ChannelId_engineSpeed, 300.0);
    settle();
    theBrakeControllerThread->antiStallActive = false;
    panel->slot_updateAntiStallIndication();
    QCOMPARE(panel->label_engineAntiStall->palette().color(QPalette::Window), plain);
    // And by the panel's own 200 ms timer.
    setSpeed(ChannelId_engineSpeed, kNaN);
    QTRY_COMPARE_WITH_TIMEOUT(panel->label_engineAntiStall->palette().color(QPalette::Window),
                              QColor(255, 224, 77), 1000);
    setSpeed(ChannelId_engineSpeed, 300.0);
}

void TestBrakeController::accelerationTargetIsClampedPerRoller()
{
    // Road -10 m/s² is -50 rad/s² on every roller; the second roller's
    // deceleration limit is 10.47 rad/s² (100 rpm/s), the first one's 209 (2000 rpm/s).
    theDynoSettings->getSetting(DynoSettingId_accPidRampLimit, 0)->setValue(209.43951023931953);
    theDynoSettings->getSetting(DynoSettingId_accPidRampLimit, 1)->setValue(10.471975511965978);
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    setTarget(panel->spinBox_dynoAccTarget, -10.0);
    panel->setMode(BrakeControllerMode_acceleration);
    settle();
    Window sent = window();
    QVERIFY(sent.allEqual(rotAccTargetReg, -50.0));
    QVERIFY(sent.allEqual(rotAccTargetReg + 1, -10.471975511965978));
    // A rising target is not limited.
    setTarget(panel->spinBox_dynoAccTarget, 10.0);
    settle();
    sent = window();
    QVERIFY(sent.allEqual(rotAccTargetReg + 1, 50.0));
    // Speed targets carry the measured speed: 10 m/s.
    QVERIFY(sent.allEqual(rotSpeedTargetReg + 1, 50.0));

    // The engine variable the same way, with a ratio of 2 (roller = engine / 2):
    // -1000 rpm/s is -500 rpm/s, -52.4 rad/s², on the rollers.
    panel->setChannel(BrakeControllerChannel_engineSpeed);
    setTarget(panel->spinBox_engineAccTarget, -104.71975511965977);
    settle();
    sent = window();
    QVERIFY(sent.allEqual(rotAccTargetReg, -52.35987755982988));
    QVERIFY(sent.allEqual(rotAccTargetReg + 1, -10.471975511965978));
    QVERIFY(sent.allEqual(rotSpeedTargetReg + 1, 150.0));
    theDynoSettings->getSetting(DynoSettingId_accPidRampLimit, 0)->setValue(10.471975511965978);
}

void TestBrakeController::externalControlHandOver()
{
    // The operator's values before the test.
    panel->setChannel(BrakeControllerChannel_engineSpeed);
    const double operatorValues[6] = {3.0, 25.0, 1.5, 150.0, 420.0, 30.0};
    SafeSpinBox* editors[6] = {panel->spinBox_minDynoSpeed,   panel->spinBox_dynoSpeedTarget,
                               panel->spinBox_dynoAccTarget,  panel->spinBox_minEngineSpeed,
                               panel->spinBox_engineSpeedTarget, panel->spinBox_engineAccTarget};
    double shown[6];
    for (int i = 0; i < 6; ++i) {
        editors[i]->setValueSI(operatorValues[i]);
        shown[i] = editors[i]->getValueSI(); // as the editor rounds it
    }
    const QString targetKey = QStringLiteral("UserSetting/brakeController_spinBox_dynoSpeedTarget");
    const double storedTarget = theSettings.value(targetKey).toDouble();
    QCOMPARE(storedTarget, shown[1]);

    // Take-over as the RUN panel does it.
    panel->backupSettings();
    panel->setMode(BrakeControllerMode_off);
    panel->enableExternalThreadControl();
    QVERIFY(!panel->comboBox_mode->isEnabled());
    QVERIFY(!panel->comboBox_channel->isEnabled());
    QVERIFY(!panel->spinBox_dynoSpeedTarget->isEnabled());
    QVERIFY(!panel->spinBox_engineAccTarget->isEnabled());
    QVERIFY(panel->spinBox_minDynoSpeed->isEnabled());
    QVERIFY(panel->spinBox_minEngineSpeed->isEnabled());

    // The test selects road speed control and writes its targets from its own thread.
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    panel->setMode(BrakeControllerMode_speed);
    std::thread worker([] {
        theBrakeControllerThread->externalDynoSpeedTarget = 15.0f;
        theBrakeControllerThread->externalEngineSpeedTarget = 200.0f;
        theBrakeControllerThread->externalDynoAccTarget = 2.5f;
        theBrakeControllerThread->externalEngineAccTarget = 40.0f;
    });
    worker.join();
    setSpeed(ChannelId_dynoSpeed, 10.0);
    settle();
    QVERIFY(window().allEqual(rotSpeedTargetReg, 15.0 / rollerRadius));
    // The minimum still comes from the panel and raises the test's target.
    panel->spinBox_minDynoSpeed->setValueSI(20.0);
    settle();
    QVERIFY(window().allEqual(rotSpeedTargetReg, 20.0 / rollerRadius));
    panel->spinBox_minDynoSpeed->setValueSI(shown[0]);

    // The editors show the test's targets, which are neither stored nor sent.
    QTRY_COMPARE_WITH_TIMEOUT(panel->spinBox_dynoSpeedTarget->getValueSI(), 15.0, 1000);
    QCOMPARE(panel->spinBox_dynoAccTarget->getValueSI(), 2.5);
    // Shown in whole rpm/s.
    QVERIFY(std::abs(panel->spinBox_engineAccTarget->getValueSI() - 40.0) < 0.06);
    QCOMPARE(theSettings.value(targetKey).toDouble(), storedTarget);
    QCOMPARE(panel->inputs.dynoSpeedTarget.load(), shown[1]);

    // Release and restore.
    panel->disableExternalThreadControl();
    panel->advancedTestStopped();
    panel->restoreSettings();
    QCOMPARE(panel->comboBox_mode->currentIndex(), int(BrakeControllerMode_off));
    QCOMPARE(panel->comboBox_channel->currentIndex(), int(BrakeControllerChannel_engineSpeed));
    QVERIFY(panel->comboBox_mode->isEnabled());
    QVERIFY(panel->spinBox_dynoSpeedTarget->isEnabled());
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(editors[i]->getValueSI(), shown[i]);
        QCOMPARE(theSettings.value(QStringLiteral("UserSetting/") + editors[i]->objectName()).toDouble(), shown[i]);
    }
    // The thread reads the operator's targets again.
    QVERIFY(!panel->inputs.externalControl);
    QCOMPARE(panel->inputs.dynoSpeedTarget.load(), shown[1]);
    QCOMPARE(panel->inputs.engineSpeedTarget.load(), shown[4]);
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    panel->setMode(BrakeControllerMode_speed);
    settle();
    QVERIFY(window().allEqual(rotSpeedTargetReg, shown[1] / rollerRadius));
}

void TestBrakeController::torqueJoinedCopiesFirstEditor()
{
    QList<SafeSpinBox*> editors = panel->spinBox_brakeTargets;
    QCOMPARE(editors.size(), loadCells);
    panel->setMode(BrakeControllerMode_torque);
    for (int i = 0; i < editors.size(); ++i)
        editors[i]->setValueSI(0.1 * (i + 1));
    panel->setMode(BrakeControllerMode_torqueJoined);
    QVERIFY(editors[0]->isEnabled());
    for (int i = 1; i < editors.size(); ++i) {
        QVERIFY(!editors[i]->isEnabled());
        QCOMPARE(editors[i]->getValueSI(), 0.1);
    }
    // Only the first row is shown, labelled without a number.
    QVERIFY(!editors[0]->isHidden());
    QVERIFY(editors[1]->isHidden());
    QCOMPARE(panel->label_brakeTargets[0]->text(), QStringLiteral("Torque "));
    panel->slot_remote_setBrakePower(0.45);
    for (SafeSpinBox* editor : editors)
        QCOMPARE(editor->getValueSI(), 0.45);
    settle();
    const Window sent = window(60);
    for (int cell = 0; cell < loadCells; ++cell)
        QVERIFY(sent.allEqual(uint8_t(torqueTargetReg + cell), 0.45));

    // Torque control unlinks them and keeps their values.
    panel->setMode(BrakeControllerMode_torque);
    QCOMPARE(panel->label_brakeTargets[0]->text(), QStringLiteral("Torque 1"));
    QVERIFY(!editors[1]->isHidden());
    editors[0]->setValueSI(0.2);
    QCOMPARE(editors[1]->getValueSI(), 0.45);
    for (SafeSpinBox* editor : editors)
        QVERIFY(editor->isEnabled());
    // A load cell whose controller takes its set point elsewhere has no row.
    theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, 1)->setValue(1);
    panel->updateWidgetVisibility();
    QVERIFY(editors[1]->isHidden());
    theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, 1)->setValue(2);
    panel->updateWidgetVisibility();
    QVERIFY(!editors[1]->isHidden());
}

void TestBrakeController::runType_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("testsBefore"); // started before the run, still running
    QTest::addColumn<QList<int>>("testsDuring");
    QTest::addColumn<bool>("changeMode");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<unsigned>("type");

    QTest::newRow("absorber off") << 0 << QList<int>() << QList<int>() << false << false << 1u;
    QTest::newRow("torque") << 1 << QList<int>() << QList<int>() << false << false << 2u;
    QTest::newRow("torque joined") << 2 << QList<int>() << QList<int>() << false << false << 2u;
    QTest::newRow("speed") << 3 << QList<int>() << QList<int>() << false << false << 3u;
    QTest::newRow("acceleration") << 4 << QList<int>() << QList<int>() << false << false << 5u;
    QTest::newRow("mode changed") << 3 << QList<int>() << QList<int>() << true << false << 0u;
    QTest::newRow("one road simulation, mode changed") << 3 << QList<int>() << QList<int>{1} << true << false << 6u;
    QTest::newRow("one log player") << 0 << QList<int>() << QList<int>{8} << false << false << 13u;
    QTest::newRow("two tests") << 3 << QList<int>() << QList<int>{1, 4} << false << false << 3u;
    QTest::newRow("two tests, mode changed") << 3 << QList<int>() << QList<int>{1, 4} << true << false << 0u;
    QTest::newRow("MIDI player") << 4 << QList<int>() << QList<int>{9} << false << false << 5u;
    QTest::newRow("test running at the start") << 0 << QList<int>{2, 3} << QList<int>() << false << false << 8u;
    QTest::newRow("hidden panel") << 3 << QList<int>() << QList<int>{1} << false << true << 1u;
}

void TestBrakeController::runType()
{
    QFETCH(int, mode);
    QFETCH(QList<int>, testsBefore);
    QFETCH(QList<int>, testsDuring);
    QFETCH(bool, changeMode);
    QFETCH(bool, hidden);
    QFETCH(unsigned, type);

    panel->setMode(mode);
    panel->clearPreviousAdvancedTests();
    for (int test : testsBefore)
        panel->advancedTestStarted(test);
    panel->startRun();
    if (!testsBefore.isEmpty())
        QCOMPARE(panel->previousAdvancedTests, QList<int>{testsBefore.last()});
    for (int test : testsDuring) {
        panel->advancedTestStarted(test);
        panel->advancedTestStopped();
    }
    if (changeMode) {
        panel->setMode((mode + 1) % 5);
        panel->setMode(mode);
    }
    if (hidden)
        panel->hide();
    QCOMPARE(panel->getRunType(), type);
    panel->stopRun();
    panel->show();
    panel->advancedTestStopped();
    panel->clearPreviousAdvancedTests();
    QVERIFY(panel->previousAdvancedTests.isEmpty());
}

void TestBrakeController::remoteSlotsRespectDisabledControls()
{
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    panel->slot_remote_changeBrakeMode(BrakeControllerMode_speed);
    QCOMPARE(panel->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    QCOMPARE(panel->getWidgetForFocus(), panel->spinBox_dynoSpeedTarget);
    panel->slot_remote_setRoadSpeed(30.0);
    QCOMPARE(panel->spinBox_dynoSpeedTarget->getValueSI(), panel->inputs.dynoSpeedTarget.load());
    QVERIFY(std::abs(panel->inputs.dynoSpeedTarget.load() - 30.0) < 0.2);

    // A fine step moves the active target up by its editor's own step.
    const double before = panel->inputs.dynoSpeedTarget.load();
    panel->slot_remote_fineStepUp();
    QTRY_VERIFY(panel->inputs.dynoSpeedTarget.load() > before);
    const double afterFine = panel->inputs.dynoSpeedTarget.load();
    panel->slot_remote_roughStepDown();
    QTRY_VERIFY(panel->inputs.dynoSpeedTarget.load() < afterFine);

    // Under external control the mode and the targets do not follow the remote.
    panel->backupSettings();
    panel->enableExternalThreadControl();
    panel->slot_remote_changeBrakeMode(BrakeControllerMode_torque);
    QCOMPARE(panel->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    const double target = panel->inputs.dynoSpeedTarget.load();
    panel->slot_remote_setRoadSpeed(5.0);
    panel->slot_remote_fineStepUp();
    QTest::qWait(20);
    QCOMPARE(panel->inputs.dynoSpeedTarget.load(), target);
    panel->disableExternalThreadControl();
    panel->restoreSettings();
    QCOMPARE(panel->getWidgetForFocus(), nullptr);
}

void TestBrakeController::tickNeverWaitsOnTheGuiOrTheCurveEditor()
{
    BrakeControllerFF* ff = panel->dynoSpeedFF;
    ff->checkBox_enable->setChecked(true);
    for (QCheckBox* box : ff->checkBox_multiplier)
        box->setChecked(true);
    panel->setMode(BrakeControllerMode_speed);
    settle();

    // The GUI thread busy for 300 ms: the thread goes on ticking.
    theBrakeControllerThread->resetStatistics();
    QTest::qWait(30);
    const quint64 before = theBrakeControllerThread->statistics.ticks;
    QThread::msleep(300);
    const quint64 during = theBrakeControllerThread->statistics.ticks - before;
    QVERIFY2(during >= 20, qPrintable(QString::number(during)));

    // The operator edits all three curves without pause for a second: the
    // lookups wait at most for one short edit, never for a stalled tick.
    QList<QPointF> big;
    for (int i = 0; i < 200; ++i)
        big.append(QPointF(i * 1.0, 0.5 + 0.001 * i));
    theBrakeControllerThread->resetStatistics();
    QTest::qWait(20);
    QElapsedTimer editing;
    editing.start();
    int edits = 0;
    while (editing.elapsed() < 1000) {
        for (CustomCorrectionWidget* curve : ff->curves)
            curve->slot_setVector(edits % 2 ? big : curve->defaultPoints);
        ++edits;
    }
    const auto& stats = theBrakeControllerThread->statistics;
    const quint64 ticks = stats.ticks;
    const double maxTickMs = double(stats.maxDurationNs) / 1e6;
    qInfo("%d curve edits; %llu ticks meanwhile, longest tick %.3f ms, longest interval %.3f ms", edits,
          (unsigned long long)ticks, maxTickMs, double(stats.maxIntervalNs) / 1e6);
    QVERIFY(edits > 10);
    QVERIFY2(ticks >= 80, qPrintable(QString::number(ticks)));
    QVERIFY2(maxTickMs < 5.0, qPrintable(QString::number(maxTickMs)));
    for (int n = 0; n < BrakeControllerFF::curveCount; ++n) {
        ff->curves[n]->slot_setVector(ff->curves[n]->defaultPoints);
        ff->checkBox_multiplier[n]->setChecked(false);
    }
}

void TestBrakeController::modeChangeWhileTheThreadIsStopped()
{
    // As during shutdown, after the main window has stopped the thread: a
    // mode change still returns, takes its immediate tick and sends the mode.
    theBrakeControllerThread->quit();
    QVERIFY(theBrakeControllerThread->wait(2000));
    setTarget(panel->spinBox_dynoSpeedTarget, 30 * kmh);
    settle();
    fixture->link.sim->clearTrace();
    panel->setMode(BrakeControllerMode_speed);
    // Nothing ticks now: once the link has sent what was queued, the window is complete.
    QVERIFY(drainLink());
    const Window sent = collect(0);
    QCOMPARE(sent.deviceModes(), QList<quint32>{3u});
    QVERIFY(sent.allEqual(rotSpeedTargetReg, 30 * kmh / rollerRadius));
    QCOMPARE(sent.count(rotSpeedTargetReg), 1);

    // Started again, it ticks again.
    theBrakeControllerThread->start(QThread::TimeCriticalPriority);
    QMetaObject::invokeMethod(theBrakeControllerThread, &BrakeControllerThread::slot_start,
                              Qt::BlockingQueuedConnection);
    fixture->link.sim->clearTrace();
    QTRY_VERIFY_WITH_TIMEOUT(collect(0).count(rotSpeedTargetReg) >= 3, 10000);
}

QTEST_MAIN(TestBrakeController)
#include "tst_brake_controller.moc"
