#pragma once

#include "lib/FieldBusEnums.h"

#include <cstdint>

// The 8 data bytes of a CAN frame as one 64-bit word (data byte 0 the most
// significant byte) and the bit fields that inputs read from it and outputs
// write into it. Positions count from the least significant bit of the word
// as the field's byte order presents it: unchanged for big endian, byte-reversed
// for little endian. Every helper is total: out-of-range positions and widths
// read or write nothing instead of shifting by 64 or more.
namespace CanWord {

uint64_t byteReversed(uint64_t word);

// The word a field of this byte order is read from (and written into).
inline uint64_t orderedWord(uint64_t data, Endianness endianness)
{
    return endianness == Endianness_little ? byteReversed(data) : data;
}

// n modulo 64 in the mathematical sense (-8 gives 56).
inline int modulo64(int n)
{
    return ((n % 64) + 64) % 64;
}

// Ones in the `count` low bits (count 0 to 64).
inline uint64_t lowBits(int count)
{
    return count >= 64 ? ~uint64_t(0) : count <= 0 ? 0 : (uint64_t(1) << count) - 1;
}

// The raw field of an input: `bitCount` taken modulo 64 (0 standing for 64);
// a start outside 0 to 63 reads 0; bits above bit 63 read 0.
double extractField(uint64_t word, int start, int bitCount, Signedness signedness);

// The compound sub-identifier check of an input; false refuses the frame.
bool compoundMatches(uint64_t word, int bitOffset, int bitCount, int32_t compoundId);

// Clips a scaled output value to an integer of a field of `bitCount` bits
// (1 to 64) and returns its bit pattern, not yet placed.
uint64_t saturate(double value, int bitCount, Signedness signedness);

// Ones in the bits of a field that lie inside the word; 0 for a start outside
// 0 to 63 or a width outside 1 to 64.
uint64_t fieldMask(int start, int bitCount);

// DBC positions: a Motorola start bit names the field's most significant bit
// (data byte d / 8, bit d % 8). These give the word position of the field's
// least significant bit and back; the result may be negative or past 63 for
// fields that do not fit the frame.
int motorolaToWordStart(int dbcStart, int bitCount);
int wordStartToMotorola(int wordStart, int bitCount);

} // namespace CanWord
