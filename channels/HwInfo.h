#pragma once

#include "lib/DeviceCode.h"

#include <cstdint>

// Describes one controller board: what it is and how many inputs and outputs of
// each kind it has. Every loop over hardware reads its count from here. The
// process-wide instance theHwInfo describes the board the MCU reports; a loaded
// run keeps its own copy built from the device code stored in the run file.
class HwInfo
{
public:
    // Applies the board table for codes 0..4. Any other code is only stored:
    // the counts keep what they had, so nothing gets sized from an unknown board.
    void setDeviceCode(DeviceCode code);
    static bool isKnownDeviceCode(int code) { return code >= 0 && code < DeviceCode_Count; }

    char revision = 'A';
    DeviceCode deviceCode = DeviceCode_ZR5;
    int32_t generation = 0;
    bool liteVariant = false;
    uint32_t serialNumber = 0;
    int loadCells = 0;
    int analogInputs = 0;
    int analogInputControllers = 0;
    int mcuPwmOutputs = 0;
    int lowSideOutputs = 0;
    int relayOutputs = 0;
    int canBuses = 0;
    int analogOutputs = 0;
    int hpAnalogInputs = 0;
    int mcuFreqSlots = 0;
    int freqInputs = 0;
    int rollers = 0;
    int switchInputs = 0;
    unsigned int pwmBridges = 0;
};

extern HwInfo theHwInfo;
