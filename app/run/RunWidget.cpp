#include "RunWidget.h"

#include "lib/ThreadHandOver.h"

#include "ActiveProjectValues.h"
#include "AdvancedTestRegistry.h"
#include "TestModeContext.h"
#include "TestModes.h"
#include "AlarmWidget.h"
#include "BrakeController.h"
#include "CameraSettings.h"
#include "CanInputsModel.h"
#include "UDSChannelModel.h"
#include "ModbusInterfaceModel.h"
#include "SerialInputDevicesModel.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "DynoOdometer.h"
#include "EngineSpeedWidget.h"
#include "MainUI.h"
#include "Fonts.h"
#include "LogWriter.h"
#include "LossModelIndicator.h"
#include "MainTab.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "OperatorInputChannels.h"
#include "OpenedRunsManager.h"
#include "OutputWidgetContainer.h"
#include "PowerCorrectionSetup.h"
#include "RunChannel.h"
#include "Channels.h"
#include "SafeSpinBox.h"
#include "lib/Unit.h"
#include "RunWidgetSetupRows.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunListModel.h"
#include "RunStopInputs.h"
#include "RunThread.h"
#include "Settings.h"
#include "SpinBoxWithUnit.h"
#include "Statusbar.h"
#include "UI.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFormLayout>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

extern bool g_devModeEnabled;
extern bool g_midiEnabled;

namespace {

const char* const crcClientText =
    "MCU -> Client\nSPI frame CRC error.\nThis error is usually caused by external device electrical "
    "interference.\nPlease don't ignore it as it disrupts correct controller operation,\nand makes recorded run "
    "data corrupted!";
const char* const crcMcuText = "Client -> MCU\nSPI frame CRC error.\nThis error is usually caused by external device "
                               "electrical interference.\nPlease don't ignore it as it disrupts correct controller "
                               "operation!";

} // namespace

RunWidget::RunWidget(QWidget* parent)
    : QWidget(parent)
{
    autoStartStopTimer = new QTimer(this);
    autoStartStopTimer->setInterval(200);
    connect(autoStartStopTimer, &QTimer::timeout, this, &RunWidget::slot_autoStartStopCheck);

    setFont(theFonts.normalFont);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget(this);
    column->setFixedWidth(260);
    auto* form = new QFormLayout(column);
    form->setContentsMargins(1, 1, 1, 1);
    form->setSpacing(3);
    form->setLabelAlignment(Qt::AlignRight);
    layout->addWidget(column);

    pushButton_run_startStop = new QPushButton(tr("&START"), column);
    pushButton_run_startStop->setObjectName(QStringLiteral("pushButton_run_startStop"));
    pushButton_run_startStop->setEnabled(false);
    QFont startFont = pushButton_run_startStop->font();
    startFont.setPointSize(20);
    startFont.setWeight(QFont::Bold);
    pushButton_run_startStop->setFont(startFont);
    form->addRow(pushButton_run_startStop);

    checkBox_run_saveToDatabase = new QCheckBox(tr("Save to database"), column);
    checkBox_run_saveToDatabase->setObjectName(QStringLiteral("checkBox_run_saveToDatabase"));
    checkBox_run_saveToDatabase->setToolTip(tr("Register run in PROJECTS tab"));
    checkBox_run_saveToDatabase->setChecked(true);
    theSettings.connectCheckBox(checkBox_run_saveToDatabase);
    form->addRow(checkBox_run_saveToDatabase);

    checkBox_settings_recordRunVideo = new QCheckBox(tr("Record camera with run"), column);
    checkBox_settings_recordRunVideo->setObjectName(QStringLiteral("checkBox_settings_recordRunVideo"));
    checkBox_settings_recordRunVideo->setToolTip(tr("Record camera stream while the run is active"));
    theSettings.connectCheckBox(checkBox_settings_recordRunVideo);
    form->addRow(checkBox_settings_recordRunVideo);

    checkBox_run_enableAutoAnalyzeLastRun = new QCheckBox(tr("Auto ANALYZE LAST RUN"), column);
    checkBox_run_enableAutoAnalyzeLastRun->setObjectName(QStringLiteral("checkBox_run_enableAutoAnalyzeLastRun"));
    checkBox_run_enableAutoAnalyzeLastRun->setToolTip(tr("After the run is stopped, load it to ANALYZE"));
    theSettings.connectCheckBox(checkBox_run_enableAutoAnalyzeLastRun);
    form->addRow(checkBox_run_enableAutoAnalyzeLastRun);

    checkBox_run_enableAutoStartStop = new QCheckBox(tr("Auto START/STOP"), column);
    checkBox_run_enableAutoStartStop->setObjectName(QStringLiteral("checkBox_run_enableAutoStartStop"));
    checkBox_run_enableAutoStartStop->setToolTip(
        tr("Enable automatic run start and stop when values below are crossed"));
    // Connected before the binding: a stored checked state starts the timer now.
    connect(checkBox_run_enableAutoStartStop, &QCheckBox::stateChanged, this,
            &RunWidget::slot_autoStartCheckboxChanged);
    theSettings.connectCheckBox(checkBox_run_enableAutoStartStop);
    form->addRow(checkBox_run_enableAutoStartStop);

    auto* thresholds = new QWidget(column);
    auto* thresholdLayout = new QHBoxLayout(thresholds);
    thresholdLayout->setContentsMargins(0, 0, 0, 0);
    spinBox_run_autoStartThreshold = new SpinBoxWithUnit(thresholds);
    spinBox_run_autoStartThreshold->setObjectName(QStringLiteral("spinBox_run_autoStartThreshold"));
    spinBox_run_autoStartThreshold->setToolTip(tr("Auto start run when speed goes above this threshold"));
    spinBox_run_autoStopThreshold = new SpinBoxWithUnit(thresholds);
    spinBox_run_autoStopThreshold->setObjectName(QStringLiteral("spinBox_run_autoStopThreshold"));
    spinBox_run_autoStopThreshold->setToolTip(tr("Auto stop run when speed drops below this value threshold"));
    for (SpinBoxWithUnit* box : {spinBox_run_autoStartThreshold, spinBox_run_autoStopThreshold}) {
        box->setMinimumSI(0);
        box->configMenuEnabled = true;
        thresholdLayout->addWidget(box);
    }
    form->addRow(thresholds);

    pushButton_analyzeLastRun = new QPushButton(tr("ANALYZE &LAST RUN"), column);
    pushButton_analyzeLastRun->setObjectName(QStringLiteral("pushButton_analyzeLastRun"));
    pushButton_analyzeLastRun->setEnabled(false);
    form->addRow(pushButton_analyzeLastRun);

    auto* names = new QWidget(column);
    auto* namesForm = new QFormLayout(names);
    namesForm->setContentsMargins(0, 0, 0, 0);
    namesForm->setLabelAlignment(Qt::AlignRight);
    lineEdit_run_name = new QLineEdit(names);
    lineEdit_run_name->setObjectName(QStringLiteral("lineEdit_run_name"));
    lineEdit_run_name->setToolTip(tr("Short name attached to the run"));
    lineEdit_run_comment = new QLineEdit(names);
    lineEdit_run_comment->setObjectName(QStringLiteral("lineEdit_run_comment"));
    lineEdit_run_comment->setToolTip(tr("Comment attached to the run"));
    namesForm->addRow(tr("&Name"), lineEdit_run_name);
    namesForm->addRow(tr("&Comment"), lineEdit_run_comment);
    form->addRow(names);

    engineSpeedWidget = new EngineSpeedWidget(column);
    form->addRow(engineSpeedWidget);
    lossModelIndicator = new LossModelIndicator(column);
    form->addRow(lossModelIndicator);
    comboBox_advancedTest = new QComboBox(column);
    comboBox_advancedTest->setObjectName(QStringLiteral("comboBox_advancedTest"));
    comboBox_advancedTest->addItem(QStringLiteral("\u25BC ") + tr("Advanced modes"));
    comboBox_advancedTest->addItem(tr("Road simulation"));
    comboBox_advancedTest->addItem(tr("Advanced ramp"));
    comboBox_advancedTest->addItem(tr("Ramp test"));
    comboBox_advancedTest->addItem(tr("Sequence"));
    comboBox_advancedTest->addItem(tr("Inertia calibration"));
    comboBox_advancedTest->addItem(tr("Custom acc. rate"));
    comboBox_advancedTest->addItem(tr("Sim connector"));
    comboBox_advancedTest->addItem(tr("Log player"));
    comboBox_advancedTest->addItem(QStringLiteral("MIDI player"));
    hideAdvancedTestEntry(AdvancedTestType_advancedRamp);
    if (!g_midiEnabled)
        hideAdvancedTestEntry(AdvancedTestType_midiPlayer);
    connect(comboBox_advancedTest, &QComboBox::currentIndexChanged, this, &RunWidget::slot_advancedTestSelected);
    form->addRow(comboBox_advancedTest);

    brakeController = new BrakeController(column);
    form->addRow(brakeController);

    auto* throttleRow = new QWidget(column);
    auto* throttleLayout = new QHBoxLayout(throttleRow);
    throttleLayout->setContentsMargins(0, 0, 0, 0);
    checkBox_enableThrottleControl = new QCheckBox(tr("Throttle [%]"), throttleRow);
    checkBox_enableThrottleControl->setObjectName(QStringLiteral("checkBox_enableThrottleControl"));
    safeSpinBox_throttlePosition = new SafeSpinBox(throttleRow);
    safeSpinBox_throttlePosition->setObjectName(QStringLiteral("safeSpinBox_throttlePosition"));
    safeSpinBox_throttlePosition->setDecimals(1);
    safeSpinBox_throttlePosition->setRangeSI(0, 100);
    safeSpinBox_throttlePosition->setFont(theFonts.bigFont);
    safeSpinBox_throttlePosition->configMenuEnabled = true;
    theSettings.connectSpinBoxWithUnit(safeSpinBox_throttlePosition);
    throttleLayout->addWidget(checkBox_enableThrottleControl);
    throttleLayout->addWidget(safeSpinBox_throttlePosition, 1);
    // Not bound: the throttle is never handed over at program start.
    connect(checkBox_enableThrottleControl, &QCheckBox::stateChanged, this,
            [this](int state) { slot_checkBox_enableThrottleControl(state != 0); });
    connect(safeSpinBox_throttlePosition, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &RunWidget::slot_spinBox_throttlePosition_valueChanged);
    form->addRow(throttleRow);

    outputWidgetContainer = new OutputWidgetContainer(column);
    form->addRow(outputWidgetContainer);

    mdiManager = new MdiManager(this, MdiType_run);
    layout->addWidget(mdiManager, 1);

    connect(pushButton_run_startStop, &QPushButton::clicked, this, &RunWidget::slot_pushButton_run_start_clicked);

    // The operator input channels are recorded with every run.
    RunThread::hooks.operatorInputChannels = operatorInputChannelsForRecording;
    runThread = new RunThread;
    logWriter = new LogWriter;
    runThread->setLogWriter(logWriter);
    runThread->start(QThread::InheritPriority);
    connect(this, &RunWidget::signal_startRun, runThread, &RunThread::slot_startRun);
    connect(runThread, &RunThread::signal_newRunStarted, mdiManager, &MdiManager::slot_newRunStarted);
    installTestModeContext();
    registerTestModes();
}

void RunWidget::installTestModeContext()
{
    // A test window outlives the panel's other children at shutdown: every
    // slot checks that the panel is still there.
    const QPointer<RunWidget> self(this);
    TestModeContext& context = TestModeContext::current();
    context.panel = [self]() -> BrakeController* { return self ? self->brakeController : nullptr; };
    context.runActive = [self] { return self && self->running; };
    context.runStartTime = [self]() -> qint64 { return self && self->runThread ? self->runThread->runStartTime.load() : 0; };
    context.pressStartStop = [self] {
        if (self)
            self->pushButton_run_startStop->click();
    };
    context.setThrottle = [self](double percent) {
        if (self)
            self->safeSpinBox_throttlePosition->setValueSI(percent);
    };
    context.setEngineSpeedSourceEnabled = [self](bool enabled) {
        if (self && self->engineSpeedWidget && self->engineSpeedWidget->comboBox_runEngineSpeedSource)
            self->engineSpeedWidget->comboBox_runEngineSpeedSource->setEnabled(enabled);
    };
    context.keyPress = [](QKeyEvent* event) {
        if (theMainUI)
            QCoreApplication::sendEvent(theMainUI, event);
    };
    context.keyRelease = context.keyPress;
}

RunWidget::~RunWidget()
{
    // An open test dialog dies with the panel's children, after the panel
    // itself: giving the absorber back then would reach destroyed widgets.
    if (advancedTest)
        disconnect(advancedTest, &QObject::destroyed, this, &RunWidget::slot_advancedTestClosed);
    // Nor may its clean-up reach the panel's widgets, which go first.
    TestModeContext::current() = TestModeContext();
}

void RunWidget::initAfterSettings()
{
    runThread->connectDataSources();
    if (theProjectListModel) {
        connect(theProjectListModel, &QAbstractItemModel::dataChanged, this,
                &RunWidget::mirrorActiveProjectForRunThread, Qt::UniqueConnection);
        // Also when the project goes: the window's own handler stops early
        // then, and the threads would go on with the old project's values.
        connect(theProjectListModel, &ProjectListModel::signal_activeProjectChanged, this,
                &RunWidget::mirrorActiveProjectForRunThread, Qt::UniqueConnection);
    }
    mirrorActiveProjectForRunThread();
    outputWidgetContainer->init();
    brakeController->init();
    engineSpeedWidget->runTabCurrent = [] { return theUI->tabWidget_main->currentIndex() == MainTab_run; };
    engineSpeedWidget->init();
    connect(engineSpeedWidget, &EngineSpeedWidget::signal_settingsChanged, this,
            &RunWidget::slot_updateStartButtonBackgroundColor, Qt::UniqueConnection);
    lossModelIndicator->init();

    slot_checkBox_enableThrottleControl(checkBox_enableThrottleControl->isChecked());
    checkBox_throttleControlVisible = new QCheckBox(this);
    checkBox_throttleControlProtected = new QCheckBox(this);
    connect(checkBox_throttleControlVisible, &QCheckBox::stateChanged, this, [this](int state) {
        checkBox_enableThrottleControl->setVisible(state != 0);
        safeSpinBox_throttlePosition->setVisible(state != 0);
    });
    RunWidgetSetupRows::add(new QLabel(tr("Throttle control")), checkBox_throttleControlVisible,
                            checkBox_throttleControlProtected, QStringLiteral("throttleControl_"));
    checkBox_enableThrottleControl->setVisible(checkBox_throttleControlVisible->isChecked());
    safeSpinBox_throttlePosition->setVisible(checkBox_throttleControlVisible->isChecked());
    QMetaObject::invokeMethod(runThread, &RunThread::slot_settingsReady, Qt::QueuedConnection);
    mdiManager->initAfterSettings();
}

bool RunWidget::runThreadAvailable() const
{
    // A blocking call into a thread whose loop has ended would never return;
    // a halted thread (fatal error on screen) records nothing more.
    return runThread && runThread->isRunning() && !runThread->isInterruptionRequested() && !runThread->halted();
}

void RunWidget::setOtherTabsEnabled(bool enabled)
{
    QTabWidget* tabs = theUI->tabWidget_main;
    for (int i = 0; i < tabs->count(); ++i) {
        if (enabled || i != tabs->currentIndex())
            tabs->setTabEnabled(i, enabled);
    }
}

bool RunWidget::runStartProcedure()
{
    qDebug() << "Run START";
    if (theUI->settings->checkBox_settings_blockRunStartWhenAlarm->isChecked()
        && theUI->statusbar->alarmWidget->isAlarmActive()) {
        Tools::showError(tr("Run start is blocked because alarm is active!"));
        return false;
    }
    if (theUI->settings->checkBox_settings_autoHideTestDialogOnRunStart->isChecked() && advancedTest)
        advancedTest->hide();

    bool created = false;
    if (runThreadAvailable()) {
        LogWriter* writer = logWriter;
        ThreadHandOver::blockingCall(writer, [writer] { writer->init(); });
        created = writer->initialized;
    }
    theUI->settings->cameraSettings->startRecording(logWriter->timestampName);
    if (!created) {
        qDebug() << "Run log file initialization failed";
        // Nothing may go on recording for a run that does not exist.
        theUI->settings->cameraSettings->stopRecording();
        return false;
    }

    brakeController->startRun();
    disableAnalyzeLastRun();
    pushButton_run_startStop->setText(tr("&STOP"));
    Tools::setButtonTextColorWithPalette(pushButton_run_startStop, Qt::red);
    if (!g_devModeEnabled)
        setOtherTabsEnabled(false);
    mdiManager->unpause();
    emit signal_startRun();
    running = true;
    return true;
}

void RunWidget::runStopProcedure()
{
    if (!running)
        return;
    if (theUI->settings->checkBox_settings_autoHideTestDialogOnRunStart->isChecked() && advancedTest)
        advancedTest->show();
    pushButton_run_startStop->setEnabled(false);

    if (runThreadAvailable()) {
        handStopInputsToWriter();
        RunThread* thread = runThread;
        ThreadHandOver::blockingCall(thread, [thread] { thread->slot_stopRun(); });
    }
    theUI->settings->cameraSettings->stopRecording();
    brakeController->stopRun();

    const QString file = logWriter->filePath;
    if (theUI->settings->checkBox_settings_automaticallyExportRunDataToCSV->isChecked())
        exportRunToCsv(file);

    if (checkBox_run_saveToDatabase->isChecked()) {
        if (theRunListModel) {
            theRunListModel->setProjectId(theProjectListModel ? theProjectListModel->activeProjectId : -1);
            theRunListModel->newRunFromFile(file);
        }
        enableAnalyzeLastRun();
        if (checkBox_run_enableAutoAnalyzeLastRun->isChecked())
            pushButton_analyzeLastRun->click();
    }

    setOtherTabsEnabled(true);
    running = false;
    pushButton_run_startStop->setEnabled(true);
    pushButton_run_startStop->setText(tr("&START"));
    Tools::setButtonTextColorWithPalette(pushButton_run_startStop, Qt::green);
    theSettings.checkStorageSpace();
    qDebug() << "Run STOP";
}

void RunWidget::handStopInputsToWriter()
{
    RunStopInputs inputs = RunStopInputs::collect();
    // The odometer's distance so far; the run thread adds at most the last
    // block's before the stop reaches it.
    inputs.distance = theUI->settings->dynoOdometer->runDistance();
    inputs.powerCorrectionStandard =
        theUI->settings->powerCorrectionSetup->comboBox_settings_powerCorrection->currentIndex();
    inputs.comment = lineEdit_run_comment->text();
    inputs.name = Tools::generateUniqueName(theRunListModel ? theRunListModel->getUsedRunNames() : QStringList(),
                                            lineEdit_run_name->text());
    inputs.canParserSetup = theCanInputsModel.setupToString();
    inputs.udsChannelSetup = theUDSChannelModel.setupToString();
    inputs.modbusSetup = theModbusInterfacesModel.setupToString();
    inputs.serialInputDevicesSetup = theSerialDevicesModel.setupToString();
    inputs.runType = int(brakeController->getRunType());
    const QCheckBox* attach = lossModelIndicator->checkBox_attachLossModelToRun;
    inputs.lossModelAttached = attach->isChecked() && attach->isVisibleTo(this);
    logWriter->setStopInputs(inputs);
}

void RunWidget::exportRunToCsv(const QString& file)
{
    // Every channel, all samples, no header or preset, at the settings' period;
    // the file lies beside the run file. The run is loaded only for this and
    // gives its memory back afterwards.
    RunData* run = theOpenedRunsManager.getRunData(file);
    if (!run) {
        qDebug() << "Run data export to CSV skipped: cannot open" << file;
        return;
    }
    if (run->loadAll() != 0 || run->calculateAll(false) != 0) {
        qDebug() << "Run data export to CSV skipped: run data of" << file << "cannot be calculated";
        run->freeMemory();
        return;
    }
    QString csv = file;
    if (csv.endsWith(QLatin1String(".h5")))
        csv.chop(3);
    csv += QStringLiteral(".csv");
    run->exportToCSV(csv, theUI->settings->doubleSpinBox_settings_csvExportSamplingValue->value(),
                     CsvExportSample_all, {}, false, CsvExportPreset_none, false, 5);
    run->freeMemory();
}

void RunWidget::enableAnalyzeLastRun()
{
    pushButton_analyzeLastRun->setEnabled(true);
    Tools::setButtonBackgroundColorWithPalette(pushButton_analyzeLastRun, QColor(140, 255, 140));
}

void RunWidget::disableAnalyzeLastRun()
{
    pushButton_analyzeLastRun->setEnabled(false);
    pushButton_analyzeLastRun->setPalette(QPalette());
}

void RunWidget::raiseAdvancedTest()
{
    if (advancedTest)
        advancedTest->show();
}

void RunWidget::minimizeAdvancedTest()
{
    if (advancedTest)
        advancedTest->hide();
}

void RunWidget::hideAdvancedTestEntry(int testTypeId)
{
    if (auto* list = qobject_cast<QListView*>(comboBox_advancedTest->view()))
        list->setRowHidden(testTypeId, true);
}

bool RunWidget::isAdvancedTestEntryHidden(int testTypeId) const
{
    auto* list = qobject_cast<QListView*>(comboBox_advancedTest->view());
    return list && list->isRowHidden(testTypeId);
}

void RunWidget::slot_autoStartStopCheck()
{
    const double start = spinBox_run_autoStartThreshold->getValueSI();
    const double stop = spinBox_run_autoStopThreshold->getValueSI();
    double value = 0.0;
    bool below = false;
    bool above = false;
    const Quantity quantity = spinBox_run_autoStartThreshold->getQuantity();
    if (quantity == Quantity::Speed || quantity == Quantity::RotationalSpeed) {
        const ChannelId id = quantity == Quantity::Speed ? ChannelId_dynoSpeed : ChannelId_engineSpeed;
        // Before the registry is filled there is nothing to watch.
        if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
            return;
        // A stale channel reads NaN, and NaN never crosses a threshold.
        value = theChannels.getChannel(id, 0)->getValue();
        below = start > value;
        above = stop < value;
    } else {
        below = start > 0;
        above = stop < 0;
    }

    if (!running && belowStartThreshold && value >= start) {
        theUI->tabWidget_main->setCurrentIndex(MainTab_run);
        pushButton_run_startStop->click();
    } else if (running && aboveStopThreshold && value <= stop) {
        pushButton_run_startStop->click();
    }
    belowStartThreshold = below;
    aboveStopThreshold = above;
}

void RunWidget::slot_advancedTestSelected(int testTypeId)
{
    if (testTypeId == AdvancedTestType_none) {
        advancedTest = nullptr;
        return;
    }
    // A type nobody registered (or the hidden "Advanced ramp") leaves the
    // absorber with the panel: handing it over to no dialog would leave it
    // off and locked with nothing to give it back.
    if (testTypeId == AdvancedTestType_advancedRamp || !AdvancedTestRegistry::has(testTypeId))
        return;

    brakeController->backupSettings();
    brakeController->setMode(0);
    brakeController->enableExternalThreadControl();
    comboBox_advancedTest->setEnabled(false);
    QWidget* dialog = AdvancedTestRegistry::create(testTypeId, this);
    if (!dialog) {
        slot_advancedTestClosed();
        return;
    }
    advancedTest = dialog;
    static const char* const objectNames[] = {"",
                                              "roadSimulationDialog",
                                              "",
                                              "rampTestDialog",
                                              "sequenceDialog",
                                              "inertiaCalibrationTestDialog",
                                              "customAccRateDialog",
                                              "simConnector",
                                              "logPlayer",
                                              "midiPlayer"};
    if (testTypeId < int(std::size(objectNames)))
        dialog->setObjectName(QLatin1String(objectNames[testTypeId]));
    brakeController->advancedTestStarted(testTypeId);
    dialog->setWindowFlags(Qt::Dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    connect(dialog, &QObject::destroyed, this, &RunWidget::slot_advancedTestClosed);
    AdvancedTestRegistry::bindPosition(testTypeId, dialog);
}

void RunWidget::slot_advancedTestClosed()
{
    advancedTest = nullptr;
    brakeController->disableExternalThreadControl();
    comboBox_advancedTest->setCurrentIndex(AdvancedTestType_none);
    comboBox_advancedTest->setEnabled(true);
    brakeController->advancedTestStopped();
    brakeController->restoreSettings();
}

void RunWidget::slot_checkBox_enableThrottleControl(bool checked)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    theChannels.getChannel(ChannelId_throttleControlEnabled, 0)->setData(checked ? 1.0 : 0.0, now);
    if (checked)
        theChannels.getChannel(ChannelId_throttleTarget, 0)->setData(safeSpinBox_throttlePosition->getValueSI() / 100.0,
                                                                      now);
}

void RunWidget::slot_spinBox_throttlePosition_valueChanged(double target)
{
    if (!checkBox_enableThrottleControl->isChecked())
        return;
    theChannels.getChannel(ChannelId_throttleTarget, 0)->setData(target / 100.0, QDateTime::currentMSecsSinceEpoch());
}

void RunWidget::slot_autoStartCheckboxChanged(int state)
{
    belowStartThreshold = false;
    aboveStopThreshold = false;
    if (state != 0)
        autoStartStopTimer->start();
    else
        autoStartStopTimer->stop();
}

void RunWidget::slot_clickAnalyzeLastRun()
{
    pushButton_analyzeLastRun->click();
}

void RunWidget::slot_pushButton_run_start_clicked()
{
    if (running)
        runStopProcedure();
    else
        runStartProcedure();
}

void RunWidget::slot_mcuThreadCrcErrorClientSide()
{
    Tools::showError(QString::fromLatin1(crcClientText));
    if (running)
        runStopProcedure();
}

void RunWidget::slot_mcuThreadCrcErrorMcuSide()
{
    Tools::showError(QString::fromLatin1(crcMcuText));
    if (running)
        runStopProcedure();
}

void RunWidget::mirrorActiveProjectForRunThread()
{
    // The run thread's physics read these; the table stays in this thread.
    ActiveProjectValues& mirror = theActiveProjectValues;
    if (!theProjectListModel || theProjectListModel->activeProjectId < 0) {
        mirror.clear();
        return;
    }
    auto field = [](ProjectListFieldId id) { return theProjectListModel->activeProjectDataRawById(id).toDouble(); };
    mirror.mass = field(ProjectListFields::mass);
    mirror.driveWheels = int(field(ProjectListFields::driveWheels));
    mirror.drivetrainInertia = field(ProjectListFields::drivetrainInertia);
    mirror.engineInertia = field(ProjectListFields::engineInertia);
    mirror.lossFromLoadFactor = field(ProjectListFields::lossFromLoadFactor);
    mirror.wheelDiameter = field(ProjectListFields::wheelDiameter);
    mirror.active = true;
}

void RunWidget::slot_updateStartButtonBackgroundColor()
{
    mirrorActiveProjectForRunThread();
    int dynoType = -1;
    if (theDynoSettings && theDynoSettings->initialized)
        dynoType = theDynoSettings->getSetting(DynoSettingId_dynoType, 0)->value().toInt();

    QList<ProjectListFieldId> required;
    if (dynoType == 1) {
        required = {ProjectListFields::engineInertia, ProjectListFields::drivetrainInertia,
                    ProjectListFields::lossFromLoadFactor, ProjectListFields::displacement,
                    ProjectListFields::cylinderCount};
        if (theDynoSettings->isSlipEstimationAvailable()
            && theDynoSettings->getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0) > 0)
            required.append(ProjectListFields::mass);
    } else if (dynoType == 2) {
        required = {ProjectListFields::engineInertia, ProjectListFields::lossFromLoadFactor,
                    ProjectListFields::displacement, ProjectListFields::cylinderCount};
    }

    QStringList missing;
    for (const ProjectListFieldId field : required) {
        if (theProjectListModel->activeProjectDataRawById(field).toDouble() == 0) {
            const TableModelFieldDescriptor* descriptor = theProjectListModel->descriptor(field);
            missing.append(descriptor ? descriptor->headerLabel : QString::number(int(field)));
        }
    }
    if (!missing.isEmpty()) {
        Tools::setButtonBackgroundColorWithPalette(pushButton_run_startStop, QColor(255, 224, 77));
        QString tip = tr("Essential project information is missing:") + QStringLiteral("\n\n");
        for (const QString& header : std::as_const(missing))
            tip += header + QLatin1Char('\n');
        pushButton_run_startStop->setToolTip(tip);
    } else {
        Tools::setButtonBackgroundColorWithPalette(pushButton_run_startStop,
                                                   QApplication::palette().color(QPalette::Base));
        pushButton_run_startStop->setToolTip(tr("Click to start / stop measurement"));
    }
}
