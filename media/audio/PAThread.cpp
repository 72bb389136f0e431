#include "PAThread.h"

#include "ChannelId.h"
#include "Channels.h"
#include "PointVectorEditor.h"
#include "RunChannel.h"
#include "SystemAlarmType.h"

#include <QDateTime>
#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kBlockBytes = PAThread::blockSamples * int(sizeof(int16_t));
} // namespace

PAThread::PAThread(int input, std::unique_ptr<AudioSource> audioSource)
    : inputIndex(input)
    , source(audioSource ? std::move(audioSource) : AudioSource::create(input))
    , ring(size_t(ringBlocks) * blockSamples, 0)
    , filtered(blockSamples, 0)
    , scaled(blockSamples, 0.0f)
{
    checkTimer = new QTimer(this);
    checkTimer->setInterval(1);
    connect(checkTimer, &QTimer::timeout, this, &PAThread::slot_checkStream);
    moveToThread(this);
}

PAThread::~PAThread()
{
    // The streams belong to the audio thread; by now its event loop has ended.
    source->closeRecord();
    source->closePlayback();
}

void PAThread::setSetup(const Setup& setup)
{
    QMutexLocker locker(&setupMutex);
    pending = setup;
    setupChanged = true;
}

void PAThread::resetFilters()
{
    QMutexLocker locker(&setupMutex);
    filterResetPending = true;
}

void PAThread::copyScaledBlock(float* out) const
{
    QMutexLocker locker(&blockMutex);
    std::copy(scaled.begin(), scaled.end(), out);
}

void PAThread::slot_startReading()
{
    if (source->recordOpen()) {
        checkTimer->start();
        return;
    }
    const QString device = source->sourceName(inputIndex);
    QString error;
    if (!source->openRecord(device, QStringLiteral("Zembo_record_%1").arg(inputIndex + 1), kBlockBytes, &error))
        qDebug() << "Error connecting to pulseaudio for record stream:" << error;
    if (!source->openPlayback(QStringLiteral("Zembo_playback_%1").arg(inputIndex + 1), &error))
        qDebug() << "Error connecting to pulseaudio for playback stream:" << error;
    if (source->recordOpen())
        checkTimer->start();
}

void PAThread::slot_stopReading()
{
    checkTimer->stop();
    source->closeRecord();
    source->closePlayback();
}

void PAThread::takeSetup()
{
    QMutexLocker locker(&setupMutex);
    if (setupChanged) {
        current = pending;
        setupChanged = false;
        if (current.bandpassFrequency != appliedFrequency || current.bandpassQ != appliedQ) {
            bandpass.setFrequencyAndQ(float(sampleRate), current.bandpassFrequency, current.bandpassQ);
            appliedFrequency = current.bandpassFrequency;
            appliedQ = current.bandpassQ;
        }
        if (current.levelCutoff != appliedCutoff) {
            levelFilter.setup(sampleRate, current.levelCutoff);
            appliedCutoff = current.levelCutoff;
        }
    }
    if (filterResetPending) {
        bandpass.reset();
        levelFilter.restart();
        filterResetPending = false;
    }
}

void PAThread::slot_checkStream()
{
    if (ringIndex > ringBlocks - 1)
        ringIndex = 0;
    int16_t* slot = ring.data() + size_t(ringIndex) * blockSamples;
    ++ringIndex;

    QString error;
    if (!source->read(slot, blockSamples, &error)) {
        qDebug() << "Error reading pulseaudio stream" << error;
        QThread::msleep(100);
        checkTimer->stop();
        source->closeRecord();
        source->closePlayback();
        QThread::msleep(100);
        slot_startReading();
        return;
    }

    const quint64 latency = source->recordLatencyUs();
    if (latency >= latencySkipOnUs) {
        if (!latencySkip.exchange(true))
            qDebug() << "latency skip playback:" << latency;
    } else if (latency < latencySkipOffUs) {
        latencySkip.store(false);
    }

    takeSetup();
    const bool playbackAllowed = !latencySkip.load() && !muteFlag.load();
    if (playbackAllowed && current.playbackMode == PlaybackDirect && source->playbackOpen()
        && !source->write(slot, blockSamples, &error))
        qDebug() << "Error playing pulseaudio stream" << error;

    if (knockCountReset.exchange(false))
        knockTotal = 0.0;
    if (flushFlag.exchange(false)) {
        knockTotal = 0.0;
    } else {
        processBlock(slot);
    }

    if (playbackAllowed && current.playbackMode == PlaybackFiltered && source->playbackOpen()
        && !source->write(filtered.data(), blockSamples, &error))
        qDebug() << "Error playing pulseaudio stream" << error;
}

void PAThread::processBlock(const int16_t* samples)
{
    double engineSpeed = kNaN;
    if (RunChannel* channel = theChannels.getChannel(ChannelId_engineSpeed, 0))
        engineSpeed = channel->getValue();
    // An empty characteristic would hand back the engine speed itself (rad/s)
    // as a threshold against a level below 1: no threshold at all is meant.
    float threshold = std::numeric_limits<float>::quiet_NaN();
    if (current.engineNoise && !current.engineNoiseEmpty && std::isfinite(engineSpeed))
        threshold = float(current.engineNoise->getValue(engineSpeed));

    bool clipping = false;
    {
        QMutexLocker locker(&blockMutex);
        for (int i = 0; i < blockSamples; ++i) {
            const float x = float(samples[i]) / 32767.0f;
            scaled[size_t(i)] = x;
            if (x > clipLimit || x < -clipLimit)
                clipping = true;
        }
    }

    const bool filteredPlayback = current.playbackMode == PlaybackFiltered;
    int holdOff = 0;
    int knocks = 0;
    double maximum = kNaN;
    for (int i = 0; i < blockSamples; ++i) {
        const float y = bandpass.addData(scaled[size_t(i)]);
        const float g = float(double(y) * current.gain);
        if (filteredPlayback) {
            const float limited = std::clamp(g, -1.0f, 1.0f);
            filtered[size_t(i)] = int16_t(limited * 32767.0f);
        }
        const double previous = levelFilter.getOutput();
        const double level = levelFilter.addData(std::fabs(double(g)));
        if (holdOff > 0) {
            --holdOff;
        } else if (previous <= threshold && threshold < level) {
            ++knocks;
            holdOff = knockHoldOff;
        }
        if (level > maximum || std::isnan(maximum))
            maximum = level;
    }

    if (std::isfinite(maximum)) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (RunChannel* level = theChannels.getChannel(ChannelId_audioLevel, inputIndex))
            level->setData(maximum, now);
        if (RunChannel* peak = theChannels.getChannel(ChannelId_audioLevelPeak, inputIndex)) {
            const double held = peak->getValue();
            if (std::isnan(held) || held < maximum)
                peak->setDataWithoutFilter(maximum, now);
            else
                peak->setData(maximum, now);
        }
        if (RunChannel* knockLevel = theChannels.getChannel(ChannelId_audioKnockLevel, inputIndex))
            knockLevel->setData(double(float(maximum) - threshold), now);
        // Counted here rather than added to the channel's value: one moment
        // without a value would leave the channel NaN for the rest of the run.
        // (A knock needs a settled level, so a block without one has none.)
        knockTotal += knocks;
        if (RunChannel* count = theChannels.getChannel(ChannelId_audioKnockCount, inputIndex))
            count->setData(knockTotal, now);
    }

    if (clipping)
        emit signal_systemAlarm(SystemAlarmType_audioInputClipping);
    std::copy(samples, samples + blockSamples, outgoing.samples);
    emit signal_saveBuffer(outgoing);
}
