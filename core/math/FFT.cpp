#include "FFT.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

namespace {

qsizetype paddedLength(qsizetype n)
{
    qsizetype padded = 1;
    while (padded < n)
        padded <<= 1;
    return padded;
}

void bitReverse(double* re, qsizetype n)
{
    qsizetype j = 0;
    for (qsizetype i = 0; i < n - 1; ++i) {
        if (i < j)
            std::swap(re[i], re[j]);
        qsizetype k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
}

// In-place forward transform of a bit-reversed sequence, no scaling. Each
// stage's twiddles come from the same rotation recurrence whatever the loop
// order; they are produced a chunk at a time so that the butterflies sweep the
// arrays contiguously (a sweep per twiddle thrashes the cache on long signals).
void butterflies(double* re, double* im, qsizetype n)
{
    constexpr qsizetype Chunk = 512;
    double twiddleRe[Chunk];
    double twiddleIm[Chunk];
    double c1 = -1.0;
    double c2 = 0.0;
    for (qsizetype half = 1; half < n; half <<= 1) {
        double u1 = 1.0;
        double u2 = 0.0;
        for (qsizetype first = 0; first < half; first += Chunk) {
            const qsizetype count = std::min(Chunk, half - first);
            for (qsizetype g = 0; g < count; ++g) {
                twiddleRe[g] = u1;
                twiddleIm[g] = u2;
                const double next = u1 * c1 - u2 * c2;
                u2 = u1 * c2 + u2 * c1;
                u1 = next;
            }
            for (qsizetype block = first; block < n; block += 2 * half) {
                double* __restrict r0 = re + block;
                double* __restrict i0 = im + block;
                double* __restrict r1 = re + block + half;
                double* __restrict i1 = im + block + half;
                for (qsizetype g = 0; g < count; ++g) {
                    const double t1 = twiddleRe[g] * r1[g] - twiddleIm[g] * i1[g];
                    const double t2 = twiddleRe[g] * i1[g] + twiddleIm[g] * r1[g];
                    r1[g] = r0[g] - t1;
                    i1[g] = i0[g] - t2;
                    r0[g] = r0[g] + t1;
                    i0[g] = i0[g] + t2;
                }
            }
        }
        c2 = -std::sqrt((1.0 - c1) / 2.0);
        c1 = std::sqrt((1.0 + c1) / 2.0);
    }
}

} // namespace

bool FFT::calculate(QList<double>& signal, QList<double>& frequencies, QList<double>& amplitudes,
                    double samplingRate, bool normalise)
{
    const qsizetype length = signal.size();
    const qsizetype n = paddedLength(length);
    std::vector<double> imaginary;
    try {
        imaginary.assign(static_cast<size_t>(n), 0.0);
        frequencies.resize(n / 2 + 1);
        amplitudes.resize(n / 2 + 1);
        if (length > 0)
            signal.resize(n);
    } catch (const std::bad_alloc& e) {
        qDebug() << "FFT bad_alloc caught:" << e.what() << "samples:" << length;
        frequencies.clear();
        amplitudes.clear();
        return false;
    }
    if (length == 0) {
        // Nothing to transform: one point at 0 Hz with no amplitude.
        frequencies[0] = 0.0;
        amplitudes[0] = 0.0;
        return true;
    }

    double* re = signal.data();
    double* im = imaginary.data();
    if (normalise) {
        double sum = 0.0;
        qsizetype count = 0;
        for (qsizetype i = 0; i < length; ++i) {
            if (std::isfinite(re[i])) {
                sum += re[i];
                ++count;
            }
        }
        const double mean = sum / static_cast<double>(count);
        for (qsizetype i = 0; i < length; ++i)
            re[i] = (re[i] - mean) / static_cast<double>(count);
    }
    for (qsizetype i = 0; i < length; ++i) {
        if (std::isnan(re[i]))
            re[i] = 0.0;
    }

    bitReverse(re, n);
    butterflies(re, im, n);

    double* frequency = frequencies.data();
    double* amplitude = amplitudes.data();
    for (qsizetype k = 0; k <= n / 2; ++k) {
        amplitude[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        frequency[k] = static_cast<double>(k) * samplingRate / static_cast<double>(n);
    }
    return true;
}

int FFT::getResultSampleCount(int n)
{
    if (n <= 1)
        return 1;
    return static_cast<int>(paddedLength(n) / 2 + 1);
}
