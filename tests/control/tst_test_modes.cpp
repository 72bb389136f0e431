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
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <cmath>

class TestTestModes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void handOverKeysAndPosition();
    void openAndCloseWhileTheTickRequestsModes();
    void rampOnTheSimulator();
    void cleanupTestCase();

private:
    RampTestDialog* openRamp();
    void closeRamp();

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

void TestTestModes::closeRamp()
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
    closeRamp();
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
    closeRamp();
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
        case 3: QTRY_COMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed)); break;
        }
        closeRamp();
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
    closeRamp();
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
    const double T = 80 / 3.6;
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
    struct Sample {
        double t;
        double v;
        int step;
    };
    QList<Sample> samples;
    QTimer sampler;
    sampler.setInterval(10);
    connect(&sampler, &QTimer::timeout, this, [&] {
        samples.append({plant->elapsedSeconds(), plant->rollerSpeed(0) * radius, ramp->testStep()});
    });
    sampler.start();

    auto checkCycle = [&](const char* mode) {
        const QStringList full{QStringLiteral("HOLDING"), QStringLiteral("RELEASING"), QStringLiteral("ACCELERATION"),
                               QStringLiteral("TOP HOLD EASE"), QStringLiteral("TOP HOLD"), QStringLiteral("COASTDOWN"),
                               QStringLiteral("ARMED")};
        QVERIFY2(steps.size() >= full.size() && steps.mid(steps.size() - full.size()) == full,
                 qPrintable(QString::fromLatin1(mode) + QStringLiteral(": ") + steps.join(QStringLiteral(", "))));
        // The ramp from 1 s after it began to the start of the ease.
        double t0 = -1;
        QList<Sample> ramp;
        QList<Sample> hold;
        double holdStart = -1;
        for (const Sample& s : samples) {
            if (s.step == RampTestStep_acceleration) {
                if (t0 < 0)
                    t0 = s.t;
                if (s.t > t0 + 1.0)
                    ramp.append(s);
            }
            if (s.step == RampTestStep_topHold) {
                if (holdStart < 0)
                    holdStart = s.t;
                if (s.t > holdStart + 1.5)
                    hold.append(s);
            }
        }
        QVERIFY2(ramp.size() > 50, mode);
        // Least-squares slope of the true speed against plant time.
        double st = 0, sv = 0, stt = 0, stv = 0;
        for (const Sample& s : ramp) {
            st += s.t;
            sv += s.v;
            stt += s.t * s.t;
            stv += s.t * s.v;
        }
        const double n = ramp.size();
        const double slope = (n * stv - st * sv) / (n * stt - st * st);
        QVERIFY2(std::abs(slope - R) <= 0.05 * R, qPrintable(QStringLiteral("%1: rate %2").arg(mode).arg(slope)));
        QVERIFY2(hold.size() > 50, mode);
        for (const Sample& s : hold)
            QVERIFY2(std::abs(s.v - T) <= 0.02 * T, qPrintable(QStringLiteral("%1: top hold %2").arg(mode).arg(s.v)));
    };

    auto waitForCycle = [&] {
        QTRY_VERIFY_WITH_TIMEOUT(steps.size() >= 2 && steps.last() == QStringLiteral("ARMED")
                                     && steps.at(steps.size() - 2) == QStringLiteral("COASTDOWN"),
                                 60000);
    };
    waitForCycle();
    checkCycle("acceleration controlled");

    // The next drive, speed controlled.
    steps.clear();
    samples.clear();
    ramp->comboBox_accelerationMode->setCurrentIndex(0);
    waitForCycle();
    checkCycle("speed controlled");

    sampler.stop();
    run->pushButton_run_startStop->click();
    QVERIFY(!run->running);
    closeRamp();
}

QTEST_MAIN(TestTestModes)
#include "tst_test_modes.moc"
