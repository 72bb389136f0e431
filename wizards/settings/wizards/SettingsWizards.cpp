#include "SettingsWizards.h"

#include "CalculateLoadCellGain.h"
#include "CalibrateInertiaFallingMass.h"
#include "CalibrateInertiaHardBraking.h"
#include "CalibrateLoadCell.h"
#include "ChannelSetupDialog.h"
#include "Channels.h"
#include "DynoRegister.h"
#include "DynoSettingsLossModelEditor.h"
#include "InertiaCalculator.h"
#include "McuThread.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "RCPulseWizard.h"
#include "RollerLossModelWizard.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunListModel.h"
#include "SensorPresets.h"
#include "SensorWizard.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "WizardButton.h"
#include "WizardHooks.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <cmath>
#include <limits>

namespace SettingsWizards {

namespace {

constexpr double kInfinite = std::numeric_limits<double>::infinity();

double liveValue(ChannelId id, int index)
{
    RunChannel* channel = theChannels.getChannel(id, index);
    return channel ? channel->getValue() : std::numeric_limits<double>::quiet_NaN();
}

bool askYesNo(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::NoButton);
    return DialogAnswerer::exec(&box) == QMessageBox::Yes;
}

QWidget* mainTabWidget(QWidget* fallback)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* tabs = top->findChild<QTabWidget*>(QStringLiteral("tabWidget_main")))
            return tabs;
    return fallback ? fallback->window() : nullptr;
}

QWidget* rawEditor(DynoSettingId id, int index)
{
    DynoSetting* found = setting(id, index);
    return found ? found->widget : nullptr;
}

void openTemperatureWizard(WizardButton& button, DynoSettingId characteristic, double pullUp, double toGround)
{
    auto* curve = editor<PointVectorEditor>(characteristic, button.index, SettingWidgetType_pointVectorEditor);
    if (!curve)
        return;
    SensorWizard wizard(&button, curve, pullUp, toGround);
}

} // namespace

DynoSetting* setting(DynoSettingId id, int index)
{
    return theDynoSettings ? theDynoSettings->getSetting(id, index) : nullptr;
}

double knockFrequencyFromDiameter(double diameter)
{
    return 1800.0 / (M_PI * diameter);
}

double diameterFromKnockFrequency(double frequency)
{
    return 1800.0 / (M_PI * frequency);
}

quint32 stepperAdjustWord(int stepper, int steps)
{
    return (quint32(stepper) << 24) | (quint32(steps) & 0xFFFFu);
}

void recalibrateZero(int loadCell)
{
    auto* offset = editor<QDoubleSpinBox>(DynoSettingId_loadCellB, loadCell, SettingWidgetType_doubleSpinBox);
    if (!offset)
        return;
    const double b = offset->value();
    const double reading = liveValue(ChannelId_loadCellValue, loadCell);
    // A stale reading would put NaN into the controller's offset.
    if (!std::isfinite(reading)) {
        Tools::showError(QObject::tr("No current reading of load cell %1: zero offset unchanged").arg(loadCell + 1));
        return;
    }
    const double newB = b - reading;
    const QString text = QObject::tr("Are you sure you want to recalibrate load cell zero reading?\nNew b coefficient = ")
                         + QStringLiteral(" %1 Nm\nΔ = %2 Nm").arg(newB).arg(-reading);
    if (askYesNo(QObject::tr("Recalibrate zero on cell ") + QString::number(loadCell + 1), text))
        offset->setValue(newB);
}

void copySpeedPidToAccPid(int controller)
{
    if (!askYesNo(QObject::tr("Copy from speed PID"), QObject::tr("Are you sure you want to copy settings from speed PID?")))
        return;
    auto* speedKDFast = editor<QDoubleSpinBox>(DynoSettingId_pidKDFast, controller, SettingWidgetType_doubleSpinBox);
    auto* speedKP = editor<QDoubleSpinBox>(DynoSettingId_pidKP, controller, SettingWidgetType_doubleSpinBox);
    auto* accKP = editor<QDoubleSpinBox>(DynoSettingId_accPidKP, controller, SettingWidgetType_doubleSpinBox);
    auto* accKI = editor<QDoubleSpinBox>(DynoSettingId_accPidKI, controller, SettingWidgetType_doubleSpinBox);
    auto* accKDFast = editor<QDoubleSpinBox>(DynoSettingId_accPidKDFast, controller, SettingWidgetType_doubleSpinBox);
    auto* accKD = editor<QDoubleSpinBox>(DynoSettingId_accPidKD, controller, SettingWidgetType_doubleSpinBox);
    if (!speedKDFast || !speedKP || !accKP || !accKI || !accKDFast || !accKD)
        return;
    accKP->setValue(speedKDFast->value());
    accKI->setValue(speedKP->value());
    accKDFast->setValue(0.000004);
    accKD->setValue(0.00004);
}

void knockFrequency(int audioInput)
{
    auto* frequency = editor<SpinBoxWithUnit>(DynoSettingId_audioKnockFrequency, audioInput,
                                              SettingWidgetType_spinBoxWithUnit);
    if (!frequency)
        return;
    QDialog dialog;
    dialog.setWindowTitle(QObject::tr("Cylinder diameter"));
    dialog.resize(200, 60);
    auto* layout = new QHBoxLayout(&dialog);
    auto* diameter = new SpinBoxWithUnit(&dialog, Quantity::Distance);
    diameter->setObjectName(QStringLiteral("spinBox_settings_cylinderDiameter"));
    diameter->setUnitFromName(QStringLiteral("mm"));
    diameter->setRangeSI(0.014, 1.0);
    layout->addWidget(diameter);
    theSettings.connectSpinBoxWithUnit(diameter);
    diameter->setValueSI(diameterFromKnockFrequency(frequency->getValueSI()));
    QObject::connect(diameter, &SpinBoxWithUnit::signal_valueChangedSI, frequency, [frequency](double d) {
        frequency->setValueSI(double(float(knockFrequencyFromDiameter(d))));
    });
    DialogAnswerer::exec(&dialog);
}

void knockSettingsFromLastRun(int audioInput)
{
    RunData* run = theRunListModel ? theRunListModel->getLastRunInActiveProject() : nullptr;
    if (!run) {
        Tools::showError(QObject::tr("No last run available to load settings"));
        return;
    }
    run->loadDynoSettings();
    if (run->getSettingValueDouble(DynoSettingId_audioKnockFrequency, audioInput, -1.0) == -1.0) {
        Tools::showError(QObject::tr("No audio settings found in last run"));
        return;
    }
    const auto type = SettingWidgetType_spinBoxWithUnit;
    if (auto* f = editor<SpinBoxWithUnit>(DynoSettingId_audioKnockFrequency, audioInput, type))
        f->setValueSI(run->getSettingValueDouble(DynoSettingId_audioKnockFrequency, audioInput, 0.0));
    if (DynoSetting* shape = setting(DynoSettingId_audioKnockFilterShape, audioInput))
        shape->setValue(run->getSettingValueDouble(DynoSettingId_audioKnockFilterShape, audioInput, 0.0));
    if (DynoSetting* gain = setting(DynoSettingId_audioKnockGain, audioInput))
        gain->setValue(run->getSettingValueDouble(DynoSettingId_audioKnockGain, audioInput, 0.0));
    if (auto* level = editor<SpinBoxWithUnit>(DynoSettingId_audioKnockLevelFilter, audioInput, type))
        level->setValueSI(run->getSettingValueDouble(DynoSettingId_audioKnockLevelFilter, audioInput, 0.0));
    if (auto* noise = editor<PointVectorEditor>(DynoSettingId_audioKnockEngineNoise, audioInput,
                                                SettingWidgetType_pointVectorEditor))
        noise->slot_setVector(
            run->getSettingValue(DynoSettingId_audioKnockEngineNoise, audioInput, QVariant()).value<QList<QPointF>>());
}

void adjustStepper(int stepper)
{
    QDialog dialog;
    dialog.setWindowTitle(QObject::tr("Adjust stepper motor position"));
    dialog.resize(200, 60);
    auto* layout = new QHBoxLayout(&dialog);
    auto* steps = new QSpinBox(&dialog);
    steps->setObjectName(QStringLiteral("spinBox_stepperAdjustmentValue"));
    steps->setSuffix(QObject::tr("steps"));
    steps->setRange(-32768, 32767);
    theSettings.connectSpinBox(steps);
    auto* apply = new QPushButton(QObject::tr("Apply"), &dialog);
    apply->setObjectName(QStringLiteral("pushButton_apply"));
    layout->addWidget(steps);
    layout->addWidget(apply);
    QObject::connect(apply, &QPushButton::clicked, &dialog, [steps, stepper] {
        if (theMCUThread)
            theMCUThread->writeReg(DynoRegister::stepperAdjust, stepperAdjustWord(stepper, steps->value()));
    });
    DialogAnswerer::exec(&dialog);
}

void openChannelSetup(int input)
{
    RunChannel* channel = theChannels.getChannel(ChannelId_ain, input);
    if (!channel || !channel->setup)
        return;
    ChannelSetupDialog dialog(channel->setup, nullptr, false, false);
    DialogAnswerer::exec(&dialog);
}

void openPidTuning(WizardButton& button)
{
    if (button.tool) {
        button.tool->show();
        button.tool->raise();
        return;
    }
    const auto& open = WizardHooks::instance().openTunePid;
    if (!open)
        return;
    const int n = button.index;
    const QString number = QStringLiteral(" %1").arg(n + 1);
    const int freqInput = int(Tools::mcuFreqInputFromRollerId(RollerId(std::clamp(n, 0, 3))));
    PidTuningRequest r;
    const QString none = QStringLiteral("extra1");
    r.extra1Label = QStringLiteral("extra1");
    r.extra2Label = QStringLiteral("extra2");
    switch (button.id) {
    case SettingWizardId_tuneAccPid:
        r.setPoint = theChannels.getChannel(ChannelId_accControllerSP, n);
        r.processValue = theChannels.getChannel(ChannelId_rollerRotationalAcceleration, n);
        r.inputFilter = rawEditor(DynoSettingId_freqInputDiffFilter, freqInput);
        r.relayAmplitude = rawEditor(DynoSettingId_accPidRelayAmplitude, n);
        r.kFF = rawEditor(DynoSettingId_accPidKFF, n);
        r.kP = rawEditor(DynoSettingId_accPidKP, n);
        r.kI = rawEditor(DynoSettingId_accPidKI, n);
        r.kDFast = rawEditor(DynoSettingId_accPidKDFast, n);
        r.kD = rawEditor(DynoSettingId_accPidKD, n);
        r.errorFilter = rawEditor(DynoSettingId_accPidKFilter, n);
        r.kDFilter = rawEditor(DynoSettingId_accPidKDFilter, n);
        r.title = QObject::tr("Acc. PID") + number;
        r.setPointLabel = QObject::tr("Acceleration SP [rad/s]");
        r.valueLabel = QObject::tr("Acceleration value [rad/s]");
        r.extra1Label = QObject::tr("Synchronization gain");
        r.extra1 = rawEditor(DynoSettingId_accPidSyncGain, n);
        break;
    case SettingWizardId_tuneSpeedPid:
        r.setPoint = theChannels.getChannel(ChannelId_speedControllerSP, n);
        r.processValue = theChannels.getChannel(ChannelId_rollerRotationalSpeed, n);
        r.inputFilter = rawEditor(DynoSettingId_freqInputFilter, freqInput);
        r.relayAmplitude = rawEditor(DynoSettingId_pidRelayAmplitude, n);
        r.kFF = rawEditor(DynoSettingId_pidKFF, n);
        r.kP = rawEditor(DynoSettingId_pidKP, n);
        r.kI = rawEditor(DynoSettingId_pidKI, n);
        r.kDFast = rawEditor(DynoSettingId_pidKDFast, n);
        r.kD = rawEditor(DynoSettingId_pidKD, n);
        r.kDD = rawEditor(DynoSettingId_pidKDD, n);
        r.errorFilter = rawEditor(DynoSettingId_pidKFilter, n);
        r.kDFilter = rawEditor(DynoSettingId_pidKDFilter, n);
        r.kDDFilter = rawEditor(DynoSettingId_pidKDDFilter, n);
        r.title = QObject::tr("Speed PID") + number;
        r.setPointLabel = QObject::tr("Speed SP [rad]");
        r.valueLabel = QObject::tr("Speed value [rad]");
        break;
    case SettingWizardId_tuneTorquePid:
        r.setPoint = theChannels.getChannel(ChannelId_torqueControllerSP, n);
        r.processValue = theChannels.getChannel(ChannelId_loadCellValue, n);
        r.inputFilter = rawEditor(DynoSettingId_loadCellFilter, n);
        r.relayAmplitude = rawEditor(DynoSettingId_torquePidRelayAmplitude, n);
        r.kFF = rawEditor(DynoSettingId_torquePidKFF, n);
        r.kP = rawEditor(DynoSettingId_torquePidKP, n);
        r.kI = rawEditor(DynoSettingId_torquePidKI, n);
        r.kDFast = rawEditor(DynoSettingId_torquePidKDFast, n);
        r.kD = rawEditor(DynoSettingId_torquePidKD, n);
        r.errorFilter = rawEditor(DynoSettingId_torquePidKFilter, n);
        r.kDFilter = rawEditor(DynoSettingId_torquePidKDFilter, n);
        r.title = QObject::tr("Torque PID") + number;
        r.setPointLabel = QObject::tr("Torque SP [Nm]");
        r.valueLabel = QObject::tr("Torque value [Nm]");
        break;
    case SettingWizardId_tuneAinPid:
        r.setPoint = theChannels.getChannel(ChannelId_ainControllerSP, n);
        r.processValue = theChannels.getChannel(ChannelId_ainVoltage, n);
        r.inputFilter = rawEditor(DynoSettingId_ainFilter, n);
        r.relayAmplitude = rawEditor(DynoSettingId_ainPidRelayAmplitude, n);
        r.kFF = rawEditor(DynoSettingId_ainPidKFF, n);
        r.kP = rawEditor(DynoSettingId_ainPidKP, n);
        r.kI = rawEditor(DynoSettingId_ainPidKI, n);
        r.kDFast = rawEditor(DynoSettingId_ainPidKDFast, n);
        r.kD = rawEditor(DynoSettingId_ainPidKD, n);
        r.errorFilter = rawEditor(DynoSettingId_ainPidKFilter, n);
        r.kDFilter = rawEditor(DynoSettingId_ainPidKDFilter, n);
        r.title = QObject::tr("AIN PID") + number;
        r.setPointLabel = QObject::tr("Analog in SP [V]");
        r.valueLabel = QObject::tr("Analog in value [V]");
        break;
    default:
        return;
    }
    QWidget* window = open(r, mainTabWidget(&button));
    button.tool = window;
    if (window)
        window->show();
}

void registerOpeners()
{
    auto reg = [](SettingWizardId id, WizardButton::Opener opener) { WizardButton::registerOpener(id, std::move(opener)); };
    reg(SettingWizardId_loadCellArmAndWeight, [](WizardButton& b) { CalibrateLoadCell dialog(&b, b.index); });
    reg(SettingWizardId_loadCellNominal, [](WizardButton& b) { CalculateLoadCellGain dialog(&b, b.index); });
    reg(SettingWizardId_loadCellZeroOffset, [](WizardButton& b) { recalibrateZero(b.index); });
    reg(SettingWizardId_inertiaFallingMass,
        [](WizardButton& b) { CalibrateInertiaFallingMass dialog(&b, RollerId(b.index)); });
    reg(SettingWizardId_inertiaHardBraking,
        [](WizardButton& b) { CalibrateInertiaHardBraking dialog(&b, RollerId(b.index)); });
    reg(SettingWizardId_inertiaGeometry, [](WizardButton& b) { InertiaCalculator dialog(&b, b.index); });
    reg(SettingWizardId_internalLossModel, [](WizardButton& b) { RollerLossModelWizard dialog(&b, b.index); });
    for (SettingWizardId pid : {SettingWizardId_tuneAccPid, SettingWizardId_tuneSpeedPid, SettingWizardId_tuneTorquePid,
                                SettingWizardId_tuneAinPid})
        reg(pid, [](WizardButton& b) { openPidTuning(b); });
    reg(SettingWizardId_copySpeedPidToAccPid, [](WizardButton& b) { copySpeedPidToAccPid(b.index); });
    reg(SettingWizardId_hpAinTemperatureSensor, [](WizardButton& b) {
        const bool even = b.index % 2 == 0;
        openTemperatureWizard(b, DynoSettingId_hpAinCharacteristic, even ? kInfinite : 1e6, even ? 1e6 : kInfinite);
    });
    reg(SettingWizardId_ainTemperatureSensor,
        [](WizardButton& b) { openTemperatureWizard(b, DynoSettingId_ainCharacteristic, 1e6, kInfinite); });
    reg(SettingWizardId_rcServoPulse, [](WizardButton& b) { RCPulseWizard dialog(&b, b.index); });
    reg(SettingWizardId_knockFrequency, [](WizardButton& b) { knockFrequency(b.index); });
    reg(SettingWizardId_audioSettingsFromLastRun, [](WizardButton& b) { knockSettingsFromLastRun(b.index); });
    reg(SettingWizardId_stepperAdjust, [](WizardButton& b) { adjustStepper(b.index); });
    reg(SettingWizardId_openChannelSetup, [](WizardButton& b) { openChannelSetup(b.index); });
    reg(SettingWizardId_exportSensorPreset, [](WizardButton& b) { SensorPresets::exportPreset(b.index); });
    reg(SettingWizardId_importSensorPreset, [](WizardButton& b) { SensorPresets::importPreset(b.index); });
}

} // namespace SettingsWizards
