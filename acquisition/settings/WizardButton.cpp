#include "WizardButton.h"

#include "MySettings.h"

#include <QDebug>
#include <QHash>

namespace {

QHash<int, WizardButton::Opener>& openers()
{
    static QHash<int, WizardButton::Opener> registered;
    return registered;
}

} // namespace

WizardButton::WizardButton(SettingWizardId id, int index, QWidget* parent)
    : QPushButton(caption(id), parent)
    , id(id)
    , index(index)
{
    if (int(id) < 0 || int(id) > 26)
        qDebug() << "Wizard with no name assigned to id created";
    connect(this, &QPushButton::clicked, this, &WizardButton::slot_wizardCaller);
}

void WizardButton::registerOpener(SettingWizardId id, Opener opener)
{
    if (opener)
        openers().insert(int(id), std::move(opener));
    else
        openers().remove(int(id));
}

bool WizardButton::hasOpener(SettingWizardId id)
{
    return openers().contains(int(id));
}

void WizardButton::slot_wizardCaller()
{
    // A copy: the tool may register or remove openers while it runs.
    const Opener opener = openers().value(int(id));
    if (opener)
        opener(*this);
    theSettings.sync();
}

QString WizardButton::caption(SettingWizardId id)
{
    switch (id) {
    case SettingWizardId_none: return QStringLiteral("-");
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
