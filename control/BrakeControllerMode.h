#pragma once

// The index of the brake-controller panel's mode combo; stored as an integer.
enum BrakeControllerMode : int {
    BrakeControllerMode_off = 0,
    BrakeControllerMode_torque = 1,
    BrakeControllerMode_torqueJoined = 2,
    BrakeControllerMode_speed = 3,
    BrakeControllerMode_acceleration = 4,
};

// The index of the panel's variable combo: the speed the absorber controls.
enum BrakeControllerChannel : int {
    BrakeControllerChannel_roadSpeed = 0,
    BrakeControllerChannel_engineSpeed = 1,
};
