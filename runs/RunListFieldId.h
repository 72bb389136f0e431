#pragma once

#include <QDebug>
#include <QMetaType>

namespace RunListFields {

// The fields of a run: model column, position in the SQL table "runs2", and,
// by their database keys, the run-information datasets of run files and
// report tags. Stored values: the numbering never changes; new fields go at the end.
enum RunListFieldId : int {
    id = 0,
    projectId = 1,
    filename = 2,
    favourite = 3,
    creationTimestamp = 4,
    modificationTimestamp = 5,
    lastAccessTimestamp = 6,
    runLength = 7,
    engineSpeedSource = 8,
    engineSpeedRatio = 9,
    enginePowerCorrectionStandard = 10,
    enginePowerCorrectionValue = 11,
    ambientTemperature = 12,
    ambientPressure = 13,
    ambientHumidity = 14,
    measuredEnginePower = 15,
    measuredEnginePowerRPM = 16,
    measuredEngineTorque = 17,
    measuredEngineTorqueRPM = 18,
    measuredWheelPower = 19,
    measuredWheelPowerRPM = 20,
    peakRoadSpeed = 21,
    peakEngineSpeed = 22,
    comment = 23,
    selectionStart = 24,
    selectionEnd = 25,
    createdWithSoftwareVersion = 26,
    peakLossPower = 27,
    peakLossPowerRPM = 28,
    name = 29,
    type = 30,
    deviceCode = 31,
    distance = 32,
    selectionLength = 33
};

constexpr int RunListFieldCount = 34;

// Writes the field's database key (looked up in theRunListModel).
QDebug operator<<(QDebug debug, const RunListFieldId& field);

} // namespace RunListFields

using RunListFieldId = RunListFields::RunListFieldId;
using RunListFields::RunListFieldCount;

Q_DECLARE_METATYPE(RunListFieldId)
