#pragma once

#include <QString>

#include <cstdint>

class BiQuad;

// The pieces of the knock player that work on recorded samples.
namespace KnockAudio {
constexpr int sampleRate = 48000;

// The run index playing starts at: the slider's share (0..100) of the selection.
int startIndex(int selectionStart, int selectionEnd, int sliderValue);
// The sample of a run time (s): truncated, and within 0..count.
qsizetype sampleAt(double seconds, qsizetype count);
// "filtered and amplified": band-pass, gain, limited to full scale.
void filterChunk(int16_t* samples, qsizetype count, BiQuad& bandpass, float gain);
// A 16-bit mono 48 kHz WAV file of the samples; false when it cannot be written.
bool writeWav(const QString& path, const int16_t* samples, qsizetype count);
} // namespace KnockAudio
