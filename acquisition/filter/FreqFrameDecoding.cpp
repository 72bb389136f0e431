#include "FreqFrameDecoding.h"

#include <cmath>
#include <cstring>

namespace FreqFrameDecoding {

bool decode(uint32_t word, int mode, double& frequency, double& dt)
{
    if (mode == 1) {
        float f;
        std::memcpy(&f, &word, sizeof f);
        if (!std::isfinite(f))
            return false;
        frequency = f;
        dt = 0.001;
        return true;
    }
    if (word & 0x80000000u) {
        const uint32_t n = (word >> 16) & 0x7FFFu;
        const uint32_t ticks = word & 0xFFFFu;
        // No periods or no ticks would be an infinite or undefined frequency.
        if (n == 0 || ticks == 0)
            return false;
        const double q = double(ticks) / double(n);
        if (q > double(maxPeriodTicks))
            return false;
        frequency = clockHz / q;
        dt = double(ticks) / clockHz;
        return true;
    }
    if (word == 0 || word > maxPeriodTicks)
        return false;
    frequency = clockHz / double(word);
    dt = double(word) / clockHz;
    return true;
}

uint64_t pulses(uint32_t word, int mode)
{
    if (mode == 1) {
        float f;
        std::memcpy(&f, &word, sizeof f);
        if (!std::isfinite(f))
            return 0;
        const double count = std::round(double(f) / 1000.0);
        return count > 0 ? uint64_t(count) : 0;
    }
    if (word & 0x80000000u)
        return (word >> 16) & 0x7FFFu;
    // A capture of zero ticks is no pulse.
    return (word != 0 && word < maxPeriodTicks) ? 1 : 0;
}

} // namespace FreqFrameDecoding
