#pragma once
// Amplitude spectrum of a uniformly sampled signal: radix-2 transform of the
// signal zero-padded to a power of two, no window.

#include <QList>

class FFT
{
public:
    // The signal ends up holding the real part of the transform (N values);
    // frequencies and amplitudes get N/2 + 1 points. With normalise the mean of
    // the finite samples is removed and the signal divided by their count, so a
    // sinusoid of amplitude A on a bin shows A/2. NaN samples count as 0.
    // Returns false, with a debug message, when the buffers of the transform
    // cannot be allocated (long recordings on the board); the signal's values
    // are then unchanged and frequencies and amplitudes are emptied.
    static bool calculate(QList<double>& signal, QList<double>& frequencies, QList<double>& amplitudes,
                          double samplingRate, bool normalise);

    // The number of points calculate() yields for n samples.
    static int getResultSampleCount(int n);
};
