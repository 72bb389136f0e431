#include "DynoSettings.h"


// The two fixed tables of the registry: the option texts of the combo-box
// settings, and the byte addresses of the MCU configuration words that the
// addressed settings are written to (the link sends address / 4).

namespace {

QStringList numbered(const QString& pattern, int first, int last)
{
    QStringList texts;
    for (int n = first; n <= last; ++n)
        texts.append(pattern.arg(n));
    return texts;
}

} // namespace

void DynoSettings::fillOptionListsAndAddresses()
{
    const QString none = QStringLiteral("-");
    const auto set = [this](DynoSettingId id, const QStringList& options) {
        delete optionLists.value(id);
        optionLists.insert(id, new QStringList(options));
    };

    const QStringList rollers = QStringList{none} + numbered(tr("roller %1"), 1, 4);
    const QStringList sources = QStringList{none, tr("argument")} + numbered(tr("analog in controller %1 output"), 1, 6)
                                + numbered(tr("torque controller %1 output"), 1, 4)
                                + numbered(tr("speed / acc. controller %1 output / manual torque"), 1, 4);
    const QStringList channels{none, tr("1"), tr("2"), tr("3"), tr("4")};
    const QStringList outputSources{none, tr("PWM module"), tr("argument")};

    set(DynoSettingId_freqInputTriggerEdge, {tr("falling"), tr("rising")});
    set(DynoSettingId_freqInputMode, {tr("pulse capture 15mHz - 15kHz"), tr("pulse count 10kHz - 10MHz")});
    set(DynoSettingId_freqInputSensor, {tr("shaft speed sensor"), tr("general purpose sensor")});
    set(DynoSettingId_loadCellRoller, rollers);
    set(DynoSettingId_loadCellPgaGain, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"),
                                        QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("32"),
                                        QStringLiteral("64"), QStringLiteral("128")});
    set(DynoSettingId_loadCellDirection, {tr("auto"), tr("forward"), tr("reverse")});
    set(DynoSettingId_hpAinMode, {tr("5V range"), tr("4V range"), tr("2V range"), tr("1V range"), tr("500mV range"),
                                  tr("250mV range"), tr("K-type thermocouple")});
    set(DynoSettingId_dynoType, {tr("engine"), tr("roller"), tr("hub")});
    set(DynoSettingId_pidDetails, QStringList{none} + numbered(tr("analog in controller %1"), 1, 6)
                                      + numbered(tr("torque controller %1"), 1, 4)
                                      + numbered(tr("speed controller %1"), 1, 4)
                                      + numbered(tr("acc. controller %1"), 1, 4));
    set(DynoSettingId_engineSpeedSource,
        {tr("calculated"), tr("eng. speed in"), tr("OBD"), tr("CAN channel"), tr("VP_engineSpeed")});
    set(DynoSettingId_rollerSpeedSource, {tr("frequency input"), tr("engine speed input"), tr("VP engine speed")});
    set(DynoSettingId_rollerSupportRoller, rollers);
    set(DynoSettingId_pwmMode, {tr("duty cycle modulation"), tr("frequency modulation"), tr("stepper dir"),
                                tr("stepper pulse"), tr("stepper CW"), tr("stepper CCW")});
    set(DynoSettingId_pwmSource, sources);
    set(DynoSettingId_pwmStepperMotorId, {QStringLiteral("stepper motor 1"), QStringLiteral("stepper motor 2")});
    set(DynoSettingId_lsOutputSource, outputSources);
    set(DynoSettingId_hsOutputSource, outputSources);
    set(DynoSettingId_analogOutputSource, sources);
    set(DynoSettingId_accPidSyncSettingsCh, channels);
    set(DynoSettingId_pidSyncSettingsCh, channels);
    set(DynoSettingId_ainPidSpSource, QStringList{none, tr("argument")} + numbered(tr("torque controller %1 output"), 1, 4));
    set(DynoSettingId_torquePidSyncSettingsCh, channels);
    set(DynoSettingId_torquePidSpSource,
        QStringList{none, tr("argument")} + numbered(tr("speed / acc. controller %1 output / manual torque"), 1, 4));
    set(DynoSettingId_torquePidSpSubtrahend, QStringList{none, tr("constant")} + numbered(tr("load cell %1"), 1, 4));
    set(DynoSettingId_torquePidLinearization,
        {QStringLiteral("-"), QStringLiteral("cbrt(x) (faster low range, slower high range)"), QStringLiteral("sqrt(x)"),
         QStringLiteral("x^(2/3)"), QStringLiteral("x^(3/2)"), QStringLiteral("x^2"),
         QStringLiteral("x^3 (slower low range, faster high range)")});
    set(DynoSettingId_canSpeed,
        {QStringLiteral("1Mbps"), QStringLiteral("500kbps"), QStringLiteral("250kbps"), QStringLiteral("125kbps")});
    set(DynoSettingId_audioPlayback, {none, tr("direct"), tr("filtered and amplified")});
    set(DynoSettingId_stepperSource, sources);
    set(DynoSettingId_stepperZeroHoming, {tr("manual"), tr("Step back infinitely when target == 0"),
                                          tr("Step back 10 steps when target == 0")});

    // Byte addresses of 32-bit words; every channel of a setting uses the same
    // address, with the channel index beside it. The link itself uses 1712 and
    // 1716 (device mode, absorber lock); 0 means "not sent".
    static const std::pair<DynoSettingId, quint32> addresses[] = {
        {DynoSettingId_pidDetails, 4},
        {DynoSettingId_absorberLockValue, 8},
        {DynoSettingId_absorberLockRampTime, 12},
        {DynoSettingId_loadCellRoller, 16},
        {DynoSettingId_loadCellA, 32},
        {DynoSettingId_loadCellB, 48},
        {DynoSettingId_loadCellPgaGain, 64},
        {DynoSettingId_loadCellDirection, 80},
        {DynoSettingId_freqInputTriggerEdge, 96},
        {DynoSettingId_freqInputMode, 120},
        {DynoSettingId_freqInputSensor, 144},
        {DynoSettingId_freqInputSignalsPerRotation, 168},
        {DynoSettingId_freqInputNextEdgeRejectTime, 192},
        {DynoSettingId_freqInputMultiplier, 216},
        {DynoSettingId_hpAinMode, 240},
        {DynoSettingId_hpAinDifferential, 272},
        {DynoSettingId_rollerSpeedSource, 304},
        {DynoSettingId_rollerSupportRoller, 320},
        {DynoSettingId_rollerDiameter, 336},
        {DynoSettingId_pwmMode, 352},
        {DynoSettingId_pwmSource, 368},
        {DynoSettingId_pwmFrequency, 384},
        {DynoSettingId_pwmRangeMin, 400},
        {DynoSettingId_pwmRangeMax, 416},
        {DynoSettingId_pwmFreqMin, 432},
        {DynoSettingId_pwmFreqMax, 448},
        {DynoSettingId_pwmStepperMotorId, 464},
        {DynoSettingId_lsOutputSource, 480},
        {DynoSettingId_lsOutputInvert, 496},
        {DynoSettingId_hsOutputSource, 512},
        {DynoSettingId_hsOutputInvert, 528},
        {DynoSettingId_analogOutputSource, 544},
        {DynoSettingId_analogOutputRangeMin, 560},
        {DynoSettingId_analogOutputRangeMax, 576},
        {DynoSettingId_accPidRelayAmplitude, 592},
        {DynoSettingId_accPidKFF, 608},
        {DynoSettingId_accPidKP, 624},
        {DynoSettingId_accPidKI, 640},
        {DynoSettingId_accPidKDFast, 656},
        {DynoSettingId_accPidKD, 672},
        {DynoSettingId_accPidKFilter, 688},
        {DynoSettingId_accPidKDFilter, 704},
        {DynoSettingId_accPidSyncGain, 720},
        {DynoSettingId_accPidNotchEnable, 736},
        {DynoSettingId_accPidNotchWidth, 752},
        {DynoSettingId_accPidFixedNotch1Enable, 768},
        {DynoSettingId_accPidFixedNotch1Width, 784},
        {DynoSettingId_accPidFixedNotch1Freq, 800},
        {DynoSettingId_accPidFixedNotch2Enable, 816},
        {DynoSettingId_accPidFixedNotch2Width, 832},
        {DynoSettingId_accPidFixedNotch2Freq, 848},
        {DynoSettingId_pidRelayAmplitude, 864},
        {DynoSettingId_pidKFF, 880},
        {DynoSettingId_pidKP, 896},
        {DynoSettingId_pidKI, 912},
        {DynoSettingId_pidKDFast, 928},
        {DynoSettingId_pidKD, 944},
        {DynoSettingId_pidKDD, 960},
        {DynoSettingId_pidKFilter, 976},
        {DynoSettingId_pidKDFilter, 992},
        {DynoSettingId_pidKDDFilter, 1008},
        {DynoSettingId_pidRampLimit, 1024},
        {DynoSettingId_pidBrakingSlip, 1040},
        {DynoSettingId_pidNotchEnable, 1056},
        {DynoSettingId_pidNotchWidth, 1072},
        {DynoSettingId_pidFixedNotch1Enable, 1088},
        {DynoSettingId_pidFixedNotch1Width, 1104},
        {DynoSettingId_pidFixedNotch1Freq, 1120},
        {DynoSettingId_ainPidRelayAmplitude, 1136},
        {DynoSettingId_ainPidSpSource, 1160},
        {DynoSettingId_ainPidSpMin, 1184},
        {DynoSettingId_ainPidSpMax, 1208},
        {DynoSettingId_ainPidKFF, 1232},
        {DynoSettingId_ainPidKP, 1256},
        {DynoSettingId_ainPidKI, 1280},
        {DynoSettingId_ainPidKDFast, 1304},
        {DynoSettingId_ainPidKD, 1328},
        {DynoSettingId_ainPidKFilter, 1352},
        {DynoSettingId_ainPidKDFilter, 1376},
        {DynoSettingId_torquePidRelayAmplitude, 1400},
        {DynoSettingId_torquePidSpRange, 1416},
        {DynoSettingId_torquePidSpSource, 1432},
        {DynoSettingId_torquePidSpSubtrahend, 1448},
        {DynoSettingId_torquePidSpSubtrahendConstant, 1464},
        {DynoSettingId_torquePidKFF, 1480},
        {DynoSettingId_torquePidKP, 1496},
        {DynoSettingId_torquePidKI, 1512},
        {DynoSettingId_torquePidKDFast, 1528},
        {DynoSettingId_torquePidKD, 1544},
        {DynoSettingId_torquePidKFilter, 1560},
        {DynoSettingId_torquePidKDFilter, 1576},
        {DynoSettingId_torquePidDisableFBInSpeedAndAcc, 1592},
        {DynoSettingId_torquePidZeroOutputOn0SP, 1608},
        {DynoSettingId_torquePidLinearization, 1624},
        {DynoSettingId_canEnableTerminator, 1640},
        {DynoSettingId_canSpeed, 1648},
        {DynoSettingId_canSendKX4ControlMessage, 1656},
        {DynoSettingId_stepperSource, 1664},
        {DynoSettingId_stepperZeroHoming, 1672},
        {DynoSettingId_stepperStepCount, 1680},
        {DynoSettingId_stepperMinFrequency, 1688},
        {DynoSettingId_stepperMaxFrequency, 1696},
        {DynoSettingId_stepperAcceleration, 1704},
    };
    for (const auto& [id, address] : addresses)
        mcuAddresses.insert(id, address);
}
