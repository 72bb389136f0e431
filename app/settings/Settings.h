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
class PowerCorrectionSetup;
class ProjectSettings;
class QCheckBox;
class QDoubleSpinBox;
class QFormLayout;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class RemoteControl;
class ReportEditor;
class ResultScreenEditor;

// STAND-IN, in part, until the SETTINGS tab is built whole: the tab widget with
// the pages that exist so far (Project, Power correction, Report editor, Result
// Screen editor, Misc, Camera, UI inputs, Functions, Remote control,
// Maintenance, Access control,
// About, then the dyno settings), and on "Misc" only the options that start-up,
// the run bracket and the close procedure read, with their labels and defaults.
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

    ProjectSettings* projectSettings = nullptr;
    DynoSettings* dynoSettings = nullptr;
    PowerCorrectionSetup* powerCorrectionSetup = nullptr;
    ReportEditor* reportEditor = nullptr;
    ResultScreenEditor* resultScreenEditor = nullptr;
    CameraSettings* cameraSettings = nullptr;
    InputChannelsManager* inputChannelsManager = nullptr;
    CanInputsManager* canInputsManager = nullptr;
    CanOutputsWidget* canOutputsWidget = nullptr;
    FunctionManager* functionManager = nullptr;
    RemoteControl* remoteControl = nullptr;
    DynoOdometer* dynoOdometer = nullptr;
    ChannelSetupList* channelSetupList = nullptr;
    AccessControlWidget* accessControlWidget = nullptr;
    QPlainTextEdit* plainTextEdit_settings_about = nullptr;

    QCheckBox* checkBox_settings_alwaysStartInProjectsTab = nullptr;
    QCheckBox* checkBox_settings_activateLastProject = nullptr;
    QCheckBox* checkBox_settings_automaticallyExportRunDataToCSV = nullptr;
    QDoubleSpinBox* doubleSpinBox_settings_csvExportSamplingValue = nullptr;
    QCheckBox* checkBox_settings_autoHideTestDialogOnRunStart = nullptr;
    QCheckBox* checkBox_clearRunLossModelOnProjectActivation = nullptr;
    QCheckBox* checkBox_settings_autoUpdateRunTabLossModel = nullptr;
    DelayedSpinBox* spinBox_settings_resampleFrequency = nullptr;
    QCheckBox* checkBox_settings_checkForUpdates = nullptr;
    QCheckBox* checkBox_settings_blockRunStartWhenAlarm = nullptr;
    QCheckBox* checkBox_settings_blockProgramExitWhenAlarm = nullptr;
    // Read by the alarm field through the settings store.
    QCheckBox* checkBox_settings_alarmSound = nullptr;
    // Read by the RUN desktops.
    QCheckBox* checkBox_settings_fullScreenAlarms = nullptr;
    QGroupBox* groupBox_runWidgets = nullptr;
    QGridLayout* gridLayout_runWidgets = nullptr;
    QList<QCheckBox*> runWidgetProtectedBoxes;
    // Read by the brake-controller panel through the settings store.
    QCheckBox* checkBox_settings_absorberControlOnlyDuringRun = nullptr;

private:
    QWidget* buildMiscPage();
    // The RUN tab widgets and the project table that dyno settings steer.
    void linkDynoSettings();
    QCheckBox* addCheckBox(QFormLayout* form, const QString& name, const QString& label, bool checked);
};
