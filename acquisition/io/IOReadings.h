#pragma once

#include <cstdint>

// The run thread's own readings that the I/O page shows: pulse counters per
// MCU frequency slot, supply voltages with their warning marks, and the
// filter bank's fixed-rate outputs. The run thread writes them while the page
// reads, so an implementation must make each read safe against its writes
// (atomics or a lock); a value one refresh old is fine for display.
//
// The run thread installs its reader once it exists. Until then the page shows
// zero counts and supplies and NaN filter outputs.
class IOReadings
{
public:
    // Indices of the supply readings.
    enum PowerInfoId : int { PowerInfo_vcc = 0, PowerInfo_ext5V = 1, PowerInfo_ext12V = 2, PowerInfo_ext24V = 3 };
    // The filter bank's fixed-rate groups the page reads.
    enum FilterGroup : int { FilterGroup_loadCells = 0, FilterGroup_hpAnalogInputs = 2 };

    virtual ~IOReadings() = default;

    virtual uint64_t pulseCount(int mcuSlot) const = 0;
    virtual uint16_t supplyMillivolts(int powerInfoId) const = 0;
    virtual bool supplyWarningLogged(int powerInfoId) const = 0;
    // NaN while that channel of the group is not valid.
    virtual double filterOutput(int group, int channel) const = 0;

    // Not owned; null removes it.
    static void install(const IOReadings* readings);
    static const IOReadings* installed();

    // What the page shows without a reader installed.
    static uint64_t pulseCountOf(int mcuSlot);
    static uint16_t supplyMillivoltsOf(int powerInfoId);
    static bool supplyWarningLoggedOf(int powerInfoId);
    static double filterOutputOf(int group, int channel);
};
