#include "IOReadings.h"

#include <atomic>
#include <limits>

namespace {
std::atomic<const IOReadings*> current{nullptr};
}

void IOReadings::install(const IOReadings* readings)
{
    current = readings;
}

const IOReadings* IOReadings::installed()
{
    return current;
}

uint64_t IOReadings::pulseCountOf(int mcuSlot)
{
    const IOReadings* r = current;
    return r ? r->pulseCount(mcuSlot) : 0;
}

uint16_t IOReadings::supplyMillivoltsOf(int powerInfoId)
{
    const IOReadings* r = current;
    return r ? r->supplyMillivolts(powerInfoId) : 0;
}

bool IOReadings::supplyWarningLoggedOf(int powerInfoId)
{
    const IOReadings* r = current;
    return r && r->supplyWarningLogged(powerInfoId);
}

double IOReadings::filterOutputOf(int group, int channel)
{
    const IOReadings* r = current;
    return r ? r->filterOutput(group, channel) : std::numeric_limits<double>::quiet_NaN();
}
