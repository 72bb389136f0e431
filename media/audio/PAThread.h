#pragma once

#include "AudioSource.h"
#include "BiQuad.h"
#include "FrameRecords.h"
#include "KnockLevelFilter.h"

#include <QMutex>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class PointVectorEditor;
class QTimer;

// The capture thread of one audio input: owns the input's record and playback
// streams, reads 2048-sample blocks back to back, plays them back live (plain
// or band-pass filtered and amplified), runs the knock detector and writes its
// live channels, and hands every processed block on by value.
//
// Settings reach it from other threads through `setSetup` and the atomic
// flags; the thread takes one consistent copy at the start of each block.
class PAThread : public QThread
{
    Q_OBJECT
public:
    static constexpr int blockSamples = AudioBlock::sampleCount;
    static constexpr int ringBlocks = 256;
    static constexpr int sampleRate = 48000;
    // 5 ms after a counted knock are not tested again.
    static constexpr int knockHoldOff = 240;
    static constexpr float clipLimit = 0.95f;
    // Record latency that stops live playback, and below which it resumes.
    static constexpr quint64 latencySkipOnUs = 300001;
    static constexpr quint64 latencySkipOffUs = 100000;

    enum PlaybackMode { PlaybackOff = 0, PlaybackDirect = 1, PlaybackFiltered = 2 };

    struct Setup {
        int playbackMode = PlaybackOff;
        double gain = 1.0;
        float bandpassFrequency = 6000.0f;
        float bandpassQ = 2.3f;
        double levelCutoff = 4000.0;
        // The engine-noise characteristic (any-thread lookups), and whether it has no points.
        PointVectorEditor* engineNoise = nullptr;
        bool engineNoiseEmpty = true;
    };

    // `source` null: the platform's source for this input.
    explicit PAThread(int input, std::unique_ptr<AudioSource> source = nullptr);
    ~PAThread() override;

    const int inputIndex;

    // Any thread. A new band-pass or level-filter set-up applies from the next block.
    void setSetup(const Setup& setup);
    // Restarts both filters at the next block (live processing switched on).
    void resetFilters();
    void flushNextBuffer() { flushFlag.store(true); }
    void setMuted(bool muted) { muteFlag.store(muted); }
    // The running knock count starts again from 0.
    void resetKnockCount() { knockCountReset.store(true); }
    bool latencySkipping() const { return latencySkip.load(); }

    // The newest block scaled to -1..1 (2048 floats), copied under the block mutex.
    void copyScaledBlock(float* out) const;

    // The playback block of the last processed block (filtered mode), for tests.
    const int16_t* filteredPlaybackBlock() const { return filtered.data(); }
    AudioSource* audioSource() const { return source.get(); }

    // The running knock count of this input.
    double knockCount() const { return knockTotal; }

public Q_SLOTS:
    void slot_startReading();
    void slot_stopReading();
    void slot_checkStream();

Q_SIGNALS:
    // One processed block, as a copy: the ring slot is reused 256 blocks later.
    void signal_saveBuffer(const AudioBlock& block);
    void signal_systemAlarm(int type);

private:
    void takeSetup();
    void processBlock(const int16_t* samples);

    std::unique_ptr<AudioSource> source;
    QTimer* checkTimer = nullptr;
    std::vector<int16_t> ring;
    int ringIndex = 0;
    std::vector<int16_t> filtered;
    AudioBlock outgoing;

    mutable QMutex blockMutex;
    std::vector<float> scaled;

    QMutex setupMutex;
    Setup pending;
    bool setupChanged = true;
    bool filterResetPending = false;

    // The audio thread's own copy.
    Setup current;
    float appliedFrequency = -1.0f;
    float appliedQ = -1.0f;
    double appliedCutoff = -1.0;
    BiQuad bandpass;
    KnockLevelFilter levelFilter;
    double knockTotal = 0.0;

    std::atomic<bool> flushFlag{false};
    std::atomic<bool> latencySkip{false};
    std::atomic<bool> muteFlag{false};
    std::atomic<bool> knockCountReset{false};
};
