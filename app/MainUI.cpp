#include "MainUI.h"

#include "FieldBus.h"
#include "lib/ThreadHandOver.h"

#include "AccessControlWidget.h"
#include "AlarmWidget.h"
#include "AnalyzeWidget.h"
#include "Argument.h"
#include "BrakeController.h"
#include "BrakeControllerFF.h"
#include "BrakeControllerThread.h"
#include "CameraThread.h"
#include "CanOutputsWidget.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "DelayedSpinBox.h"
#include "DynoApplication.h"
#include "DynoOdometer.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "FirmwareUpdater.h"
#include "FunctionManager.h"
#include "HwInfo.h"
#include "IO.h"
#include "InputChannelsManager.h"
#include "Icons.h"
#include "LoadedRunListModel.h"
#include "LogWriter.h"
#include "LossModelIndicator.h"
#include "MainTab.h"
#include "McuThread.h"
#include "MdiManager.h"
#include "MyMenu.h"
#include "MySQLTableView.h"
#include "MySettings.h"
#include "ObdThread.h"
#include "OutputStatusWidget.h"
#include "OutputWidgetContainer.h"
#include "ChannelSetupList.h"
#include "ProgressWidget.h"
#include "RunDataHooks.h"
#include "PowerCorrectionSetup.h"
#include "ProjectListFieldSource.h"
#include "ProjectListModel.h"
#include "ProjectSettings.h"
#include "Projects.h"
#include "RemoteControl.h"
#include "ReportEditor.h"
#include "ResultScreenEditor.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunListModel.h"
#include "RunThread.h"
#include "RunAnalysisSettings.h"
#include "RunWidget.h"
#include "SerialInputsManager.h"
#include "Settings.h"
#include "SoftwareUpdater.h"
#include "WatermarkWidget.h"
#include "MemoryWidget.h"
#include "Statusbar.h"
#include "SystemLoadWidget.h"
#include "TableFieldFlag.h"
#include "TriggerThread.h"
#include "UI.h"
#include "Units.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QStandardItemModel>
#include "rpiGPIO.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSqlDatabase>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>

MainUI* theMainUI = nullptr;

namespace {

double channelValue(ChannelId id, int index = 0)
{
    const RunChannel* channel = theChannels.getChannel(id, index);
    return channel ? channel->getValue() : std::nan("");
}

void setChannel(ChannelId id, double value, qint64 timestamp)
{
    if (RunChannel* channel = theChannels.getChannel(id, 0))
        channel->setData(value, timestamp);
}

QString channelText(ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    return channel ? channel->getDataTranslatedWithUnit() : QString();
}

} // namespace

// ------------------------------------------------------------------- stage 1

MainUI::MainUI(QWidget* parent)
    : QMainWindow(parent)
{
    theMainUI = this;

    appName = QStringLiteral("Zembo");
    QFile nameFile(theSettings.settingsDir.filePath(QStringLiteral("appName.txt")));
    if (nameFile.exists()) {
        // An unreadable file counts as an empty one.
        appName = nameFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(nameFile.readAll().trimmed()) : QString();
    }

    theRPIGPIO.init(g_nofanModeEnabled);

    QApplication::setKeyboardInputInterval(2000);
    QApplication::setWheelScrollLines(2);

    QFile styleFile(theSettings.settingsDir.filePath(QStringLiteral("style.css")));
    if (styleFile.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleFile.readAll()));

    theSettings.initTranslator();
    theUnits.init();
    theSettings.initChannelsSetup();
    theSettings.initEnumLabels();
    theSettings.developerMode = g_devModeEnabled;
    theSettings.runNewVersionActions();
    theIcons.init();

    ui = new UI(this);

    buildCornerWidget();
    connect(ui->tabWidget_main, &QTabWidget::currentChanged, this, &MainUI::slot_tabWidget_main_currentChanged);

    const QString userIcon = theSettings.settingsDir.filePath(QStringLiteral("icon.png"));
    setWindowIcon(QFile::exists(userIcon) ? QIcon(userIcon) : theIcons.iconApplication);
    setWindowTitle(titleBase());
    qDebug().noquote() << "Window title:" << windowTitle();

    if (theTriggerThread)
        theTriggerThread->start(QThread::InheritPriority);
    ambient.initSensor();

    // Worker threads never wait for this window: their errors arrive queued,
    // and the window tells the sender when the operator has closed the box.
    qRegisterMetaType<ambientFrame_t>("ambientFrame_t");
    RunWidget* runWidget = ui->runWidget;
    connect(runWidget->logWriter, &AbstractLogWriter::signal_error, this, &MainUI::slot_showError);
    if (theMCUThread) {
        connect(theMCUThread, &McuThread::signal_fatalError, this, [this](const QString& message) {
            slot_showError(message);
            theMCUThread->noticeClosed(McuThread::Notice::FatalError);
        });
        connect(theMCUThread, &McuThread::signal_crcError, runWidget, [runWidget] {
            runWidget->slot_mcuThreadCrcErrorClientSide();
            theMCUThread->noticeClosed(McuThread::Notice::CrcError);
        });
        connect(theMCUThread, &McuThread::signal_crcErrorMcu, runWidget, [runWidget] {
            runWidget->slot_mcuThreadCrcErrorMcuSide();
            theMCUThread->noticeClosed(McuThread::Notice::CrcErrorMcu);
        });
    }
    RunThread* runThread = runWidget->runThread;
    connect(runThread, &RunThread::signal_fatalError, this, [this, runThread](const QString& message) {
        slot_showError(message);
        runThread->fatalErrorClosed();
    });
    connect(runThread, &RunThread::signal_error, this, &MainUI::slot_showError);
    connect(this, &MainUI::signal_newAmbientData, runWidget->logWriter, &LogWriter::slot_newAmbientFrame);
    connect(ui->settings->dynoSettings, &DynoSettings::signal_settingsReady, this, &MainUI::slot_afterSettingsReady,
            Qt::DirectConnection);

    // The project database: both tables on one connection. A file that cannot
    // be opened leaves the program running with empty tables.
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("projects2.db"));
    database.setDatabaseName(theSettings.settingsDir.filePath(QStringLiteral("projects2.db")));
    if (!database.open())
        qDebug() << "Cannot open database";
    // The project model first: the run model's import reads its map of old project ids.
    theProjectListModel = new ProjectListModel(this, database);
    theRunListModel = new RunListModel(this, database);
    MySettings::setActiveProjectIdProvider(
        [] { return theProjectListModel ? theProjectListModel->activeProjectId : -1; });
    static ProjectListFieldSource projectFields(theProjectListModel);
    projectFields = ProjectListFieldSource(theProjectListModel);
    Argument::setProjectFieldSource(&projectFields);

    theSettings.initUI(this);
    static RunAnalysisSettings runAnalysisSettings;
    RunAnalysisOptions::install(&runAnalysisSettings);

    firmwareUpdater = new FirmwareUpdater(this);
    firmwareUpdater->setAutoUpdate(g_testModeEnabled);
    if (theMCUThread) {
        theMCUThread->start(QThread::TimeCriticalPriority);
        theMCUThread->polling = true;
    }

    auto* closeShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
    auto* printShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(printShortcut, &QShortcut::activated, ui->settings->reportEditor, &ReportEditor::slot_print);
    auto* unlockShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Backspace), this);
    connect(unlockShortcut, &QShortcut::activated, this, &MainUI::slot_unlockCustomScript);

    connect(runWidget->pushButton_analyzeLastRun, &QPushButton::clicked, this,
            &MainUI::slot_pushButton_analyzeLastRun_clicked);
    connect(runWidget, &RunWidget::signal_startRun, this, &MainUI::slot_updateAmbientData);

    QTimer::singleShot(100, this, &MainUI::slot_delayedInit);
    qDebug() << "Start-up stage 1 done";
}

QString MainUI::titleBase() const
{
    return QStringLiteral("%1 - %2").arg(appName, theSettings.version.versionText);
}

void MainUI::buildCornerWidget()
{
    auto* corner = new QWidget(this);
    auto* layout = new QHBoxLayout(corner);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(2);

    ui->comboBox_powerCorrection = new QComboBox(corner);
    Tools::cloneComboBox(ui->settings->powerCorrectionSetup->comboBox_settings_powerCorrection,
                         ui->comboBox_powerCorrection);
    layout->addWidget(ui->comboBox_powerCorrection);

    ui->comboBox_analyze_masterChannel = new QComboBox(corner);
    ui->comboBox_analyze_masterChannel->setObjectName(QStringLiteral("comboBox_analyze_masterChannel"));
    ui->comboBox_analyze_masterChannel->addItems(
        {tr("Engine speed"), tr("Road speed"), tr("Time")});
    ui->comboBox_analyze_masterChannel->setToolTip(tr("Master channel"));
    layout->addWidget(ui->comboBox_analyze_masterChannel);

    ui->pushButton_print = new QPushButton(QIcon::fromTheme(QStringLiteral("document-print")),
                                           tr("Save as Image / PDF / Print / Email"), corner);
    connect(ui->pushButton_print, &QPushButton::clicked, this, &MainUI::printReport);
    layout->addWidget(ui->pushButton_print);

    ui->tabWidget_main->setCornerWidget(corner, Qt::TopRightCorner);
}

void MainUI::printReport()
{
    ReportEditor* editor = ui->settings->reportEditor;
    MyMenu menu(this);
    editor->populateMenu(&menu);
    const QList<QAction*> actions = menu.actions();
    if (actions.isEmpty()) {
        Tools::showError(tr("No print templates available"));
        return;
    }
    if (actions.size() == 1) {
        editor->slot_print();
        return;
    }
    QPushButton* button = ui->pushButton_print;
    const QAction* chosen = DialogAnswerer::execMenu(&menu, button->mapToGlobal(QPoint(0, button->height())));
    if (!chosen)
        return;
    editor->comboBox_settings_printTemplate->setCurrentText(chosen->text());
    editor->slot_print();
}

// ------------------------------------------------------------------- stage 2

void MainUI::slot_delayedInit()
{
    connect(theProjectListModel, &ProjectListModel::signal_activeProjectChanged, this,
            &MainUI::slot_activeProjectChanged);
    ui->projects->delayedInit();
    ui->settings->projectSettings->init(theProjectListModel, theRunListModel);
    ui->settings->channelSetupList->delayedInit();
    ui->settings->watermarkWidget->delayedInit();
    // Passes over many runs (projects from files, repack, recalculation) show on the status bar.
    const QPointer<ProgressWidget> progress = ui->statusbar->progressWidget;
    RunDataHooks::instance().taskProgress = [progress](float f) {
        if (progress)
            progress->slot_setProgress(f);
    };
    RunDataHooks::instance().progress = [progress](float f) {
        if (progress)
            progress->slot_setSubProgress(f);
    };
    connect(ui->projects->myTableView_runs, &MySQLTableView::signal_doubleClicked, this, &MainUI::slot_loadRun);
    connect(theRunListModel, &RunListModel::signal_loadRuns, this, &MainUI::slot_loadRuns);
    delayedInitDone = true;
    qDebug() << "Start-up stage 2 done";
    if (secondStagePending) {
        secondStagePending = false;
        slot_afterSettingsReady();
    }
}

// ------------------------------------------------------------------- stage 3

void MainUI::slot_afterSettingsReady()
{
    if (secondStageDone || secondStagePending) {
        qDebug() << "MainUI constructor second stage called twice.";
        return;
    }
    // A fast controller may confirm before the event loop has run the delayed
    // stage; the second stage builds on it, so it waits for it.
    if (!delayedInitDone) {
        secondStagePending = true;
        return;
    }
    secondStageDone = true;
    qDebug() << "Start-up stage 3 begins";
    Statusbar* statusbar = ui->statusbar;
    Settings* settings = ui->settings;
    RunWidget* runWidget = ui->runWidget;
    // The operator's input channels and computed functions joined the
    // registry when the dyno settings were registered; alarm gates naming
    // them are bound now that they exist.
    theRunChannelSetupModel.resolveAlarmGates();
    statusbar->init();

    if (theObdThread) {
        theObdThread->start(QThread::InheritPriority);
        connect(theObdThread, &ObdThread::signal_setStatusColor, statusbar, &Statusbar::slot_setOBDLabelColor);
        connect(theObdThread, &ObdThread::signal_setStatusText, statusbar, &Statusbar::slot_setOBDLabelText);
    }

    slot_updateAmbientData();
    auto* ambientTimer = new QTimer(this);
    connect(ambientTimer, &QTimer::timeout, this, &MainUI::slot_updateAmbientData);
    ambientTimer->start(1000);

    ui->analyzeWidget->init();
    LoadedRunListModel* loadedRuns = ui->analyzeWidget->loadedRunListModel;
    connect(loadedRuns, &LoadedRunListModel::signal_runCountChanged, this, &MainUI::slot_loadedRunCountChanged);
    connect(settings->powerCorrectionSetup->comboBox_settings_powerCorrection, &QComboBox::currentIndexChanged,
            loadedRuns, &LoadedRunListModel::slot_recalculate);
    connect(settings->spinBox_settings_resampleFrequency, &DelayedSpinBox::signal_delayedValueChanged, loadedRuns,
            &LoadedRunListModel::slot_recalculate);
    connect(theRunListModel, &QAbstractItemModel::headerDataChanged, loadedRuns,
            &LoadedRunListModel::slot_runListModelHeaderChanged);

    FieldBus::initSerialInputs();
    settings->serialInputsManager->init();
    settings->canOutputsWidget->init();
    settings->powerCorrectionSetup->init();
    settings->remoteControl->init();
    settings->dynoOdometer->init();

    if (theMCUThread)
        theMCUThread->writeReg(DynoRegister::canBus0Status);

    slot_activeProjectChanged();
    emit ui->tabWidget_main->currentChanged(ui->tabWidget_main->currentIndex());
    runWidget->initAfterSettings();
    statusbar->outputStatusWidget->init();

    if (auto* dynoType = theDynoSettings->getSetting(DynoSettingId_dynoType, 0)->getWidgetHelper<QComboBox>(
            SettingWidgetType_comboBox)) {
        connect(dynoType, &QComboBox::currentIndexChanged, this, &MainUI::slot_dynoTypeChanged);
        slot_dynoTypeChanged(dynoType->currentIndex());
    }

    connect(ui->projects->pushButton_activateProject, &QPushButton::clicked, this,
            &MainUI::slot_projectActivatedByUser);
    connect(ui->projects->tableView_projects, &MySQLTableView::signal_doubleClicked, this,
            &MainUI::slot_projectActivatedByUser);

    ui->io->setAmbientReadout(statusbar->label_ambient);
    ui->io->init();
    theRPIGPIO.startSwitchUpdate();
    theSettings.connectTabWidget(settings);

    softwareUpdater = new SoftwareUpdater(this);
    if (settings->checkBox_settings_checkForUpdates->isChecked())
        softwareUpdater->check(false);
    // The low-storage notice is modal; shown from the event loop it cannot
    // hold up the rest of this stage on a start nobody attends.
    QTimer::singleShot(0, this, [] { theSettings.checkStorageSpace(); });

    auto* autoZeroTimer = new QTimer(this);
    connect(autoZeroTimer, &QTimer::timeout, this, &MainUI::slot_autoCalibrateLoadCell);
    autoZeroTimer->start(1000);

    runCustomScript();
    settings->accessControlWidget->init();
    if (g_testModeEnabled)
        statusbar->checkBox_testMode->setChecked(true);
    qDebug() << "Start-up stage 3 done";
}

void MainUI::slot_showError(const QString& message)
{
    qDebug().noquote() << "CPU temperature: " + QString::number(ui->statusbar->systemLoadWidget->cpuTemperature)
                              + QStringLiteral("℃");
    Tools::showError(message);
}

// ------------------------------------------------------------------- periodic duties

void MainUI::slot_updateAmbientData()
{
    if (!theChannels.isInitialized())
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bme280_data data;
    const bool sensorOk = ambient.getData(&data) == 0;
    if (sensorOk) {
        const Unit* celsius = theUnits.getUnitByQuantityAndName(Quantity::Temperature, QStringLiteral("°C"));
        setChannel(ChannelId_bme280Humidity, data.humidity / 100.0, now);
        setChannel(ChannelId_bme280Pressure, data.pressure, now);
        setChannel(ChannelId_bme280Temperature, celsius ? celsius->getSIValue(data.temperature) : data.temperature,
                   now);
    } else {
        setChannel(ChannelId_bme280Humidity, 0, now);
        setChannel(ChannelId_bme280Pressure, 0, now);
        setChannel(ChannelId_bme280Temperature, 0, now);
    }

    ui->settings->powerCorrectionSetup->sampleAmbientData(now);

    QString text = QStringList{channelText(ChannelId_ambientTemperature), channelText(ChannelId_ambientPressure),
                               channelText(ChannelId_ambientHumidity)}
                       .join(QStringLiteral(", "));
    if (theProjectListModel && theProjectListModel->activeProjectRow >= 0
        && theProjectListModel->activeProjectId >= 0) {
        const double factor = Ambient::calculateCorrectionFactor(
            channelValue(ChannelId_ambientTemperature), channelValue(ChannelId_ambientPressure),
            channelValue(ChannelId_ambientHumidity),
            ui->settings->powerCorrectionSetup->comboBox_settings_powerCorrection->currentIndex(),
            theProjectListModel->getCurrentProjectEngineTypeForPowerCorrection(),
            theProjectListModel->activeProjectDataRawById(ProjectListFields::engineEfficiency).toDouble(),
            theProjectListModel->activeProjectDataRawById(ProjectListFields::engineCorrectionFactor).toDouble());
        setChannel(ChannelId_ambientCorrectionFactor, factor - 1, now);
        text += QString::asprintf(" CF:%.1f%%", (factor - 1) * 100);
    }

    QLabel* label = ui->statusbar->label_ambient;
    label->setText(text);
    if (!sensorOk) {
        Tools::setBackgroundColorWithPalette(label, QColor(255, 77, 77));
    } else {
        label->setAutoFillBackground(false);
        label->setPalette(QPalette());
    }

    const Unit* celsius = theUnits.getUnitByQuantityAndName(Quantity::Temperature, QStringLiteral("°C"));
    const Unit* percent = theUnits.getUnitByQuantityAndName(Quantity::RelativeHumidity, QStringLiteral("%"));
    const double temperature = channelValue(ChannelId_ambientTemperature);
    const double humidity = channelValue(ChannelId_ambientHumidity);
    ambientFrame_t frame;
    frame.pressure = channelValue(ChannelId_ambientPressure);
    frame.temperature = celsius ? celsius->getUnitValue(temperature) : temperature;
    frame.humidity = percent ? percent->getUnitValue(humidity) : humidity;
    const qint64 runStart = ui->runWidget->runThread ? ui->runWidget->runThread->runStartTime.load() : now;
    frame.timestamp = static_cast<uint32_t>(now - runStart);
    emit signal_newAmbientData(frame);
}

void MainUI::slot_autoCalibrateLoadCell()
{
    const double roadSpeed = channelValue(ChannelId_dynoSpeed);
    if (!(roadSpeed == 0.0)) {
        for (QList<double>& samples : loadCellOffsetSamples)
            samples.clear();
        return;
    }
    const int loadCells = std::min(theHwInfo.loadCells, 4);
    for (int i = 0; i < loadCells; ++i) {
        if (theDynoSettings->getSetting(DynoSettingId_loadCellRoller, i)->value().toInt() == 0)
            continue;
        if (!theDynoSettings->getSetting(DynoSettingId_loadCellAutomaticOffset, i)->value().toBool())
            continue;
        auto* offset = theDynoSettings->getSetting(DynoSettingId_loadCellB, i)->getWidgetHelper<QDoubleSpinBox>(
            SettingWidgetType_doubleSpinBox);
        if (!offset)
            continue;
        QList<double>& samples = loadCellOffsetSamples[i];
        samples.append(offset->value() - channelValue(ChannelId_loadCellValue, i));
        if (samples.size() < autoZeroSampleCount)
            continue;
        // A stale reading (NaN) must not take part in the order: the median of
        // what was really measured is applied, or nothing when nothing was.
        samples.erase(std::remove_if(samples.begin(), samples.end(), [](double v) { return !std::isfinite(v); }),
                      samples.end());
        if (!samples.isEmpty()) {
            std::sort(samples.begin(), samples.end());
            offset->setValue(samples.at(samples.size() / 2));
        }
        samples.clear();
    }
}

// ------------------------------------------------------------------- project, tabs, analysis

void MainUI::slot_activeProjectChanged()
{
    QPushButton* start = ui->runWidget->pushButton_run_startStop;
    ProjectListModel* projects = theProjectListModel;
    if (!projects || projects->activeProjectRow < 0 || projects->activeProjectId < 0) {
        setWindowTitle(titleBase());
        qDebug().noquote() << "Window title:" << windowTitle();
        ui->tabWidget_main->setTabText(MainTab_run, QCoreApplication::translate("UI", "RUN")
                                                        + QStringLiteral(" - [select project]"));
        start->setEnabled(false);
        start->setPalette(QPalette());
        start->setToolTip(tr("Activate project by double-clicking it in PROJECTS tab before making measurements."));
        Tools::setButtonTextColorWithPalette(start, Qt::gray);
        qDebug() << "No active project";
        return;
    }
    QString id = projects->activeProjectDataRawById(ProjectListFields::vehicleId).toString();
    if (id.isEmpty())
        id = tr("[empty id]");
    QString title = id;
    const TableModelFieldDescriptor* nameField = projects->descriptor(ProjectListFields::projectName);
    if (!nameField || !(nameField->flags & FieldVisibilityForced) || !nameField->hiddenInTable) {
        QString name = projects->activeProjectDataRawById(ProjectListFields::projectName).toString();
        if (name.isEmpty())
            name = tr("[empty name]");
        title = name + QStringLiteral(" - ") + id;
    }
    setWindowTitle(QStringLiteral("%1 - %2 - %3").arg(title, appName, theSettings.version.versionText));
    qDebug().noquote() << "Window title:" << windowTitle();
    ui->tabWidget_main->setTabText(MainTab_run,
                                   QCoreApplication::translate("UI", "RUN") + QStringLiteral(" - %1").arg(id));
    if (secondStageDone) {
        start->setEnabled(true);
        ui->runWidget->slot_updateStartButtonBackgroundColor();
        Tools::setButtonTextColorWithPalette(start, QColor(0, 130, 0));
    }
    if (ui->settings->checkBox_clearRunLossModelOnProjectActivation->isChecked())
        ui->runWidget->lossModelIndicator->clearModel();
    qDebug() << "Active project" << projects->activeProjectId;
}

void MainUI::slot_projectActivatedByUser()
{
    ui->tabWidget_main->setCurrentIndex(MainTab_run);
}

void MainUI::slot_dynoTypeChanged(int dynoType)
{
    LossModelIndicator* lossModel = ui->runWidget->lossModelIndicator;
    lossModel->setVisible(dynoType == 1 || dynoType == 2);
    if (dynoType != 1 && dynoType != 2)
        lossModel->clearModel();
    BrakeController* brake = ui->runWidget->brakeController;
    if (dynoType == 0)
        brake->setChannel(1);
    brake->comboBox_channel->setEnabled(dynoType != 0);
}

void MainUI::slot_tabWidget_main_currentChanged(int index)
{
    RunWidget* runWidget = ui->runWidget;
    if (index == MainTab_run)
        runWidget->raiseAdvancedTest();
    else
        runWidget->minimizeAdvancedTest();
    if (QWidget* corner = ui->tabWidget_main->cornerWidget(Qt::TopRightCorner))
        corner->setVisible(index == MainTab_analyze);
    if (index == MainTab_analyze && ui->analyzeWidget->loadedRunListModel) {
        slot_updateAnalyzeTabLabel(false);
        LoadedRunListModel* loadedRuns = ui->analyzeWidget->loadedRunListModel;
        if (loadedRuns->runAddedMark) {
            ui->analyzeWidget->tableView_loadedRuns->scrollToBottom();
            loadedRuns->runAddedMark = false;
        }
        ui->analyzeWidget->mdiManager->raiseDialogs();
    } else if (index == MainTab_run) {
        runWidget->mdiManager->raiseDialogs();
    } else if (index == MainTab_projects) {
        runWidget->disableAnalyzeLastRun();
    }
    ui->io->enableSlots(index == MainTab_io);
}

void MainUI::slot_updateAnalyzeTabLabel(bool highlight)
{
    LoadedRunListModel* loadedRuns = ui->analyzeWidget->loadedRunListModel;
    QString label = QCoreApplication::translate("UI", "ANALYZE");
    const int runs = loadedRuns ? loadedRuns->rowCount() : 0;
    if (runs > 0)
        label += QStringLiteral(" (%1)").arg(runs);
    QTabBar* bar = ui->tabWidget_main->tabBar();
    if (highlight) {
        label = QStringLiteral("▶▶▶ ") + label + QStringLiteral(" ◀◀◀");
        bar->setTabTextColor(MainTab_analyze, QColor(0, 100, 0));
    } else {
        bar->setTabTextColor(MainTab_analyze, QColor());
    }
    ui->tabWidget_main->setTabText(MainTab_analyze, label);
    if (analyzeLastRunPending) {
        analyzeLastRunPending = false;
        ui->settings->resultScreenEditor->maybeShowResultScreen();
        ui->tabWidget_main->setCurrentIndex(MainTab_analyze);
    }
}

void MainUI::slot_loadedRunCountChanged(int newRunCount, int previousRunCount)
{
    slot_updateAnalyzeTabLabel(previousRunCount < newRunCount);
}

void MainUI::slot_loadRun(int row)
{
    LoadedRunListModel* loadedRuns = ui->analyzeWidget->loadedRunListModel;
    if (!loadedRuns)
        return;
    const int projectId = theRunListModel->dataRawByRowAndId(row, RunListFields::projectId).toInt();
    const int projectRow = theProjectListModel->rowFromProjectId(projectId);
    if (projectRow >= 0)
        theProjectListModel->setDataRawByRowAndId(projectRow, ProjectListFields::lastAccessTimestamp,
                                                  QDateTime::currentSecsSinceEpoch());
    loadedRuns->newRunFromFile(theRunListModel->dataRawByRowAndId(row, RunListFields::filename).toString(), true);
}

void MainUI::slot_loadRuns(const QList<int>& rows)
{
    for (const int row : rows)
        slot_loadRun(row);
}

void MainUI::slot_pushButton_analyzeLastRun_clicked()
{
    LoadedRunListModel* loadedRuns = ui->analyzeWidget->loadedRunListModel;
    analyzeLastRunPending = true;
    RunData* lastRun = loadedRuns ? loadedRuns->newRunFromFile(ui->runWidget->runThread->lastRunFilePath(), true)
                                  : nullptr;
    ui->runWidget->disableAnalyzeLastRun();
    if (!lastRun) {
        analyzeLastRunPending = false;
        return;
    }
    if (ui->settings->checkBox_settings_autoUpdateRunTabLossModel->isChecked()) {
        const QList<double> model =
            lastRun->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>();
        // An absent or all-zero model says nothing about the dyno: keep the one shown.
        if (std::any_of(model.cbegin(), model.cend(), [](double c) { return c != 0.0; }))
            ui->runWidget->lossModelIndicator->loadModel(model);
    }
}

void MainUI::runCustomScript()
{
    const QString script = theSettings.value(QStringLiteral("script"), QString()).toString();
    if (script != QLatin1String("vimbastrel1"))
        return;
    qDebug() << "vimbastrel1 script";
    BrakeController* brake = ui->runWidget->brakeController;
    QComboBox* modes = brake->comboBox_mode;
    modes->setItemText(0, QStringLiteral("Inertia"));
    modes->setItemText(3, QStringLiteral("Steady State"));
    // More than one load cell whose torque set-point comes from elsewhere:
    // the plain torque mode cannot serve them all.
    int externalSetPoints = 0;
    for (int i = 0; i < theHwInfo.loadCells; ++i) {
        const DynoSetting* source = theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, i);
        if (source && source->value().toInt() > 1)
            ++externalSetPoints;
    }
    if (externalSetPoints > 1) {
        if (auto* model = qobject_cast<QStandardItemModel*>(modes->model())) {
            if (QStandardItem* item = model->item(1))
                item->setEnabled(false);
        }
    }
    RunWidget* run = ui->runWidget;
    const QString options = theSettings.value(QStringLiteral("scriptOptions"), QString()).toString();
    if (!options.contains(QLatin1String("allowAllTests"))) {
        for (const int type : {AdvancedTestType_roadSimulation, AdvancedTestType_sequence,
                               AdvancedTestType_simConnector, AdvancedTestType_logPlayer})
            run->hideAdvancedTestEntry(type);
        for (BrakeControllerFF* feedForward : {brake->dynoSpeedFF, brake->engineSpeedFF}) {
            if (feedForward)
                feedForward->scriptHide();
        }
    }
    run->hideAdvancedTestEntry(AdvancedTestType_inertiaCalibration);
    ui->statusbar->systemLoadWidget->hide();
    ui->statusbar->memoryWidget->hide();
    run->setFont(font());
}

void MainUI::slot_unlockCustomScript()
{
    ui->settings->accessControlWidget->masterUnlock();
}

// ------------------------------------------------------------------- keys

void MainUI::keyPressEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (event->modifiers() == Qt::NoModifier && key >= Qt::Key_F1 && key <= Qt::Key_F8) {
        ui->runWidget->outputWidgetContainer->keyActivated(Qt::Key(key), true);
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::AltModifier && key >= Qt::Key_1 && key <= Qt::Key_6 && !ui->runWidget->running) {
        const int index = key - Qt::Key_1;
        if (index < ui->tabWidget_main->count())
            ui->tabWidget_main->setCurrentIndex(index);
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainUI::keyReleaseEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (event->modifiers() == Qt::NoModifier && !event->isAutoRepeat() && key >= Qt::Key_F1 && key <= Qt::Key_F8) {
        ui->runWidget->outputWidgetContainer->keyActivated(Qt::Key(key), false);
        event->accept();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void MainUI::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

// ------------------------------------------------------------------- shutdown

void MainUI::closeEvent(QCloseEvent* event)
{
    if (ui->settings->checkBox_settings_blockProgramExitWhenAlarm->isChecked()
        && ui->statusbar->alarmWidget->isAlarmActive()) {
        QMessageBox box(QMessageBox::Question, tr("Alarms active"),
                        tr("There are alarms active. Are you sure you want to quit?"),
                        QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::NoButton);
        if (DialogAnswerer::exec(&box) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    ui->runWidget->mdiManager->mainUiCloseClicked();
    if (ui->analyzeWidget->mdiManager)
        ui->analyzeWidget->mdiManager->mainUiCloseClicked();
    ui->runWidget->runStopProcedure();
    emit signal_closeSignal();
    theRPIGPIO.appCloseProcedure();
    event->accept();
}

void MainUI::slot_unixSignal(int signal)
{
    qDebug() << "Unix signal" << signal << "received";
    if (!close())
        return;
    // A modal box still open (a message, the firmware updater) would keep the
    // event loop, and so the program, alive after the window has closed.
    QCoreApplication::quit();
}

MainUI::~MainUI()
{
    if (theMCUThread) {
        theMCUThread->quit();
        theMCUThread->wait();
        theMCUThread->printStatistic();
        qDebug() << "Thread stopped: MCU";
    }
    if (theObdThread) {
        theObdThread->quit();
        theObdThread->requestInterruption();
        theObdThread->wait();
        qDebug() << "Thread stopped: OBD";
    }
    if (theBrakeControllerThread) {
        theBrakeControllerThread->quit();
        theBrakeControllerThread->wait();
        qDebug() << "Thread stopped: brake controller";
    }
    if (theTriggerThread) {
        theTriggerThread->quit();
        theTriggerThread->wait();
        qDebug() << "Thread stopped: trigger";
    }
    if (RunThread* runThread = ui->runWidget->runThread) {
        runThread->stopPaThread();
        // Ends any wait of the run thread for this window before waiting for it.
        runThread->requestInterruption();
        runThread->quit();
        runThread->wait();
        // Everything below tears down what the run thread read until it ended.
        ThreadHandOver::acquire(runThread);
        qDebug() << "Thread stopped: run";
    }
    if (theCameraThread) {
        theCameraThread->requestInterruption();
        theCameraThread->wait();
        qDebug() << "Thread stopped: camera";
    }
    theSettings.closingProcedure(this);
    delete ui;
    ui = nullptr;
    theUI = nullptr;
    theMainUI = nullptr;
}
