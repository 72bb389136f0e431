#pragma once

#include "AudioSource.h"

#include <chrono>

// Stand-in for a microphone on the engine: broadband engine noise with a
// decaying 6 kHz knock burst now and then, delivered at the real 48 kHz pace
// (`read` waits for the wall clock), so the program runs without a sound
// server. Playback is accepted and dropped.
class SimulatedAudioSource : public AudioSource
{
public:
    explicit SimulatedAudioSource(int input);

    bool openRecord(const QString& device, const QString& streamName, int fragmentBytes, QString* error) override;
    bool openPlayback(const QString& streamName, QString* error) override;
    void closeRecord() override { recording = false; }
    void closePlayback() override { playing = false; }
    bool recordOpen() const override { return recording; }
    bool playbackOpen() const override { return playing; }
    bool read(int16_t* samples, int count, QString* error) override;
    bool write(const int16_t* samples, int count, QString* error) override;
    quint64 recordLatencyUs() override { return 20000; }
    QString sourceName(int n) override;

    // The next samples without waiting for the clock (tests).
    void generate(int16_t* samples, int count);

private:
    uint32_t seed;
    bool recording = false;
    bool playing = false;
    quint64 produced = 0; // samples since the capture opened
    std::chrono::steady_clock::time_point openedAt;
    quint64 sampleNumber = 0; // of the signal, for the burst schedule
};
