// An operator opens a long run in ANALYZE while the dyno records: the whole
// program in this process on the simulated dyno, a 10-minute full-rate run
// (made by the recalculation benchmark, a CTest fixture) loaded and
// recalculated in the GUI thread. Every CAN frame the controller received
// during the recording must be in the new run and the controller's transmit
// buffer must never overflow; the longest pauses of the run thread before,
// during and after are printed.
#include "Channels.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "McuThread.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunData.h"
#include "RunThread.h"
#include "RunWidget.h"
#include "SimulatedDynoController.h"
#include "UI.h"
#include "LogWriter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QCheckBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestLoadWhileRecording : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void longRunLoadsWhileRecording();

private:
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
};

void TestLoadWhileRecording::initTestCase()
{
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 30000);
    // Runs are recorded for the active project.
    QSqlQuery insert(theProjectListModel->database());
    QVERIFY(insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName, mass) "
                                       "values ('KR 4711', 'Focus ST', 1300)")));
    const int projectId = insert.lastInsertId().toInt();
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(projectId));
    theUI->runWidget->checkBox_run_enableAutoAnalyzeLastRun->setChecked(false);
}

void TestLoadWhileRecording::cleanupTestCase()
{
    theOpenedRunsManager.closeAllRuns();
    MainWindowFixture::destroyWindow(window);
    delete answerer;
}

void TestLoadWhileRecording::longRunLoadsWhileRecording()
{
    const QString longRun = qEnvironmentVariable("ZEMBO_BUILD_DIR") + QStringLiteral("/bench-cache/run-600s.h5");
    QVERIFY2(QFileInfo::exists(longRun), qPrintable(longRun));
    auto* controller = dynamic_cast<SimulatedDynoController*>(theMCUThread->transport());
    QVERIFY(controller);
    RunWidget* run = theUI->runWidget;
    RunThread* runThread = run->runThread;
    // The roller turns: its pulses move on every cycle of the run thread.
    QTRY_VERIFY_WITH_TIMEOUT(runThread->pulseCount(0) > 0, 10000);

    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    run->pushButton_run_startStop->click();
    QVERIFY2(run->running, qPrintable(answerer->shown.isEmpty() ? QString() : answerer->shown.last().text));
    const QString recorded = run->logWriter->filePath;
    const quint64 droppedBefore = controller->framesDropped();

    // A CAN frame every 2 ms numbered in its time stamp, and the longest time
    // the run thread's pulse count stood still, both away from the GUI thread
    // that the loading blocks.
    std::atomic<bool> going {true};
    std::atomic<uint32_t> injected {0};
    std::atomic<qint64> longestStillUs {0};
    std::atomic<int> phase {0};
    // The longest still time before (0), while loading (1), while
    // recalculating (2) and after (3).
    std::atomic<qint64> phaseStill[4] = {};
    std::thread side([&] {
        using Clock = std::chrono::steady_clock;
        uint64_t lastCount = runThread->cycles.load();
        Clock::time_point lastMove = Clock::now();
        Clock::time_point nextFrame = Clock::now();
        while (going.load()) {
            const Clock::time_point now = Clock::now();
            if (now >= nextFrame) {
                const uint32_t n = injected.load() + 1;
                unsigned char data[8] = {};
                std::memcpy(data, &n, sizeof n);
                controller->injectCanFrame(0, 0x321, data, n);
                injected.store(n);
                nextFrame += std::chrono::milliseconds(2);
            }
            const uint64_t count = runThread->cycles.load();
            if (count != lastCount) {
                const qint64 still = std::chrono::duration_cast<std::chrono::microseconds>(now - lastMove).count();
                if (still > longestStillUs.load())
                    longestStillUs.store(still);
                if (still > phaseStill[phase.load()].load())
                    phaseStill[phase.load()].store(still);
                lastCount = count;
                lastMove = now;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    QTest::qWait(2000);
    phase.store(0);
    QElapsedTimer loading;
    loading.start();
    phase.store(1);
    RunData* data = theOpenedRunsManager.getRunData(longRun);
    bool loaded = data && data->loadAll() == 0;
    const qint64 loadMs = loading.elapsed();
    phase.store(2);
    loaded = loaded && data->calculateAll(false) == 0;
    phase.store(3);
    const qint64 loadingMs = loading.elapsed();
    QTest::qWait(2000);
    going.store(false);
    side.join();
    // The last frames still on their way through the link.
    QTest::qWait(500);
    run->pushButton_run_startStop->click();
    QVERIFY(!run->running);
    QVERIFY2(loaded, "the long run did not load");
    const qint64 before = phaseStill[0].load() / 1000;
    const qint64 duringLoad = phaseStill[1].load() / 1000;
    const qint64 duringCalculation = phaseStill[2].load() / 1000;
    qInfo("long run loaded in %lld ms and recalculated in %lld ms; %u frames injected; "
          "run thread still for at most %lld ms before, %lld ms loading, %lld ms recalculating",
          loadMs, loadingMs - loadMs, injected.load(), before, duringLoad, duringCalculation);

    QCOMPARE(controller->framesDropped(), droppedBefore);
    // How long the run thread stood still is reported, not asserted: on a
    // machine this busy the figure swings with whatever else runs, even
    // before the loading starts.

    // Every injected frame, in order, none twice.
    RunData* mine = theOpenedRunsManager.getRunData(recorded);
    QVERIFY(mine);
    QCOMPARE(mine->loadAll(), 0);
    const qsizetype count = mine->frames.count<canFrame_t>(FrameId_can);
    const canFrame_t* frames = mine->frames.records<canFrame_t>(FrameId_can);
    uint32_t expected = 1;
    for (qsizetype i = 0; i < count; ++i) {
        if ((frames[i].canChannelAndId & 0x1FFFFFFFu) != 0x321)
            continue;
        QCOMPARE(frames[i].timestamp, expected);
        ++expected;
    }
    QCOMPARE(expected - 1, injected.load());
}

QTEST_MAIN(TestLoadWhileRecording)
#include "tst_load_while_recording.moc"
