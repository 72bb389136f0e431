#pragma once

// The calibration tools and calculators a settings page offers as a button
// below its rows. The number picks the button's caption and the tool it opens.
enum SettingWizardId : int {
    SettingWizardId_none = 0,
    SettingWizardId_loadCellArmAndWeight = 1,
    SettingWizardId_loadCellNominal = 2,
    SettingWizardId_loadCellZeroOffset = 3,
    SettingWizardId_inertiaFallingMass = 4,
    SettingWizardId_inertiaHardBraking = 5,
    SettingWizardId_inertiaGeometry = 6,
    SettingWizardId_internalLossModel = 7,
    SettingWizardId_tuneAccPid = 8,
    SettingWizardId_copySpeedPidToAccPid = 9,
    SettingWizardId_tuneSpeedPid = 10,
    SettingWizardId_tuneTorquePid = 11,
    SettingWizardId_tuneAinPid = 12,
    SettingWizardId_kx4Tool = 13,
    SettingWizardId_canOpenTool = 14,
    SettingWizardId_obdUdsAnalyzer = 15,
    SettingWizardId_canMonitor = 16,
    SettingWizardId_hpAinTemperatureSensor = 17,
    SettingWizardId_ainTemperatureSensor = 18,
    SettingWizardId_rcServoPulse = 19,
    SettingWizardId_knockFrequency = 20,
    SettingWizardId_knockEngineNoise = 21,
    SettingWizardId_audioSettingsFromLastRun = 22,
    SettingWizardId_stepperAdjust = 23,
    SettingWizardId_openChannelSetup = 24,
    SettingWizardId_exportSensorPreset = 25,
    SettingWizardId_importSensorPreset = 26
};
