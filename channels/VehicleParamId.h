#pragma once

// The vehicle parameters: one channel each, keyed "VP_" + name. Inputs of any
// family may write into them, so the rest of the program reads for example the
// engine speed or the gear from one place whatever its source.
enum VehicleParamId : int {
    VehicleParamId_engineSpeed = 0,
    VehicleParamId_vehicleSpeed = 1,
    VehicleParamId_MAF = 2,
    VehicleParamId_MAP = 3,
    VehicleParamId_BARO = 4,
    VehicleParamId_IAT = 5,
    VehicleParamId_CLT = 6,
    VehicleParamId_PPS = 7,
    VehicleParamId_TPS = 8,
    VehicleParamId_AFR = 9,
    VehicleParamId_EGT = 10,
    VehicleParamId_checkEngine = 11,
    VehicleParamId_injectorPW = 12,
    VehicleParamId_injectorDC = 13,
    VehicleParamId_batteryVoltage = 14,
    VehicleParamId_fuelLevel = 15,
    VehicleParamId_fuelPressure = 16,
    VehicleParamId_fuelPressDelta = 17,
    VehicleParamId_gear = 18,
    VehicleParamId_ignAngle = 19,
    VehicleParamId_oilPressure = 20,
    VehicleParamId_oilTemperature = 21
};

constexpr int VehicleParamCount = 22;
