#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// One audio input's two streams: the capture (48 kHz mono signed 16-bit) and
// the live playback of it. The real one talks to the PulseAudio server through
// its simple API; under ZEMBO_SIMULATE=1 a synthetic engine (SimulatedAudioSource)
// stands in unless ZEMBO_AUDIO=pulseaudio asks for the server.
//
// Used by one thread only (the input's capture thread). `read` blocks until
// the whole block has arrived.
class AudioSource
{
public:
    virtual ~AudioSource();

    // Opens the capture of `device` (empty: the server's choice); on failure
    // false and the server's error text in `error`.
    virtual bool openRecord(const QString& device, const QString& streamName, int fragmentBytes,
                            QString* error) = 0;
    virtual bool openPlayback(const QString& streamName, QString* error) = 0;
    virtual void closeRecord() = 0;
    virtual void closePlayback() = 0;
    virtual bool recordOpen() const = 0;
    virtual bool playbackOpen() const = 0;

    virtual bool read(int16_t* samples, int count, QString* error) = 0;
    virtual bool write(const int16_t* samples, int count, QString* error) = 0;
    // The capture's latency in microseconds (0 when unknown).
    virtual quint64 recordLatencyUs() = 0;

    // The name of the n-th (from 0) ALSA input source of the server, empty
    // when there are fewer.
    virtual QString sourceName(int n) = 0;

    // The source the program uses for input `input`.
    static std::unique_ptr<AudioSource> create(int input);
    // Picks the name of the n-th ALSA input out of "pactl list sources".
    static QString sourceNameFromList(const QString& pactlOutput, int n);
};
