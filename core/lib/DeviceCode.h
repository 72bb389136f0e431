#pragma once

// The controller boards the program knows, as the controller reports them in its
// device information. The number is what the board sends and what run records store.
enum DeviceCode : int {
    DeviceCode_ZR5 = 0,
    DeviceCode_ZR5E4 = 1,
    DeviceCode_ZR5L = 2,
    DeviceCode_ZR6 = 3,
    DeviceCode_ZR6L = 4,
    DeviceCode_Count = 5
};
