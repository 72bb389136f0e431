#pragma once

#include <QDebug>
#include <QMetaType>

namespace ProjectListFields {

// The fields of a project: model column, position in the SQL table "projects2",
// and, by their database keys, dataset names in run files and report tags.
// Stored values: the numbering never changes; new fields go at the end.
enum ProjectListFieldId : int {
    id = 0,
    favourite = 1,
    creationTimestamp = 2,
    lastRunTimestamp = 3,
    lastAccessTimestamp = 4,
    customerName = 5,
    runCount = 6,
    vehicleId = 7,
    projectName = 8,
    vehicleType = 9,
    brand = 10,
    model = 11,
    series = 12,
    productionYear = 13,
    mass = 14,
    frontalArea = 15,
    Cx = 16,
    driveWheels = 17,
    wheelbase = 18,
    frontTrack = 19,
    rearTrack = 20,
    engineCode = 21,
    engineFuelType = 22,
    engineBoostType = 23,
    engineConfiguration = 24,
    displacement = 25,
    cylinderCount = 26,
    valveCount = 27,
    compressionRatio = 28,
    cylinderBore = 29,
    pistonStroke = 30,
    gearboxType = 31,
    gearCount = 32,
    engineInertia = 33,
    drivetrainInertia = 34,
    stockEnginePower = 35,
    stockEnginePowerRPM = 36,
    stockEngineTorque = 37,
    stockEngineTorqueRPM = 38,
    measuredEnginePower = 39,
    measuredEnginePowerRPM = 40,
    measuredEngineTorque = 41,
    measuredEngineTorqueRPM = 42,
    measuredWheelPower = 43,
    measuredWheelPowerRPM = 44,
    peakRoadSpeed = 45,
    peakEngineSpeed = 46,
    description = 47,
    lossFromLoadFactor = 48,
    engineEfficiency = 49,
    engineCorrectionFactor = 50,
    obdPidGroups = 51,
    engineCycle = 52,
    wheelDiameter = 53,
    runDistance = 54,
    customerEmail = 55,
    trim = 56,
    ignoreCoastdownErrors = 57
};

constexpr int ProjectListFieldCount = 58;

// Writes the field's database key (looked up in theProjectListModel).
QDebug operator<<(QDebug debug, const ProjectListFieldId& field);

} // namespace ProjectListFields

using ProjectListFieldId = ProjectListFields::ProjectListFieldId;
using ProjectListFields::ProjectListFieldCount;

Q_DECLARE_METATYPE(ProjectListFieldId)
