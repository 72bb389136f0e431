#include "CanWord.h"

#include <cmath>

namespace CanWord {

uint64_t byteReversed(uint64_t word)
{
    return __builtin_bswap64(word);
}

double extractField(uint64_t word, int start, int bitCount, Signedness signedness)
{
    if (start < 0 || start >= 64)
        return 0.0;
    int width = modulo64(bitCount);
    if (width == 0)
        width = 64;
    uint64_t raw = (word >> start) & lowBits(width);
    if (signedness == Signedness_signed) {
        if (width < 64 && (raw >> (width - 1)) & 1)
            raw |= ~lowBits(width);
        return double(int64_t(raw));
    }
    return double(raw);
}

bool compoundMatches(uint64_t word, int bitOffset, int bitCount, int32_t compoundId)
{
    if (bitOffset > 63)
        return false;
    const int shift = modulo64(bitOffset);
    const int width = modulo64(bitCount);
    uint64_t sub = word >> shift;
    if (width != 0)
        sub &= lowBits(width);
    return sub == uint64_t(int64_t(compoundId));
}

uint64_t saturate(double value, int bitCount, Signedness signedness)
{
    if (bitCount < 1 || bitCount > 64 || std::isnan(value))
        return 0;
    const double k = 1.0 - std::ldexp(1.0, -51);
    if (signedness == Signedness_signed) {
        const double h = std::ldexp(1.0, bitCount - 1) * k;
        const double max = std::trunc(h);
        const double min = std::floor(-h);
        int64_t v;
        if (value > max)
            v = int64_t(max);
        else if (value < min)
            v = int64_t(min);
        else
            v = int64_t(value);
        return uint64_t(v) & lowBits(bitCount);
    }
    const double max = std::ceil((std::ldexp(1.0, bitCount) - 1.0) * k);
    uint64_t v;
    if (value > max)
        v = uint64_t(max);
    else if (value < 0.0)
        v = 0;
    else
        v = uint64_t(value);
    return v & lowBits(bitCount);
}

uint64_t fieldMask(int start, int bitCount)
{
    if (start < 0 || start >= 64 || bitCount < 1 || bitCount > 64)
        return 0;
    return lowBits(bitCount) << start;
}

int motorolaToWordStart(int dbcStart, int bitCount)
{
    return (7 - dbcStart / 8) * 8 + dbcStart % 8 - bitCount + 1;
}

int wordStartToMotorola(int wordStart, int bitCount)
{
    const int top = wordStart + bitCount - 1;
    return (7 - top / 8) * 8 + top % 8;
}

} // namespace CanWord
