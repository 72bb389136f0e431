#include "HwInfo.h"

HwInfo theHwInfo;

namespace {

struct BoardRow {
    int32_t generation;
    bool liteVariant;
    int loadCells;
    int analogInputs;
    int analogInputControllers;
    int mcuPwmOutputs;
    int lowSideOutputs;
    int relayOutputs;
    int canBuses;
    int analogOutputs;
    int hpAnalogInputs;
    int mcuFreqSlots;
    int freqInputs;
    int rollers;
    int switchInputs;
};

// One row per device code, in code order (ZR5, ZR5E4, ZR5L, ZR6, ZR6L).
constexpr BoardRow boardTable[DeviceCode_Count] = {
    {1, false, 4, 6, 6, 4, 4, 4, 2, 2, 8, 3, 2, 2, 4},
    {1, false, 4, 6, 6, 4, 4, 4, 2, 2, 8, 5, 4, 4, 4},
    {1, true, 2, 2, 2, 2, 1, 1, 1, 1, 4, 3, 1, 1, 2},
    {2, false, 4, 12, 6, 4, 4, 4, 2, 4, 8, 6, 5, 4, 4},
    {2, true, 1, 1, 1, 2, 1, 1, 1, 1, 4, 3, 1, 1, 1},
};

} // namespace

void HwInfo::setDeviceCode(DeviceCode code)
{
    deviceCode = code;
    if (!isKnownDeviceCode(code))
        return;
    const BoardRow& row = boardTable[code];
    generation = row.generation;
    liteVariant = row.liteVariant;
    loadCells = row.loadCells;
    analogInputs = row.analogInputs;
    analogInputControllers = row.analogInputControllers;
    mcuPwmOutputs = row.mcuPwmOutputs;
    lowSideOutputs = row.lowSideOutputs;
    relayOutputs = row.relayOutputs;
    canBuses = row.canBuses;
    analogOutputs = row.analogOutputs;
    hpAnalogInputs = row.hpAnalogInputs;
    mcuFreqSlots = row.mcuFreqSlots;
    freqInputs = row.freqInputs;
    rollers = row.rollers;
    switchInputs = row.switchInputs;
    // Only the second-generation full board has current-measuring PWM bridges;
    // the other boards leave whatever a previous code set.
    if (code == DeviceCode_ZR6)
        pwmBridges = 4;
}
