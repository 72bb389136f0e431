#pragma once

#include "IOReadings.h"

#include <QHash>

#include <limits>

// Run-thread readings as a test wants them: values per slot, supply and filter channel.
class FakeReadings : public IOReadings
{
public:
    uint64_t pulseCount(int mcuSlot) const override { return pulses.value(mcuSlot, 0); }
    uint16_t supplyMillivolts(int id) const override { return millivolts.value(id, 0); }
    bool supplyWarningLogged(int id) const override { return warnings.value(id, false); }
    double filterOutput(int group, int channel) const override
    {
        return filters.value(group * 100 + channel, std::numeric_limits<double>::quiet_NaN());
    }
    void setFilter(int group, int channel, double value) { filters.insert(group * 100 + channel, value); }

    QHash<int, uint64_t> pulses;
    QHash<int, uint16_t> millivolts;
    QHash<int, bool> warnings;
    QHash<int, double> filters;
};
