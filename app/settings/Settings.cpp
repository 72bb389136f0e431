#include "Settings.h"

#include "AbstractChannel.h"
#include "AccessControlWidget.h"
#include "BrakeController.h"
#include "CameraSettings.h"
#include "CanInputsManager.h"
#include "CanOutputsWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupList.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "CustomWestTabStyle.h"
#include "DelayedSpinBox.h"
#include "DiskCleanupTool.h"
#include "DynoOdometer.h"
#include "DynoSettings.h"
#include "EngineSpeedWidget.h"
#include "Diagnostics.h"
#include "FieldBus.h"
#include "TestModesLink.h"
#include "WizardsLink.h"
#include "FunctionManager.h"
#include "InputChannelsManager.h"
#include "ModbusManager.h"
#include "MainUI.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "PowerCorrectionSetup.h"
#include "ProjectListModel.h"
#include "ProjectSettings.h"
#include "QuantityComboBox.h"
#include "RemoteControl.h"
#include "SerialInputsManager.h"
#include "OnlineServices.h"
#include "ReportEditor.h"
#include "ReportSources.h"
#include "AnalyzeWidget.h"
#include "ResultScreenEditor.h"
#include "RunListModel.h"
#include "RunWidget.h"
#include "RunWidgetSetupRows.h"
#include "SoftwareUpdater.h"
#include "SpinBoxWithUnit.h"
#include "SystemCommandRunner.h"
#include "SystemRoot.h"
#include "Statusbar.h"
#include "UDSSetupWidget.h"
#include "UI.h"
#include "UnitComboBox.h"
#include "WatermarkWidget.h"
#include "lib/Tools.h"
#include "lib/Units.h"
#include "rpiGPIO.h"

#include "AccessControlManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

namespace {

const QString kFanScript = QStringLiteral("/etc/init.d/dyno_fan_on.sh");

} // namespace

template<class Page> Page* Settings::addPage(Page* page, const QString& label, const QString& accessKey)
{
    if (accessKey.isEmpty())
        addTab(page, label);
    else
        addACMTab(page, label, accessKey);
    return page;
}

Settings::Settings(QWidget* parent)
    : ACMTabWidget(parent)
{
    setTabPosition(QTabWidget::West);
    tabBar()->setStyle(new CustomWestTabStyle(this));
    connect(this, &QTabWidget::currentChanged, this, &Settings::slot_tabChanged);
    RunWidgetSetupRows::setRegistrar(
        [this](QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix) {
            addRunWidgetSetupRow(label, visible, isProtected, prefix);
        });
    DiskCleanupTool::registerOpener();

    // The pages in tab order, one line each. The dyno settings registry comes
    // right after "Project"; its groups become the last tabs when it initialises.
    projectSettings = addPage(new ProjectSettings(this), tr("Project"));
    dynoSettings = new DynoSettings(this);
    linkDynoSettings();
    channelSetupList = addPage(new ChannelSetupList(this), tr("Channels"));
    powerCorrectionSetup = addPage(new PowerCorrectionSetup(this), tr("Power correction"));
    addPage(new UDSSetupWidget(this), QStringLiteral("OBD / UDS"));
    watermarkWidget = addPage(new WatermarkWidget(this), tr("Watermark"), QStringLiteral("settings_watermark"));
    reportEditor = addPage(new ReportEditor(this), tr("Report editor"), QStringLiteral("settings_reportEditor"));
    resultScreenEditor = addPage(new ResultScreenEditor(this), tr("Result Screen editor"),
                                 QStringLiteral("settings_resultScreenEditor"));
    addPage(new OnlineServices(this), tr("Online services"));
    ReportSources::setLoadedRunsProvider(
        [] { return theUI && theUI->analyzeWidget ? theUI->analyzeWidget->loadedRunListModel : nullptr; });
    addPage(buildMiscPage(), tr("Misc"), QStringLiteral("settings_misc"));
    cameraSettings = addPage(new CameraSettings(this), tr("Camera"));
    // Both pages fill themselves at the second start-up stage (init).
    inputChannelsManager = addPage(new InputChannelsManager(this), tr("UI inputs"));
    // Both build their tables once the field-bus start-up has loaded their models.
    serialInputsManager = addPage(new SerialInputsManager(this), tr("Serial inputs"));
    modbusManager = addPage(new ModbusManager(this), tr("Modbus"));
    functionManager = addPage(new FunctionManager(this), tr("Functions"));
    remoteControl = addPage(new RemoteControl(this), tr("Remote control"));
    dynoOdometer = addPage(new DynoOdometer(this), tr("Maintenance"));
    accessControlWidget = addPage(new AccessControlWidget(this), tr("Access control"));
    plainTextEdit_settings_about = addPage(buildAboutPage(), tr("About"));
    canInputsManager = addPage(new CanInputsManager(this), tr("CAN inputs"), QStringLiteral("settings_canInputs"));
    canOutputsWidget = addPage(new CanOutputsWidget(this), tr("CAN outputs"));

    if (theUI && theUI->runWidget)
        cameraSettings->setRecordRunVideoBox(theUI->runWidget->checkBox_settings_recordRunVideo);

    setObjectName(QStringLiteral("tabWidget_settings"));
    connect(&theACM, &AccessControlManager::signal_manufacturerModeEnabled, this,
            &Settings::slot_enableManufacturerLock);
    connect(&theACM, &AccessControlManager::signal_unlock, this, &Settings::slot_unlock);
}

Settings::~Settings()
{
    RunWidgetSetupRows::setRegistrar(nullptr);
    MySettings::setDiskCleanupOpener(nullptr);
}

void Settings::slot_tabChanged(int index)
{
    // The outputs page refreshes its trigger column only while it is shown.
    if (!canOutputsWidget)
        return;
    if (widget(index) == canOutputsWidget)
        canOutputsWidget->refreshTimer->start();
    else
        canOutputsWidget->refreshTimer->stop();
}

void Settings::slot_enableManufacturerLock()
{
    // While locked, a row's protection is the lock's own to keep.
    for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
        box->setEnabled(false);
}

void Settings::slot_unlock()
{
    for (QCheckBox* box : std::as_const(runWidgetProtectedBoxes))
        box->setEnabled(true);
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
    Diagnostics::registerHooks();
    // The OBD page loads the channel file in its init, and shares its enable
    // box and interface list with the status bar's OBD button.
    links.initUdsSetup = [this] {
        auto* page = findChild<UDSSetupWidget*>();
        if (!page) {
            Diagnostics::initUdsChannels();
            return;
        }
        if (theUI && theUI->statusbar) {
            page->statusBarButton = theUI->statusbar->pushButton_obd;
            theUI->statusbar->obdInterfaceCombo = page->comboBox_settings_obdInterfaceType;
        }
        page->init();
    };
    links.initModbus = [this] {
        FieldBus::initModbus();
        if (modbusManager)
            modbusManager->init();
    };
    // The settings page's wizard buttons, the loss-model step of recalculated
    // runs, the analysis' inertia calibration and the project calculators.
    WizardsLink::install();
    TestModesLink::install();
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

QFormLayout* Settings::addGroup(QFormLayout* page, const QString& title)
{
    auto* box = new QGroupBox(title, page->parentWidget());
    auto* form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignRight);
    page->addRow(box);
    return form;
}

namespace {

QSpinBox* intSpinBox(QWidget* parent, const QString& name, int minimum, int maximum, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    box->setValue(value);
    Tools::blockMouseWheelAdjustment(box);
    return box;
}

QComboBox* indexComboBox(QWidget* parent, const QString& name, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    box->setCurrentIndex(0);
    Tools::blockMouseWheelAdjustment(box);
    return box;
}

const char* const kRampThresholdToolTip = QT_TRANSLATE_NOOP(
    "Settings",
    "Ramp tracking threshold is used to filter out unwanted behavior related to speed fluctuations in ramp test "
    "mode.\nIt is used to define:\n\n-how close the speed must be to the 'hold speed' to be interpreted as being "
    "held\nif(abs(speed - startSpeed) > trackingThreshold) resetHoldTimer()\n\n-how low below 'hold speed' the speed "
    "must go to rearm the test\nif(speed < startSpeed-trackingThreshold) setTestStep(RampTestStep::hold);\n\n-how "
    "precisely the 'speed controlled ramp' must be followed to go up\nif(speed > target - trackingThreshold) target "
    "+= timeDelta * acceleration\n\n-how low the speed in 'speed controlled ramp' must drop below the target to "
    "redefine it\nif(speed < target - trackingThreshold) target = speed + trackingThreshold");

} // namespace

QWidget* Settings::buildMiscPage()
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* page = new QFormLayout(inner);
    page->setLabelAlignment(Qt::AlignRight);
    scroll->setWidget(inner);

    QFormLayout* workflow = addGroup(page, tr("WORKFLOW"));
    QWidget* workflowBox = workflow->parentWidget();
    checkBox_settings_alwaysStartInProjectsTab = addCheckBox(
        workflow, QStringLiteral("checkBox_settings_alwaysStartInProjectsTab"), tr("Always start in PROJECTS tab"), false);
    checkBox_settings_activateLastProject =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_activateLastProject"),
                    tr("Activate last project on application start"), true);
    checkBox_settings_updateDTLossFactorOnGearboxChange =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_updateDTLossFactorOnGearboxChange"),
                    tr("Update project DT Loss Factor on gearbox change"), true);
    checkBox_settings_updateEngineInertiaOnDisplacementChange =
        addCheckBox(workflow, QStringLiteral("checkBox_settings_updateEngineInertiaOnDisplacementChange"),
                    tr("Update project Engine Inertia on engine info change"), true);
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

    QFormLayout* loss = addGroup(page, tr("COASTDOWN LOSS CALCULATION"));
    checkBox_calculateLossModelOnRunLoad = addCheckBox(loss, QStringLiteral("checkBox_calculateLossModelOnRunLoad"),
                                                       tr("Calculate Loss Model on run load to ANALYZE"), true);
    checkBox_automaticallyAcceptLossModel = addCheckBox(
        loss, QStringLiteral("checkBox_automaticallyAcceptLossModel"), tr("Automatically accept Loss Model"), true);
    spinBox_lossStageFinderStartThreshold = new QDoubleSpinBox(loss->parentWidget());
    spinBox_lossStageFinderStartThreshold->setObjectName(QStringLiteral("spinBox_lossStageFinderStartThreshold"));
    spinBox_lossStageFinderStartThreshold->setDecimals(2);
    spinBox_lossStageFinderStartThreshold->setRange(0.2, 0.9);
    spinBox_lossStageFinderStartThreshold->setSingleStep(0.01);
    spinBox_lossStageFinderStartThreshold->setValue(0.7);
    spinBox_lossStageFinderStartThreshold->setToolTip(tr("Loss stage will start from this fraction of peak run speed"));
    Tools::blockMouseWheelAdjustment(spinBox_lossStageFinderStartThreshold);
    loss->addRow(tr("Automatic loss stage start threshold"), spinBox_lossStageFinderStartThreshold);
    checkBox_clearRunLossModelOnProjectActivation =
        addCheckBox(loss, QStringLiteral("checkBox_clearRunLossModelOnProjectActivation"),
                    tr("Clear RUN tab Loss Model on project activation"), false);
    checkBox_settings_autoUpdateRunTabLossModel = addCheckBox(
        loss, QStringLiteral("checkBox_settings_autoUpdateRunTabLossModel"), tr("Auto update RUN tab Loss Model"), false);

    QFormLayout* analyze = addGroup(page, tr("ANALYZE"));
    QWidget* analyzeBox = analyze->parentWidget();
    comboBox_settings_defaultDisplayRangeSelectionMode =
        indexComboBox(analyzeBox, QStringLiteral("comboBox_settings_defaultDisplayRangeSelectionMode"),
                      {tr("Top speed to local minimum backward"), tr("Top speed to local minimum forward"),
                       tr("Whole run")});
    analyze->addRow(tr("Automatic display range selection mode"), comboBox_settings_defaultDisplayRangeSelectionMode);
    comboBox_settings_trackingLineMode =
        indexComboBox(analyzeBox, QStringLiteral("comboBox_settings_trackingLineMode"),
                      {tr("one"), tr("left and right"), tr("all"), tr("single run")});
    analyze->addRow(tr("Tracking line value display"), comboBox_settings_trackingLineMode);
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
    // 12 is the application's base font size.
    spinBox_analyzeGraphValueFontSize =
        intSpinBox(analyzeBox, QStringLiteral("spinBox_analyzeGraphValueFontSize"), 6, 40, 12);
    analyze->addRow(tr("Graph value font size"), spinBox_analyzeGraphValueFontSize);
    spinBox_analyzeRunTableContentFontSize =
        intSpinBox(analyzeBox, QStringLiteral("spinBox_analyzeRunTableContentFontSize"), 6, 40, 12);
    analyze->addRow(tr("ANALYZE run table value font size"), spinBox_analyzeRunTableContentFontSize);

    QFormLayout* units = addGroup(page, tr("UNITS"));
    QWidget* unitsBox = units->parentWidget();
    auto* unitsRow = new QHBoxLayout;
    comboBox_settings_unitsQuantity = new QuantityComboBox(unitsBox);
    comboBox_settings_unitsUnit = new UnitComboBox(unitsBox);
    Tools::blockMouseWheelAdjustment(comboBox_settings_unitsQuantity);
    Tools::blockMouseWheelAdjustment(comboBox_settings_unitsUnit);
    connect(comboBox_settings_unitsQuantity, &QuantityComboBox::signal_quantityChanged, comboBox_settings_unitsUnit,
            qOverload<Quantity>(&UnitComboBox::slot_setQuantity));
    comboBox_settings_unitsUnit->slot_setQuantity(comboBox_settings_unitsQuantity->currentQuantity());
    auto* updateUnits = new QPushButton(tr("Update unit for selected quantity"), unitsBox);
    updateUnits->setToolTip(tr("This updates units for:\n-Run channels and modules\n-Analyze channels\n-Project "
                               "parameters\n-Run parameters"));
    connect(updateUnits, &QPushButton::clicked, this, &Settings::slot_updateUnits);
    unitsRow->addWidget(comboBox_settings_unitsQuantity);
    unitsRow->addWidget(comboBox_settings_unitsUnit);
    unitsRow->addWidget(updateUnits);
    units->addRow(unitsRow);

    groupBox_runWidgets = new QGroupBox(tr("RUN WIDGETS"), inner);
    groupBox_runWidgets->setMaximumWidth(300);
    gridLayout_runWidgets = new QGridLayout(groupBox_runWidgets);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Widget"), groupBox_runWidgets), 0, 0);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Visible"), groupBox_runWidgets), 0, 1);
    gridLayout_runWidgets->addWidget(new QLabel(tr("Protected"), groupBox_runWidgets), 0, 2);
    page->addRow(groupBox_runWidgets);

    comboBox_settings_language = new QComboBox(inner);
    comboBox_settings_language->setObjectName(QStringLiteral("comboBox_settings_language"));
    comboBox_settings_language->addItems(
        languageCodes(theSettings.translationsDir.absolutePath(), QStringLiteral(":/translations/")));
    Tools::blockMouseWheelAdjustment(comboBox_settings_language);
    page->addRow(tr("UI language (restart required)"), comboBox_settings_language);

    checkBox_settings_fanAlwaysOn = addCheckBox(page, QStringLiteral("checkBox_settings_fanAlwaysOn"),
                                                tr("Start fan with system start and leave ON"), false);
    checkBox_settings_startDynoWithSystem = addCheckBox(page, QStringLiteral("checkBox_settings_startDynoWithSystem"),
                                                        tr("Autostart Zembo software on system start"), false);
    checkBox_settings_checkForUpdates = addCheckBox(page, QStringLiteral("checkBox_settings_checkForUpdates"),
                                                    tr("Check for software updates on start"), true);
    checkBox_settings_useExperimentalUpdates =
        addCheckBox(page, QStringLiteral("checkBox_settings_useExperimentalUpdates"),
                    tr("Show experimental software updates"), false);
    pushButton_settings_checkForUpdatesNow = new QPushButton(tr("Check for updates now"), inner);
    pushButton_settings_checkForUpdatesNow->setObjectName(QStringLiteral("pushButton_settings_checkForUpdatesNow"));
    connect(pushButton_settings_checkForUpdatesNow, &QPushButton::clicked, this, [] {
        if (theMainUI && theMainUI->softwareUpdater)
            theMainUI->softwareUpdater->check(true);
    });
    page->addRow(QString(), pushButton_settings_checkForUpdatesNow);
    checkBox_settings_alarmSound = addCheckBox(page, QStringLiteral("checkBox_settings_alarmSound"),
                                               tr("Play sound when alarm is active"), false);
    checkBox_settings_blockRunStartWhenAlarm = addCheckBox(
        page, QStringLiteral("checkBox_settings_blockRunStartWhenAlarm"), tr("Block run start when alarm is active"), false);
    checkBox_settings_blockProgramExitWhenAlarm =
        addCheckBox(page, QStringLiteral("checkBox_settings_blockProgramExitWhenAlarm"),
                    tr("Block program exit when alarm is active"), false);

    rampTest_trackingThreshold = new SpinBoxWithUnit(inner, Quantity::Speed);
    rampTest_trackingThreshold->setObjectName(QStringLiteral("rampTest_trackingThreshold"));
    rampTest_engineTrackingThreshold = new SpinBoxWithUnit(inner, Quantity::RotationalSpeed);
    rampTest_engineTrackingThreshold->setObjectName(QStringLiteral("rampTest_engineTrackingThreshold"));
    for (SpinBoxWithUnit* box : {rampTest_trackingThreshold, rampTest_engineTrackingThreshold}) {
        box->setDecimals(0);
        box->setRangeSI(0, std::numeric_limits<double>::infinity());
        box->setToolTip(tr(kRampThresholdToolTip));
        Tools::blockMouseWheelAdjustment(box);
    }
    rampTest_trackingThreshold->setValueSI(10.0 / 3.6);
    rampTest_engineTrackingThreshold->setValueSI(200.0 * 2.0 * M_PI / 60.0);
    page->addRow(tr("Ramp test road speed tracking threshold"), rampTest_trackingThreshold);
    page->addRow(tr("Ramp test engine speed tracking threshold"), rampTest_engineTrackingThreshold);

    spinBox_settings_autorangePadding = intSpinBox(inner, QStringLiteral("spinBox_settings_autorangePadding"), 0, 20, 2);
    spinBox_settings_autorangePadding->setSuffix(QStringLiteral("%"));
    page->addRow(tr("Autorange padding"), spinBox_settings_autorangePadding);
    checkBox_settings_absorberControlOnlyDuringRun =
        addCheckBox(page, QStringLiteral("checkBox_settings_absorberControlOnlyDuringRun"),
                    tr("Absorber control only during run"), true);
    checkBox_settings_fullScreenAlarms =
        addCheckBox(page, QStringLiteral("checkBox_settings_fullScreenAlarms"), tr("Full screen alarms"), false);

    // Visibility rules and system actions are connected before the binding,
    // so the stored state is applied once while the page is built.
    connect(checkBox_settings_automaticallyExportRunDataToCSV, &QCheckBox::stateChanged, this,
            [this, workflow](int state) {
                workflow->setRowVisible(doubleSpinBox_settings_csvExportSamplingValue, state != Qt::Unchecked);
            });
    workflow->setRowVisible(doubleSpinBox_settings_csvExportSamplingValue, false);
    connect(checkBox_settings_checkForUpdates, &QCheckBox::stateChanged, this, [this, page](int state) {
        page->setRowVisible(checkBox_settings_useExperimentalUpdates, state != Qt::Unchecked);
        page->setRowVisible(pushButton_settings_checkForUpdatesNow, state != Qt::Unchecked);
    });
    connect(checkBox_settings_fanAlwaysOn, &QCheckBox::stateChanged, this, &Settings::slot_updateFanConfiguration);
    connect(checkBox_settings_startDynoWithSystem, &QCheckBox::stateChanged, this,
            &Settings::slot_updateAutostartConfiguration);

    for (QCheckBox* box :
         {checkBox_settings_alwaysStartInProjectsTab, checkBox_settings_activateLastProject,
          checkBox_settings_updateDTLossFactorOnGearboxChange, checkBox_settings_updateEngineInertiaOnDisplacementChange,
          checkBox_settings_automaticallyExportRunDataToCSV, checkBox_settings_autoHideTestDialogOnRunStart,
          checkBox_calculateLossModelOnRunLoad, checkBox_automaticallyAcceptLossModel,
          checkBox_clearRunLossModelOnProjectActivation, checkBox_settings_autoUpdateRunTabLossModel,
          checkBox_settings_fanAlwaysOn, checkBox_settings_startDynoWithSystem, checkBox_settings_checkForUpdates,
          checkBox_settings_useExperimentalUpdates, checkBox_settings_alarmSound,
          checkBox_settings_blockRunStartWhenAlarm, checkBox_settings_blockProgramExitWhenAlarm,
          checkBox_settings_absorberControlOnlyDuringRun, checkBox_settings_fullScreenAlarms})
        theSettings.connectCheckBox(box);
    theSettings.connectDoubleSpinBox(doubleSpinBox_settings_csvExportSamplingValue);
    theSettings.connectDoubleSpinBox(spinBox_lossStageFinderStartThreshold);
    theSettings.connectComboBox(comboBox_settings_defaultDisplayRangeSelectionMode);
    theSettings.connectComboBox(comboBox_settings_trackingLineMode);
    theSettings.connectSpinBox(spinBox_settings_resampleFrequency);
    theSettings.connectSpinBox(spinBox_analyzeGraphValueFontSize);
    theSettings.connectSpinBox(spinBox_analyzeRunTableContentFontSize);
    theSettings.connectComboBoxText(comboBox_settings_language);
    theSettings.connectSpinBoxWithUnit(rampTest_trackingThreshold);
    theSettings.connectSpinBoxWithUnit(rampTest_engineTrackingThreshold);
    theSettings.connectSpinBox(spinBox_settings_autorangePadding);
    return scroll;
}

QPlainTextEdit* Settings::buildAboutPage()
{
    auto* about = new QPlainTextEdit(this);
    about->setObjectName(QStringLiteral("plainTextEdit_settings_about"));
    about->setReadOnly(true);
    QFile file(theSettings.settingsDir.filePath(QStringLiteral("about.txt")));
    if (!file.exists())
        file.setFileName(QStringLiteral(":/resources/about.txt"));
    if (file.open(QIODevice::ReadOnly))
        about->setPlainText(QString::fromUtf8(file.readAll()));
    return about;
}

QStringList Settings::languageCodes(const QString& userFolder, const QString& resourceFolder)
{
    QStringList names {QStringLiteral("zembo_en.qm")};
    names += QDir(userFolder).entryList(QDir::Files, QDir::Name);
    names += QDir(resourceFolder).entryList(QDir::Files, QDir::Name);
    names.removeDuplicates();
    QStringList codes;
    for (const QString& name : std::as_const(names)) {
        const QFileInfo info(name);
        if (info.suffix() != QLatin1String("qm"))
            continue;
        codes.append(info.baseName().mid(6));
    }
    return codes;
}

QByteArray Settings::fanScriptText()
{
    return QByteArrayLiteral("#!/bin/bash\n### BEGIN INIT INFO\n# Provides: dyno_fan_on.sh\n# Required-Start: \n"
                             "# Required-Stop: \n# Should-Start: \n# Default-Start: 2 3 4 5\n# Default-Stop: 0 1 6\n"
                             "# Short-Description: Start fan at boot\n# Description:       Start fan at boot\n"
                             "### END INIT INFO\npinctrl set 26 pu dh\n");
}

void Settings::slot_updateFanConfiguration(int state)
{
    const bool wanted = state != Qt::Unchecked;
    const bool present = QFileInfo::exists(SystemRoot::filePath(kFanScript));
    SystemCommandRunner* runner = SystemCommandRunner::instance();
    if (wanted && !present) {
        // Written in a folder only this user can enter, then copied into place
        // by "install": nobody can swap the file between writing and installing.
        QTemporaryDir folder;
        if (!folder.isValid()) {
            qDebug() << "Fan boot script: no private temporary folder:" << folder.errorString();
        } else {
            const QString path = folder.filePath(QStringLiteral("dyno_fan_on.sh"));
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(fanScriptText()) >= 0 && file.commit()) {
                QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser |
                                                QFile::ExeGroup | QFile::ExeOther);
                runner->run(QStringLiteral("install"), {QStringLiteral("-m"), QStringLiteral("0755"), path, kFanScript},
                            true);
                runner->run(QStringLiteral("update-rc.d"), {QStringLiteral("dyno_fan_on.sh"), QStringLiteral("defaults")},
                            true);
            } else {
                qDebug() << "Fan boot script: cannot write" << path << file.errorString();
            }
        }
    } else if (!wanted && present) {
        runner->run(QStringLiteral("update-rc.d"), {QStringLiteral("dyno_fan_on.sh"), QStringLiteral("remove")}, true);
        runner->run(QStringLiteral("rm"), {QStringLiteral("-f"), kFanScript}, true);
    }
    theRPIGPIO.fanStaysOnAtExit = wanted;
}

QString Settings::autostartEntryPath()
{
    return QDir::homePath() + QStringLiteral("/.config/autostart/zembo.desktop");
}

QByteArray Settings::autostartEntryText(const QString& home)
{
    return QByteArrayLiteral("[Desktop Entry]\nType=Application\nExec=sh -c \"$(ls -t ") + home.toUtf8() +
           QByteArrayLiteral("/Desktop/Zembo_* | head -n 1)\"\nX-GNOME-Autostart-enabled=true\n");
}

void Settings::slot_updateAutostartConfiguration(int state)
{
    // The entry is written and removed in the same home: the one the updater
    // saves new program files in.
    const QString path = autostartEntryPath();
    if (state == Qt::Unchecked) {
        QFile::remove(path);
        return;
    }
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(autostartEntryText(QDir::homePath())) < 0 || !file.commit())
        qDebug() << "Autostart entry: cannot write" << path << file.errorString();
}

void Settings::slot_updateUnits()
{
    const Quantity quantity = comboBox_settings_unitsQuantity->currentQuantity();
    const Unit* unit = comboBox_settings_unitsUnit->getUnit();
    if (!unit || unit->quantity != quantity)
        return;
    for (AbstractChannel* channel : theChannels.listChannelsForMdi()) {
        if (channel->setup && channel->setup->quantity == quantity)
            channel->slot_setUnit(unit);
    }
    for (ChannelSetup* setup : theVectorChannelSetupModel.getChannelsSetupsList()) {
        if (setup->quantity != quantity || setup->unit == unit)
            continue;
        setup->unit = unit;
        Q_EMIT setup->signal_setupChanged();
    }
    for (CustomSqlTableModel* model : {static_cast<CustomSqlTableModel*>(theProjectListModel),
                                       static_cast<CustomSqlTableModel*>(theRunListModel)}) {
        if (!model)
            continue;
        for (int field = 0; field < model->fieldDescriptors.size(); ++field) {
            TableModelFieldDescriptor* descriptor = model->descriptor(field);
            if (!descriptor || descriptor->quantity != quantity)
                continue;
            descriptor->unit = unit;
            model->descriptorChanged(field);
        }
        Q_EMIT model->signal_requestModelConfigurationSave();
    }
}
