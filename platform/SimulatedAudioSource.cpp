#include "SimulatedAudioSource.h"

#include <QThread>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRate = 48000;
// A knock every 1.5 s, decaying over about 3 ms.
constexpr quint64 kKnockPeriod = kRate * 3 / 2;
constexpr double kKnockFrequency = 6000.0;
constexpr double kKnockDecay = 1.0 / (0.003 * kRate);
} // namespace

SimulatedAudioSource::SimulatedAudioSource(int input)
    : seed(0x2545F491u + uint32_t(input) * 7919u)
{
}

bool SimulatedAudioSource::openRecord(const QString&, const QString&, int, QString*)
{
    recording = true;
    produced = 0;
    openedAt = std::chrono::steady_clock::now();
    return true;
}

bool SimulatedAudioSource::openPlayback(const QString&, QString*)
{
    playing = true;
    return true;
}

void SimulatedAudioSource::generate(int16_t* samples, int count)
{
    for (int i = 0; i < count; ++i, ++sampleNumber) {
        seed = seed * 1664525u + 1013904223u;
        // Engine noise: uniform, about 5 % of full scale.
        double x = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.1;
        const quint64 sinceKnock = sampleNumber % kKnockPeriod;
        if (sinceKnock < quint64(kRate / 50)) {
            const double t = double(sinceKnock);
            x += 0.6 * std::exp(-t * kKnockDecay) * std::sin(2.0 * M_PI * kKnockFrequency * t / kRate);
        }
        samples[i] = int16_t(std::lround(std::clamp(x, -1.0, 1.0) * 32767.0));
    }
}

bool SimulatedAudioSource::read(int16_t* samples, int count, QString* error)
{
    if (!recording) {
        if (error)
            *error = QStringLiteral("not connected");
        return false;
    }
    produced += quint64(count);
    const auto due = openedAt + std::chrono::microseconds(produced * 1000000 / kRate);
    const auto now = std::chrono::steady_clock::now();
    if (due > now)
        QThread::usleep(quint64(std::chrono::duration_cast<std::chrono::microseconds>(due - now).count()));
    generate(samples, count);
    return true;
}

bool SimulatedAudioSource::write(const int16_t*, int, QString* error)
{
    if (!playing && error)
        *error = QStringLiteral("not connected");
    return playing;
}

QString SimulatedAudioSource::sourceName(int n)
{
    return QStringLiteral("alsa_input.simulated%1").arg(n);
}
