#pragma once

#include "AudioSource.h"

struct pa_simple;

// The PulseAudio server through its simple API; the source names come from
// "pactl list sources" (run with an argument list, 30 s at most).
class PulseAudioSource : public AudioSource
{
public:
    PulseAudioSource() = default;
    ~PulseAudioSource() override;

    bool openRecord(const QString& device, const QString& streamName, int fragmentBytes, QString* error) override;
    bool openPlayback(const QString& streamName, QString* error) override;
    void closeRecord() override;
    void closePlayback() override;
    bool recordOpen() const override { return record != nullptr; }
    bool playbackOpen() const override { return playback != nullptr; }
    bool read(int16_t* samples, int count, QString* error) override;
    bool write(const int16_t* samples, int count, QString* error) override;
    quint64 recordLatencyUs() override;
    QString sourceName(int n) override;

private:
    pa_simple* record = nullptr;
    pa_simple* playback = nullptr;
};
