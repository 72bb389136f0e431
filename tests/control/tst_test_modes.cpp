// The test-mode windows in the whole program, in the test's own process, on
// the simulated dyno: the hand-over of the absorber, keys, window position,
// many openings and closings while the tick asks for mode changes, and the
// ramp test driving a roller through a power run in both control modes.
#include "AdvancedTestRegistry.h"
#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "EngineSpeedWidget.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "McuThread.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RampTestDialog.h"
#include "RoadSimulationDialog.h"
#include "SequenceDialog.h"
#include "SimConnector.h"
#include "LogPlayerTest.h"
#include "InertiaCalibrationTest.h"
#include "CustomAccRateDialog.h"
#include "TestModeHooks.h"
#include "PointVectorEditor.h"
#include "lib/Tools.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "SafeSpinBox.h"
#include "SimulatedDynoController.h"
#include "SimulatedVehiclePlant.h"
#include "SpinBoxWithUnit.h"
#include "TestModeContext.h"
#include "UI.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include "LogWriter.h"
#include <QPushButton>
#include <QTemporaryDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtEndian>
#include <qcustomplot.h>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

struct RampSample {
    double t; // plant time, s
    double v; // true road speed, m/s
    int step;
};

// The last drive that eased into its top hold: the true speed's rate over
// the ramp (from 1.5 s after its start) within 5 % of R, and the speed within
// 2 % of T over the top hold (from 1.5 s after its start). Empty when so.
static QString checkRampCycle(const QList<RampSample>& samples, double R, double T)
{
    // Contiguous runs of one step.
    struct Segment {
        int step;
        int first;
        int last;
    };
    QList<Segment> segments;
    for (int i = 0; i < samples.size(); ++i) {
        if (segments.isEmpty() || segments.last().step != samples.at(i).step)
            segments.append({samples.at(i).step, i, i});
        else
            segments.last().last = i;
    }
    int ramp = -1;
    int hold = -1;
    for (int k = 0; k + 1 < segments.size(); ++k) {
        if (segments.at(k).step == RampTestStep_acceleration && segments.at(k + 1).step == RampTestStep_topHoldEase)
            ramp = k;
        if (segments.at(k).step == RampTestStep_topHold && segments.at(k + 1).step == RampTestStep_coastdown)
            hold = k;
    }
    if (ramp < 0 || hold < 0)
        return QStringLiteral("no complete drive sampled");
    double st = 0, sv = 0, stt = 0, stv = 0;
    int n = 0;
    const double t0 = samples.at(segments.at(ramp).first).t;
    for (int i = segments.at(ramp).first; i <= segments.at(ramp).last; ++i) {
        const RampSample& s = samples.at(i);
        if (s.t < t0 + 1.5)
            continue;
        st += s.t;
        sv += s.v;
        stt += s.t * s.t;
        stv += s.t * s.v;
        ++n;
    }
    if (n < 50)
        return QStringLiteral("ramp too short: %1 samples").arg(n);
    const double slope = (n * stv - st * sv) / (n * stt - st * st);
    if (std::abs(slope - R) > 0.05 * R)
        return QStringLiteral("rate %1 m/s² instead of %2").arg(slope).arg(R);
    const double h0 = samples.at(segments.at(hold).first).t;
    int held = 0;
    for (int i = segments.at(hold).first; i <= segments.at(hold).last; ++i) {
        const RampSample& s = samples.at(i);
        if (s.t < h0 + 1.5)
            continue;
        if (std::abs(s.v - T) > 0.02 * T)
            return QStringLiteral("top hold at %1 m/s instead of %2").arg(s.v).arg(T);
        ++held;
    }
    if (held < 50)
        return QStringLiteral("top hold too short: %1 samples").arg(held);
    return QString();
}

// Set by CMake: where the reference scripts of this folder are.
#ifndef ZEMBO_TEST_SOURCE_DIR
#define ZEMBO_TEST_SOURCE_DIR "."
#endif

class TestTestModes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void handOverKeysAndPosition();
    void everyTestOpensAndHandsBack();
    void openAndCloseWhileTheTickRequestsModes();
    void roadSimulationLoadsAndProject();
    void sequenceOnTheSimulator();
    void simConnectorAgainstAStandIn();
    void logPlayerDuringARun();
    void rampOnTheSimulator();
    void cleanupTestCase();

private:
    template<class Dialog> Dialog* open(int type)
    {
        run->comboBox_advancedTest->setCurrentIndex(type);
        return qobject_cast<Dialog*>(run->advancedTest);
    }
    int addProject(const QString& name, double mass);
    RampTestDialog* openRamp();
    void closeTest();

    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
    RunWidget* run = nullptr;
    BrakeController* brake = nullptr;
};

void TestTestModes::initTestCase()
{
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
    run = theUI->runWidget;
    brake = run->brakeController;
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
}

void TestTestModes::cleanupTestCase()
{
    if (run->running)
        run->runStopProcedure();
    MainWindowFixture::destroyWindow(window);
    delete answerer;
}

RampTestDialog* TestTestModes::openRamp()
{
    run->comboBox_advancedTest->setCurrentIndex(AdvancedTestType_rampTest);
    return qobject_cast<RampTestDialog*>(run->advancedTest);
}

void TestTestModes::closeTest()
{
    QPointer<QWidget> dialog = run->advancedTest;
    if (!dialog)
        return;
    dialog->close();
    // Deleted on close, later.
    QTRY_VERIFY(!dialog);
}

void TestTestModes::handOverKeysAndPosition()
{
    brake->setChannel(BrakeControllerChannel_roadSpeed);
    brake->spinBox_dynoSpeedTarget->setValueSI(20.0);
    brake->spinBox_engineSpeedTarget->setValueSI(300.0);
    brake->spinBox_dynoAccTarget->setValueSI(1.5);
    brake->spinBox_engineAccTarget->setValueSI(12.0);
    brake->setMode(BrakeControllerMode_speed);
    // What a previous test left behind.
    theBrakeControllerThread->externalEngineSpeedTarget.store(999.0f);
    theBrakeControllerThread->externalDynoAccTarget.store(999.0f);
    theBrakeControllerThread->externalEngineAccTarget.store(999.0f);

    RampTestDialog* ramp = openRamp();
    QVERIFY(ramp);
    QCOMPARE(ramp->objectName(), QStringLiteral("rampTestDialog"));
    QCOMPARE(ramp->windowTitle(), QStringLiteral("Ramp"));
    QVERIFY(brake->externalControl);
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
    QVERIFY(!run->engineSpeedWidget->comboBox_runEngineSpeedSource->isEnabled());
    // The targets the ramp does not write yet start from the panel's.
    QCOMPARE(theBrakeControllerThread->externalEngineSpeedTarget.load(), 300.0f);
    QCOMPARE(theBrakeControllerThread->externalDynoAccTarget.load(), 1.5f);
    QCOMPARE(theBrakeControllerThread->externalEngineAccTarget.load(), 12.0f);
    // No run: armed, the speed output following the road speed.
    QTRY_COMPARE(ramp->label_state->text(), QStringLiteral("ARMED\n"));
    QCOMPARE(ramp->testStep(), int(RampTestStep_armed));

    // Escape keeps the window; Alt+2 acts as in the main window.
    ramp->activateWindow();
    QTest::keyClick(ramp, Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(run->advancedTest);
    QVERIFY(ramp->isVisible());
    QTest::keyClick(ramp, Qt::Key_2, Qt::AltModifier);
    QCOMPARE(theUI->tabWidget_main->currentIndex(), 1);
    // Away from RUN the window hides, and comes back with RUN.
    QVERIFY(!ramp->isVisible());
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    QVERIFY(ramp->isVisible());

    const QRect placed(120, 90, 420, 460);
    ramp->setGeometry(placed);
    QTest::qWait(20);
    const QRect stored = ramp->geometry();
    closeTest();
    // The panel is back: mode 0, its variable and targets as they were.
    QVERIFY(!brake->externalControl);
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
    QVERIFY(run->comboBox_advancedTest->isEnabled());
    QCOMPARE(run->comboBox_advancedTest->currentIndex(), 0);
    QCOMPARE(brake->comboBox_channel->currentIndex(), int(BrakeControllerChannel_roadSpeed));
    QCOMPARE(brake->spinBox_dynoSpeedTarget->getValueSI(), 20.0);
    QCOMPARE(brake->spinBox_engineAccTarget->getValueSI(), 12.0);
    QVERIFY(run->engineSpeedWidget->comboBox_runEngineSpeedSource->isEnabled());
    QCOMPARE(theSettings.value(theSettings.keyPrefix + QStringLiteral("rampTestDialog/geometry")).toRect(), stored);

    ramp = openRamp();
    QVERIFY(ramp);
    QCOMPARE(ramp->geometry(), stored);
    closeTest();
}

void TestTestModes::everyTestOpensAndHandsBack()
{
    struct Case {
        int type;
        const char* objectName;
        const char* title;
        int mode;
        int variable;
    };
    const Case cases[] = {
        {AdvancedTestType_roadSimulation, "roadSimulationDialog", "Road Simulation", 4, 0},
        {AdvancedTestType_rampTest, "rampTestDialog", "Ramp", 0, -1},
        {AdvancedTestType_sequence, "sequenceDialog", "Test Sequence", 0, -1},
        {AdvancedTestType_inertiaCalibration, "inertiaCalibrationTestDialog", "Inertia Calibration", 4, 1},
        {AdvancedTestType_customAccRate, "customAccRateDialog", "Custom Acceleration Rate", 4, 1},
        {AdvancedTestType_simConnector, "simConnector", "Sim Connector", 3, 1},
        {AdvancedTestType_logPlayer, "logPlayer", "Log Player", 3, 1},
    };
    for (const Case& c : cases) {
        QWidget* dialog = open<QWidget>(c.type);
        QVERIFY2(dialog, c.objectName);
        QCOMPARE(dialog->objectName(), QLatin1String(c.objectName));
        QCOMPARE(dialog->windowTitle(), QLatin1String(c.title));
        QVERIFY(brake->externalControl);
        QCOMPARE(brake->comboBox_mode->currentIndex(), c.mode);
        if (c.variable >= 0)
            QCOMPARE(brake->comboBox_channel->currentIndex(), c.variable);
        QTest::qWait(30); // a few ticks
        closeTest();
        QVERIFY(!brake->externalControl);
        QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
        QVERIFY(run->comboBox_advancedTest->isEnabled());
    }
    // The inertia calibration starts at its rate; the custom rate at its base.
    auto* inertia = open<InertiaCalibrationTest>(AdvancedTestType_inertiaCalibration);
    QVERIFY(inertia);
    QCOMPARE(theBrakeControllerThread->externalEngineAccTarget.load(),
             float(inertia->spinBox_accelerationRate->getValueSI()));
    closeTest();
    auto* custom = open<CustomAccRateDialog>(AdvancedTestType_customAccRate);
    QVERIFY(custom);
    for (QCheckBox* slot : custom->checkBox_multiplier)
        slot->setChecked(false);
    QTRY_COMPARE(theBrakeControllerThread->externalEngineAccTarget.load(), float(52.35987755982988));
    closeTest();
}

void TestTestModes::openAndCloseWhileTheTickRequestsModes()
{
    // A run as far as the ramp can tell: every opening arms, holds (speed
    // control) and, with the ramp mode flipped, arms and holds again.
    TestModeContext& context = TestModeContext::current();
    const auto runActive = context.runActive;
    context.runActive = [] { return true; };
    for (int cycle = 0; cycle < 200; ++cycle) {
        RampTestDialog* ramp = openRamp();
        QVERIFY(ramp);
        switch (cycle % 4) {
        case 0: break; // closed before the first tick, likely
        case 1: QTest::qWait(15); break;
        case 2:
            QTRY_COMPARE(ramp->testStep(), int(RampTestStep_holding));
            ramp->comboBox_mode->setCurrentIndex(1 - ramp->comboBox_mode->currentIndex());
            QTest::qWait(cycle % 3 * 10);
            break;
        case 3:
            // Whatever the vehicle does now: armed, or already holding.
            QTRY_VERIFY(ramp->testStep() != RampTestStep_undefined);
            QTest::qWait(cycle % 5 * 5);
            break;
        }
        closeTest();
        QVERIFY(!brake->externalControl);
        QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
        // No tick is left behind to write a target.
        theBrakeControllerThread->externalDynoSpeedTarget.store(-7.0f);
        theBrakeControllerThread->externalEngineSpeedTarget.store(-7.0f);
        if (cycle % 20 == 0) {
            QTest::qWait(40);
            QCOMPARE(theBrakeControllerThread->externalDynoSpeedTarget.load(), -7.0f);
            QCOMPARE(theBrakeControllerThread->externalEngineSpeedTarget.load(), -7.0f);
        }
    }
    context.runActive = runActive;
    RampTestDialog* ramp = openRamp();
    QCOMPARE(ramp->comboBox_mode->currentIndex(), 0); // keep the later test on road speed
    closeTest();
}

int TestTestModes::addProject(const QString& name, double mass)
{
    QSqlQuery insert(theProjectListModel->database());
    insert.prepare(QStringLiteral("insert into projects2 (vehicleId, projectName, mass, frontalArea, Cx) "
                                  "values ('X', ?, ?, 2.0, 0.3)"));
    insert.addBindValue(name);
    insert.addBindValue(mass);
    if (!insert.exec())
        return -1;
    theProjectListModel->select();
    return insert.lastInsertId().toInt();
}

void TestTestModes::roadSimulationLoadsAndProject()
{
    const int first = addProject(QStringLiteral("Light"), 1000);
    const int second = addProject(QStringLiteral("Heavy"), 1500);
    QVERIFY(first > 0 && second > 0);
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(first));

    auto* road = open<RoadSimulationDialog>(AdvancedTestType_roadSimulation);
    QVERIFY(road);
    QCOMPARE(road->windowTitle(), QStringLiteral("Road Simulation"));
    QCOMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_acceleration));
    QCOMPARE(brake->comboBox_channel->currentIndex(), int(BrakeControllerChannel_roadSpeed));
    // The active project's vehicle data.
    QCOMPARE(road->spinBox_vehicleMass->getValueSI(), 1000.0);
    QCOMPARE(road->spinBox_cx->getValueSI(), 0.3);
    // Switching projects shows the other one's data and writes into neither.
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(second));
    QCOMPARE(road->spinBox_vehicleMass->getValueSI(), 1500.0);
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(first));
    QCOMPARE(road->spinBox_vehicleMass->getValueSI(), 1000.0);
    QSqlQuery masses(theProjectListModel->database());
    QVERIFY(masses.exec(QStringLiteral("select mass from projects2 where id in (%1, %2) order by id").arg(first).arg(second)));
    QVERIFY(masses.next());
    QCOMPARE(masses.value(0).toDouble(), 1000.0);
    QVERIFY(masses.next());
    QCOMPARE(masses.value(0).toDouble(), 1500.0);
    // An edit goes into the active project.
    road->spinBox_vehicleMass->setValueSI(1100);
    QCOMPARE(theProjectListModel->activeProjectDataRawById(ProjectListFieldId::mass).toDouble(), 1100.0);

    // At rest with the default rolling resistance: the preview shows m·Crr·g.
    road->spinBox_rollingResistance->setValueSI(0.012);
    QTRY_VERIFY(std::abs(road->preview_rolling->getValueSI() - 1100 * 0.012 * 9.81) < 0.01);
    // No mass at all: the absorber gets NaN, never infinity.
    road->spinBox_vehicleMass->setValueSI(0);
    road->spinBox_rotationalMass->setValueSI(0);
    QTRY_VERIFY(std::isnan(theBrakeControllerThread->externalDynoAccTarget.load()));

    // The wizard through its hook.
    TestModeHooks::current().rotationalMassWizard = [](QWidget*, const QVariant&, double& mass) {
        mass = 42;
        return true;
    };
    road->slot_rotationalMassWizard();
    QCOMPARE(road->spinBox_rotationalMass->getValueSI(), 42.0);
    TestModeHooks::current().rotationalMassWizard = nullptr;

    // Drive cycles: a file, then one refused for its length; the first stays.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("town.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Town\nkm/h\n0 0\n5 50\n9.95 50\n");
    file.close();
    answerer->files = {path};
    answerer->result = QDialog::Accepted;
    road->slot_loadDriveCycleFile();
    QCOMPARE(road->cycle.title, QStringLiteral("Town"));
    QCOMPARE(road->cycle.gridTimes.size(), 99);
    QVERIFY(road->plot->isVisible());
    QVERIFY(!road->label_failed->isVisible());
    const int shownBefore = answerer->shown.size();
    QVERIFY(!road->loadDriveCycleText(QStringLiteral("Long\nkm/h\n0 0\n100000 10\n")));
    QCOMPARE(road->cycle.title, QStringLiteral("Town"));
    QVERIFY(answerer->shown.size() > shownBefore);
    answerer->files.clear();

    RunChannel* target = theChannels.getChannel(ChannelId_driveCycleTarget, 0);
    target->setDataWithoutFilter(7.0, QDateTime::currentMSecsSinceEpoch());
    closeTest();
    QCOMPARE(target->getValue(), 0.0);
}

void TestTestModes::sequenceOnTheSimulator()
{
    auto* sequence = open<SequenceDialog>(AdvancedTestType_sequence);
    QVERIFY(sequence);
    QCOMPARE(sequence->windowTitle(), QStringLiteral("Test Sequence"));
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
    sequence->comboBox_mode->setCurrentIndex(0);
    sequence->checkBox_showThrottle->setChecked(true);
    run->checkBox_enableThrottleControl->setChecked(false);
    // Samples of the road-speed target while it plays.
    QList<QPair<qint64, float>> targets;
    QTimer sampler;
    sampler.setInterval(20);
    qint64 start = 0;
    connect(&sampler, &QTimer::timeout, this, [&] {
        targets.append({QDateTime::currentMSecsSinceEpoch() - start,
                        theBrakeControllerThread->externalDynoSpeedTarget.load()});
    });
    start = QDateTime::currentMSecsSinceEpoch();
    sequence->pushButton_start->setChecked(true);
    sampler.start();
    QVERIFY(sequence->isTicking());
    QCOMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    QCOMPARE(sequence->pushButton_start->text(), QStringLiteral("Stop sequence"));
    QVERIFY(!sequence->editor_dynoSpeed->isEnabled());
    // Over by itself after 10 s: panel off, throttle back to the first point.
    QTRY_VERIFY_WITH_TIMEOUT(!sequence->pushButton_start->isChecked(), 20000);
    sampler.stop();
    QVERIFY(!sequence->isTicking());
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 0.0);
    // The targets follow the default curve: 100 km/h, down to 20 km/h at 8 s.
    const double kmh = 1 / 3.6;
    int checked = 0;
    for (const auto& [ms, value] : targets) {
        const double t = ms / 1000.0;
        if (t < 0.1 || (t > 1.9 && t < 2.1) || (t > 7.9 && t < 8.1) || t > 9.9)
            continue; // edges: the sample and the tick are a few ms apart
        const double expected = t < 2 ? 100 : t < 8 ? 100 - (t - 2) * 80 / 6 : 20;
        QVERIFY2(std::abs(value - expected * kmh) < 1.0,
                 qPrintable(QStringLiteral("t %1: %2").arg(t).arg(value * 3.6)));
        ++checked;
    }
    QVERIFY(checked > 100);

    // A start on an empty curve ends stopped, with the panel off.
    sequence->editor_dynoSpeed->slot_setVector({});
    sequence->checkBox_showThrottle->setChecked(false);
    sequence->pushButton_start->setChecked(true);
    QTRY_VERIFY(!sequence->pushButton_start->isChecked());
    QVERIFY(!sequence->isTicking());
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);
    closeTest();
}

namespace {

// The racing simulator's side of the link, on loopback.
QByteArray handshakeReply(int size = SimConnector::handshakeSize)
{
    QByteArray data(size, '\0');
    auto name = [&data](int offset, const QString& text) {
        QString field = text.leftJustified(50, QLatin1Char('%'));
        for (int i = 0; i < 50 && offset + 2 * i + 1 < data.size(); ++i)
            qToLittleEndian<quint16>(field.at(i).unicode(), data.data() + offset + 2 * i);
    };
    name(0, QStringLiteral("Car1"));
    name(100, QStringLiteral("Ann"));
    if (size >= 208) {
        qToLittleEndian<qint32>(4242, data.data() + 200);
        qToLittleEndian<qint32>(1, data.data() + 204);
    }
    name(208, QStringLiteral("Monza"));
    name(308, QStringLiteral("GP"));
    return data;
}

QByteArray carUpdate(float rpm, float throttle, int gear)
{
    QByteArray data(SimConnector::updateSize, '\0');
    data[0] = 'a';
    qToLittleEndian<qint32>(SimConnector::updateSize, data.data() + 4);
    auto putFloat = [&data](int offset, float value) {
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        qToLittleEndian<quint32>(bits, data.data() + offset);
    };
    putFloat(56, throttle);
    putFloat(68, rpm);
    qToLittleEndian<qint32>(gear, data.data() + 76);
    return data;
}

// The operation of every request the stand-in received so far.
QList<int> receivedOperations(QUdpSocket& socket)
{
    QList<int> operations;
    while (socket.hasPendingDatagrams()) {
        const QByteArray data = socket.receiveDatagram().data();
        operations.append(data.size() == 12 ? qFromLittleEndian<qint32>(data.constData() + 8) : -1);
    }
    return operations;
}

} // namespace

void TestTestModes::simConnectorAgainstAStandIn()
{
    // Free loopback ports for both sides.
    QUdpSocket simulator;
    QVERIFY(simulator.bind(QHostAddress::LocalHost, 0));
    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 local = probe.localPort();
    probe.close();
    qputenv("ZEMBO_SIMCONNECTOR_LOCAL_PORT", QByteArray::number(local));
    qputenv("ZEMBO_SIMCONNECTOR_REMOTE_PORT", QByteArray::number(simulator.localPort()));
    const QHostAddress program(QHostAddress::LocalHost);
    // Every request received, collected (QTRY evaluates its expression again at the end).
    QList<int> received;
    auto requests = [&] {
        received += receivedOperations(simulator);
        return received;
    };
    brake->spinBox_minEngineSpeed->setValueSI(1000 * M_PI / 30);

    // A port someone else holds: "Error" and why.
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::Any, local));
        auto* blocked = open<SimConnector>(AdvancedTestType_simConnector);
        QVERIFY(blocked);
        QCOMPARE(blocked->label_status->text(), QStringLiteral("Error"));
        QVERIFY(blocked->label_info->text().contains(QString::number(local)));
        closeTest();
    }

    auto* sim = open<SimConnector>(AdvancedTestType_simConnector);
    QVERIFY(sim);
    QCOMPARE(sim->windowTitle(), QStringLiteral("Sim Connector"));
    QCOMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    QCOMPARE(brake->comboBox_channel->currentIndex(), int(BrakeControllerChannel_engineSpeed));
    sim->lineEdit_ip->setText(QStringLiteral("abc"));
    sim->pushButton_connect->click();
    QCOMPARE(sim->label_status->text(), QStringLiteral("Invalid IP address"));
    sim->lineEdit_ip->setText(QStringLiteral("127.0.0.1"));
    sim->spinBox_gain->setValue(0);
    sim->spinBox_throttleOnTimeout->setValue(7.5);
    sim->pushButton_connect->click();
    QCOMPARE(sim->label_status->text(), QStringLiteral("Connecting"));
    QTRY_COMPARE(requests(), QList<int>({SimConnector::Operation_handshake}));
    received.clear();

    // A short reply: the sizes, and no subscription.
    simulator.writeDatagram(handshakeReply(400), program, local);
    QTRY_COMPARE(sim->label_info->text(), QStringLiteral("Invalid response size 400 408"));
    QCOMPARE(sim->label_status->text(), QStringLiteral("Error"));
    QTest::qWait(50);
    QVERIFY(requests().isEmpty());
    simulator.writeDatagram(handshakeReply(), program, local);
    QTRY_COMPARE(sim->label_status->text(), QStringLiteral("Connected"));
    QVERIFY(sim->label_info->text().startsWith(QStringLiteral("Car name: Car1\nDriver name: Ann\nTrack name: Monza")));
    QTRY_COMPARE(requests(), QList<int>({SimConnector::Operation_subscribe}));
    received.clear();

    // Anyone else on the network is not heard.
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    theBrakeControllerThread->externalEngineSpeedTarget.store(-1.0f);
    stranger.writeDatagram(carUpdate(5000, 1, 4), program, local);
    QTest::qWait(100);
    QCOMPARE(theBrakeControllerThread->externalEngineSpeedTarget.load(), -1.0f);

    RunChannel* gear = theChannels.getChannel(ChannelId_gearTarget, 0);
    simulator.writeDatagram(carUpdate(3000, 0.5f, 3), program, local);
    QTRY_VERIFY(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - 314.159f) < 0.01f);
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 50.0);
    QTRY_COMPARE(gear->getValue(), 3.0);
    // Below the panel's minimum: the minimum.
    simulator.writeDatagram(carUpdate(600, 0.2f, 1), program, local);
    QTRY_VERIFY(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - float(1000 * M_PI / 30)) < 0.01f);
    // Not a number: dropped.
    simulator.writeDatagram(carUpdate(std::numeric_limits<float>::quiet_NaN(), 0.5f, 2), program, local);
    QTest::qWait(100);
    QVERIFY(std::isfinite(theBrakeControllerThread->externalEngineSpeedTarget.load()));

    // Silence: "Timeout" and the time-out throttle; the next update goes on
    // without a new handshake.
    QTRY_VERIFY_WITH_TIMEOUT(sim->label_status->text() == QStringLiteral("Timeout"), 8000);
    QCOMPARE(sim->label_info->text(), QStringLiteral("Timeout"));
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 7.5);
    simulator.writeDatagram(carUpdate(3000, 0.5f, 3), program, local);
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 50.0);
    QCOMPARE(sim->state, int(SimConnector::State_subscribed));
    QVERIFY(requests().isEmpty());

    // Closing dismisses.
    closeTest();
    QTRY_COMPARE(requests(), QList<int>({SimConnector::Operation_dismiss}));
    brake->spinBox_minEngineSpeed->setValueSI(0);
}

void TestTestModes::logPlayerDuringARun()
{
    const double rpm = M_PI / 30;
    TestModeHooks::Log recorded;
    for (int i = 0; i <= 60; ++i) {
        recorded.time.append(i);
        recorded.engineSpeed.append((2000 + 20 * i) * rpm);
        recorded.throttle.append(0.3);
        recorded.gear.append(1 + i / 20);
    }
    TestModeHooks::current().loadLogFile = [&recorded](QWidget*, TestModeHooks::Log& log) {
        log = recorded;
        return true;
    };
    const int project = addProject(QStringLiteral("Log"), 1200);
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(project));
    brake->spinBox_minEngineSpeed->setValueSI(0);

    auto* player = open<LogPlayerTest>(AdvancedTestType_logPlayer);
    QVERIFY(player);
    QCOMPARE(player->windowTitle(), QStringLiteral("Log Player"));
    QCOMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    QCOMPARE(brake->comboBox_channel->currentIndex(), int(BrakeControllerChannel_engineSpeed));
    player->pushButton_load->click();
    QCOMPARE(player->getLog().time.size(), 61);
    player->spinBox_gain->setValue(0);
    player->spinBox_throttleAtEnd->setValueSI(0.5);
    // The tracker at 30 s before START: playback begins there.
    player->setPlaybackTime(30);
    run->pushButton_run_startStop->click();
    QVERIFY(run->running);
    QTRY_VERIFY(player->isPlaying());
    QVERIFY(!player->pushButton_load->isEnabled());
    QTRY_VERIFY(player->playbackTime() > 30.2);
    const double expected = (2000 + 20 * player->playbackTime()) * rpm;
    QVERIFY2(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - expected) < 0.02 * expected,
             qPrintable(QString::number(theBrakeControllerThread->externalEngineSpeedTarget.load() / rpm)));
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 30.0);
    QTRY_COMPARE(theChannels.getChannel(ChannelId_gearTarget, 0)->getValue(), 2.0);
    // Below the panel's minimum the minimum.
    brake->spinBox_minEngineSpeed->setValueSI(5000 * rpm);
    QTRY_VERIFY(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - float(5000 * rpm)) < 0.1f);
    brake->spinBox_minEngineSpeed->setValueSI(0);
    // A click into the plot during the run moves nothing.
    const double before = player->playbackTime();
    player->setPlaybackTime(5);
    QVERIFY(player->playbackTime() >= before);

    run->pushButton_run_startStop->click();
    QVERIFY(!run->running);
    QTRY_VERIFY(!player->isPlaying());
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 50.0);
    QVERIFY(player->pushButton_load->isEnabled());

    // Without a throttle column nothing plays.
    recorded.throttle.clear();
    player->pushButton_load->click();
    run->pushButton_run_startStop->click();
    QVERIFY(run->running);
    QTest::qWait(300);
    QVERIFY(!player->isPlaying());
    run->pushButton_run_startStop->click();
    TestModeHooks::current().loadLogFile = nullptr;
    closeTest();
}

void TestTestModes::rampOnTheSimulator()
{
    auto* controller = dynamic_cast<SimulatedDynoController*>(theMCUThread->transport());
    QVERIFY(controller);
    auto* plant = dynamic_cast<SimulatedVehiclePlant*>(controller->currentPlant());
    QVERIFY(plant);
    const double radius = 0.25;

    QSqlQuery insert(theProjectListModel->database());
    QVERIFY(insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName) values ('R 1', 'Ramp')")));
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(insert.lastInsertId().toInt()));
    brake->spinBox_minDynoSpeed->setValueSI(0.0);

    // Start while the drive is off, so that the next drive is a whole one.
    QTRY_VERIFY_WITH_TIMEOUT(std::fmod(plant->elapsedSeconds(), 40.0) > 27.0
                                 && std::fmod(plant->elapsedSeconds(), 40.0) < 36.0,
                             45000);
    RampTestDialog* ramp = openRamp();
    QVERIFY(ramp);
    const double S = 40 / 3.6;
    const double T = 110 / 3.6;
    const double R = 2.0;
    ramp->comboBox_mode->setCurrentIndex(0);
    ramp->road.startSpeed->setValueSI(S);
    ramp->road.startHoldTime->setValueSI(2.0);
    ramp->road.releaseTime->setValueSI(1.0);
    ramp->road.rate->setValueSI(R);
    ramp->road.easeIn->setValueSI(0.1);
    ramp->road.topHoldSpeed->setValueSI(T);
    ramp->road.topHold->setChecked(true);
    ramp->checkBox_forcedCoastdown->setChecked(true);
    ramp->spinBox_coastdownRate->setValueSI(2.7777777777777777);
    ramp->comboBox_accelerationMode->setCurrentIndex(1);

    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    run->pushButton_run_startStop->click();
    QVERIFY(run->running);

    // Step changes as the label shows them, and the plant's true speed per step.
    QStringList steps;
    connect(ramp, &RampTestDialog::signal_setStateLabel, this, [&steps](const QString& text) {
        const QString step = text.section(QLatin1Char('\n'), 0, 0);
        if (steps.isEmpty() || steps.last() != step)
            steps.append(step);
    }, Qt::QueuedConnection);
    QList<RampSample> samples;
    QTimer sampler;
    sampler.setInterval(10);
    connect(&sampler, &QTimer::timeout, this, [&] {
        samples.append({plant->elapsedSeconds(), plant->rollerSpeed(0) * radius, ramp->testStep()});
    });
    sampler.start();
    // Earlier drives may be cut short when the vehicle lifts off early; wait
    // for one that went through every step.
    const QStringList full{QStringLiteral("HOLDING"), QStringLiteral("RELEASING"), QStringLiteral("ACCELERATION"),
                           QStringLiteral("TOP HOLD EASE"), QStringLiteral("TOP HOLD"), QStringLiteral("COASTDOWN"),
                           QStringLiteral("ARMED")};
    auto hasFullCycle = [&] {
        for (int i = 0; i + full.size() <= steps.size(); ++i) {
            if (steps.mid(i, full.size()) == full)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(hasFullCycle(), 150000);
    QString error = checkRampCycle(samples, R, T);
    QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("acceleration controlled: ") + error));

    // The next drive, speed controlled.
    steps.clear();
    samples.clear();
    ramp->comboBox_accelerationMode->setCurrentIndex(0);
    QTRY_VERIFY_WITH_TIMEOUT(hasFullCycle(), 150000);
    error = checkRampCycle(samples, R, T);
    QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("speed controlled: ") + error));

    sampler.stop();
    const QString runFile = run->logWriter->filePath;
    run->pushButton_run_startStop->click();
    QVERIFY(!run->running);
    closeTest();

    // The run file's controller set points, read with h5py.
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZEMBO_TEST_SOURCE_DIR "/check_ramp_run.py"), runFile, QString::number(R),
                  QString::number(radius)});
    QVERIFY(python.waitForFinished(60000));
    const QString output = QString::fromUtf8(python.readAll());
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0, qPrintable(output));
}

QTEST_MAIN(TestTestModes)
#include "tst_test_modes.moc"
