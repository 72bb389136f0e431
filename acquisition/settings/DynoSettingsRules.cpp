#include "DynoSettings.h"

#include "Channels.h"
#include "CustomSqlTableModel.h"
#include "DynoSetting.h"
#include "DynoSettingsLossModelEditor.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "SpinBoxWithUnit.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "functions/Argument.h"
#include "functions/ProjectFieldSource.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QListView>

// The rules between settings: a choice in one combo box shows or hides rows
// of the same channel, forces values, binds controller channels to one another
// and steers widgets of the RUN tab. Each runs with the new option index and
// the channel whose combo box changed; addComboBoxSlot applies them once at
// registration.

namespace {

int projectField(const char* key)
{
    const ProjectFieldSource* project = Argument::projectFieldSource();
    return project ? project->getFieldIdFromKey(QLatin1String(key)) : -1;
}

} // namespace

void DynoSettings::slot_pwmSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_pwmArgument, index == 1, channel);
}

void DynoSettings::slot_lsSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_lsOutputArgument, index == 2, channel);
    setSettingVisibility(DynoSettingId_lsOutputInvert, index != 0, channel);
}

void DynoSettings::slot_hsSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_hsOutputArgument, index == 2, channel);
    setSettingVisibility(DynoSettingId_hsOutputInvert, index != 0, channel);
}

void DynoSettings::slot_aoutSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_analogOutputArgument, index == 1, channel);
}

void DynoSettings::slot_stepperSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_stepperArgument, index == 1, channel);
}

void DynoSettings::slot_analogPidSpSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_ainPidSpArgument, index == 1, channel);
}

void DynoSettings::slot_torquePidSubtrahendSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_torquePidSpSubtrahendConstant, index == 1, channel);
}

void DynoSettings::slot_torquePidSpSourceChanged(int index, int channel)
{
    setSettingVisibility(DynoSettingId_torquePidSpArgument, index == 1, channel);

    // The brake-controller panel drives torque controllers that follow a
    // speed or acceleration controller; joined torque control needs two.
    int following = 0;
    for (int cell = 0; cell < theHwInfo.loadCells; ++cell) {
        const DynoSetting* source = getSetting(DynoSettingId_torquePidSpSource, cell);
        if (source && source->value().toInt() > 1)
            ++following;
    }
    if (links.brakeControllerPanel)
        links.brakeControllerPanel->setVisible(following > 0);
    if (links.advancedModeSelector)
        links.advancedModeSelector->setVisible(following > 0);
    if (links.brakeControllerModes)
        Tools::setComboBoxOptionHidden(links.brakeControllerModes, 2, following < 2);
}

void DynoSettings::slot_freqInputSensorChanged(int index, int freqInput)
{
    for (const DynoSettingId id :
         {DynoSettingId_freqInputSignalsPerRotation, DynoSettingId_freqInputMultiplier, DynoSettingId_freqInputDiffFilter})
        setSettingVisibility(id, index == 0, freqInput);
    for (const DynoSettingId id : {DynoSettingId_freqInputSensorName, DynoSettingId_freqInputSensorQuantity,
                                   DynoSettingId_freqInputSensorCharacteristic})
        setSettingVisibility(id, index == 1, freqInput);

    // What was computed from the old kind of sensor means nothing now.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const auto reset = [now](ChannelId id, int count) {
        for (int i = 0; i < count; ++i) {
            if (RunChannel* channel = theChannels.getChannel(id, i))
                channel->resetTo0(now);
        }
    };
    for (const ChannelId id : {ChannelId_freqInputRotationalSpeed, ChannelId_freqInputRotationalAcceleration,
                               ChannelId_freqInputSensorValue})
        reset(id, theHwInfo.freqInputs);
    for (const ChannelId id : {ChannelId_rollerRotationalSpeed, ChannelId_rollerRotationalAcceleration,
                               ChannelId_rollerSpeed, ChannelId_rollerPower, ChannelId_rollerInertialTorque,
                               ChannelId_rollerInternalLoss})
        reset(id, theHwInfo.rollers);
}

void DynoSettings::slot_freqInputModeChanged(int index, int freqInput)
{
    setSettingVisibility(DynoSettingId_freqInputNextEdgeRejectTime, index == 0, freqInput);
    // Only the engine-speed input (slot 2) has a spike filter.
    setSettingVisibility(DynoSettingId_freqInputSpikeFilter, index == 0 && freqInput == 2, freqInput);
}

void DynoSettings::slot_pwmModeChanged(int index, int channel)
{
    const bool stepper = index >= 2 && index <= 5;
    for (const DynoSettingId id : {DynoSettingId_pwmFrequency, DynoSettingId_pwmRangeMin, DynoSettingId_pwmRangeMax})
        setSettingVisibility(id, index == 0, channel);
    for (const DynoSettingId id : {DynoSettingId_pwmFreqMin, DynoSettingId_pwmFreqMax})
        setSettingVisibility(id, index == 1, channel);
    setSettingVisibility(DynoSettingId_pwmSource, !stepper, channel);
    setSettingVisibility(DynoSettingId_pwmStepperMotorId, stepper, channel);
    // A stepper output takes its position from the stepper motor, not from a source.
    if (stepper) {
        if (DynoSetting* source = getSetting(DynoSettingId_pwmSource, channel))
            source->setValue(0);
    }
    showWizardButton(SettingWizardId_rcServoPulse, channel, index == 0);
}

void DynoSettings::slot_hpAinInputModeChanged(int index, int channel)
{
    const bool thermocouple = index == 6;
    DynoSetting* unitType = getSetting(DynoSettingId_hpAinUnitType, channel);
    auto* quantity = unitType ? unitType->getWidgetHelper<QuantityComboBox>(SettingWidgetType_quantityComboBox)
                              : nullptr;
    if (quantity) {
        // A thermocouple reads temperature; the quantity stays when the mode changes back.
        if (thermocouple)
            quantity->setQuantity(Quantity::Temperature);
        quantity->setEnabled(!thermocouple);
    }
    setSettingVisibility(DynoSettingId_hpAinCharacteristic, !thermocouple, channel);
    showWizardButton(SettingWizardId_hpAinTemperatureSensor, channel, !thermocouple);
}

void DynoSettings::slot_dynoTypeChanged(int index, int channel)
{
    Q_UNUSED(channel);
    // 0 engine, 1 roller, 2 hub.
    if (index == 1) {
        setSettingVisibility(DynoSettingId_internalLossModel, true, 0);
    } else {
        if (DynoSetting* loss = getSetting(DynoSettingId_internalLossModel, 0)) {
            if (auto* editor = loss->getWidgetHelper<DynoSettingsLossModelEditor>(SettingWidgetType_lossModelEditor))
                editor->setLossModel({});
        }
        setSettingVisibility(DynoSettingId_internalLossModel, false, 0);
    }

    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        DynoSetting* diameter = getSetting(DynoSettingId_rollerDiameter, roller);
        if (!diameter)
            continue;
        QLabel* label = getSettingLabel(diameter->widget);
        if (index == 1 || index == 2) {
            if (label)
                label->setText(index == 1 ? tr("Roller diameter") : tr("Vehicle wheel diameter"));
            setSettingVisibility(DynoSettingId_rollerDiameter, true, roller);
        } else if (index == 0) {
            // An engine dyno has no roller to measure: a fixed diameter, off the page.
            if (auto* spin = diameter->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit))
                spin->setValueSI(0.01);
            setSettingVisibility(DynoSettingId_rollerDiameter, false, roller);
        }
    }
    if (theHwInfo.rollers > 0 && links.projectTable) {
        const int wheelDiameter = projectField("wheelDiameter");
        if (CustomSqlTableModel* projects = links.projectTable(); projects && wheelDiameter >= 0) {
            if (index == 2)
                projects->forceShowColumnInEditor(wheelDiameter);
            else if (index == 0 || index == 1)
                projects->forceHideColumn(wheelDiameter);
        }
    }

    const Quantity speedKind = (index == 1 || index == 2) ? Quantity::Speed : Quantity::RotationalSpeed;
    SpinBoxWithUnit* start = links.autoStartThreshold;
    SpinBoxWithUnit* stop = links.autoStopThreshold;
    for (SpinBoxWithUnit* threshold : {start, stop}) {
        if (threshold)
            threshold->slot_setQuantity(speedKind);
    }
    // Their stored value and unit only mean something once they have their
    // quantity: bound to the store the first time through here.
    if (start && stop && start->property("initialized").toBool() != true) {
        start->setProperty("initialized", true);
        theSettings.connectSpinBoxWithUnit(start);
        theSettings.connectSpinBoxWithUnit(stop);
    }
    if (links.updateEngineSpeedPanel)
        links.updateEngineSpeedPanel();
    if (links.updateStartButton)
        links.updateStartButton();
}

void DynoSettings::slot_supportRollerChanged(int index, int roller)
{
    Q_UNUSED(index);
    Q_UNUSED(roller);
    // Both depend on isSlipEstimationAvailable.
    if (links.updateEngineSpeedPanel)
        links.updateEngineSpeedPanel();
    if (links.updateStartButton)
        links.updateStartButton();
}

void DynoSettings::followCopySelector(const QList<DynoSettingId>& ids, int index, int channel)
{
    for (const DynoSettingId id : ids) {
        for (int earlier = 0; earlier < channel; ++earlier)
            unsyncSetting(getSetting(id, earlier), getSetting(id, channel));
    }
    // Option k copies channel k - 1, and only a channel before this one: the
    // binding of a later channel would outlive this selector's changes.
    const int source = index - 1;
    if (index <= 0 || source >= channel)
        return;
    for (const DynoSettingId id : ids)
        syncSetting(getSetting(id, source), getSetting(id, channel));
}

void DynoSettings::slot_pidSyncChChanged(int index, int pid)
{
    static const QList<DynoSettingId> ids{
        DynoSettingId_pidRelayAmplitude, DynoSettingId_pidKFF, DynoSettingId_pidKP, DynoSettingId_pidKI,
        DynoSettingId_pidKDFast, DynoSettingId_pidKD, DynoSettingId_pidKDD, DynoSettingId_pidKFilter,
        DynoSettingId_pidKDFilter, DynoSettingId_pidKDDFilter, DynoSettingId_pidNotchEnable,
        DynoSettingId_pidNotchWidth, DynoSettingId_pidFixedNotch1Enable, DynoSettingId_pidFixedNotch1Width,
        DynoSettingId_pidFixedNotch1Freq, DynoSettingId_pidRampLimit, DynoSettingId_pidBrakingSlip,
        DynoSettingId_pidSpeedCorrectionSens};
    followCopySelector(ids, index, pid);
}

void DynoSettings::slot_accPIDSyncChChanged(int index, int pid)
{
    static const QList<DynoSettingId> ids{
        DynoSettingId_accPidRelayAmplitude, DynoSettingId_accPidKFF, DynoSettingId_accPidKP,
        DynoSettingId_accPidKI, DynoSettingId_accPidKDFast, DynoSettingId_accPidKD, DynoSettingId_accPidKFilter,
        DynoSettingId_accPidKDFilter, DynoSettingId_accPidSyncGain, DynoSettingId_accPidNotchEnable,
        DynoSettingId_accPidNotchWidth, DynoSettingId_accPidFixedNotch1Enable, DynoSettingId_accPidFixedNotch1Width,
        DynoSettingId_accPidFixedNotch1Freq, DynoSettingId_accPidFixedNotch2Enable,
        DynoSettingId_accPidFixedNotch2Width, DynoSettingId_accPidFixedNotch2Freq, DynoSettingId_accPidRampLimit,
        DynoSettingId_accPidSpeedCorrectionSens};
    followCopySelector(ids, index, pid);
}

void DynoSettings::slot_torquePIDSyncChChanged(int index, int pid)
{
    static const QList<DynoSettingId> ids{
        DynoSettingId_torquePidRelayAmplitude, DynoSettingId_torquePidSpRange,
        DynoSettingId_torquePidSpSubtrahendConstant, DynoSettingId_torquePidKFF, DynoSettingId_torquePidKP,
        DynoSettingId_torquePidKI, DynoSettingId_torquePidKDFast, DynoSettingId_torquePidKD,
        DynoSettingId_torquePidKFilter, DynoSettingId_torquePidKDFilter, DynoSettingId_torquePidDisableFBInSpeedAndAcc,
        DynoSettingId_torquePidZeroOutputOn0SP, DynoSettingId_torquePidLinearization,
        DynoSettingId_torquePidSpeedCorrection};
    followCopySelector(ids, index, pid);
}
