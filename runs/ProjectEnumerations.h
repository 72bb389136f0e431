#pragma once

// Stored indices of the enumeration fields of a project that other code
// reasons about; the labels live with the project model.

enum VehicleType : int {
    VehicleEngine = 0,
    VehicleCar = 1,
    VehicleTruck = 2,
    VehicleMotorcycle = 3,
    VehicleTractor = 4,
    VehicleBoat = 5,
    VehicleKart = 6,
    VehicleAtv = 7
};

enum FuelType : int {
    FuelGasoline = 0,
    FuelGasolineHybrid = 1,
    FuelDiesel = 2,
    FuelDieselHybrid = 3,
    FuelEthanolMix = 4,
    FuelLpg = 5,
    FuelCng = 6,
    FuelElectric = 7,
    FuelMethanol = 8,
    FuelMethanolNitromethane = 9
};

enum EngineBoostType : int { BoostNone = 0, BoostTurbo = 1, BoostCompressor = 2, BoostOther = 3 };
