#include "Settings.h"

#include "AccessControlWidget.h"
#include "BrakeController.h"
#include "CameraSettings.h"
#include "CanInputsManager.h"
#include "CanOutputsWidget.h"
#include "DelayedSpinBox.h"
#include "DynoOdometer.h"
#include "DynoSettings.h"
#include "EngineSpeedWidget.h"
#include "FieldBus.h"
#include "FunctionManager.h"
#include "InputChannelsManager.h"
#include "MySettings.h"
#include "ChannelSetupList.h"
#include "PowerCorrectionSetup.h"
#include "ProjectListModel.h"
#include "ProjectSettings.h"
#include "SpinBoxWithUnit.h"
#include "RemoteControl.h"
#include "ReportEditor.h"
#include "ResultScreenEditor.h"
#include "RunWidget.h"
#include "RunWidgetSetupRows.h"
#include "UI.h"
#include "lib/Tools.h"

#include "AccessControlManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>

Settings::Settings(QWidget* parent)
    : ACMTabWidget(parent)
{
    setTabPosition(QTabWidget::West);
    // The "Protected" boxes of the RUN WIDGETS grid are the lock's own to keep.
    connect(&theACM, &AccessControlManager::signal_manufacturerModeEnabled, this, [this] {
        for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
            box->setEnabled(false);
    });
    connect(&theACM, &AccessControlManager::signal_unlock, this, [this] {
        for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
            box->setEnabled(true);
    });
    RunWidgetSetupRows::setRegistrar(
        [this](QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix) {
            addRunWidgetSetupRow(label, visible, isProtected, prefix);
        });

    projectSettings = new ProjectSettings(this);
    addTab(projectSettings, tr("Project"));
    dynoSettings = new DynoSettings(this);
    linkDynoSettings();
    powerCorrectionSetup = new PowerCorrectionSetup(this);
    addTab(powerCorrectionSetup, tr("Power correction"));
    channelSetupList = new ChannelSetupList(this);
    addTab(channelSetupList, tr("Channels"));
    reportEditor = new ReportEditor(this);
    addACMTab(reportEditor, tr("Report editor"), QStringLiteral("settings_reportEditor"));
    resultScreenEditor = new ResultScreenEditor(this);
    addACMTab(resultScreenEditor, tr("Result Screen editor"), QStringLiteral("settings_resultScreenEditor"));
    addACMTab(buildMiscPage(), tr("Misc"), QStringLiteral("settings_misc"));
    cameraSettings = new CameraSettings(this);
    if (theUI && theUI->runWidget)
        cameraSettings->recordRunVideo = theUI->runWidget->checkBox_settings_recordRunVideo;
    addTab(cameraSettings, tr("Camera"));
    // Both pages fill themselves at the second start-up stage (init).
    inputChannelsManager = new InputChannelsManager(this);
    addTab(inputChannelsManager, tr("UI inputs"));
    functionManager = new FunctionManager(this);
    addTab(functionManager, tr("Functions"));
    remoteControl = new RemoteControl(this);
    addTab(remoteControl, tr("Remote control"));
    dynoOdometer = new DynoOdometer(this);
    addTab(dynoOdometer, tr("Maintenance"));
    accessControlWidget = new AccessControlWidget(this);
    addTab(accessControlWidget, tr("Access control"));

    plainTextEdit_settings_about = new QPlainTextEdit(this);
    plainTextEdit_settings_about->setObjectName(QStringLiteral("plainTextEdit_settings_about"));
    plainTextEdit_settings_about->setReadOnly(true);
    QFile about(theSettings.settingsDir.filePath(QStringLiteral("about.txt")));
    if (!about.exists())
        about.setFileName(QStringLiteral(":/resources/about.txt"));
    if (about.open(QIODevice::ReadOnly))
        plainTextEdit_settings_about->setPlainText(QString::fromUtf8(about.readAll()));
    addTab(plainTextEdit_settings_about, tr("About"));
    canInputsManager = new CanInputsManager(this);
    addACMTab(canInputsManager, tr("CAN inputs"), QStringLiteral("settings_canInputs"));
    canOutputsWidget = new CanOutputsWidget(this);
    addTab(canOutputsWidget, tr("CAN outputs"));
    // The outputs page refreshes its trigger column only while it is shown.
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (widget(index) == canOutputsWidget)
            canOutputsWidget->refreshTimer->start();
        else
            canOutputsWidget->refreshTimer->stop();
    });

    setObjectName(QStringLiteral("tabWidget_settings"));
}

Settings::~Settings()
{
    // The "Protected" boxes of the RUN WIDGETS grid are the lock's own to keep.
    connect(&theACM, &AccessControlManager::signal_manufacturerModeEnabled, this, [this] {
        for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
            box->setEnabled(false);
    });
    connect(&theACM, &AccessControlManager::signal_unlock, this, [this] {
        for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
            box->setEnabled(true);
    });
    RunWidgetSetupRows::setRegistrar(nullptr);
}

void Settings::addRunWidgetSetupRow(QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix)
{
    const int row = gridLayout_runWidgets->rowCount();
    label->setParent(groupBox_runWidgets);
    visible->setParent(groupBox_runWidgets);
    isProtected->setParent(groupBox_runWidgets);
    gridLayout_runWidgets->addWidget(label, row, 0);
    gridLayout_runWidgets->addWidget(visible, row, 1);
    gridLayout_runWidgets->addWidget(isProtected, row, 2);
    label->show();
    visible->show();
    isProtected->show();
    RunWidgetSetupRows::nameAndBind(visible, isProtected, prefix);
    runWidgetProtectedBoxes.append(isProtected);
    isProtected->setEnabled(!theACM.locked);
}

void Settings::linkDynoSettings()
{
    DynoSettingsLinks& links = dynoSettings->links;
    links.projectTable = []() -> CustomSqlTableModel* { return theProjectListModel; };
    // Operator input channels and functions join the registry before the
    // settings are restored: an argument naming one of them must find it, or
    // its editor would drop the key and the empty value would be saved.
    links.initInputChannels = [this] {
        if (inputChannelsManager)
            inputChannelsManager->init();
    };
    // CAN inputs join the registry like the other families: an argument or a
    // setting naming a "C_" channel must find it when the settings are restored.
    FieldBus::registerHooks();
    links.initCanInputs = [] { FieldBus::initCanInputs(); };
    links.initModbus = [] { FieldBus::initModbus(); };
    links.initFunctions = [this] {
        if (functionManager)
            functionManager->init();
    };
    RunWidget* run = theUI ? theUI->runWidget : nullptr;
    if (!run)
        return;
    links.autoStartThreshold = run->spinBox_run_autoStartThreshold;
    links.autoStopThreshold = run->spinBox_run_autoStopThreshold;
    links.brakeControllerPanel = run->brakeController;
    links.brakeControllerModes = run->brakeController->comboBox_mode;
    links.updateBrakeControllerWidgets = [run] { run->brakeController->updateWidgetVisibility(); };
    links.updateEngineSpeedPanel = [run] { run->engineSpeedWidget->slot_updateWidgetSettings(); };
    links.updateStartButton = [run] { run->slot_updateStartButtonBackgroundColor(); };
}

QCheckBox* Settings::addCheckBox(QFormLayout* form, const QString& name, const QString& label, bool checked)
{
    auto* box = new QCheckBox(form->parentWidget());
    box->setObjectName(name);
    box->setChecked(checked);
    form->addRow(label, box);
    return box;
}

QWidget* Settings::buildMiscPage()
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* page = new QFormLayout(inner);
    page->setLabelAlignment(Qt::AlignRight);
    scroll->setWidget(inner);

    auto* workflowBox = new QGroupBox(tr("WORKFLOW"), inner);
    auto* workflow = new QFormLayout(workflowBox);
    workflow->setLabelAlignment(Qt::AlignRight);
    page->addRow(workflowBox);
    checkBox_settings_alwaysStartInProjectsTab = addCheckBox(
        workflow, QStringLiteral("checkBox_settings_alwaysStartInProjectsTab"), tr("Always start in PROJECTS tab"), false);
    checkBox_settings_activateLastProject =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_activateLastProject"),
                    tr("Activate last project on application start"), true);
    theSettings.connectCheckBox(addCheckBox(workflow, QStringLiteral("checkBox_settings_updateDTLossFactorOnGearboxChange"),
                                            tr("Update project DT Loss Factor on gearbox change"), true));
    theSettings.connectCheckBox(
        addCheckBox(workflow, QStringLiteral("checkBox_settings_updateEngineInertiaOnDisplacementChange"),
                    tr("Update project Engine Inertia on engine info change"), true));
    checkBox_settings_automaticallyExportRunDataToCSV =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_automaticallyExportRunDataToCSV"),
                    tr("Automatically export run data to CSV"), false);
    checkBox_settings_automaticallyExportRunDataToCSV->setToolTip(tr("Files are saved in /home/pi/.zembo/runs"));
    doubleSpinBox_settings_csvExportSamplingValue = new QDoubleSpinBox(workflowBox);
    doubleSpinBox_settings_csvExportSamplingValue->setObjectName(
        QStringLiteral("doubleSpinBox_settings_csvExportSamplingValue"));
    doubleSpinBox_settings_csvExportSamplingValue->setDecimals(3);
    doubleSpinBox_settings_csvExportSamplingValue->setRange(0.001, 86400);
    doubleSpinBox_settings_csvExportSamplingValue->setValue(0.1);
    workflow->addRow(tr("Automatic run data export to CSV sampling frequency"),
                     doubleSpinBox_settings_csvExportSamplingValue);
    checkBox_settings_autoHideTestDialogOnRunStart =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_autoHideTestDialogOnRunStart"),
                    tr("Auto hide advanced mode dialog on run start"), false);

    auto* lossBox = new QGroupBox(tr("COASTDOWN LOSS CALCULATION"), inner);
    auto* loss = new QFormLayout(lossBox);
    loss->setLabelAlignment(Qt::AlignRight);
    page->addRow(lossBox);
    checkBox_clearRunLossModelOnProjectActivation =
        addCheckBox(loss, QStringLiteral("checkBox_clearRunLossModelOnProjectActivation"),
                    tr("Clear RUN tab Loss Model on project activation"), false);
    checkBox_settings_autoUpdateRunTabLossModel = addCheckBox(
        loss, QStringLiteral("checkBox_settings_autoUpdateRunTabLossModel"), tr("Auto update RUN tab Loss Model"), false);

    auto* analyzeBox = new QGroupBox(tr("ANALYZE"), inner);
    auto* analyze = new QFormLayout(analyzeBox);
    analyze->setLabelAlignment(Qt::AlignRight);
    page->addRow(analyzeBox);
    spinBox_settings_resampleFrequency = new DelayedSpinBox(analyzeBox);
    spinBox_settings_resampleFrequency->setObjectName(QStringLiteral("spinBox_settings_resampleFrequency"));
    spinBox_settings_resampleFrequency->setRange(1, 1000);
    spinBox_settings_resampleFrequency->setValue(500);
    spinBox_settings_resampleFrequency->setToolTip(
        tr("Sample count per second, at which data is processed and shown in ANALYZE tab\n1000Hz will give the best "
           "result accuracy. But it will also process longest and use a lot of memory.\nLower values will reduce "
           "memory usage and increase processing speed allowing to work efficiently with multi-hour tests."));
    Tools::blockMouseWheelAdjustment(spinBox_settings_resampleFrequency);
    analyze->addRow(tr("Analyze sampling frequency [Hz]"), spinBox_settings_resampleFrequency);

    groupBox_runWidgets = new QGroupBox(tr("RUN WIDGETS"), inner);
    groupBox_runWidgets->setMaximumWidth(300);
    gridLayout_runWidgets = new QGridLayout(groupBox_runWidgets);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Widget"), groupBox_runWidgets), 0, 0);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Visible"), groupBox_runWidgets), 0, 1);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Protected"), groupBox_runWidgets), 0, 2);
    page->addRow(groupBox_runWidgets);

    checkBox_settings_checkForUpdates = addCheckBox(page, QStringLiteral("checkBox_settings_checkForUpdates"),
                                                    tr("Check for software updates on start"), true);
    checkBox_settings_alarmSound = addCheckBox(page, QStringLiteral("checkBox_settings_alarmSound"),
                                               tr("Play sound when alarm is active"), false);
    checkBox_settings_blockRunStartWhenAlarm = addCheckBox(
        page, QStringLiteral("checkBox_settings_blockRunStartWhenAlarm"), tr("Block run start when alarm is active"), false);
    checkBox_settings_blockProgramExitWhenAlarm =
        addCheckBox(page, QStringLiteral("checkBox_settings_blockProgramExitWhenAlarm"),
                    tr("Block program exit when alarm is active"), false);
    checkBox_settings_absorberControlOnlyDuringRun =
        addCheckBox(page, QStringLiteral("checkBox_settings_absorberControlOnlyDuringRun"),
                    tr("Absorber control only during run"), true);
    checkBox_settings_fullScreenAlarms =
        addCheckBox(page, QStringLiteral("checkBox_settings_fullScreenAlarms"), tr("Full screen alarms"), false);

    // The sampling row shows only while the export is on; the handler is
    // connected before the binding so the stored state is applied at once.
    connect(checkBox_settings_automaticallyExportRunDataToCSV, &QCheckBox::stateChanged, this,
            [this, workflow](int state) {
                workflow->setRowVisible(doubleSpinBox_settings_csvExportSamplingValue, state != Qt::Unchecked);
            });
    workflow->setRowVisible(doubleSpinBox_settings_csvExportSamplingValue, false);

    for (QCheckBox* box : {checkBox_settings_alwaysStartInProjectsTab, checkBox_settings_activateLastProject,
                           checkBox_settings_automaticallyExportRunDataToCSV,
                           checkBox_settings_autoHideTestDialogOnRunStart, checkBox_clearRunLossModelOnProjectActivation,
                           checkBox_settings_autoUpdateRunTabLossModel, checkBox_settings_checkForUpdates,
                           checkBox_settings_blockRunStartWhenAlarm, checkBox_settings_blockProgramExitWhenAlarm,
                           checkBox_settings_absorberControlOnlyDuringRun, checkBox_settings_alarmSound,
                           checkBox_settings_fullScreenAlarms})
        theSettings.connectCheckBox(box);
    theSettings.connectDoubleSpinBox(doubleSpinBox_settings_csvExportSamplingValue);
    theSettings.connectSpinBox(spinBox_settings_resampleFrequency);
    return scroll;
}
