#include "WizardButton.h"

namespace {

std::function<void(SettingWizardId, int)>& opener()
{
    static std::function<void(SettingWizardId, int)> registered;
    return registered;
}

} // namespace

WizardButton::WizardButton(SettingWizardId id, int channel, QWidget* parent)
    : QPushButton(caption(id), parent)
    , id(id)
    , channel(channel)
{
    connect(this, &QPushButton::clicked, this, &WizardButton::slot_clicked);
}

void WizardButton::setOpener(std::function<void(SettingWizardId, int)> newOpener)
{
    opener() = std::move(newOpener);
}

void WizardButton::slot_clicked()
{
    if (opener())
        opener()(id, channel);
}

QString WizardButton::caption(SettingWizardId id)
{
    switch (id) {
    case SettingWizardId_loadCellArmAndWeight: return tr("Calibrate load cell with arm and weight");
    case SettingWizardId_loadCellNominal: return tr("Calibrate load cell from nominal parameters");
    case SettingWizardId_loadCellZeroOffset: return tr("Recalibrate zero offset");
    case SettingWizardId_inertiaFallingMass: return tr("Calculate inertia from falling mass experiment");
    case SettingWizardId_inertiaHardBraking: return tr("Calculate inertia from hard braking experiment");
    case SettingWizardId_inertiaGeometry: return tr("Calculate inertia from geometry");
    case SettingWizardId_internalLossModel: return tr("Internal Loss Model Wizard");
    case SettingWizardId_tuneAccPid: return tr("Tune Acceleration PID");
    case SettingWizardId_copySpeedPidToAccPid: return tr("Copy initial settings from speed PID");
    case SettingWizardId_tuneSpeedPid: return tr("Tune Speed PID");
    case SettingWizardId_tuneTorquePid: return tr("Tune Torque PID");
    case SettingWizardId_tuneAinPid: return tr("Tune Analog Input PID");
    case SettingWizardId_kx4Tool: return tr("KX4 Tool");
    case SettingWizardId_canOpenTool: return tr("CANopen Tool");
    case SettingWizardId_obdUdsAnalyzer: return tr("OBD / UDS Analyzer");
    case SettingWizardId_canMonitor: return tr("CAN Monitor");
    case SettingWizardId_hpAinTemperatureSensor:
    case SettingWizardId_ainTemperatureSensor: return tr("Temperature Sensor Wizard");
    case SettingWizardId_rcServoPulse: return tr("RC Servo Pulse Wizard");
    case SettingWizardId_knockFrequency: return tr("Knock Frequency Wizard");
    case SettingWizardId_knockEngineNoise: return tr("Knock Engine Noise Wizard");
    case SettingWizardId_audioSettingsFromLastRun: return tr("Load settings from last run in active project");
    case SettingWizardId_stepperAdjust: return tr("Adjust stepper motor position");
    case SettingWizardId_openChannelSetup: return tr("Open channel setup");
    case SettingWizardId_exportSensorPreset: return tr("Export sensor preset");
    case SettingWizardId_importSensorPreset: return tr("Import sensor preset");
    }
    return QString();
}
