#pragma once

// The 27 columns of the loaded-run list. 4 ... 7 belong to the user graph's
// value axes, 8 ... 11 to the main-graph curves; 26 is always hidden and
// carries the row's RunData. Column numbers are stored in the settings
// (visible and print columns, colours): never renumber.
namespace LoadedRunListFields {

enum LoadedRunListField : int {
    Visible = 0,
    Bold = 1,
    Flagged = 2,
    Video = 3,
    LeftInnerAxis = 4,
    LeftOuterAxis = 5,
    RightInnerAxis = 6,
    RightOuterAxis = 7,
    PeakLossPower = 8,
    PeakWheelPower = 9,
    PeakEnginePower = 10,
    PeakEngineTorque = 11,
    CreationTimestamp = 12,
    RunLength = 13,
    SelectionLength = 14,
    EngineSpeedSource = 15,
    EngineSpeedRatio = 16,
    CorrectionValue = 17,
    AmbientTemperature = 18,
    AmbientPressure = 19,
    AmbientHumidity = 20,
    PeakRoadSpeed = 21,
    PeakEngineSpeed = 22,
    RunType = 23,
    Name = 24,
    Comment = 25,
    RunDataPointer = 26
};

constexpr int LoadedRunListFieldCount = 27;

} // namespace LoadedRunListFields

using LoadedRunListField = LoadedRunListFields::LoadedRunListField;
using LoadedRunListFields::LoadedRunListFieldCount;
