#include "baud.h"

#include "usbserial-private.h"

namespace {
// Eighths of the fraction → sub-integer code (bits 15-14) and extra bit.
const uint16_t kSubCode[8] = {0, 3, 2, 0, 1, 1, 2, 3};
const uint16_t kExtraBit[8] = {0, 0, 0, 1, 0, 1, 1, 1};

int fractionEighths(uint64_t r, bool extended)
{
    if (!extended) {
        if (r <= 6) return 0;
        if (r <= 18) return 1;
        if (r <= 37) return 2;
        if (r <= 75) return 4;
        return -1;
    }
    if (r <= 6) return 0;
    if (r <= 18) return 1;
    if (r <= 31) return 2;
    if (r <= 43) return 3;
    if (r <= 56) return 4;
    if (r <= 68) return 5;
    if (r <= 81) return 6;
    if (r <= 93) return 7;
    return -1;
}

int calcOnReference(uint64_t reference, uint32_t baud, uint16_t* divisor, uint16_t* extraBit, bool extended)
{
    const uint64_t q = reference / baud;
    const uint64_t r = (reference % baud) * 100 / baud;
    uint64_t d = q;
    *extraBit = 0;
    if (d == 1 && r <= 3)
        d = 0;
    *divisor = uint16_t(d);
    if (d == 0)
        return 1;
    const int eighths = fractionEighths(r, extended);
    if (eighths < 0)
        return 0;
    *divisor = uint16_t(d | uint64_t(kSubCode[eighths]) << 14);
    *extraBit = kExtraBit[eighths];
    return 1;
}

uint32_t rateOf(uint64_t reference, uint16_t divisor, bool extendedFraction)
{
    uint64_t d = uint64_t(divisor & 0x3FFF) * 100;
    const unsigned s = divisor >> 14;
    if (!extendedFraction) {
        static const unsigned add[4] = {0, 50, 25, 12};
        d += add[s];
    } else {
        static const unsigned add[4] = {37, 62, 75, 87};
        d += add[s];
    }
    return d ? uint32_t(reference * 100 / d) : 0;
}

// The rate a word really gives, as reference × 8 / eighths; 0 eighths: the reference itself.
uint64_t exactEighths(uint16_t divisor, uint16_t index, bool high, bool extended)
{
    if (divisor == 0)
        return 0;
    if (high && divisor == 1)
        return 12; // 8 MHz: 12 MHz × 8 / 12
    static const unsigned plain[4] = {0, 4, 2, 1};
    static const unsigned extra[4] = {3, 5, 6, 7};
    const unsigned s = divisor >> 14;
    const bool x = (index & 1) && (high || extended);
    return uint64_t(divisor & 0x3FFF) * 8 + (x ? extra[s] : plain[s]);
}

int judge(uint32_t baud, uint16_t* divisor, uint16_t* index, uint32_t* actualOut, uint32_t* errorOut, int* aboveOut,
          int found, bool high, bool extended)
{
    if (found < 0)
        return -1;
    if (found == 0) {
        *divisor = uint16_t((*divisor & 0x3FFF) + 1);
        *index = high ? 2 : 0;
    }
    const uint32_t actual = high ? calcBaudRateHi(*divisor, *index) : calcBaudRate(*divisor, *index, extended);
    if (actual == 0)
        return -1;
    const uint64_t larger = baud > actual ? baud : actual;
    const uint64_t smaller = baud > actual ? actual : baud;
    if (actualOut)
        *actualOut = actual;
    if (errorOut)
        *errorOut = uint32_t(larger * 100 / smaller - 100);
    if (aboveOut)
        *aboveOut = baud > actual ? 0 : 1;
    // The verdict uses the rate the chip really makes, reference × 8 over the
    // divisor in eighths, not the rate rounded to hundredths of the divisor:
    // those roundings let words through that are up to 3.3 % off.
    const uint64_t reference = high ? 12000000 : 3000000;
    const uint64_t eighths = exactEighths(*divisor, *index, high, extended);
    const uint64_t rateNum = eighths ? reference * 8 : reference; // rate = rateNum / rateDen
    const uint64_t rateDen = eighths ? eighths : 1;
    const uint64_t want = uint64_t(baud) * rateDen;
    return want * 100 <= 103 * rateNum && rateNum * 100 <= 103 * want ? 1 : 0;
}
} // namespace

int calcDivisor(uint32_t baud, uint16_t* divisor, uint16_t* index, bool extended)
{
    if (baud == 0 || 3000000u / baud >= 16384)
        return -1;
    *index = 0;
    uint16_t x = 0;
    const int found = calcOnReference(3000000, baud, divisor, &x, extended);
    *index = x;
    return found;
}

int calcDivisorHi(uint32_t baud, uint16_t* divisor, uint16_t* index)
{
    if (baud == 0 || 12000000u / baud >= 16384)
        return -1;
    *index = 2;
    if (baud >= 11640000 && baud <= 12360000) {
        *divisor = 0;
        return 1;
    }
    if (baud >= 7760000 && baud <= 8240000) {
        *divisor = 1;
        return 1;
    }
    uint16_t x = 0;
    const int found = calcOnReference(12000000, baud, divisor, &x, true);
    *index = uint16_t(2 | x);
    return found;
}

uint32_t calcBaudRate(uint16_t divisor, uint16_t index, bool extended)
{
    if (divisor == 0)
        return 3000000;
    // The old decoding applies to chips without the extra bit, and whenever it is clear.
    return rateOf(3000000, divisor, extended && index != 0);
}

uint32_t calcBaudRateHi(uint16_t divisor, uint16_t index)
{
    if (divisor == 0)
        return 12000000;
    if (divisor == 1)
        return 8000000;
    return rateOf(12000000, divisor, (index & 1) != 0);
}

int Baud_getDivisor(uint32_t baud, uint16_t* divisor, uint16_t* index, uint32_t* actual, uint32_t* errorPercent,
                    int* atOrAbove, bool extended)
{
    if (!divisor || !index)
        return -1;
    const int found = calcDivisor(baud, divisor, index, extended);
    if (found >= 0)
        *index = *index & 1;
    return judge(baud, divisor, index, actual, errorPercent, atOrAbove, found, false, extended);
}

int Baud_getDivisorHi(uint32_t baud, uint16_t* divisor, uint16_t* index, uint32_t* actual, uint32_t* errorPercent,
                      int* atOrAbove)
{
    if (!divisor || !index)
        return -1;
    return judge(baud, divisor, index, actual, errorPercent, atOrAbove, calcDivisorHi(baud, divisor, index), true, true);
}

int fixedDivisor(uint32_t baud)
{
    switch (baud) {
    case 300: return 0x2710;
    case 600: return 0x1388;
    case 1200: return 0x09C4;
    case 2400: return 0x04E2;
    case 4800: return 0x0271;
    case 9600: return 0x4138;
    case 19200: return 0x809C;
    case 38400: return 0xC04E;
    case 57600: return 0x0034;
    case 115200: return 0x001A;
    case 230400: return 0x000D;
    case 460800: return 0x4006;
    case 921600: return 0x8003;
    default: return -1;
    }
}

USS_STATUS SetBaudRate(DeviceExtension* r, uint32_t baud)
{
    const bool extended = chipExtended(r->dev_desc);
    uint16_t divisor = 0;
    uint16_t index = 0;
    const int fixed = fixedDivisor(baud);
    if (fixed >= 0) {
        divisor = uint16_t(fixed);
    } else {
        const int ok = chipHighSpeedDivisor(r->dev_desc) && baud >= 1200
            ? Baud_getDivisorHi(baud, &divisor, &index, nullptr, nullptr, nullptr)
            : Baud_getDivisor(baud, &divisor, &index, nullptr, nullptr, nullptr, extended);
        if (ok != 1)
            return USS_IO_ERROR;
    }
    const uint16_t wIndex = chipIndexWithPort(r->dev_desc) ? uint16_t(index << 8 | r->portIndex) : index;
    return SetDivisor(r, divisor, wIndex);
}

extern "C" USS_STATUS USS_SetBaudRate(USS_HANDLE handle, uint32_t baud)
{
    if (!IsDeviceValid(handle))
        return USS_INVALID_HANDLE;
    return SetBaudRate(static_cast<DeviceExtension*>(handle), baud);
}
