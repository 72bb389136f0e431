#pragma once

#include "ACMTabWidget.h"

class AccessControlWidget;
class CameraSettings;
class DelayedSpinBox;
class ChannelSetupList;
class DynoOdometer;
class DynoSettings;
class FunctionManager;
class CanInputsManager;
class CanOutputsWidget;
class InputChannelsManager;
class ModbusManager;
class PowerCorrectionSetup;
class ProjectSettings;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QuantityComboBox;
class RemoteControl;
class SerialInputsManager;
class ReportEditor;
class ResultScreenEditor;
class SpinBoxWithUnit;
class UnitComboBox;
class WatermarkWidget;

// The SETTINGS tab: every settings page of the program, in a fixed order, with
// its tabs on the left, the general options ("Misc") and "About". Pages with
// an access key are hidden behind the settings password (ACMTabWidget). Other
// parts read the options straight from the widgets here (through theUI) or
// from the settings store under "UserSetting/" + the widget's object name.
class Settings : public ACMTabWidget
{
    Q_OBJECT
public:
    explicit Settings(QWidget* parent = nullptr);
    ~Settings() override;

    // One row of the RUN WIDGETS grid for a widget of the RUN panel: its
    // label, its "visible" box (checked by default) and its "protected" box,
    // named and bound under the prefix; "visible" is disabled while protected.
    void addRunWidgetSetupRow(QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix);

    // The language codes offered: "en", then one per "zembo_<code>.qm" of the
    // two folders (a name found in both counts once).
    static QStringList languageCodes(const QString& userFolder, const QString& resourceFolder);
    // The boot script that keeps the fan on, as it is installed.
    static QByteArray fanScriptText();
    // The desktop autostart entry: starts the newest program file the updater
    // saved on the desktop of `home`.
    static QByteArray autostartEntryText(const QString& home);
    static QString autostartEntryPath();

    QList<QCheckBox*> runWidgetProtectedBoxes;
    ProjectSettings* projectSettings = nullptr;
    ChannelSetupList* channelSetupList = nullptr;
    DynoSettings* dynoSettings = nullptr;
    PowerCorrectionSetup* powerCorrectionSetup = nullptr;
    WatermarkWidget* watermarkWidget = nullptr;
    ReportEditor* reportEditor = nullptr;
    ResultScreenEditor* resultScreenEditor = nullptr;
    CameraSettings* cameraSettings = nullptr;
    InputChannelsManager* inputChannelsManager = nullptr;
    SerialInputsManager* serialInputsManager = nullptr;
    ModbusManager* modbusManager = nullptr;
    FunctionManager* functionManager = nullptr;
    RemoteControl* remoteControl = nullptr;
    DynoOdometer* dynoOdometer = nullptr;
    AccessControlWidget* accessControlWidget = nullptr;
    QPlainTextEdit* plainTextEdit_settings_about = nullptr;
    CanInputsManager* canInputsManager = nullptr;
    CanOutputsWidget* canOutputsWidget = nullptr;

    QuantityComboBox* comboBox_settings_unitsQuantity = nullptr;
    UnitComboBox* comboBox_settings_unitsUnit = nullptr;
    QCheckBox* checkBox_settings_fanAlwaysOn = nullptr;
    QCheckBox* checkBox_settings_startDynoWithSystem = nullptr;
    SpinBoxWithUnit* rampTest_trackingThreshold = nullptr;
    SpinBoxWithUnit* rampTest_engineTrackingThreshold = nullptr;
    QCheckBox* checkBox_settings_checkForUpdates = nullptr;
    QCheckBox* checkBox_settings_useExperimentalUpdates = nullptr;
    QPushButton* pushButton_settings_checkForUpdatesNow = nullptr;
    // Read by the alarm field through the settings store.
    QCheckBox* checkBox_settings_alarmSound = nullptr;
    QCheckBox* checkBox_settings_blockRunStartWhenAlarm = nullptr;
    QCheckBox* checkBox_settings_blockProgramExitWhenAlarm = nullptr;
    QGroupBox* groupBox_runWidgets = nullptr;
    QGridLayout* gridLayout_runWidgets = nullptr;
    QComboBox* comboBox_settings_language = nullptr;
    QCheckBox* checkBox_settings_alwaysStartInProjectsTab = nullptr;
    QCheckBox* checkBox_calculateLossModelOnRunLoad = nullptr;
    QCheckBox* checkBox_automaticallyAcceptLossModel = nullptr;
    QCheckBox* checkBox_clearRunLossModelOnProjectActivation = nullptr;
    QSpinBox* spinBox_analyzeGraphValueFontSize = nullptr;
    QSpinBox* spinBox_analyzeRunTableContentFontSize = nullptr;
    QDoubleSpinBox* spinBox_lossStageFinderStartThreshold = nullptr;
    QComboBox* comboBox_settings_defaultDisplayRangeSelectionMode = nullptr;
    QComboBox* comboBox_settings_trackingLineMode = nullptr;
    QCheckBox* checkBox_settings_activateLastProject = nullptr;
    QCheckBox* checkBox_settings_updateDTLossFactorOnGearboxChange = nullptr;
    QCheckBox* checkBox_settings_updateEngineInertiaOnDisplacementChange = nullptr;
    QCheckBox* checkBox_settings_automaticallyExportRunDataToCSV = nullptr;
    QDoubleSpinBox* doubleSpinBox_settings_csvExportSamplingValue = nullptr;
    DelayedSpinBox* spinBox_settings_resampleFrequency = nullptr;
    QCheckBox* checkBox_settings_autoUpdateRunTabLossModel = nullptr;
    QCheckBox* checkBox_settings_autoHideTestDialogOnRunStart = nullptr;
    QSpinBox* spinBox_settings_autorangePadding = nullptr;
    // Read by the brake-controller panel through the settings store.
    QCheckBox* checkBox_settings_absorberControlOnlyDuringRun = nullptr;
    // Read by the RUN desktops.
    QCheckBox* checkBox_settings_fullScreenAlarms = nullptr;

public Q_SLOTS:
    void slot_tabChanged(int index);
    void slot_updateFanConfiguration(int state);
    void slot_updateAutostartConfiguration(int state);
    void slot_updateUnits();
    void slot_enableManufacturerLock();
    void slot_unlock();

private:
    // Adds a page in table order; a page with an access key hides behind the lock.
    template<class Page> Page* addPage(Page* page, const QString& label, const QString& accessKey = QString());
    QWidget* buildMiscPage();
    QPlainTextEdit* buildAboutPage();
    // The RUN tab widgets and the project table that dyno settings steer.
    void linkDynoSettings();
    QCheckBox* addCheckBox(QFormLayout* form, const QString& name, const QString& label, bool checked);
    QFormLayout* addGroup(QFormLayout* page, const QString& title);
};
