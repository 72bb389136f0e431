#pragma once

#include <cstdint>

// Baud-rate divisors of USB-serial chips: a 14-bit integer part of a 3 MHz
// (or, on high-speed chips, 12 MHz) reference plus a fraction in eighths,
// coded in the word's top two bits and one bit of the divisor index.
// All arithmetic is 64-bit: rates far above any chip's must be refused, not
// wrapped into an acceptable one.

// -1: impossible, 0: the integer part must be rounded up, 1: found.
int calcDivisor(uint32_t baud, uint16_t* divisor, uint16_t* index, bool extended);
int calcDivisorHi(uint32_t baud, uint16_t* divisor, uint16_t* index);
uint32_t calcBaudRate(uint16_t divisor, uint16_t index, bool extended);
uint32_t calcBaudRateHi(uint16_t divisor, uint16_t index);
// 1 when the achieved rate is within 3 % of `baud`, 0 when not, -1 when the
// rate is impossible or an output is missing. The last three outputs may be null.
int Baud_getDivisor(uint32_t baud, uint16_t* divisor, uint16_t* index, uint32_t* actual, uint32_t* errorPercent,
                    int* atOrAbove, bool extended);
int Baud_getDivisorHi(uint32_t baud, uint16_t* divisor, uint16_t* index, uint32_t* actual, uint32_t* errorPercent,
                      int* atOrAbove);
// The fixed divisor word of one of the thirteen standard rates, or -1.
int fixedDivisor(uint32_t baud);
