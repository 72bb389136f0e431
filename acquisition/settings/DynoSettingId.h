#pragma once

// Identifier of a dyno setting: its index in the registry (0..156). Only the
// ids the program reads so far are named; the catalogue names the others.
enum DynoSettingId : int {
    DynoSettingId_loadCellRoller = 13,
    DynoSettingId_loadCellB = 20,
    DynoSettingId_loadCellAutomaticOffset = 21,
    DynoSettingId_dynoType = 35,
    DynoSettingId_engineSpeedSource = 37,
    DynoSettingId_lossModel = 39,
    DynoSettingId_engineSpeedRatio = 41,
    DynoSettingId_slipEstimationCoefficient = 42,
    DynoSettingId_rollerSupportRoller = 48,
    DynoSettingId_torquePidSpSource = 124,
    DynoSettingIdCount = 157
};
