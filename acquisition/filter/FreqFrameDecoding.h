#pragma once

#include "FrameRecords.h"

#include <cstdint>

// How a frequency-input word reads. Pulse capture (mode 0): bit 31 clear gives
// the ticks of one period of a 32 MHz clock; bit 31 set gives n periods in
// bits 30..16 and their ticks T in bits 15..0. Pulse count (mode 1): the word
// is a float, the frequency over a 1 ms window.
namespace FreqFrameDecoding {

constexpr double clockHz = 32000000.0;
// Longest period the capture counter reports, in ticks.
constexpr uint32_t maxPeriodTicks = 0x3FFFC000u;

// Frequency (Hz) and time step (s) of a word; false for a word that must be
// dropped: an invalid period, zero ticks or periods, or a value that is not finite.
bool decode(uint32_t word, int mode, double& frequency, double& dt);

// Pulses the word stands for (the pulse counter of its input).
uint64_t pulses(uint32_t word, int mode);

} // namespace FreqFrameDecoding
