// The main window in the test's own process, on the simulated dyno: start-up
// stages, the RUN tab's start button and run bracket, the periodic duties,
// keys and the orderly shutdown.
#include "AlarmWidget.h"
#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "CameraSettings.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LogCapture.h"
#include "HwInfo.h"
#include "LogWriter.h"
#include "RunData.h"
#include "LossModelIndicator.h"
#include "MainTab.h"
#include "LoadedRunListModel.h"
#include "AnalyzeWidget.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "McuThread.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "ObdThread.h"
#include "OutputWidget.h"
#include "OutputWidgetContainer.h"
#include "PowerCorrectionSetup.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RemoteControl.h"
#include "RunChannel.h"
#include "RunThread.h"
#include "RunWidget.h"
#include "SelfTest.h"
#include "Settings.h"
#include "SimulatedGpioDevice.h"
#include "Statusbar.h"
#include "TriggerThread.h"
#include "UI.h"
#include "rpiGPIO.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTabWidget>
#include <QFileInfo>
#include <QTest>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

int indexOf(const QStringList& messages, const QString& text)
{
    for (int i = 0; i < messages.size(); ++i) {
        if (messages.at(i).contains(text))
            return i;
    }
    return -1;
}

void sendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat = false)
{
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

// The alarm field's hold times run on the channels' wall clock; the tests
// raise a system alarm and end it by moving that clock past its hold time.
// The run thread reads it too.
std::atomic<qint64> g_alarmClock {0};
qint64 alarmClock()
{
    return g_alarmClock.load();
}

void raiseAlarm()
{
    g_alarmClock.store(QDateTime::currentMSecsSinceEpoch());
    RunChannel::setWallClock(&alarmClock);
    theUI->statusbar->alarmWidget->slot_systemAlarm(SystemAlarmType_freqSignalFault);
}

void endAlarm()
{
    g_alarmClock += AlarmWidget::systemAlarmHoldMs;
    theUI->statusbar->alarmWidget->checkTimeouts();
    RunChannel::setWallClock(nullptr);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void startUpStagesRunInOrderAndOnce();
    void startButtonFollowsTheActiveProject();
    void hubDynoRadiusFollowsTheProjectWheel();
    void runStartWithoutRunFileLeavesNothingRecording();
    void runStartAndStop();
    void runStartAndStopOptions();
    void alarmBlocksRunStart();
    void crcErrorStopsTheRun();
    void keys();
    void cornerWidgets();
    void loadCellAutoZero();
    void ambientUpdate();
    void boardGpioFollowsTheWindow();
    void hiddenTestBoxSwitchesTheSelfTest();
    void closeAsksWhileAlarmActive();
    void shutdownStopsRunAndThreadsInOrder();

private:
    int activateProject();
    QString startRun();
    void stopRun();
    // The rows of "runs2": (project id, file).
    QList<QPair<int, QString>> registered() const;

    LogCapture* log = nullptr;
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
    RunWidget* run = nullptr;
    int projectId = -1;
};

void TestMainWindow::initTestCase()
{
    log = new LogCapture;
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
    run = theUI->runWidget;
    // The runs here have no loss model: analysing one would otherwise open
    // the loss-model calculator, which is not what these tests are about.
    theUI->settings->checkBox_calculateLossModelOnRunLoad->setChecked(false);
}

QList<QPair<int, QString>> TestMainWindow::registered() const
{
    QList<QPair<int, QString>> rows;
    QSqlQuery query(theProjectListModel->database());
    query.exec(QStringLiteral("SELECT projectId, filename FROM runs2 ORDER BY id"));
    while (query.next())
        rows.append({query.value(0).toInt(), query.value(1).toString()});
    return rows;
}

int TestMainWindow::activateProject()
{
    if (projectId < 0) {
        QSqlQuery insert(theProjectListModel->database());
        if (!insert.exec(QStringLiteral(
                "insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')")))
            qWarning() << "project insert failed";
        projectId = insert.lastInsertId().toInt();
        theProjectListModel->select();
    }
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(projectId));
    return projectId;
}

QString TestMainWindow::startRun()
{
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    run->pushButton_run_startStop->click();
    if (!run->running)
        return QString();
    return run->logWriter->filePath;
}

void TestMainWindow::stopRun()
{
    run->pushButton_run_startStop->click();
}

void TestMainWindow::startUpStagesRunInOrderAndOnce()
{
    const QStringList messages = log->messages();
    const int stage1 = indexOf(messages, QStringLiteral("Start-up stage 1 done"));
    const int stage2 = indexOf(messages, QStringLiteral("Start-up stage 2 done"));
    const int ready = indexOf(messages, QStringLiteral("Dyno settings ready"));
    const int stage3 = indexOf(messages, QStringLiteral("Start-up stage 3 begins"));
    const int stage3Done = indexOf(messages, QStringLiteral("Start-up stage 3 done"));
    QVERIFY(stage1 >= 0);
    QVERIFY(stage1 < stage2);
    QVERIFY(stage2 < stage3);
    QVERIFY(ready < stage3);
    QVERIFY(stage3 < stage3Done);

    // The stage's threads run; the others are not started by it.
    QVERIFY(theMCUThread->isRunning());
    QVERIFY(theTriggerThread->isRunning());
    QVERIFY(theObdThread->isRunning());
    QVERIFY(theBrakeControllerThread->isRunning());
    QVERIFY(run->runThread->isRunning());

    emit theDynoSettings->signal_settingsReady();
    QCOMPARE(log->count(QStringLiteral("MainUI constructor second stage called twice.")), 1);
    QCOMPARE(log->count(QStringLiteral("Start-up stage 3 begins")), 1);
}

void TestMainWindow::startButtonFollowsTheActiveProject()
{
    QPushButton* start = run->pushButton_run_startStop;
    QCOMPARE(window->windowTitle(), QStringLiteral("Zembo - 6.28.3"));
    QCOMPARE(theUI->tabWidget_main->tabText(MainTab_run), QStringLiteral("RUN - [select project]"));
    QVERIFY(!start->isEnabled());
    QCOMPARE(start->toolTip(),
             QStringLiteral("Activate project by double-clicking it in PROJECTS tab before making measurements."));

    activateProject();
    QCOMPARE(window->windowTitle(), QStringLiteral("Focus ST - KR 4711 - Zembo - 6.28.3"));
    QCOMPARE(theUI->tabWidget_main->tabText(MainTab_run), QStringLiteral("RUN - KR 4711"));
    QVERIFY(start->isEnabled());
    // A roller dyno needs the engine and drivetrain data: all zero here.
    QCOMPARE(start->palette().color(QPalette::Button), QColor(255, 224, 77));
    for (const ProjectListFieldId field : {ProjectListFields::engineInertia, ProjectListFields::drivetrainInertia,
                                           ProjectListFields::lossFromLoadFactor, ProjectListFields::displacement,
                                           ProjectListFields::cylinderCount, ProjectListFields::mass})
        QVERIFY2(start->toolTip().contains(theProjectListModel->descriptor(field)->headerLabel),
                 qPrintable(start->toolTip()));

    // Filled in, the mark goes at the next activation.
    const QList<QPair<ProjectListFieldId, double>> values{
        {ProjectListFields::engineInertia, 0.15}, {ProjectListFields::drivetrainInertia, 1.2},
        {ProjectListFields::lossFromLoadFactor, 0.04}, {ProjectListFields::displacement, 0.002},
        {ProjectListFields::cylinderCount, 4}, {ProjectListFields::mass, 1362}};
    for (const auto& value : values)
        QVERIFY(theProjectListModel->setActiveProjectDataRawByRowAndId(value.first, value.second));
    activateProject();
    QCOMPARE(start->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Base));
    QCOMPARE(start->toolTip(), QStringLiteral("Click to start / stop measurement"));

    // An engine dyno asks for none of them.
    QVERIFY(theProjectListModel->setActiveProjectDataRawByRowAndId(ProjectListFields::engineInertia, 0));
    auto* dynoType = theDynoSettings->getSetting(DynoSettingId_dynoType, 0)->getWidgetHelper<QComboBox>(
        SettingWidgetType_comboBox);
    dynoType->setCurrentIndex(0);
    QVERIFY(!run->lossModelIndicator->isVisibleTo(run));
    QVERIFY(!run->brakeController->comboBox_channel->isEnabled());
    run->slot_updateStartButtonBackgroundColor();
    QCOMPARE(start->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Base));
    dynoType->setCurrentIndex(1);
    QVERIFY(run->brakeController->comboBox_channel->isEnabled());
    QVERIFY(theProjectListModel->setActiveProjectDataRawByRowAndId(ProjectListFields::engineInertia, 0.15));

    theProjectListModel->slot_setActiveProjectByRow(-1);
    QVERIFY(!start->isEnabled());
    QCOMPARE(theUI->tabWidget_main->tabText(MainTab_run), QStringLiteral("RUN - [select project]"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Zembo - 6.28.3"));
    activateProject();
    QVERIFY(start->isEnabled());
}

// The brake-controller thread asks for the radius every 10 ms; an edit of the
// wheel in the projects table must reach it without that thread touching the table.
void TestMainWindow::hubDynoRadiusFollowsTheProjectWheel()
{
    activateProject();
    auto radiusOffGuiThread = [] {
        double radius = 0.0;
        std::thread reader([&] { radius = theDynoSettings->getRoadSpeedRadius(0); });
        reader.join();
        return radius;
    };
    auto* dynoType = theDynoSettings->getSetting(DynoSettingId_dynoType, 0)->getWidgetHelper<QComboBox>(
        SettingWidgetType_comboBox);
    const double rollerRadius = theDynoSettings->getSettingValueDouble(DynoSettingId_rollerDiameter, 0) / 2.0;
    dynoType->setCurrentIndex(2);
    const auto restore = qScopeGuard([dynoType, this] {
        dynoType->setCurrentIndex(1);
        activateProject();
        theProjectListModel->setActiveProjectDataRawByRowAndId(ProjectListFields::wheelDiameter, 0);
    });

    for (const double wheel : {0.62, 0.7}) {
        QVERIFY(theProjectListModel->setActiveProjectDataRawByRowAndId(ProjectListFields::wheelDiameter, wheel));
        QCOMPARE(radiusOffGuiThread(), wheel / 2.0);
    }
    // Without an active project the rollers' own diameter counts again.
    theProjectListModel->slot_setActiveProjectByRow(-1);
    QCOMPARE(radiusOffGuiThread(), rollerRadius);
}

void TestMainWindow::runStartWithoutRunFileLeavesNothingRecording()
{
    // A runs folder that cannot be written (below a plain file, which stops
    // root too): the start must fail cleanly.
    const QDir runsDir = theSettings.runsDir;
    const QString blocker = QDir::home().filePath(QStringLiteral("not-a-folder"));
    QFile(blocker).open(QIODevice::WriteOnly);
    theSettings.runsDir = QDir(blocker + QStringLiteral("/runs"));
    run->checkBox_settings_recordRunVideo->setChecked(true);
    answerer->shown.clear();
    log->clear();

    QVERIFY(startRun().isEmpty());
    theSettings.runsDir = runsDir;
    QVERIFY(!run->running);
    QCOMPARE(run->pushButton_run_startStop->text(), QStringLiteral("&START"));
    QCOMPARE(log->count(QStringLiteral("Run START")), 1);
    QCOMPARE(log->count(QStringLiteral("Run log file initialization failed")), 1);
    QVERIFY(!theUI->settings->cameraSettings->isRecording());
    QVERIFY(!run->runThread->runActive);
    for (int i = 0; i < theUI->tabWidget_main->count(); ++i)
        QVERIFY(theUI->tabWidget_main->isTabEnabled(i));
    // The writer tells the operator why, with the path, after the blocking call.
    QTRY_COMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("Can't create log file") + run->logWriter->filePath);
    QVERIFY(run->logWriter->filePath.startsWith(blocker + QStringLiteral("/runs/")));
    QVERIFY(QDir(theSettings.runsDir).entryList(QDir::Files).isEmpty());
    run->checkBox_settings_recordRunVideo->setChecked(false);
}

void TestMainWindow::runStartAndStop()
{
    run->checkBox_settings_recordRunVideo->setChecked(true);
    const int rowsBefore = registered().size();
    const int unpaused = run->mdiManager->unpauseCount;
    const int newRuns = run->mdiManager->newRunCount;

    // The remote "START-STOP" presses the button only on the RUN tab.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    theUI->settings->remoteControl->slot_trigStartStop();
    QVERIFY(!run->running);
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    theUI->settings->remoteControl->slot_trigStartStop();
    QVERIFY(run->running);
    const QString file = run->logWriter->filePath;
    QVERIFY2(QRegularExpression(QStringLiteral("/runs/\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.h5$"))
                 .match(file)
                 .hasMatch(),
             qPrintable(file));
    QCOMPARE(run->pushButton_run_startStop->text(), QStringLiteral("&STOP"));
    // Without a camera source the RUN panel's box alone records nothing.
    QVERIFY(!theUI->settings->cameraSettings->isRecording());
    QCOMPARE(run->mdiManager->unpauseCount, unpaused + 1);
    for (int i = 0; i < theUI->tabWidget_main->count(); ++i)
        QCOMPARE(theUI->tabWidget_main->isTabEnabled(i), i == MainTab_run);
    QVERIFY(!theUI->settings->remoteControl->state.analyzePageEnabled());
    QTRY_VERIFY(run->runThread->runActive);
    QTRY_COMPARE(run->mdiManager->newRunCount, newRuns + 1);
    // The ambient update reaches the file once a second.
    QTest::qWait(1200);

    stopRun();
    QVERIFY(!run->running);
    QVERIFY(!run->runThread->runActive);
    QCOMPARE(run->runThread->lastRunFilePath(), file);
    QCOMPARE(registered().size(), rowsBefore + 1);
    QCOMPARE(registered().last(), qMakePair(projectId, file));
    {
        RunData stored(file, true);
        QCOMPARE(stored.openFile(), 0);
        QCOMPARE(stored.loadAll(), 0);
        QVERIFY(stored.frames.recordCount(FrameId_ambient) >= 1);
        QCOMPARE(stored.getRunInfoValue(RunListFields::projectId, -1).toInt(), projectId);
        QCOMPARE(stored.getProjectInfoValue(ProjectListFields::vehicleId, QString()).toString(),
                 QStringLiteral("KR 4711"));
    }
    QVERIFY(run->pushButton_analyzeLastRun->isEnabled());
    QCOMPARE(run->pushButton_analyzeLastRun->palette().color(QPalette::Button), QColor(140, 255, 140));
    QCOMPARE(run->pushButton_run_startStop->text(), QStringLiteral("&START"));
    QVERIFY(run->pushButton_run_startStop->isEnabled());
    QVERIFY(!theUI->settings->cameraSettings->isRecording());
    for (int i = 0; i < theUI->tabWidget_main->count(); ++i)
        QVERIFY(theUI->tabWidget_main->isTabEnabled(i));
    QVERIFY(theUI->settings->remoteControl->state.analyzePageEnabled());
    run->checkBox_settings_recordRunVideo->setChecked(false);

    // Switching to PROJECTS withdraws the offer to analyze it.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    QVERIFY(!run->pushButton_analyzeLastRun->isEnabled());
}

void TestMainWindow::runStartAndStopOptions()
{
    log->clear();
    answerer->shown.clear();

    // Two runs in one second: the second file takes the next free second.
    const QString first = startRun();
    stopRun();
    const QString second = startRun();
    stopRun();
    QVERIFY(!first.isEmpty());
    QVERIFY(first != second);

    // Not saved to the database: no row, nothing to analyze.
    run->checkBox_run_saveToDatabase->setChecked(false);
    run->checkBox_run_enableAutoAnalyzeLastRun->setChecked(true);
    int rows = registered().size();
    startRun();
    stopRun();
    QCOMPARE(registered().size(), rows);
    QVERIFY(!run->pushButton_analyzeLastRun->isEnabled());

    // Saved with automatic analysis: the button is pressed at once; the run
    // is appended to the ANALYZE list and the tab says so.
    run->checkBox_run_saveToDatabase->setChecked(true);
    answerer->shown.clear();
    rows = registered().size();
    LoadedRunListModel* loaded = theUI->analyzeWidget->loadedRunListModel;
    const int loadedBefore = loaded->rowCount();
    const int tabBefore = theUI->tabWidget_main->currentIndex();
    const QString analyzed = startRun();
    // Long enough for the once-a-second ambient record: a run without one
    // cannot be recalculated, and so is not analysed.
    QTest::qWait(2500);
    stopRun();
    QCOMPARE(registered().size(), rows + 1);
    QVERIFY(!run->pushButton_analyzeLastRun->isEnabled());
    QVERIFY(!window->analyzeLastRunPending);
    QVERIFY2(loaded->rowCount() == loadedBefore + 1,
             answerer->shown.isEmpty() ? "" : qPrintable(answerer->shown.first().text));
    QCOMPARE(loaded->getLastRunData()->fileName, analyzed);
    QCOMPARE(theUI->tabWidget_main->currentIndex(), int(MainTab_analyze));
    // Showing the tab takes the arrows of the new run away again.
    QCOMPARE(theUI->tabWidget_main->tabText(MainTab_analyze), QStringLiteral("ANALYZE (%1)").arg(loadedBefore + 1));
    QVERIFY2(answerer->shown.isEmpty(), answerer->shown.isEmpty() ? "" : qPrintable(answerer->shown.first().className + ": " + answerer->shown.first().title + ": " + answerer->shown.first().text));
    loaded->removeAllRuns();
    theUI->tabWidget_main->setCurrentIndex(tabBefore);
    run->checkBox_run_enableAutoAnalyzeLastRun->setChecked(false);

    // CSV export on: the run leaves as "<run>.csv" beside its file, or the
    // reason it could not is logged; never silence.
    theUI->settings->checkBox_settings_automaticallyExportRunDataToCSV->setChecked(true);
    const QString exported = startRun();
    stopRun();
    QString csv = exported;
    csv.chop(3);
    csv += QStringLiteral(".csv");
    const bool written = QFileInfo::exists(csv);
    QVERIFY2(written != (log->count(QStringLiteral("export to CSV skipped")) == 1), qPrintable(csv));
    theUI->settings->checkBox_settings_automaticallyExportRunDataToCSV->setChecked(false);
}

void TestMainWindow::alarmBlocksRunStart()
{
    answerer->shown.clear();
    theUI->settings->checkBox_settings_blockRunStartWhenAlarm->setChecked(true);
    raiseAlarm();
    QVERIFY(startRun().isEmpty());
    QVERIFY(!run->running);
    QCOMPARE(run->pushButton_run_startStop->text(), QStringLiteral("&START"));
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("Run start is blocked because alarm is active!"));

    // Without the option an alarm does not hold the run back.
    theUI->settings->checkBox_settings_blockRunStartWhenAlarm->setChecked(false);
    QVERIFY(!startRun().isEmpty());
    stopRun();
    endAlarm();
}

void TestMainWindow::crcErrorStopsTheRun()
{
    answerer->shown.clear();
    QVERIFY(!startRun().isEmpty());
    emit theMCUThread->signal_crcError();
    QTRY_VERIFY(!run->running);
    QCOMPARE(answerer->shown.size(), 1);
    QVERIFY(answerer->shown.first().text.startsWith(QStringLiteral("MCU -> Client\nSPI frame CRC error.")));

    // While idle the notice starts nothing.
    answerer->shown.clear();
    emit theMCUThread->signal_crcErrorMcu();
    QTRY_COMPARE(answerer->shown.size(), 1);
    QVERIFY(answerer->shown.first().text.startsWith(QStringLiteral("Client -> MCU\n")));
    QVERIFY(!run->running);
}

void TestMainWindow::keys()
{
    OutputWidgetContainer* outputs = run->outputWidgetContainer;
    // F3 holds the third low-side output; repeats and F9 change nothing.
    OutputWidget* third = outputs->keyMap.value(Qt::Key_F3);
    QVERIFY(third);
    sendKey(window, QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QVERIFY(third->manualState());
    sendKey(window, QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier, true);
    sendKey(window, QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier, true);
    QVERIFY(third->manualState());
    sendKey(window, QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier);
    QVERIFY(!third->manualState());
    sendKey(window, QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
    for (OutputWidget* output : std::as_const(outputs->outputs))
        QVERIFY(!output->manualState());

    QTabWidget* tabs = theUI->tabWidget_main;
    sendKey(window, QEvent::KeyPress, Qt::Key_2, Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), int(MainTab_analyze));
    sendKey(window, QEvent::KeyPress, Qt::Key_6, Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), int(MainTab_analyze));
    sendKey(window, QEvent::KeyPress, Qt::Key_5, Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), int(MainTab_io));
    // During a run Alt+digit keeps the RUN tab.
    QVERIFY(!startRun().isEmpty());
    sendKey(window, QEvent::KeyPress, Qt::Key_2, Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), int(MainTab_run));
    stopRun();
    sendKey(window, QEvent::KeyPress, Qt::Key_2, Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), int(MainTab_analyze));
}

void TestMainWindow::cornerWidgets()
{
    QTabWidget* tabs = theUI->tabWidget_main;
    QWidget* corner = tabs->cornerWidget(Qt::TopRightCorner);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCOMPARE(corner->isVisibleTo(window), i == MainTab_analyze);
    }
    // The corner selector and the settings page's one follow each other.
    QComboBox* page = theUI->settings->powerCorrectionSetup->comboBox_settings_powerCorrection;
    QVERIFY(page->count() > 2);
    theUI->comboBox_powerCorrection->setCurrentIndex(2);
    QCOMPARE(page->currentIndex(), 2);
    page->setCurrentIndex(1);
    QCOMPARE(theUI->comboBox_powerCorrection->currentIndex(), 1);
    QCOMPARE(theUI->comboBox_analyze_masterChannel->count(), 3);

    // No report template exists yet.
    answerer->shown.clear();
    theUI->pushButton_print->click();
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, QStringLiteral("No print templates available"));
}

void TestMainWindow::loadCellAutoZero()
{
    QVERIFY(theHwInfo.loadCells >= 1);
    auto* roller = theDynoSettings->getSetting(DynoSettingId_loadCellRoller, 0)->getWidgetHelper<QComboBox>(
        SettingWidgetType_comboBox);
    auto* automatic = qobject_cast<QCheckBox*>(theDynoSettings->getSetting(DynoSettingId_loadCellAutomaticOffset, 0)->widget);
    auto* offset = theDynoSettings->getSetting(DynoSettingId_loadCellB, 0)->getWidgetHelper<QDoubleSpinBox>(
        SettingWidgetType_doubleSpinBox);
    QVERIFY(roller && automatic && offset);
    RunChannel* speed = theChannels.getChannel(ChannelId_dynoSpeed, 0);
    RunChannel* cell = theChannels.getChannel(ChannelId_loadCellValue, 0);
    qint64 t = QDateTime::currentMSecsSinceEpoch();

    // The timer's own calls must not mix in: every round below runs without
    // returning to the event loop.
    const auto tick = [&](double roadSpeed, double load) {
        t += 1000;
        speed->setDataWithoutFilter(roadSpeed, t);
        cell->setDataWithoutFilter(load, t);
        window->slot_autoCalibrateLoadCell();
    };
    const auto restart = [&] {
        for (QList<double>& samples : window->loadCellOffsetSamples)
            samples.clear();
    };

    struct Case {
        const char* name;
        int rollerIndex;
        bool automaticOn;
        QList<double> loads; // eleven still-stand seconds
        double expected;     // offset afterwards, starting from 2
    };
    // b - v for the loads below: 2 - v. Two stale readings (NaN) leave nine
    // measured ones whose median (the fifth) is applied.
    const QList<Case> cases{
        {"median of eleven", 1, true, {0.1, 0.5, 0.2, 0.3, 0.9, 0.4, 0.6, 0.8, 0.7, 0.0, 1.0}, 2 - 0.5},
        {"stale readings dropped", 1, true, {NaN, 0.5, 0.2, 0.3, 0.9, NaN, 0.6, 0.8, 0.7, 0.0, 1.0}, 2 - 0.6},
        {"nothing measured", 1, true, {NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN}, 2},
        {"assigned to no roller", 0, true, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 2},
        {"automatic offset off", 1, false, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 2},
    };
    for (const Case& c : cases) {
        roller->setCurrentIndex(c.rollerIndex);
        automatic->setChecked(c.automaticOn);
        offset->setValue(2.0);
        restart();
        for (const double load : c.loads)
            tick(0.0, load);
        QVERIFY2(qFuzzyCompare(offset->value(), c.expected), c.name);
    }

    // One moving second restarts the collection from nothing.
    roller->setCurrentIndex(1);
    automatic->setChecked(true);
    offset->setValue(2.0);
    restart();
    for (int i = 0; i < 6; ++i)
        tick(0.0, 0.5);
    tick(0.3, 0.5);
    for (int i = 0; i < 10; ++i)
        tick(0.0, 0.25);
    QCOMPARE(offset->value(), 2.0);
    tick(0.0, 0.25);
    QCOMPARE(offset->value(), 1.75);
    offset->setValue(0.0);
}

void TestMainWindow::ambientUpdate()
{
    QLabel* label = theUI->statusbar->label_ambient;
    auto raw = [](ChannelId id) { return theChannels.getChannel(id, 0)->getValue(); };
    // The simulated sensor's default air: 20 °C, 101325 Pa, 45 %.
    window->slot_updateAmbientData();
    QVERIFY2(std::abs(raw(ChannelId_bme280Temperature) - 293.15) < 0.01,
             qPrintable(QString::number(raw(ChannelId_bme280Temperature))));
    QVERIFY(std::abs(raw(ChannelId_bme280Pressure) - 101325) < 2);
    QVERIFY(std::abs(raw(ChannelId_bme280Humidity) - 0.45) < 0.0005);
    QVERIFY(!label->autoFillBackground());
    QVERIFY2(label->text().endsWith(QStringLiteral(" CF:0.0%")), qPrintable(label->text()));
    // The ambient channels take the sensor's values, so a chosen standard gets a real factor.
    QVERIFY(std::abs(raw(ChannelId_ambientTemperature) - 293.15) < 0.01);
    QVERIFY(std::abs(raw(ChannelId_ambientPressure) - 101325) < 2);
    QComboBox* standard = theUI->settings->powerCorrectionSetup->comboBox_settings_powerCorrection;
    QVERIFY(standard->count() > 5);
    standard->setCurrentIndex(5);
    window->slot_updateAmbientData();
    const double factor = raw(ChannelId_ambientCorrectionFactor);
    QVERIFY2(std::isfinite(factor) && std::abs(factor) < 0.1, qPrintable(QString::number(factor)));
    standard->setCurrentIndex(0);

    // Without a sensor: raw channels 0, the label red.
    qputenv("ZEMBO_SIM_BME280", "absent=1");
    window->ambient.initSensor();
    window->slot_updateAmbientData();
    for (const ChannelId id : {ChannelId_bme280Temperature, ChannelId_bme280Pressure, ChannelId_bme280Humidity})
        QCOMPARE(raw(id), 0.0);
    QVERIFY(label->autoFillBackground());
    QCOMPARE(label->palette().color(QPalette::Window), QColor(255, 77, 77));
    qunsetenv("ZEMBO_SIM_BME280");
    window->ambient.initSensor();
    window->slot_updateAmbientData();
    QVERIFY(!label->autoFillBackground());

    theProjectListModel->slot_setActiveProjectByRow(-1);
    window->slot_updateAmbientData();
    QVERIFY(!label->text().contains(QStringLiteral("CF:")));
    activateProject();
}

void TestMainWindow::closeAsksWhileAlarmActive()
{
    theUI->settings->checkBox_settings_blockProgramExitWhenAlarm->setChecked(true);
    raiseAlarm();
    answerer->shown.clear();
    answerer->result = QMessageBox::No;
    QVERIFY(!startRun().isEmpty());
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QVERIFY(run->running);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().title, QStringLiteral("Alarms active"));
    QCOMPARE(answerer->shown.first().text, QStringLiteral("There are alarms active. Are you sure you want to quit?"));
    answerer->result = 0;
}

void TestMainWindow::boardGpioFollowsTheWindow()
{
    const auto chip = SimulatedGpioDevice::find(QStringLiteral("gpiochip4"));
    QVERIFY(chip && chip->isOpen());
    // The fan came on with the window; the switches are polled since the settings were ready.
    QCOMPARE(chip->output(rpiGPIO::fanLine), 1);
    RunChannel* sw = theChannels.getChannel(ChannelId_switchState, 2);
    chip->setInput(rpiGPIO::switchLines[2], 1);
    QTRY_COMPARE_WITH_TIMEOUT(sw->getValue(), 1.0, 1000);
    chip->setInput(rpiGPIO::switchLines[2], 0);
    QTRY_COMPARE_WITH_TIMEOUT(sw->getValue(), 0.0, 1000);
}

void TestMainWindow::hiddenTestBoxSwitchesTheSelfTest()
{
    Statusbar* bar = theUI->statusbar;
    QVERIFY(bar->selfTest);
    QVERIFY(!bar->selfTest->isRunning());
    bar->checkBox_testMode->setChecked(true);
    QVERIFY(bar->selfTest->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(bar->selfTest->tickCount >= 2, 1000);
    bar->checkBox_testMode->setChecked(false);
    QVERIFY(!bar->selfTest->isRunning());
    // What the test switched stays as it was; put the outputs back for the tests after this one.
    theRPIGPIO.setInitialOutputState();
}

void TestMainWindow::shutdownStopsRunAndThreadsInOrder()
{
    const auto chip = SimulatedGpioDevice::find(QStringLiteral("gpiochip4"));
    theRPIGPIO.setRelayOutput(1, true);
    theRPIGPIO.setLSOutput(3, true);
    QCOMPARE(chip->output(rpiGPIO::relayLines[1]), 1);

    // Closing during a run: the run is stopped and stored first.
    answerer->result = QMessageBox::Yes;
    log->clear();
    const int rows = registered().size();
    QVERIFY(run->running);
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    window->slot_unixSignal(15);
    QVERIFY(!window->isVisible());
    QVERIFY(!run->running);
    QCOMPARE(registered().size(), rows + 1);

    MainWindowFixture::destroyWindow(window);
    window = nullptr;
    const QStringList messages = log->messages();
    const int runStop = indexOf(messages, QStringLiteral("Run STOP"));
    const int gpio = indexOf(messages, QStringLiteral("GPIO outputs off"));
    QVERIFY(runStop >= 0 && runStop < gpio);
    // Outputs and fan off, every line given back, the chip closed.
    for (unsigned line : {rpiGPIO::relayLines[1], rpiGPIO::lowSideLines[3], rpiGPIO::fanLine}) {
        QCOMPARE(chip->line(line).value, 0);
        QVERIFY(!chip->line(line).requested);
    }
    QVERIFY(!chip->isOpen());
    int previous = gpio;
    for (const char* thread : {"MCU", "OBD", "brake controller", "trigger", "run", "camera"}) {
        const int at = indexOf(messages, QStringLiteral("Thread stopped: ") + QLatin1String(thread));
        QVERIFY2(at > previous, thread);
        previous = at;
    }
    QVERIFY(indexOf(messages, QStringLiteral("Peak SPI load in this session")) >= 0);
    QVERIFY(!theMCUThread->isRunning());
    QVERIFY(!theObdThread->isRunning());
    QCOMPARE(theSettings.value(QStringLiteral("UISettings/tabMain")).toInt(), int(MainTab_run));
    QCOMPARE(theSettings.value(QStringLiteral("UISettings/lastProjectId")).toInt(), projectId);
    QVERIFY(theSettings.value(QStringLiteral("UISettings/windowSize")).toSize().isValid());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
