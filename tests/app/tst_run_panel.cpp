// The RUN panel's automatic start and stop on a roller that speeds up and
// coasts down on the simulated dyno, the advanced-test selector's hand-over of
// the absorber, and the throttle row.
#include "AdvancedTestRegistry.h"
#include "BrakeController.h"
#include "Channels.h"
#include "RunData.h"
#include "RemoteControl.h"
#include "RemoteValueWidget.h"
#include "Argument.h"
#include "ArgumentWidget.h"
#include "Trigger.h"
#include "TriggerWidget.h"
#include "ShortcutWidget.h"
#include <QFormLayout>
#include <QLabel>
#include "RunThread.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LossModelIndicator.h"
#include "LossModelEditorDialog.h"
#include "LogCapture.h"
#include "LogWriter.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "SafeSpinBox.h"
#include "Settings.h"
#include "UI.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QMenu>
#include <QGroupBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

class TestRunPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void throttleRow();
    void advancedTestSelector();
    void autoStartStopFollowsTheRoller();
    void runStoresTheAttachedLossModel();
    void lossModelIndicatorStyleAndMenu();
    void lossModelIndicatorGetFromRun();
    void remoteTriggerRows();
    void remoteThrottleRow();
    void cleanupTestCase();

private:
    int activateProject();
    QStringList runFiles() const;

    LogCapture* log = nullptr;
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
    RunWidget* run = nullptr;
};

void TestRunPanel::initTestCase()
{
    log = new LogCapture;
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    // The per-model script of one dyno line trims the panel at start.
    theSettings.setValue(QStringLiteral("script"), QStringLiteral("vimbastrel1"));
    theSettings.setValue(QStringLiteral("scriptOptions"), QString());
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
    run = theUI->runWidget;
}

void TestRunPanel::cleanupTestCase()
{
    // A dialog still open when the window goes is destroyed with the panel;
    // its hand-back must not reach into the half-destroyed panel.
    AdvancedTestRegistry::registerCreator(AdvancedTestType_rampTest,
                                          [](QWidget* parent) { return new QDialog(parent); });
    run->comboBox_advancedTest->setCurrentIndex(AdvancedTestType_rampTest);
    QVERIFY(run->advancedTest);
    MainWindowFixture::destroyWindow(window);
}

int TestRunPanel::activateProject()
{
    QSqlQuery insert(theProjectListModel->database());
    insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')"));
    const int id = insert.lastInsertId().toInt();
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(id));
    return id;
}

QStringList TestRunPanel::runFiles() const
{
    return QDir(theSettings.runsDir).entryList({QStringLiteral("*.h5")}, QDir::Files, QDir::Name);
}

void TestRunPanel::throttleRow()
{
    RunChannel* target = theChannels.getChannel(ChannelId_throttleTarget, 0);
    RunChannel* enabled = theChannels.getChannel(ChannelId_throttleControlEnabled, 0);
    // Never handed over at program start.
    QVERIFY(!run->checkBox_enableThrottleControl->isChecked());
    QCOMPARE(enabled->getValue(), 0.0);

    run->safeSpinBox_throttlePosition->setValueSI(35.0);
    run->checkBox_enableThrottleControl->setChecked(true);
    QCOMPARE(target->getValue(), 0.35);
    QCOMPARE(enabled->getValue(), 1.0);
    run->safeSpinBox_throttlePosition->setValueSI(60.0);
    QCOMPARE(target->getValue(), 0.6);

    run->checkBox_enableThrottleControl->setChecked(false);
    QCOMPARE(enabled->getValue(), 0.0);
    QCOMPARE(target->getValue(), 0.6);
    // Unchecked, the box no longer drives the target.
    run->safeSpinBox_throttlePosition->setValueSI(20.0);
    QCOMPARE(target->getValue(), 0.6);
    run->safeSpinBox_throttlePosition->setValueSI(500.0);
    QCOMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 100.0);

    // Its row in the RUN WIDGETS grid: bound, visible by default, locked when protected.
    QCheckBox* visible = run->checkBox_throttleControlVisible;
    QCheckBox* isProtected = run->checkBox_throttleControlProtected;
    QCOMPARE(visible->objectName(), QStringLiteral("throttleControl_visible"));
    QCOMPARE(visible->parentWidget(), theUI->settings->groupBox_runWidgets);
    QVERIFY(visible->isChecked());
    QVERIFY(run->checkBox_enableThrottleControl->isVisibleTo(run));
    visible->setChecked(false);
    QVERIFY(!run->checkBox_enableThrottleControl->isVisibleTo(run));
    QVERIFY(!run->safeSpinBox_throttlePosition->isVisibleTo(run));
    visible->setChecked(true);
    QVERIFY(run->safeSpinBox_throttlePosition->isVisibleTo(run));
    isProtected->setChecked(true);
    QVERIFY(!visible->isEnabled());
    isProtected->setChecked(false);
}

namespace {

class SmallTestDialog : public QDialog
{
public:
    using QDialog::QDialog;
};

} // namespace

void TestRunPanel::advancedTestSelector()
{
    QComboBox* selector = run->comboBox_advancedTest;
    BrakeController* brake = run->brakeController;
    QCOMPARE(selector->count(), 10);
    QCOMPARE(selector->itemText(0), QStringLiteral("\u25BC Advanced modes"));
    QCOMPARE(selector->itemText(3), QStringLiteral("Ramp test"));
    QVERIFY(run->isAdvancedTestEntryHidden(AdvancedTestType_advancedRamp));
    // Without the "midi" option.
    QVERIFY(run->isAdvancedTestEntryHidden(AdvancedTestType_midiPlayer));
    // The script leaves only the ramp and the custom rate.
    QList<int> offered;
    for (int type = 1; type < selector->count(); ++type) {
        if (!run->isAdvancedTestEntryHidden(type))
            offered.append(type);
    }
    QCOMPARE(offered, (QList<int>{AdvancedTestType_rampTest, AdvancedTestType_customAccRate}));
    QCOMPARE(run->brakeController->comboBox_mode->itemText(0), QStringLiteral("Inertia"));
    QCOMPARE(run->brakeController->comboBox_mode->itemText(3), QStringLiteral("Steady State"));

    AdvancedTestRegistry::registerCreator(AdvancedTestType_rampTest,
                                          [](QWidget* parent) { return new SmallTestDialog(parent); });

    brake->comboBox_channel->setCurrentIndex(0);
    brake->spinBox_dynoSpeedTarget->setValueSI(20.0);
    brake->spinBox_minDynoSpeed->setValueSI(3.0);
    brake->setMode(2);
    const int variable = brake->comboBox_channel->currentIndex();

    // Types that have no dialog, and the hidden ramp, leave the panel in charge.
    AdvancedTestRegistry::registerCreator(AdvancedTestType_sequence, {});
    for (const int type : {int(AdvancedTestType_advancedRamp), int(AdvancedTestType_sequence)}) {
        selector->setCurrentIndex(type);
        QVERIFY(!run->advancedTest);
        QVERIFY(!brake->externalControl);
        QCOMPARE(brake->comboBox_mode->currentIndex(), 2);
        selector->setCurrentIndex(0);
    }
    QVERIFY(selector->isEnabled());

    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    selector->setCurrentIndex(AdvancedTestType_rampTest);
    QVERIFY(run->advancedTest);
    QCOMPARE(run->advancedTest->objectName(), QStringLiteral("rampTestDialog"));
    QCOMPARE(run->advancedTest->parentWidget(), run);
    QVERIFY(run->advancedTest->isVisible());
    QVERIFY(!selector->isEnabled());
    QVERIFY(brake->externalControl);
    QVERIFY(brake->advancedTestActive);
    QCOMPARE(brake->comboBox_mode->currentIndex(), 0);

    // The main window hides it away from the RUN tab.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    QVERIFY(!run->advancedTest->isVisible());
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    QVERIFY(run->advancedTest->isVisible());

    // The test moves the targets; closing brings the panel's back.
    brake->spinBox_dynoSpeedTarget->setValueSI(5.0);
    run->advancedTest->close();
    QTRY_VERIFY(!run->advancedTest);
    QVERIFY(selector->isEnabled());
    QCOMPARE(selector->currentIndex(), 0);
    QVERIFY(!brake->externalControl);
    QVERIFY(!brake->advancedTestActive);
    QCOMPARE(brake->comboBox_channel->currentIndex(), variable);
    QCOMPARE(brake->spinBox_dynoSpeedTarget->getValueSI(), 20.0);
    QCOMPARE(brake->spinBox_minDynoSpeed->getValueSI(), 3.0);

    AdvancedTestRegistry::registerCreator(AdvancedTestType_rampTest, {});
}

void TestRunPanel::autoStartStopFollowsTheRoller()
{
    // Roller dyno: the thresholds are road speeds.
    QCOMPARE(run->spinBox_run_autoStartThreshold->getQuantity(), Quantity::Speed);
    run->spinBox_run_autoStartThreshold->setValueSI(10.0 / 3.6);
    run->spinBox_run_autoStopThreshold->setValueSI(5.0 / 3.6);
    const QStringList before = runFiles();
    RunChannel* speed = theChannels.getChannel(ChannelId_dynoSpeed, 0);

    // No active project: a rise switches to RUN, the disabled button starts nothing.
    theProjectListModel->slot_setActiveProjectByRow(-1);
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    run->checkBox_run_enableAutoStartStop->setChecked(true);
    QVERIFY(run->autoStartStopTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(theUI->tabWidget_main->currentIndex(), int(MainTab_run), 20000);
    QVERIFY(!run->running);
    QCOMPARE(runFiles(), before);

    // Switched on above the start threshold: nothing until it fell and rose.
    activateProject();
    run->checkBox_run_enableAutoStartStop->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(speed->getValue() > 11.0 / 3.6, 20000);
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    run->checkBox_run_enableAutoStartStop->setChecked(true);
    QTest::qWait(600);
    QVERIFY(!run->running);
    QTRY_VERIFY_WITH_TIMEOUT(speed->getValue() < 9.0 / 3.6, 20000);
    QVERIFY(!run->running);

    QStringList recorded;
    for (int cycle = 0; cycle < 2; ++cycle) {
        theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
        QTRY_VERIFY_WITH_TIMEOUT(run->running, 20000);
        QCOMPARE(theUI->tabWidget_main->currentIndex(), int(MainTab_run));
        recorded.append(run->logWriter->filePath);
        QTRY_VERIFY_WITH_TIMEOUT(!run->running, 20000);
        // It stopped on the way down, below the stop threshold.
        QVERIFY2(speed->getValue() <= 5.5 / 3.6, qPrintable(QString::number(speed->getValue())));
    }
    run->checkBox_run_enableAutoStartStop->setChecked(false);
    QVERIFY(!run->autoStartStopTimer->isActive());
    QCOMPARE(recorded.size(), 2);
    QVERIFY(recorded.at(0) != recorded.at(1));
    QCOMPARE(runFiles().size(), before.size() + 2);
}

// The run stores the dyno's loss model only when the attach box is checked
// and shown. Loading the run back for the indicator needs the ANALYZE tab's
// loaded-run list.
void TestRunPanel::runStoresTheAttachedLossModel()
{
    const QList<double> stored{0, 1.5, 0.25, 0, 0};
    theDynoSettings->getSetting(DynoSettingId_lossModel, 0)->setValue(QVariant::fromValue(stored));
    QCheckBox* attach = run->lossModelIndicator->checkBox_attachLossModelToRun;
    if (theProjectListModel->activeProjectId < 0)
        activateProject();

    auto recordRun = [this] {
        theUI->tabWidget_main->setCurrentIndex(MainTab_run);
        run->pushButton_run_startStop->click();
        if (!run->running)
            return QList<double>{-1};
        QTest::qWait(300);
        run->pushButton_run_startStop->click();
        RunData file(run->runThread->lastRunFilePath(), true);
        if (file.openFile() != 0 || file.loadAll() != 0)
            return QList<double>{-2};
        return file.getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>();
    };
    attach->setChecked(true);
    QCOMPARE(recordRun(), stored);
    attach->setChecked(false);
    QCOMPARE(recordRun(), QList<double>());
    // Checked but hidden (an engine dyno hides the indicator): not attached.
    attach->setChecked(true);
    run->lossModelIndicator->hide();
    QCOMPARE(recordRun(), QList<double>());
    run->lossModelIndicator->show();
}

namespace {

QList<double> indicatorModel()
{
    return theDynoSettings->getSetting(DynoSettingId_lossModel, 0)->value().value<QList<double>>();
}

} // namespace

// Coloured and offering the attach box only for a model with a coefficient
// other than 0; the menu's entries follow the run and the stored list.
void TestRunPanel::lossModelIndicatorStyleAndMenu()
{
    LossModelIndicator* indicator = run->lossModelIndicator;
    QCheckBox* attach = indicator->checkBox_attachLossModelToRun;
    const QList<double> model{0, 1.5, 0.02, 0, 0};
    indicator->loadModel(model);
    QCOMPARE(indicatorModel(), model);
    QVERIFY(indicator->autoFillBackground());
    QCOMPARE(indicator->palette().color(QPalette::Window), QColor(140, 255, 140));
    QVERIFY(attach->isVisibleTo(run));

    // Five zeros count as no model, yet Clear still has a list to clear.
    const QList<double> zeros{0, 0, 0, 0, 0};
    indicator->loadModel(zeros);
    QVERIFY(!indicator->autoFillBackground());
    QVERIFY(!attach->isVisibleTo(run));
    QMap<QString, bool> enabled;
    answerer->respondMenu = [&enabled](QMenu* menu) -> QAction* {
        for (QAction* action : menu->actions())
            enabled.insert(action->text(), action->isEnabled());
        return nullptr;
    };
    answerer->menus.clear();
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(answerer->menus.size(), 1);
    QCOMPARE(answerer->menus.first(),
             (QStringList{QStringLiteral("Get from run"), QStringLiteral("Get from last run"), QStringLiteral("Edit"),
                          QStringLiteral("Clear")}));
    QVERIFY(enabled.value(QStringLiteral("Get from run")));
    QCOMPARE(enabled.value(QStringLiteral("Get from last run")), !run->runThread->lastRunFilePath().isEmpty());
    QVERIFY(enabled.value(QStringLiteral("Clear")));

    // A model edited on the settings page recolours the frame as well.
    theDynoSettings->getSetting(DynoSettingId_lossModel, 0)->setValue(QVariant::fromValue(model));
    QTRY_VERIFY(attach->isVisibleTo(run));

    // "Edit" hands the live model to the editor dialog and takes back what it
    // returns when accepted; a dialog closed otherwise changes nothing.
    answerer->respondMenu = nullptr;
    answerer->menuChoice = QStringLiteral("Edit");
    QList<double> shownToEditor;
    answerer->respond = [&shownToEditor](QDialog* dialog) {
        auto* editor = qobject_cast<LossModelEditorDialog*>(dialog);
        if (!editor)
            return int(QDialog::Rejected);
        shownToEditor = editor->lossModel;
        editor->lossModel = {3, 0.5, 0.25, 0, 0};
        return int(QDialog::Accepted);
    };
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(shownToEditor, model);
    QTRY_COMPARE(indicatorModel(), (QList<double>{3, 0.5, 0.25, 0, 0}));
    answerer->respond = [](QDialog*) { return int(QDialog::Rejected); };
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), (QList<double>{3, 0.5, 0.25, 0, 0}));
    answerer->respond = nullptr;

    answerer->menuChoice = QStringLiteral("Clear");
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), QList<double>());
    QVERIFY(!attach->isVisibleTo(run));
    answerer->respondMenu = [&enabled](QMenu* menu) -> QAction* {
        for (QAction* action : menu->actions())
            enabled.insert(action->text(), action->isEnabled());
        return nullptr;
    };
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QVERIFY(!enabled.value(QStringLiteral("Clear")));
    answerer->respondMenu = nullptr;
    answerer->menuChoice.clear();

    indicator->slot_updatePreview();
    const QStringList lines = indicator->label_status->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Speed loss: ")));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("Load loss: ")));
}

// Get from run and Get from last run take the model a run stored; a run
// without one, a cancelled choice or an unreadable file keep the model shown.
void TestRunPanel::lossModelIndicatorGetFromRun()
{
    LossModelIndicator* indicator = run->lossModelIndicator;
    QCheckBox* attach = indicator->checkBox_attachLossModelToRun;
    if (theProjectListModel->activeProjectId < 0)
        activateProject();
    auto recordRun = [this] {
        theUI->tabWidget_main->setCurrentIndex(MainTab_run);
        run->pushButton_run_startStop->click();
        QTest::qWait(300);
        run->pushButton_run_startStop->click();
        return run->runThread->lastRunFilePath();
    };
    const QList<double> attached{0, 2.5, 0.125, 0.001, 0};
    indicator->loadModel(attached);
    attach->setChecked(true);
    const QString withModel = recordRun();
    attach->setChecked(false);
    const QString withoutModel = recordRun();
    QVERIFY(!withModel.isEmpty() && !withoutModel.isEmpty() && withModel != withoutModel);

    const QList<double> shown{0, 1, 0, 0, 0};
    indicator->loadModel(shown);
    answerer->shown.clear();

    // The last run stored no model: nothing changes, nothing is said.
    answerer->menuChoice = QStringLiteral("Get from last run");
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), shown);

    // Cancelled file dialog: nothing.
    answerer->menuChoice = QStringLiteral("Get from run");
    answerer->files.clear();
    answerer->result = QDialog::Rejected;
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), shown);
    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().title, QStringLiteral("Select run log file for Loss Model creation"));

    answerer->files = {withModel};
    answerer->result = QDialog::Accepted;
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), attached);
    QVERIFY(attach->isVisibleTo(run));

    // A file that is not a run: an error box names it and the model stays.
    const QString broken = QDir(theSettings.runsDir).filePath(QStringLiteral("not-a-run.h5"));
    {
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is no run file");
    }
    answerer->files = {broken};
    answerer->shown.clear();
    indicator->slot_contextMenuRequested(QPoint(2, 2));
    QCOMPARE(indicatorModel(), attached);
    QCOMPARE(answerer->shown.size(), 2);
    QCOMPARE(answerer->shown.last().title, QStringLiteral("Error"));
    QCOMPARE(answerer->shown.last().text, QStringLiteral("Can't open file ") + broken);
    QFile::remove(broken);

    answerer->menuChoice.clear();
    answerer->files.clear();
    answerer->result = 0;
    attach->setChecked(false);
}

void TestRunPanel::remoteTriggerRows()
{
    RemoteControl* remote = theUI->settings->remoteControl;
    QCOMPARE(remote->triggerWidgets.size(), 17);
    QCOMPARE(remote->triggerWidgets.first()->objectName(), QStringLiteral("triggerStartStop"));
    QCOMPARE(remote->triggerWidgets.last()->objectName(), QStringLiteral("triggerTabAnalyze"));
    auto* label = qobject_cast<QLabel*>(remote->form->labelForField(remote->triggerWidgets.at(4)));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Set brake mode Torque Joined"));
    // Only the shortcut and the channel are shown.
    for (TriggerWidget* row : std::as_const(remote->triggerWidgets)) {
        QVERIFY(!row->modeCombo->isVisibleTo(row));
        QVERIFY(!row->activationCheckBox->isVisibleTo(row));
        QVERIFY(row->shortcutWidget->isVisibleTo(row));
    }

    auto shoot = [remote](const QString& name) {
        for (TriggerWidget* row : std::as_const(remote->triggerWidgets)) {
            if (row->objectName() == name)
                emit row->trigger->signal_shoot();
        }
        QCoreApplication::processEvents();
    };
    if (theProjectListModel->activeProjectId < 0)
        activateProject();
    // START / STOP only on the RUN tab.
    theUI->tabWidget_main->setCurrentIndex(MainTab_projects);
    shoot(QStringLiteral("triggerStartStop"));
    QVERIFY(!run->running);
    shoot(QStringLiteral("triggerTabRun"));
    QCOMPARE(theUI->tabWidget_main->currentIndex(), int(MainTab_run));
    shoot(QStringLiteral("triggerStop"));
    QVERIFY(!run->running);
    shoot(QStringLiteral("triggerStart"));
    QVERIFY(run->running);
    shoot(QStringLiteral("triggerStart"));
    QVERIFY(run->running);
    shoot(QStringLiteral("triggerStartStop"));
    QVERIFY(!run->running);

    shoot(QStringLiteral("triggerBrakeConstantSpeed"));
    QCOMPARE(run->brakeController->comboBox_mode->currentIndex(), 3);
    shoot(QStringLiteral("triggerBrakeOff"));
    QCOMPARE(run->brakeController->comboBox_mode->currentIndex(), 0);
}

void TestRunPanel::remoteThrottleRow()
{
    RemoteControl* remote = theUI->settings->remoteControl;
    QCOMPARE(remote->remoteValueWidgets.size(), 4);
    RemoteValueWidget* row = remote->remoteValueWidgets.last();
    QCOMPARE(row->objectName(), QStringLiteral("remoteThrottle"));
    QCOMPARE(row->checkBox_enable->objectName(), QStringLiteral("remoteThrottle-enable"));
    SafeSpinBox* throttle = run->safeSpinBox_throttlePosition;
    throttle->setValueSI(10.0);

    row->argumentWidget->argument->setConstant(0.5, true);
    row->checkBox_enable->setChecked(true);
    QCOMPARE(row->timer->interval(), 40);
    QTRY_COMPARE(throttle->getValueSI(), 50.0);
    // It keeps overriding what the operator sets.
    throttle->setValueSI(20.0);
    QTRY_COMPARE(throttle->getValueSI(), 50.0);
    // Clamped to the box's range.
    row->argumentWidget->argument->setConstant(2.0, true);
    QTRY_COMPARE(throttle->getValueSI(), 100.0);

    // Unchecked, the overriding stops at once.
    row->checkBox_enable->setChecked(false);
    QVERIFY(!row->timer->isActive());
    throttle->setValueSI(30.0);
    QTest::qWait(200);
    QCOMPARE(throttle->getValueSI(), 30.0);
    QVERIFY(theSettings.value(QStringLiteral("UserSetting/remoteThrottle-enable")).isValid());
}

QTEST_MAIN(TestRunPanel)
#include "tst_run_panel.moc"
