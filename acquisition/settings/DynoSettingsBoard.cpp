#include "DynoSettings.h"

#include "DynoSetting.h"
#include "DynoSettingsLossModelEditor.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "WizardButton.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QListView>
#include <QTabWidget>

#include <limits>

// What the connected board changes on the pages: the options it offers, the
// frequency-input tabs, the channels a controller may copy from, and the rows
// its variant has no use for.

void DynoSettings::fillAllowedOptions()
{
    allowedOptions.clear();
    allowedOptions.insert(DynoSettingId_engineSpeedSource, {0, 1, 4});
    const QList<int> upTo13{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    switch (theHwInfo.deviceCode) {
    case DeviceCode_ZR5:
        allowedOptions.insert(DynoSettingId_freqInputMode, {0});
        allowedOptions.insert(DynoSettingId_loadCellRoller, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_rollerSupportRoller, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_analogOutputSource, upTo13);
        allowedOptions.insert(DynoSettingId_pwmSource, upTo13);
        allowedOptions.insert(DynoSettingId_torquePidSpSource, {0, 1, 2, 3});
        allowedOptions.insert(DynoSettingId_pidDetails, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16});
        break;
    case DeviceCode_ZR5L:
        allowedOptions.insert(DynoSettingId_loadCellRoller, {0, 1});
        allowedOptions.insert(DynoSettingId_rollerSupportRoller, {0, 1});
        for (const DynoSettingId id :
             {DynoSettingId_analogOutputSource, DynoSettingId_pwmSource, DynoSettingId_stepperSource})
            allowedOptions.insert(id, {0, 1, 2, 8, 9, 12});
        allowedOptions.insert(DynoSettingId_ainPidSpSource, {0, 1, 2, 3});
        allowedOptions.insert(DynoSettingId_torquePidSpSource, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_torquePidSpSubtrahend, {0, 1, 2, 3});
        allowedOptions.insert(DynoSettingId_pidDetails, {0, 1, 7, 8, 11, 15});
        break;
    case DeviceCode_ZR6L:
        allowedOptions.insert(DynoSettingId_loadCellRoller, {0, 1});
        allowedOptions.insert(DynoSettingId_rollerSupportRoller, {0, 1});
        for (const DynoSettingId id :
             {DynoSettingId_analogOutputSource, DynoSettingId_pwmSource, DynoSettingId_stepperSource})
            allowedOptions.insert(id, {0, 1, 2, 8, 12});
        allowedOptions.insert(DynoSettingId_ainPidSpSource, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_torquePidSpSource, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_torquePidSpSubtrahend, {0, 1, 2});
        allowedOptions.insert(DynoSettingId_pidDetails, {0, 1, 7, 11, 15});
        break;
    default:
        break;
    }
}

void DynoSettings::setOptionHidden(DynoSettingId id, int channel, int option, bool hidden)
{
    DynoSetting* setting = getSetting(id, channel);
    auto* combo = setting ? setting->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox) : nullptr;
    Tools::setComboBoxOptionHidden(combo, option, hidden);
}

void DynoSettings::arrangeFrequencyInputPages()
{
    QTabWidget* pages = frequencyInputPages;
    if (pages) {
        // Slots 3 to 5 are speed inputs 3 to 5: slot 2 is the engine-speed input.
        for (int position = 3; position <= 5; ++position) {
            if (position < pages->count())
                pages->setTabText(position, QString::number(position));
        }
        if (pages->count() > 2) {
            QWidget* engineSpeed = pages->widget(2);
            pages->removeTab(2);
            pages->insertTab(pages->count() - 1, engineSpeed, tr("Engine speed"));
        }
        // The reduced boards fit no slot 1.
        if (theHwInfo.deviceCode != DeviceCode_ZR5 && theHwInfo.liteVariant && pages->count() > 1)
            pages->removeTab(1);
        if (pages->count() > 0)
            pages->setTabText(pages->count() - 1, tr("Help"));
    }
    if (DynoSetting* mode = getSetting(DynoSettingId_freqInputMode, 2)) {
        if (auto* combo = mode->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox); combo && combo->count() > 1)
            combo->setItemText(1, tr("pulse count 10kHz - 100kHz"));
    }
}

void DynoSettings::restrictChannelOptions()
{
    // A channel copies settings only from a channel before it; options 1 to 4
    // are the 1-based channel numbers.
    const auto copyOnlyFromEarlier = [this](DynoSettingId id, int channel) {
        if (channel == 0) {
            if (DynoSetting* selector = getSetting(id, 0))
                selector->setValue(0);
            setSettingVisibility(id, false, 0);
            return;
        }
        for (int option = channel + 1; option <= 4; ++option)
            setOptionHidden(id, channel, option, true);
        fallBackFromHiddenOption(id, channel, 0);
    };

    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        // A roller cannot support itself.
        setOptionHidden(DynoSettingId_rollerSupportRoller, roller, roller + 1, true);
        fallBackFromHiddenOption(DynoSettingId_rollerSupportRoller, roller, 0);
        if (DynoSetting* loss = getSetting(DynoSettingId_rollerInternalLossModel, roller)) {
            if (auto* editor = loss->getWidgetHelper<DynoSettingsLossModelEditor>(SettingWidgetType_lossModelEditor))
                editor->setVariableLabel(QStringLiteral("ω"));
        }
        copyOnlyFromEarlier(DynoSettingId_accPidSyncSettingsCh, roller);
        copyOnlyFromEarlier(DynoSettingId_pidSyncSettingsCh, roller);
    }

    for (int cell = 0; cell < theHwInfo.loadCells; ++cell) {
        // The voltage check moved into the amplifier on the second generation,
        // which in turn has a selectable gain.
        if (theHwInfo.generation == 2) {
            setSettingVisibility(DynoSettingId_loadCellVoltageCheckHigh, false, cell);
            setSettingVisibility(DynoSettingId_loadCellVoltageCheckLow, false, cell);
        } else {
            setSettingVisibility(DynoSettingId_loadCellPgaGain, false, cell);
        }
        // A controller does not subtract its own load cell.
        setOptionHidden(DynoSettingId_torquePidSpSubtrahend, cell, cell + 2, true);
        fallBackFromHiddenOption(DynoSettingId_torquePidSpSubtrahend, cell, 0);
        copyOnlyFromEarlier(DynoSettingId_torquePidSyncSettingsCh, cell);
    }
}

void DynoSettings::setUpCurveEditor(DynoSettingId id, int channel, const QString& xLabel, const QString& yLabel,
                                    double yMax, const QList<QPointF>& defaultCurve)
{
    DynoSetting* setting = getSetting(id, channel);
    auto* curve = setting ? setting->getWidgetHelper<PointVectorEditor>(SettingWidgetType_pointVectorEditor) : nullptr;
    if (!curve)
        return;
    PointVectorEditorAxis* x = curve->axes[PointVectorField_x];
    PointVectorEditorAxis* y = curve->axes[PointVectorField_y];
    x->slot_setLabel(xLabel);
    x->slot_setQuantity(Quantity::RotationalSpeed);
    x->slot_setRangeSI(0.0, std::numeric_limits<double>::infinity());
    y->slot_setLabel(yLabel);
    y->slot_setQuantity(Quantity::Fraction);
    y->slot_setRangeSI(0.0, yMax);
    theSettings.connectPointVectorEditor(curve);
    if (curve->vector().isEmpty())
        curve->slot_setVector(defaultCurve);
}

void DynoSettings::setUpCurveEditors()
{
    // 10000 rpm, the top of the speed-dependent curves.
    constexpr double topSpeed = 1047.1975511965977;
    const QList<QPointF> flat{QPointF(0.0, 1.0), QPointF(topSpeed, 1.0)};
    for (int roller = 0; roller < theHwInfo.rollers; ++roller)
        setUpCurveEditor(DynoSettingId_pidSpeedCorrectionSens, roller, tr("Absorber speed"),
                         tr("Sensitivity correction"), 100.0, flat);
    for (int roller = 0; roller < theHwInfo.rollers; ++roller)
        setUpCurveEditor(DynoSettingId_accPidSpeedCorrectionSens, roller, tr("Absorber speed"),
                         tr("Sensitivity correction"), 100.0, flat);
    for (int cell = 0; cell < theHwInfo.loadCells; ++cell)
        setUpCurveEditor(DynoSettingId_torquePidSpeedCorrection, cell, tr("Absorber speed"), tr("Output correction"),
                         100.0, flat);
    // Engine noise at 0, 2000, 4000, 6000, 7000 and 10000 rpm.
    const QList<QPointF> noise{QPointF(0.0, 0.3),
                               QPointF(209.43951023931953, 0.3),
                               QPointF(418.87902047863906, 0.4),
                               QPointF(628.3185307179587, 0.6),
                               QPointF(733.0382858376183, 0.65),
                               QPointF(topSpeed, 0.7)};
    for (int input = 0; input < 2; ++input)
        setUpCurveEditor(DynoSettingId_audioKnockEngineNoise, input, tr("Engine speed"), tr("Engine noise"), 1.0,
                         noise);
}

void DynoSettings::adjustToBoardVariant()
{
    const auto setAndHide = [this](DynoSettingId id, const QVariant& value) {
        if (DynoSetting* setting = getSetting(id, 0)) {
            setting->setValue(value);
            setSettingVisibility(id, false, 0);
        }
    };
    // The reduced boards have one roller: nothing to support it, synchronise
    // with or slip against.
    if (theHwInfo.liteVariant) {
        setAndHide(DynoSettingId_rollerSupportRoller, 0);
        setAndHide(DynoSettingId_accPidSyncGain, 0.0);
        setAndHide(DynoSettingId_pidBrakingSlip, 1.0);
    }
    if (theHwInfo.deviceCode == DeviceCode_ZR6L)
        setAndHide(DynoSettingId_torquePidSpSubtrahend, 0);
    if (theHwInfo.deviceCode != DeviceCode_ZR6) {
        for (int output = 0; output < theHwInfo.mcuPwmOutputs; ++output) {
            for (const DynoSettingId id :
                 {DynoSettingId_hsOutputSource, DynoSettingId_hsOutputArgument, DynoSettingId_hsOutputInvert})
                setSettingVisibility(id, false, output);
        }
    } else {
        // Inputs 7 and up have no ratiometric reference.
        for (int input = 6; input < theHwInfo.analogInputs; ++input) {
            if (DynoSetting* ratiometric = getSetting(DynoSettingId_ainRatiometric, input))
                ratiometric->setValue(false);
            setSettingVisibility(DynoSettingId_ainRatiometric, false, input);
            showWizardButton(SettingWizardId_ainTemperatureSensor, input, false);
        }
    }
}
