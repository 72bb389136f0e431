// A run on the simulated dyno through the real link: the controller's sync
// echo starts the recording, every kind of record reaches the writer, the
// stop ends it cleanly, and a withheld echo ends the program. The vehicle
// plant's inertia scenario checks the physics against what really happened.
#include "ChannelSetup.h"
#include "Channels.h"
#include "DynoSettings.h"
#include "HallInput.h"
#include "HpAin.h"
#include "HwInfo.h"
#include "IOReadings.h"
#include "PowerPort.h"
#include "RunChannel.h"
#include "RunThreadFixture.h"
#include "SimulatedVehiclePlant.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

class TestRunSync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void echoStartsTheRunAndEveryRecordReachesTheWriter();
    void markersOnlyDuringARun();
    void stopWithoutRunDoesNothing();
    void inertiaRunMatchesThePlant();
    void ioTilesFollowTheSimulator();
    void withheldEchoEndsTheProgramWithTheFileClosed();

private:
    void startRun();
    void stopRun();
    std::unique_ptr<RunThreadFixture> fixture;
    SimulatedVehiclePlant* plant = nullptr;
    QList<double> odometerRuns;
};

void TestRunSync::initTestCase()
{
    fixture = std::make_unique<RunThreadFixture>(3, true);
    RunThread::hooks.odometerRunFinished = [this](double seconds) { odometerRuns.append(seconds); };
    QVERIFY(fixture->start());
    // From now on the run thread takes the link's blocks.
    fixture->settings.link.drainTimer.stop();
    fixture->writer->initialized = true;

    QString error;
    const SimulatedScenario scenario = SimulatedScenario::fromFile(
        qEnvironmentVariable("ZEMBO_SOURCE_DIR") + QStringLiteral("/platform/scenarios/inertia-constant-torque.txt"),
        &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    auto owned = std::make_unique<SimulatedVehiclePlant>(scenario, 3);
    plant = owned.get();
    fixture->settings.link.sim->setPlant(std::move(owned));
    // The dyno as the scenario builds it; high-resolution controller details on.
    fixture->setSetting(DynoSettingId_rollerDiameter, 0, 0.5);
    fixture->setSetting(DynoSettingId_inertia, 0, 4.0);
    fixture->setSetting(DynoSettingId_pidDetails, 0, 1);
}

void TestRunSync::cleanupTestCase()
{
    RunThread::hooks = RunThreadHooks();
    fixture.reset();
}

void TestRunSync::startRun()
{
    fixture->inRunThread([this] { fixture->thread->slot_startRun(); });
}

void TestRunSync::stopRun()
{
    fixture->inRunThread([this] { fixture->thread->slot_stopRun(); });
}

void TestRunSync::echoStartsTheRunAndEveryRecordReachesTheWriter()
{
    RecordingLogWriter* writer = fixture->writer;
    writer->clear();
    const int syncRequests = fixture->settings.link.sim->syncRequests();
    startRun();
    QVERIFY(!fixture->thread->isLogging());
    QTRY_VERIFY_WITH_TIMEOUT(fixture->thread->isLogging(), 500);
    QCOMPARE(fixture->settings.link.sim->syncRequests(), syncRequests + 1);
    QVERIFY(fixture->thread->runActive);
    QCOMPARE(RunThreadFixture::channel(ChannelId_runActive), 1.0);

    // Every logged channel gives its value at the start.
    const QList<RunChannel*> misc = fixture->thread->loggedMiscChannels();
    QVERIFY(misc.size() > 20);
    QTest::qWait(1500);
    for (const char* kind : {"freq", "ain0", "ain1", "loadCellV2", "accOut", "speedOut", "torqueOut", "ainOut",
                             "accSP", "speedSP", "torqueSP", "ainSP", "pidDetails", "tc", "can"})
        QVERIFY2(writer->records(kind) > 0, kind);
    // Speed sensor of roller 0 at slot 0; the others stand still.
    QVERIFY(writer->records("freq0") > 100);
    QCOMPARE(writer->records("freq1"), 0);

    stopRun();
    QVERIFY(!fixture->thread->runActive);
    QCOMPARE(RunThreadFixture::channel(ChannelId_runActive), 0.0);
    QCOMPARE(writer->stops(), 1);
    QCOMPARE(odometerRuns.size(), 1);
    QVERIFY(odometerRuns.first() >= 1.4);

    // One sample at the start and one at the stop for each misc channel (the
    // run-active flag and the supplies also change in between).
    const auto samples = writer->channelSamples();
    for (RunChannel* channel : misc) {
        int count = 0;
        for (const auto& sample : samples)
            count += sample.channel == channel ? 1 : 0;
        QVERIFY2(count >= 2, qPrintable(channel->setup ? channel->setup->key : QString()));
    }
    // Nothing more after the stop.
    const int freq = writer->records("freq");
    const int channelSamples = int(writer->channelSamples().size());
    QTest::qWait(200);
    QCOMPARE(writer->records("freq"), freq);
    QCOMPARE(int(writer->channelSamples().size()), channelSamples);
}

void TestRunSync::markersOnlyDuringARun()
{
    RunThread* thread = fixture->thread.get();
    fixture->inRunThread([thread] { thread->slot_insertMarker(); });
    startRun();
    QTRY_VERIFY_WITH_TIMEOUT(thread->isLogging(), 500);
    QTest::qWait(300);
    fixture->inRunThread([thread] { thread->slot_insertMarker(); });
    stopRun();
    const QList<double> markers = fixture->writer->storedMarkers();
    QCOMPARE(markers.size(), 1);
    QVERIFY(markers.first() >= 0.3 && markers.first() < 2.0);
}

void TestRunSync::stopWithoutRunDoesNothing()
{
    const int stops = fixture->writer->stops();
    const int runs = int(odometerRuns.size());
    stopRun();
    QCOMPARE(fixture->writer->stops(), stops);
    QCOMPARE(int(odometerRuns.size()), runs);
}

void TestRunSync::inertiaRunMatchesThePlant()
{
    // Constant torque on a roller of 4 kg·m² without losses: 10 rad/s², so
    // power = torque × speed exactly, and the road speed follows the plant
    // behind the speed filter (7 stages at 10 Hz, 0.111 s).
    const double torque = 40.0;
    const double radius = 0.25;
    const double alpha = torque / 4.0;
    // The power channels have a display filter (a first-order lag τ): on a
    // speed ramp they read torque × the speed of τ seconds before.
    const double tauRoller = theChannels.getChannel(ChannelId_rollerPower, 0)->setup->filter;
    const double tauWheels = theChannels.getChannel(ChannelId_dynoOnWheelsPower, 0)->setup->filter;
    QTRY_VERIFY_WITH_TIMEOUT(plant->elapsedSeconds() > 3.0, 10000);
    QTest::qWait(500);
    int checked = 0;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(50);
        double power;
        double omega;
        qint64 stamp;
        theChannels.getChannel(ChannelId_rollerPower, 0)->getTimestampedData(power, stamp);
        omega = RunThreadFixture::channel(ChannelId_rollerRotationalSpeed, 0);
        const double plantSpeed = plant->rollerSpeed(0) * radius;
        const double dynoSpeed = RunThreadFixture::channel(ChannelId_dynoSpeed);
        QVERIFY2(std::isfinite(power) && std::isfinite(omega), "roller channels valid");
        const double expected = torque * (omega - alpha * tauRoller);
        QVERIFY2(std::fabs(power - expected) <= 0.02 * expected,
                 qPrintable(QStringLiteral("power %1 at %2 rad/s, expected %3").arg(power).arg(omega).arg(expected)));
        const double wheels = RunThreadFixture::channel(ChannelId_dynoOnWheelsPower);
        const double wheelsExpected = torque * (omega - alpha * (tauRoller + tauWheels));
        QVERIFY2(std::fabs(wheels - wheelsExpected) <= 0.02 * wheelsExpected,
                 qPrintable(QStringLiteral("on wheels %1, expected %2").arg(wheels).arg(wheelsExpected)));
        // Behind by the filter delay, give or take one block and one tick.
        const double lag = (plantSpeed - dynoSpeed) / (alpha * radius);
        QVERIFY2(lag > 0.05 && lag < 0.2, qPrintable(QStringLiteral("lag %1 s").arg(lag)));
        ++checked;
    }
    QCOMPARE(checked, 20);
    QVERIFY(RunThreadFixture::channel(ChannelId_dynoSpeedMax) >= RunThreadFixture::channel(ChannelId_dynoSpeed) - 1.0);
}

void TestRunSync::ioTilesFollowTheSimulator()
{
    QCOMPARE(IOReadings::installed(), static_cast<const IOReadings*>(fixture->thread.get()));

    // The simulated board reports 12.05 V (a few millivolts of noise).
    PowerPort supply;
    supply.setId(IOReadings::PowerInfo_ext12V, false);
    supply.updateTimerTick();
    const double volts = supply.valueLabel->text().section(QLatin1Char('\n'), 0, 0).toDouble();
    QVERIFY2(std::fabs(volts - 12.05) <= 0.03, qPrintable(supply.valueLabel->text()));

    // Roller 0 turns: its speed sensor's pulse count grows from one refresh to the next.
    HallInput pulses;
    pulses.setId(0, true);
    auto count = [&] {
        pulses.updateTimerTick();
        return pulses.valueLabel->text().section(QLatin1Char('\n'), 1).toULongLong();
    };
    const quint64 before = count();
    QVERIFY(before > 0);
    QTest::qWait(200);
    QVERIFY2(count() > before, qPrintable(pulses.valueLabel->text()));

    // The thermocouple words (about 400 counts) through the filter bank, in the
    // "4V range" (0.125 mV per count).
    fixture->setSetting(DynoSettingId_hpAinMode, 0, 1);
    HpAin hp;
    hp.setId(0, true);
    auto firstInput = [&] {
        hp.updateTimerTick();
        return hp.valueLabel->text().section(QStringLiteral("\n\n"), 0, 0);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(firstInput().endsWith(QStringLiteral("\n0.05V")), qPrintable(firstInput()), 10000);
}

void TestRunSync::withheldEchoEndsTheProgramWithTheFileClosed()
{
    fixture->settings.link.sim->setSyncEchoSuppressed(true);
    QObject gui;
    QStringList shown;
    QList<int> stopsWhenShown;
    RecordingLogWriter* writer = fixture->writer;
    QObject::connect(fixture->thread.get(), &RunThread::signal_fatalError, &gui,
                     [&](const QString& message) {
                         shown.append(message);
                         stopsWhenShown.append(writer->stops());
                     });
    const int stops = writer->stops();
    QElapsedTimer clock;
    clock.start();
    startRun();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 2000);
    QVERIFY2(clock.elapsed() >= 480, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(shown.first(), QStringLiteral("Can't synchronize with MCU"));
    // The run file is whole before the operator sees the message.
    QCOMPARE(stopsWhenShown.first(), stops + 1);
    QVERIFY(fixture->thread->halted());
    QVERIFY(fixture->endings.isEmpty());
    fixture->thread->fatalErrorClosed();
    QCOMPARE(fixture->endings, QStringList{QStringLiteral("Can't synchronize with MCU")});
}

QTEST_MAIN(TestRunSync)
#include "tst_run_sync.moc"
