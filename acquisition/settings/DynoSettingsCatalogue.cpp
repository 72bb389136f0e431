#include "DynoSettings.h"

#include "ACMTabWidget.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "functions/Argument.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <limits>

// The catalogue of dyno settings: every row of every setting group, in page
// order, registered once when the controller has confirmed its firmware, with
// the counts and option restrictions of the connected board.

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

QLabel* helpText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QLabel* helpPicture(const QString& path)
{
    auto* label = new QLabel;
    const QPixmap picture(path);
    if (picture.isNull())
        qDebug().noquote() << "Help picture missing:" << path;
    else
        label->setPixmap(picture);
    return label;
}

} // namespace

void DynoSettings::slot_initChannelsAndSettings()
{
    if (initialized.load(std::memory_order_acquire)) {
        qDebug() << "Settings already initialized once";
        return;
    }
    QElapsedTimer clock;
    clock.start();
    linkWaitNs = 0;
    linkStalled = false;

    theChannels.init();
    // The input pages register their channels before anything refers to them.
    for (const std::function<void()>& init :
         {links.initCanInputs, links.initInputChannels, links.initModbus, links.initUdsSetup, links.initFunctions}) {
        if (init)
            init();
    }
    // Alarm gates may name channels that exist only now.
    for (AbstractChannel* channel : theChannels.listAllChannels(static_cast<Quantity>(-1))) {
        if (channel && channel->setup && channel->setup->alarmGate)
            channel->setup->alarmGate->updateChannelPointer();
    }
    qDebug() << "Channels registered";

    fillAllowedOptions();

    for (QList<DynoSetting*>* list : std::as_const(settings)) {
        if (list)
            qDeleteAll(*list);
    }
    qDeleteAll(settings);
    settings = QList<QList<DynoSetting*>*>(DynoSettingIdCount, nullptr);
    pendingIds.clear();
    headers.clear();

    registerCatalogue();

    addComboBoxSlot(DynoSettingId_hpAinMode, &DynoSettings::slot_hpAinInputModeChanged);
    addComboBoxSlot(DynoSettingId_dynoType, &DynoSettings::slot_dynoTypeChanged);
    addComboBoxSlot(DynoSettingId_pwmMode, &DynoSettings::slot_pwmModeChanged);
    addComboBoxSlot(DynoSettingId_pwmSource, &DynoSettings::slot_pwmSourceChanged);
    addComboBoxSlot(DynoSettingId_lsOutputSource, &DynoSettings::slot_lsSourceChanged);
    addComboBoxSlot(DynoSettingId_hsOutputSource, &DynoSettings::slot_hsSourceChanged);
    addComboBoxSlot(DynoSettingId_analogOutputSource, &DynoSettings::slot_aoutSourceChanged);
    addComboBoxSlot(DynoSettingId_torquePidSpSource, &DynoSettings::slot_torquePidSpSourceChanged);
    addComboBoxSlot(DynoSettingId_torquePidSpSubtrahend, &DynoSettings::slot_torquePidSubtrahendSourceChanged);
    addComboBoxSlot(DynoSettingId_ainPidSpSource, &DynoSettings::slot_analogPidSpSourceChanged);
    addComboBoxSlot(DynoSettingId_freqInputSensor, &DynoSettings::slot_freqInputSensorChanged);
    addComboBoxSlot(DynoSettingId_freqInputMode, &DynoSettings::slot_freqInputModeChanged);
    addComboBoxSlot(DynoSettingId_stepperSource, &DynoSettings::slot_stepperSourceChanged);
    addComboBoxSlot(DynoSettingId_rollerSupportRoller, &DynoSettings::slot_supportRollerChanged);
    addComboBoxSlot(DynoSettingId_pidSyncSettingsCh, &DynoSettings::slot_pidSyncChChanged);
    addComboBoxSlot(DynoSettingId_accPidSyncSettingsCh, &DynoSettings::slot_accPIDSyncChChanged);
    addComboBoxSlot(DynoSettingId_torquePidSyncSettingsCh, &DynoSettings::slot_torquePIDSyncChChanged);

    arrangeFrequencyInputPages();
    restrictChannelOptions();
    setUpCurveEditors();
    adjustToBoardVariant();
    seedInstallerSettingsFromScenario();

    registrationMs = clock.elapsed();
    linkWaitMs = linkWaitNs / 1000000;
    initialized.store(true, std::memory_order_release);
    qDebug().noquote() << QStringLiteral("Dyno settings registered in %1 ms, %2 ms of it waiting for the MCU link")
                              .arg(registrationMs)
                              .arg(linkWaitMs);
    qDebug() << "Dyno settings ready";
    emit signal_settingsReady();
    if (links.updateBrakeControllerWidgets)
        links.updateBrakeControllerWidgets();
    if (linkStalled) {
        // After the start-up has gone on: the program is usable, the controller may not be.
        QTimer::singleShot(0, this, [] {
            Tools::showError(tr("The MCU link stopped taking the dyno settings.\n"
                                "Some of them may not have reached the controller; please restart the program."));
        });
    }
}

void DynoSettings::registerCatalogue()
{
    const HwInfo hw = theHwInfo;

    // Rows on no page: the RUN tab and the run physics read and write them.
    addSetting(DynoSettingId_freqInputClockFrequency, QStringLiteral("freqInputClockFrequency"),
               tr("Freq input clock frequency"), QString(), 1, SettingWidgetType_spinBox, 32000000, -inf, inf,
               Quantity::None, true, true);
    addSetting(DynoSettingId_lossModel, QStringLiteral("lossModel"), QStringLiteral("Speed based loss model"),
               QString(), 1, SettingWidgetType_lossModelEditor, QVariant(), 0, 0, Quantity::None, true, false);
    addSetting(DynoSettingId_engineSpeedSource, QStringLiteral("engineSpeedSource"), tr("Engine speed source"),
               QString(), 1, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, true, false);
    addSetting(DynoSettingId_engineSpeedRatio, QStringLiteral("engineSpeedRatio"), tr("Engine speed ratio"),
               tr("Engine rotational speed to Frequency input rotational speed ratio"), 1,
               SettingWidgetType_doubleSpinBox, 1.0, 1e-10, inf, Quantity::None, true, false);
    addSetting(DynoSettingId_slipEstimationCoefficient, QStringLiteral("slipEstimationCoefficient"),
               tr("Slip estimation coefficient"), tr("Defines slip amount per utilized tire grip"), 1,
               SettingWidgetType_doubleSpinBox, 0.05, 0.0, 1.0, Quantity::None, true, false);
    addSetting(DynoSettingId_engineSpeedCANChannel, QStringLiteral("engineSpeedCANChannel"),
               tr("Engine speed CAN channel"), QString(), 1, SettingWidgetType_lineEdit, QVariant(), 0, 0,
               Quantity::None, true, true);
    pendingIds.clear();

    addSetting(DynoSettingId_canEnableTerminator, QStringLiteral("can_%1_enableTerminator"), tr("Enable terminator"),
               tr("Enable built in 120Ohm terminating resistor"), hw.canBuses, SettingWidgetType_checkBox, false, 0,
               0, Quantity::None, false, false);
    addSetting(DynoSettingId_canSpeed, QStringLiteral("can_%1_speed"), tr("Speed"), QString(), hw.canBuses,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_canSendKX4ControlMessage, QStringLiteral("can_%1_sendKX4ControlMessage"),
               tr("Send KX4 control message"),
               tr("Enable sending control message for KX4 power supply on this channel"), hw.canBuses,
               SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("CAN interface"), QStringLiteral("canInterface"), hw.canBuses, 2,
                        {SettingWizardId_kx4Tool, SettingWizardId_canOpenTool, SettingWizardId_obdUdsAnalyzer,
                         SettingWizardId_canMonitor},
                        nullptr);

    addSetting(DynoSettingId_dynoType, QStringLiteral("dynoType"), tr("Dyno type"), QString(), 1,
               SettingWidgetType_comboBox, 1, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_internalLossModel, QStringLiteral("internalLossModel"),
               tr("Internal dyno speed loss model"),
               tr("Road speed based internal dyno losses to add to Power on Wheels"), 1,
               SettingWidgetType_lossModelEditor, QVariant(), 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_lossFromLoadFactor, QStringLiteral("lossFromLoadFactor"), tr("Loss from load factor"),
               tr("Power loss resulting from increased losses,\nwhen dyno is under load, as a fraction of engine power\n5 to 10 for roller chassis dyno"),
               1, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 0.5, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_pidDetails, QStringLiteral("pidDetails"), tr("PID details for"),
               tr("Show and log high resolution PID details for this controller"), 1, SettingWidgetType_comboBox, 0,
               0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_absorberLockValue, QStringLiteral("absorberLock_value"), tr("Absorber lock value"),
               tr("Absorber power when absorber lock function is active"), 1, SettingWidgetType_spinBoxWithUnit, 1.0,
               0.0, 1.0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_absorberLockRampTime, QStringLiteral("absorberLock_rampTime"),
               tr("Absorber lock ramp time"), tr("Time to reach maximum lock value after function activation"), 1,
               SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 10.0, Quantity::Time, false, false);
    insertSettingsGroupWithoutTabs(tr("General"), QStringLiteral("general"), {});

    addSetting(DynoSettingId_rollerDiameter, QStringLiteral("roller_%1_diameter"), tr("Roller diameter"),
               tr("Diameter of roller or hub dyno vehicle wheel"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 1.0,
               0.001, inf, Quantity::Distance, false, false);
    addSetting(DynoSettingId_rollerSpeedSource, QStringLiteral("roller_%1_speedSource"), tr("Speed source"),
               tr("Speed source for roller"), hw.rollers, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false,
               false);
    addSetting(DynoSettingId_rollerSupportRoller, QStringLiteral("roller_%1_supportRoller"), tr("Support roller"),
               tr("If this is a load roller, select other non braking roller,\nwhich provides support for the same vehicle axis"),
               hw.rollers, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_inertia, QStringLiteral("inertia_%1"), tr("Connected inertia"),
               tr("Inertia of elements rotating with the roller"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 0.0,
               0.0, inf, Quantity::Inertia, false, false);
    addSetting(DynoSettingId_rollerInternalLossModel, QStringLiteral("roller_%1_internalLossModel"),
               tr("Internal speed loss model"),
               tr("Rotational speed based internal roller losses to add to Power on Wheels\nUse 'Internal Loss Model Wizard' to calculate from road speed based losses"),
               hw.rollers, SettingWidgetType_lossModelEditor, QVariant(), 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Roller"), QStringLiteral("roller"), hw.rollers, 4,
                        {SettingWizardId_inertiaFallingMass, SettingWizardId_inertiaHardBraking,
                         SettingWizardId_inertiaGeometry, SettingWizardId_internalLossModel},
                        helpText(tr("Roller is a term used in the software for a primary part receiving power from a "
                                    "vehicle or directly from an engine.\nIn case of an engine dyno, roller is the "
                                    "dyno shaft that connects to the engine.\nIn case of a hub dyno, roller is the hub "
                                    "shaft.")));

    addSetting(DynoSettingId_freqInputTriggerEdge, QStringLiteral("freqInput_%1_triggerEdge"), tr("Trigger edge"),
               tr("Use falling for low side switched hall sensors (QM2, QM3)"), hw.mcuFreqSlots,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputMode, QStringLiteral("freqInput_%1_mode"), tr("Input mode (from RevE)"),
               tr("Use pulse capture for toothed wheel + QM2/QM3\npulse count needs to be used if your signal will exceed 15kHz"),
               hw.mcuFreqSlots, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputSensor, QStringLiteral("freqInput_%1_sensor"), tr("Sensor type"),
               tr("Roller speed sensor or sensor used for something else"), hw.mcuFreqSlots,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputFilter, QStringLiteral("freqInput_%1_filter"), tr("Frequency low pass filter"),
               tr("Filters noise from speed signal"), hw.mcuFreqSlots, SettingWidgetType_spinBoxWithUnit, 10.0, 0.02,
               1000.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_freqInputSpikeFilter, QStringLiteral("freqInput_%1_spikeFilter"), tr("Spike filter"),
               tr("You must have a clean signal and use this filter only in emergency!"), hw.mcuFreqSlots,
               SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputDiffFilter, QStringLiteral("freqInput_%1_diffFilter"),
               tr("Frequency change rate low pass filter"),
               tr("Filters noise from acceleration and in result from power and torque\nTypically, set to the same value as the load cell filter"),
               hw.mcuFreqSlots, SettingWidgetType_spinBoxWithUnit, 3.0, 0.02, 1000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_freqInputSignalsPerRotation, QStringLiteral("freqInput_%1_signalsPerRotation"),
               tr("Signals per rotation"), tr("Number of signals per one shaft rotation"), hw.mcuFreqSlots,
               SettingWidgetType_spinBox, 36, 1, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputNextEdgeRejectTime, QStringLiteral("freqInput_%1_nextEdgeRejectTime"),
               tr("Next edge rejection time"),
               tr("During this time, subsequent signals on the input will be ignored"), hw.mcuFreqSlots,
               SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 0.1, Quantity::Time, false, false);
    addSetting(DynoSettingId_freqInputMultiplier, QStringLiteral("freqInput_%1_multiplier"), tr("Speed multiplier"),
               tr("Non integer custom shaft speed multiplier"), hw.mcuFreqSlots, SettingWidgetType_doubleSpinBox, 1.0,
               1e-10, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputSensorName, QStringLiteral("freqInput_%1_sensorName"), tr("User name"),
               QString(), hw.mcuFreqSlots, SettingWidgetType_lineEdit, QVariant(), 0, 0, Quantity::None, false,
               false);
    addSetting(DynoSettingId_freqInputSensorQuantity, QStringLiteral("freqInput_%1_sensorQuantity"), tr("Quantity"),
               QString(), hw.mcuFreqSlots, SettingWidgetType_quantityComboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_freqInputSensorCharacteristic, QStringLiteral("freqInput_%1_sensorCharacteristic"),
               tr("Characteristic"), QString(), hw.mcuFreqSlots, SettingWidgetType_pointVectorEditor, QVariant(), 0,
               0, Quantity::None, false, false);
    insertSettingsGroup(tr("Frequency Input"), QStringLiteral("frequencyInput"), hw.mcuFreqSlots, 6, {},
                        helpText(tr("Engine speed input is used for an additional, optional engine speed signal.\nIn "
                                    "engine dyno, if only one speed signal is used, it should be connected to "
                                    "frequency input 1.\nOptionally if engine speed is used as a primary speed "
                                    "signal, change the 'Speed source' setting in roller setup.")));
    frequencyInputPages = qobject_cast<QTabWidget*>(tabWidget->widget(tabWidget->count() - 1));
    setupFreqChannelConfiguration(hw.mcuFreqSlots);

    addSetting(DynoSettingId_loadCellRoller, QStringLiteral("loadCell_%1_roller"), tr("Measures torque on"),
               QString(), hw.loadCells, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_loadCellFilter, QStringLiteral("loadCell_%1_filter"), tr("Low pass filter"),
               tr("Filters noise from load cell.\nTypically, set the same as 'Frequency change rate' filter in frequency input"),
               hw.loadCells, SettingWidgetType_spinBoxWithUnit, 3.0, 0.02, 1000.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_loadCellVoltageCheckLow, QStringLiteral("loadCell_%1_voltageCheckLow"),
               tr("Low voltage alarm threshold"),
               tr("Checks load cell signal before filter to alarm possible clipping\nKX1: 1.2V, PMV1: 1.2V"),
               hw.loadCells, SettingWidgetType_spinBoxWithUnit, 1.2, 0.0, 5.0, Quantity::Voltage, false, false);
    addSetting(DynoSettingId_loadCellVoltageCheckHigh, QStringLiteral("loadCell_%1_voltageCheckHigh"),
               tr("High voltage alarm threshold"),
               tr("Checks load cell signal before filter to alarm possible clipping\nKX1: 3.8V, PMV1: 4.9V"),
               hw.loadCells, SettingWidgetType_spinBoxWithUnit, 4.9, 0.0, 5.0, Quantity::Voltage, false, false);
    addSetting(DynoSettingId_loadCellPgaGain, QStringLiteral("loadCell_%1_pgaGain"), tr("Internal amplifier gain"),
               tr("Default setting 128 is suitable for cell sensitivity up to 3mV/V"), hw.loadCells,
               SettingWidgetType_comboBox, 7, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_loadCellDirection, QStringLiteral("loadCell_%1_direction"), tr("Direction"), QString(),
               hw.loadCells, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Load Cell Setup"), QStringLiteral("loadCellSetup"), hw.loadCells, 4, {}, nullptr);

    addSetting(DynoSettingId_loadCellA, QStringLiteral("loadCell_%1_a"), tr("Gain a"),
               tr("Torque[Nm] = Input * a + b"), hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, -inf, inf,
               Quantity::None, false, false);
    addSetting(DynoSettingId_loadCellB, QStringLiteral("loadCell_%1_b"), tr("Offset b [Nm]"),
               tr("Torque[Nm] = Input * a + b"), hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, -inf, inf,
               Quantity::None, false, false);
    addSetting(DynoSettingId_loadCellAutomaticOffset, QStringLiteral("loadCell_%1_automaticOffset"),
               tr("Automatic offset calibration"),
               tr("Automatically compensate offset drift when roller is stationary"), hw.loadCells,
               SettingWidgetType_checkBox, true, 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Load Cell Calib."), QStringLiteral("loadCellCalibration"), hw.loadCells, 4,
                        {SettingWizardId_loadCellArmAndWeight, SettingWizardId_loadCellNominal,
                         SettingWizardId_loadCellZeroOffset},
                        nullptr);

    addSetting(DynoSettingId_hpAinMode, QStringLiteral("hpAin_%1_mode"), tr("Input mode"), QString(),
               hw.hpAnalogInputs, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_hpAinDifferential, QStringLiteral("hpAin_%1_differential"), tr("Differential mode"),
               tr("If checked, measures between two inputs.\nUnchecked measures between input and ground.\nMeasuring temperatures below ambient temperatures with K-Type needs this checked."),
               hw.hpAnalogInputs, SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_hpAinName, QStringLiteral("hpAin_%1_name"), tr("User name"), QString(),
               hw.hpAnalogInputs, SettingWidgetType_lineEdit, QVariant(), 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_hpAinUnitType, QStringLiteral("hpAin_%1_unitType"), tr("Quantity"), QString(),
               hw.hpAnalogInputs, SettingWidgetType_quantityComboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_hpAinCharacteristic, QStringLiteral("hpAin_%1_characteristic"), tr("Characteristic"),
               QString(), hw.hpAnalogInputs, SettingWidgetType_pointVectorEditor, QVariant(), 0, 0, Quantity::None,
               false, false);
    addSetting(DynoSettingId_hpAinFilter, QStringLiteral("hpAin_%1_filter"), tr("Low pass filter"), QString(),
               hw.hpAnalogInputs, SettingWidgetType_spinBoxWithUnit, 10.0, 0.02, 1000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_hpAinCalibration, QStringLiteral("hpAin_%1_calibration"), tr("Calibration"),
               tr("Custom offset calibration"), hw.hpAnalogInputs, SettingWidgetType_spinBoxWithUnit, 0.0, -0.5, 0.5,
               Quantity::Voltage, false, false);
    insertSettingsGroup(tr("High Prec. Analog In"), QStringLiteral("highPrecisionAnalogInput"), hw.hpAnalogInputs, 8,
                        {SettingWizardId_hpAinTemperatureSensor}, nullptr);
    setupAinChannelConfiguration(ChannelId_hpAin, DynoSettingId_hpAinName, DynoSettingId_hpAinUnitType,
                                 DynoSettingId_hpAinCharacteristic, hw.hpAnalogInputs, -5.0);

    addSetting(DynoSettingId_ainName, QStringLiteral("ain_%1_name"), tr("User name"), QString(), hw.analogInputs,
               SettingWidgetType_lineEdit, QVariant(), 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_ainUnitType, QStringLiteral("ain_%1_unitType"), tr("Quantity"), QString(),
               hw.analogInputs, SettingWidgetType_quantityComboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_ainCharacteristic, QStringLiteral("ain_%1_characteristic"), tr("Characteristic"),
               QString(), hw.analogInputs, SettingWidgetType_pointVectorEditor, QVariant(), 0, 0, Quantity::None,
               false, false);
    addSetting(DynoSettingId_ainFilter, QStringLiteral("ain_%1_filter"), tr("Low pass filter"), QString(),
               hw.analogInputs, SettingWidgetType_spinBoxWithUnit, 10.0, 0.02, 1000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_ainCalibration, QStringLiteral("ain_%1_calibration"), tr("Calibration"),
               tr("Custom offset calibration"), hw.analogInputs, SettingWidgetType_spinBoxWithUnit, 0.0, -0.5, 0.5,
               Quantity::Voltage, false, false);
    addSetting(DynoSettingId_ainRatiometric, QStringLiteral("ain_%1_ratiometric"), tr("Ratiometric (+5V)"),
               tr("Correction for ratiometric sensor with +5V reference"), hw.analogInputs,
               SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Analog Input"), QStringLiteral("analogInput"), hw.analogInputs, 12,
                        {SettingWizardId_ainTemperatureSensor, SettingWizardId_openChannelSetup,
                         SettingWizardId_exportSensorPreset, SettingWizardId_importSensorPreset},
                        nullptr);
    setupAinChannelConfiguration(ChannelId_ain, DynoSettingId_ainName, DynoSettingId_ainUnitType,
                                 DynoSettingId_ainCharacteristic, hw.analogInputs, 0.0);

    addHeader(tr("PWM module"));
    addSetting(DynoSettingId_pwmMode, QStringLiteral("pwm_%1_mode"), tr("Mode"), QString(), hw.mcuPwmOutputs,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_pwmSource, QStringLiteral("pwm_%1_source"), tr("Source"), QString(), hw.mcuPwmOutputs,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_pwmArgument, QStringLiteral("pwm_%1_argument"), tr("Argument"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_argumentWidget, QVariant(), 0, 0, Quantity::Fraction, false,
               false);
    addSetting(DynoSettingId_pwmFrequency, QStringLiteral("pwm_%1_frequency"), tr("Frequency"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_spinBoxWithUnit, 1000.0, 0.1, 10000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_pwmRangeMin, QStringLiteral("pwm_%1_rangeMin"), tr("Min duty cycle"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 1.0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_pwmRangeMax, QStringLiteral("pwm_%1_rangeMax"), tr("Max duty cycle"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_spinBoxWithUnit, 1.0, 0.0, 1.0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_pwmFreqMin, QStringLiteral("pwm_%1_freqMin"), tr("Min frequency"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 10000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_pwmFreqMax, QStringLiteral("pwm_%1_freqMax"), tr("Max frequency"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_spinBoxWithUnit, 1000.0, 0.0, 10000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_pwmStepperMotorId, QStringLiteral("pwm_%1_stepperMotorId"), tr("Stepper motor id"),
               QString(), hw.mcuPwmOutputs, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addHeader(tr("Low side output"));
    addSetting(DynoSettingId_lsOutputSource, QStringLiteral("lsOutput_%1_source"), tr("Source"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_comboBox, 1, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_lsOutputArgument, QStringLiteral("lsOutput_%1_argument"), tr("Argument"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_argumentWidget, QVariant(), 0, 0, Quantity::Logic, false, false);
    addSetting(DynoSettingId_lsOutputInvert, QStringLiteral("lsOutput_%1_invert"), tr("Invert"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    // Only this board has high-side outputs; elsewhere their rows stay on the page, hidden.
    if (hw.deviceCode == DeviceCode_ZR6)
        addHeader(tr("High side output"));
    addSetting(DynoSettingId_hsOutputSource, QStringLiteral("hsOutput_%1_source"), tr("Source"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_hsOutputArgument, QStringLiteral("hsOutput_%1_argument"), tr("Argument"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_argumentWidget, QVariant(), 0, 0, Quantity::Logic, false, false);
    addSetting(DynoSettingId_hsOutputInvert, QStringLiteral("hsOutput_%1_invert"), tr("Invert"), QString(),
               hw.mcuPwmOutputs, SettingWidgetType_checkBox, false, 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("PWM output"), QStringLiteral("pwm"), hw.mcuPwmOutputs, 4, {SettingWizardId_rcServoPulse},
                        nullptr);

    addSetting(DynoSettingId_stepperSource, QStringLiteral("stepper_%1_source"), tr("Position source"), QString(), 2,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_stepperArgument, QStringLiteral("stepper_%1_argument"), tr("Argument"), QString(), 2,
               SettingWidgetType_argumentWidget, QVariant(), 0, 0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_stepperZeroHoming, QStringLiteral("stepper_%1_zeroHoming"), tr("Zero homing strategy"),
               QString(), 2, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_stepperStepCount, QStringLiteral("stepper_%1_stepCount"), tr("0% to 100% step count"),
               QString(), 2, SettingWidgetType_spinBox, 1, 1, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_stepperMinFrequency, QStringLiteral("stepper_%1_minFrequency"), tr("Min frequency"),
               QString(), 2, SettingWidgetType_spinBoxWithUnit, 200.0, 10.0, 10000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_stepperMaxFrequency, QStringLiteral("stepper_%1_maxFrequency"), tr("Max frequency"),
               QString(), 2, SettingWidgetType_spinBoxWithUnit, 1000.0, 10.0, 10000.0, Quantity::Frequency, false,
               false);
    addSetting(DynoSettingId_stepperAcceleration, QStringLiteral("stepper_%1_acceleration"), tr("Acceleration rate"),
               QString(), 2, SettingWidgetType_spinBoxWithUnit, 10000.0, 1.0, 1e30, Quantity::FrequencyRate, false,
               false);
    insertSettingsGroup(tr("Stepper motor"), QStringLiteral("stepperMotor"), 2, 2, {SettingWizardId_stepperAdjust},
                        nullptr);

    addSetting(DynoSettingId_analogOutputSource, QStringLiteral("analogOutput_%1_source"), tr("Signal source"),
               QString(), hw.analogOutputs, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_analogOutputArgument, QStringLiteral("analogOutput_%1_argument"),
               tr("Argument (fraction of range)"), QString(), hw.analogOutputs, SettingWidgetType_argumentWidget,
               QVariant(), 0, 0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_analogOutputRangeMin, QStringLiteral("analogOutput_%1_rangeMin"),
               tr("Min output voltage"), QString(), hw.analogOutputs, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0,
               10.0, Quantity::Voltage, false, false);
    addSetting(DynoSettingId_analogOutputRangeMax, QStringLiteral("analogOutput_%1_rangeMax"),
               tr("Max output voltage"), QString(), hw.analogOutputs, SettingWidgetType_spinBoxWithUnit, 10.0, 0.0,
               10.0, Quantity::Voltage, false, false);
    insertSettingsGroup(tr("Analog output"), QStringLiteral("analogOutput"), hw.analogOutputs, 4, {}, nullptr);

    addSetting(DynoSettingId_accPidRelayAmplitude, QStringLiteral("accPID_%1_relayAmplitude"), QString(), QString(),
               hw.rollers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, 1.0, Quantity::None, true, true);
    addSetting(DynoSettingId_accPidSyncSettingsCh, QStringLiteral("accPID_%1_syncSettingsCh"),
               tr("Copy settings from channel"), QString(), hw.rollers, SettingWidgetType_comboBox, 0, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKFF, QStringLiteral("accPID_%1_kFF"), tr("kFF"),
               tr("Feed forward gain (from RUN setup)"), hw.rollers, SettingWidgetType_doubleSpinBox, 1.0, 0.0, inf,
               Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKP, QStringLiteral("accPID_%1_kP"), tr("kP"), tr("Proportional term gain"),
               hw.rollers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKI, QStringLiteral("accPID_%1_kI"), tr("kI"), tr("Integral term gain"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKDFast, QStringLiteral("accPID_%1_kDFast"), tr("kD Fast"),
               tr("Derivative term gain (after only error filter)"), hw.rollers, SettingWidgetType_doubleSpinBox, 0.0,
               0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKD, QStringLiteral("accPID_%1_kD"), tr("kD Slow"),
               tr("Derivative term gain filtered (after error derivative filter)"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidKFilter, QStringLiteral("accPID_%1_kFilter"), tr("Input filter frequency"),
               tr("Error filter"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 20.0, 1.0, 200.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_accPidKDFilter, QStringLiteral("accPID_%1_kDFilter"), tr("kD filter frequency"),
               tr("Error derivative filter"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 5.0, 0.5, 200.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_accPidSyncGain, QStringLiteral("accPID_%1_syncGain"), tr("Synchronization gain"),
               tr("Speed synchronization gain") + QStringLiteral(" (0.01)"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidNotchEnable, QStringLiteral("accPID_%1_notchEnable"),
               tr("Enable adaptive notch filter"), QString(), hw.rollers, SettingWidgetType_checkBox, true, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_accPidNotchWidth, QStringLiteral("accPID_%1_notchWidth"),
               tr("Adaptive notch filter width"), QString(), hw.rollers, SettingWidgetType_doubleSpinBox, 0.2, 0.01,
               1.0, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidFixedNotch1Enable, QStringLiteral("accPID_%1_fixedNotch1Enable"),
               tr("Enable fixed notch filter 1"), QString(), hw.rollers, SettingWidgetType_checkBox, false, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_accPidFixedNotch1Width, QStringLiteral("accPID_%1_fixedNotch1Width"),
               tr("Fixed notch filter 1 width"), QString(), hw.rollers, SettingWidgetType_doubleSpinBox, 0.02, 0.01,
               1.0, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidFixedNotch1Freq, QStringLiteral("accPID_%1_fixedNotch1Freq"),
               tr("Fixed notch filter 1 frequency"), QString(), hw.rollers, SettingWidgetType_spinBoxWithUnit, 50.0,
               0.1, 200.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_accPidFixedNotch2Enable, QStringLiteral("accPID_%1_fixedNotch2Enable"),
               tr("Enable fixed notch filter 2"), QString(), hw.rollers, SettingWidgetType_checkBox, false, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_accPidFixedNotch2Width, QStringLiteral("accPID_%1_fixedNotch2Width"),
               tr("Fixed notch filter 2 width"), QString(), hw.rollers, SettingWidgetType_doubleSpinBox, 0.8, 0.01,
               1.0, Quantity::None, false, false);
    addSetting(DynoSettingId_accPidFixedNotch2Freq, QStringLiteral("accPID_%1_fixedNotch2Freq"),
               tr("Fixed notch filter 2 frequency"), QString(), hw.rollers, SettingWidgetType_spinBoxWithUnit, 3.0,
               0.1, 200.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_accPidRampLimit, QStringLiteral("accPID_%1_rampLimit"), tr("Deceleration limit"),
               tr("Deceleration limit to reduce mechanical load on drivetrain"), hw.rollers,
               SettingWidgetType_spinBoxWithUnit, 10.471975511965978, 0.0, inf, Quantity::RotationalAcceleration,
               false, false);
    addSetting(DynoSettingId_accPidSpeedCorrectionSens, QStringLiteral("accPID_%1_speedCorrectionSens"),
               tr("Speed sensitivity correction"), QString(), hw.rollers, SettingWidgetType_pointVectorEditor,
               QVariant(), 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Acceleration control"), QStringLiteral("accelerationControl"), hw.rollers, 4,
                        {SettingWizardId_tuneAccPid, SettingWizardId_copySpeedPidToAccPid},
                        helpPicture(QStringLiteral(":/resources/help/ZR5 control systems-Acceleration controller.png")));

    addSetting(DynoSettingId_pidRelayAmplitude, QStringLiteral("pid_%1_relayAmplitude"), QString(), QString(),
               hw.rollers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, 1.0, Quantity::None, true, true);
    addSetting(DynoSettingId_pidSyncSettingsCh, QStringLiteral("pid_%1_syncSettingsCh"),
               tr("Copy settings from channel"), QString(), hw.rollers, SettingWidgetType_comboBox, 0, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_pidKFF, QStringLiteral("pid_%1_kFF"), tr("kFF"), tr("Feed forward gain"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 1.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKP, QStringLiteral("pid_%1_kP"), tr("kP"), tr("Proportional term gain"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKI, QStringLiteral("pid_%1_kI"), tr("kI"), tr("Integral term gain"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKDFast, QStringLiteral("pid_%1_kDFast"), tr("kD Fast"),
               tr("Derivative term gain (after only error filter)"), hw.rollers, SettingWidgetType_doubleSpinBox, 0.0,
               0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKD, QStringLiteral("pid_%1_kD"), tr("kD Slow"),
               tr("Derivative term gain filtered (after error derivative filter)"), hw.rollers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKDD, QStringLiteral("pid_%1_kDD"), tr("kDD"), tr("Second derivative term gain"),
               hw.rollers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_pidKFilter, QStringLiteral("pid_%1_kFilter"), tr("Input filter frequency"),
               tr("Error filter"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 20.0, 1.0, 1000.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_pidKDFilter, QStringLiteral("pid_%1_kDFilter"), tr("kD filter frequency"),
               tr("Error derivative filter"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 5.0, 0.5, 200.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_pidKDDFilter, QStringLiteral("pid_%1_kDDFilter"), tr("kDD filter frequency"),
               tr("Error second derivative filter"), hw.rollers, SettingWidgetType_spinBoxWithUnit, 5.0, 0.5, 200.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_pidNotchEnable, QStringLiteral("pid_%1_notchEnable"), tr("Enable adaptive notch filter"),
               QString(), hw.rollers, SettingWidgetType_checkBox, true, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_pidNotchWidth, QStringLiteral("pid_%1_notchWidth"), tr("Adaptive notch filter width"),
               QString(), hw.rollers, SettingWidgetType_doubleSpinBox, 0.2, 0.01, 1.0, Quantity::None, false, false);
    addSetting(DynoSettingId_pidFixedNotch1Enable, QStringLiteral("pid_%1_fixedNotch1Enable"),
               tr("Enable fixed notch filter 1"), QString(), hw.rollers, SettingWidgetType_checkBox, false, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_pidFixedNotch1Width, QStringLiteral("pid_%1_fixedNotch1Width"),
               tr("Fixed notch filter 1 width"), QString(), hw.rollers, SettingWidgetType_doubleSpinBox, 0.8, 0.01,
               1.0, Quantity::None, false, false);
    addSetting(DynoSettingId_pidFixedNotch1Freq, QStringLiteral("pid_%1_fixedNotch1Freq"),
               tr("Fixed notch filter 1 frequency"), QString(), hw.rollers, SettingWidgetType_spinBoxWithUnit, 3.0,
               0.1, 200.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_pidRampLimit, QStringLiteral("pid_%1_rampLimit"), tr("Deceleration limit"),
               tr("Deceleration ramp limit to reduce mechanical load on drivetrain"), hw.rollers,
               SettingWidgetType_spinBoxWithUnit, 10.471975511965978, 0.0, inf, Quantity::RotationalAcceleration,
               false, false);
    addSetting(DynoSettingId_pidBrakingSlip, QStringLiteral("pid_%1_brakingSlip"), tr("Max roller speed slip"),
               tr("This controller min target = fastest target * (1 - slip)"), hw.rollers,
               SettingWidgetType_spinBoxWithUnit, 1.0, 0.001, 1.0, Quantity::Fraction, false, false);
    addSetting(DynoSettingId_pidSpeedCorrectionSens, QStringLiteral("pid_%1_speedCorrectionSens"),
               tr("Speed sensitivity correction"), QString(), hw.rollers, SettingWidgetType_pointVectorEditor,
               QVariant(), 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Speed control"), QStringLiteral("speedControl"), hw.rollers, 4,
                        {SettingWizardId_tuneSpeedPid}, helpPicture(QStringLiteral(":/resources/help/ZR5 control systems-Speed controller.png")));

    addSetting(DynoSettingId_torquePidRelayAmplitude, QStringLiteral("torquePID_%1_relayAmplitude"), QString(),
               QString(), hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, 0.0, 1.0, Quantity::None, true, true);
    addSetting(DynoSettingId_torquePidSyncSettingsCh, QStringLiteral("torquePID_%1_syncSettingsCh"),
               tr("Copy settings from channel"), QString(), hw.loadCells, SettingWidgetType_comboBox, 0, 0, 0,
               Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidSpRange, QStringLiteral("torquePID_%1_spRange"), tr("Setpoint range"),
               tr("Set to torque available from the absorber"), hw.loadCells, SettingWidgetType_spinBoxWithUnit,
               1000.0, 0.0, inf, Quantity::Torque, false, false);
    addSetting(DynoSettingId_torquePidSpSource, QStringLiteral("torquePID_%1_spSource"), tr("Setpoint source"),
               QString(), hw.loadCells, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidSpArgument, QStringLiteral("torquePID_%1_spArgument"), tr("Setpoint channel"),
               QString(), hw.loadCells, SettingWidgetType_argumentWidget, QVariant(), 0, 0, Quantity::Fraction, false,
               false);
    addSetting(DynoSettingId_torquePidSpSubtrahend, QStringLiteral("torquePID_%1_spSubtrahend"),
               tr("Setpoint subtrahend"), tr("Reduce controller setpoint by this value"), hw.loadCells,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidSpSubtrahendConstant, QStringLiteral("torquePID_%1_spSubtrahendConstant"),
               tr("Subtrahend constant"), QString(), hw.loadCells, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, inf,
               Quantity::Torque, false, false);
    addSetting(DynoSettingId_torquePidKFF, QStringLiteral("torquePID_%1_kFF"), tr("kFF"), tr("Feed forward gain"),
               hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidKP, QStringLiteral("torquePID_%1_kP"), tr("kP"), tr("Proportional term gain"),
               hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidKI, QStringLiteral("torquePID_%1_kI"), tr("kI"), tr("Integral term gain"),
               hw.loadCells, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidKDFast, QStringLiteral("torquePID_%1_kDFast"), tr("kD Fast"),
               tr("Derivative term gain (after only error filter)"), hw.loadCells, SettingWidgetType_doubleSpinBox,
               0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidKD, QStringLiteral("torquePID_%1_kD"), tr("kD Slow"),
               tr("Derivative term gain filtered (after error derivative filter)"), hw.loadCells,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidKFilter, QStringLiteral("torquePID_%1_kFilter"), tr("Input filter frequency"),
               tr("Error filter"), hw.loadCells, SettingWidgetType_spinBoxWithUnit, 20.0, 1.0, 1000.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_torquePidKDFilter, QStringLiteral("torquePID_%1_kDFilter"), tr("kD filter frequency"),
               tr("Error derivative filter"), hw.loadCells, SettingWidgetType_spinBoxWithUnit, 10.0, 0.5, 200.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_torquePidDisableFBInSpeedAndAcc, QStringLiteral("torquePID_%1_disableFBInSpeedAndAcc"),
               tr("Disable feedback in speed and acc modes"), QString(), hw.loadCells, SettingWidgetType_checkBox,
               false, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidZeroOutputOn0SP, QStringLiteral("torquePID_%1_zeroOutputOn0SP"),
               tr("Zero output when SP==0"), tr("This will speed up total torque removal"), hw.loadCells,
               SettingWidgetType_checkBox, true, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidLinearization, QStringLiteral("torquePID_%1_linearization"),
               tr("Linearization function"), tr("Select x^(2/3) for eddy current brakes and KX4"), hw.loadCells,
               SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_torquePidSpeedCorrection, QStringLiteral("torquePID_%1_speedCorrection"),
               tr("Speed correction"), QString(), hw.loadCells, SettingWidgetType_pointVectorEditor, QVariant(), 0, 0,
               Quantity::None, false, false);
    insertSettingsGroup(tr("Torque control"), QStringLiteral("torqueControl"), hw.loadCells, 4,
                        {SettingWizardId_tuneTorquePid}, helpPicture(QStringLiteral(":/resources/help/ZR5 control systems-Torque controller.png")));

    addSetting(DynoSettingId_ainPidRelayAmplitude, QStringLiteral("ainPID_%1_relayAmplitude"), QString(), QString(),
               hw.analogInputControllers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, 1.0, Quantity::None, true, true);
    addSetting(DynoSettingId_ainPidSpSource, QStringLiteral("ainPID_%1_spSource"), tr("Setpoint source"), QString(),
               hw.analogInputControllers, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_ainPidSpArgument, QStringLiteral("ainPID_%1_spArgument"), tr("Setpoint channel"),
               QString(), hw.analogInputControllers, SettingWidgetType_argumentWidget, QVariant(), 0, 0,
               Quantity::Fraction, false, false);
    addSetting(DynoSettingId_ainPidSpMin, QStringLiteral("ainPID_%1_spMin"), tr("Setpoint min voltage"), QString(),
               hw.analogInputControllers, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 5.0, Quantity::Voltage, false,
               false);
    addSetting(DynoSettingId_ainPidSpMax, QStringLiteral("ainPID_%1_spMax"), tr("Setpoint max voltage"), QString(),
               hw.analogInputControllers, SettingWidgetType_spinBoxWithUnit, 5.0, 0.0, 5.0, Quantity::Voltage, false,
               false);
    addSetting(DynoSettingId_ainPidKFF, QStringLiteral("ainPID_%1_kFF"), tr("kFF"), tr("Feed forward gain"),
               hw.analogInputControllers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false,
               false);
    addSetting(DynoSettingId_ainPidKP, QStringLiteral("ainPID_%1_kP"), tr("kP"), tr("Proportional term gain"),
               hw.analogInputControllers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false,
               false);
    addSetting(DynoSettingId_ainPidKI, QStringLiteral("ainPID_%1_kI"), tr("kI"), tr("Integral term gain"),
               hw.analogInputControllers, SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false,
               false);
    addSetting(DynoSettingId_ainPidKDFast, QStringLiteral("ainPID_%1_kDFast"), tr("kD Fast"),
               tr("Derivative term gain (after only error filter)"), hw.analogInputControllers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_ainPidKD, QStringLiteral("ainPID_%1_kD"), tr("kD Slow"),
               tr("Derivative term gain filtered (after error derivative filter)"), hw.analogInputControllers,
               SettingWidgetType_doubleSpinBox, 0.0, 0.0, inf, Quantity::None, false, false);
    addSetting(DynoSettingId_ainPidKFilter, QStringLiteral("ainPID_%1_kFilter"), tr("Input filter frequency"),
               tr("Error filter"), hw.analogInputControllers, SettingWidgetType_spinBoxWithUnit, 100.0, 1.0, 1000.0,
               Quantity::Frequency, false, false);
    addSetting(DynoSettingId_ainPidKDFilter, QStringLiteral("ainPID_%1_kDFilter"), tr("kD filter frequency"),
               tr("Error derivative filter"), hw.analogInputControllers, SettingWidgetType_spinBoxWithUnit, 10.0, 0.1,
               200.0, Quantity::Frequency, false, false);
    insertSettingsGroup(tr("Analog in control"), QStringLiteral("analogInControl"), hw.analogInputControllers, 6,
                        {SettingWizardId_tuneAinPid}, helpPicture(QStringLiteral(":/resources/help/ZR5 control systems-Analog in controller.png")));

    addSetting(DynoSettingId_audioRecord, QStringLiteral("audio_%1_record"), tr("Record audio stream *"),
               tr("Requires a lot of disk space and memory to analyze run"), 2, SettingWidgetType_checkBox, false, 0,
               0, Quantity::None, false, false);
    addSetting(DynoSettingId_audioProcessLive, QStringLiteral("audio_%1_processLive"),
               tr("Process audio in real time"), tr("Enable audio processing system"), 2, SettingWidgetType_checkBox,
               false, 0, 0, Quantity::None, false, false);
    addSetting(DynoSettingId_audioPlayback, QStringLiteral("audio_%1_playback"), tr("Playback"),
               tr("Process audio needs to be checked"), 2, SettingWidgetType_comboBox, 0, 0, 0, Quantity::None, false,
               false);
    addSetting(DynoSettingId_audioKnockFrequency, QStringLiteral("audio_%1_knock_frequency"),
               tr("Input bandpass filter frequency"), QString(), 2, SettingWidgetType_spinBoxWithUnit, 6000.0, 1.0,
               23000.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_audioKnockFilterShape, QStringLiteral("audio_%1_knock_filterShape"),
               tr("Input bandpass filter shape (Q)"), tr("Increase to get narrower pass band (2.3 default)"), 2,
               SettingWidgetType_doubleSpinBox, 2.3, 0.1, 1000.0, Quantity::None, false, false);
    addSetting(DynoSettingId_audioKnockGain, QStringLiteral("audio_%1_knock_gain"), tr("Signal gain"),
               tr("Adjust so the signal during no knock operation won't exceed 60%."), 2,
               SettingWidgetType_doubleSpinBox, 1.0, 0.01, 100.0, Quantity::None, false, false);
    addSetting(DynoSettingId_audioKnockLevelFilter, QStringLiteral("audio_%1_knock_levelFilter"),
               tr("Input filter frequency"), tr("Set lower frequency to filter out noise."), 2,
               SettingWidgetType_spinBoxWithUnit, 4000.0, 100.0, 10000.0, Quantity::Frequency, false, false);
    addSetting(DynoSettingId_audioKnockEngineNoise, QStringLiteral("audio_%1_knock_engineNoise"), tr("Engine noise"),
               tr("Normal engine noise level, that won't be interpreted as knock"), 2,
               SettingWidgetType_pointVectorEditor, QVariant(), 0, 0, Quantity::None, false, false);
    insertSettingsGroup(tr("Audio input"), QStringLiteral("audioInput"), 2, 2,
                        {SettingWizardId_knockFrequency, SettingWizardId_knockEngineNoise,
                         SettingWizardId_audioSettingsFromLastRun},
                        nullptr);
}
