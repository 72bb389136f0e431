// A speed hold on the simulated dyno: the whole program in the test's own
// process, the absorber in road-speed control at 50 km/h while the simulated
// vehicle drives; the measured road speed must settle within 2 % of the
// target and stay there.
//
// The simulated vehicle plant's absorber follows the device mode and the
// targets; ZEMBO_SIM_SCENARIO (set by CTest) names the drive, whose vehicle
// alone would go well past the target. ZEMBO_SPEED_HOLD_CONTROLLER, if set,
// is handed to the simulated controller as its configuration.
#include "BrakeController.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "SafeSpinBox.h"
#include "Settings.h"
#include "UI.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>

#include <cmath>

class TestSpeedHold : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void roadSpeedSettlesWithinTwoPercent();

private:
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
};

void TestSpeedHold::initTestCase()
{
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess(qEnvironmentVariable("ZEMBO_SPEED_HOLD_CONTROLLER"));
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
}

void TestSpeedHold::cleanupTestCase()
{
    MainWindowFixture::destroyWindow(window);
    delete answerer;
}

void TestSpeedHold::roadSpeedSettlesWithinTwoPercent()
{
    const double target = 50.0 / 3.6;
    BrakeController* brake = theUI->runWidget->brakeController;
    // The panel is there for a torque controller that follows the speed controller.
    theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, 0)->setValue(2);
    QVERIFY(!brake->isHidden());
    // The absorber acts outside runs too.
    theUI->settings->checkBox_settings_absorberControlOnlyDuringRun->setChecked(false);
    brake->setChannel(BrakeControllerChannel_roadSpeed);
    brake->spinBox_minDynoSpeed->setValueSI(0.0);
    brake->spinBox_dynoSpeedTarget->setValueSI(target);
    brake->setMode(BrakeControllerMode_speed);
    QCOMPARE(brake->deviceMode, 3);

    RunChannel* roadSpeed = theChannels.getChannel(ChannelId_dynoSpeed, 0);
    auto within = [&] { return std::abs(roadSpeed->getValue() - target) <= 0.02 * target; };
    // Settled: within the band for two seconds without a break.
    QElapsedTimer settling;
    settling.start();
    QElapsedTimer inBand;
    bool settled = false;
    while (!settled && settling.elapsed() < 60000) {
        QTest::qWait(20);
        if (!within())
            inBand.invalidate();
        else if (!inBand.isValid())
            inBand.start();
        settled = inBand.isValid() && inBand.elapsed() >= 2000;
    }
    QVERIFY2(settled, qPrintable(QStringLiteral("road speed %1 m/s, target %2 m/s")
                                     .arg(roadSpeed->getValue())
                                     .arg(target)));
    qInfo("settled after %.1f s", double(settling.elapsed() - 2000) / 1000.0);
    // And it stays there.
    for (int i = 0; i < 150; ++i) {
        QTest::qWait(20);
        QVERIFY2(within(), qPrintable(QString::number(roadSpeed->getValue())));
    }
}

QTEST_MAIN(TestSpeedHold)
#include "tst_speed_hold.moc"
