#include "PulseAudioSource.h"

#include <QProcess>

#include <pulse/error.h>
#include <pulse/simple.h>

namespace {
const pa_sample_spec kSpec = {PA_SAMPLE_S16LE, 48000, 1};

QString errorText(int code)
{
    return QString::fromUtf8(pa_strerror(code));
}
} // namespace

PulseAudioSource::~PulseAudioSource()
{
    closeRecord();
    closePlayback();
}

bool PulseAudioSource::openRecord(const QString& device, const QString& streamName, int fragmentBytes,
                                  QString* error)
{
    closeRecord();
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(fragmentBytes);
    const QByteArray deviceName = device.toUtf8();
    const QByteArray stream = streamName.toUtf8();
    int code = 0;
    record = pa_simple_new(nullptr, "Zembo", PA_STREAM_RECORD, deviceName.isEmpty() ? nullptr : deviceName.constData(),
                           stream.constData(), &kSpec, nullptr, &attr, &code);
    if (!record && error)
        *error = errorText(code);
    return record != nullptr;
}

bool PulseAudioSource::openPlayback(const QString& streamName, QString* error)
{
    closePlayback();
    const QByteArray stream = streamName.toUtf8();
    int code = 0;
    playback = pa_simple_new(nullptr, "Zembo", PA_STREAM_PLAYBACK, nullptr, stream.constData(), &kSpec, nullptr,
                             nullptr, &code);
    if (!playback && error)
        *error = errorText(code);
    return playback != nullptr;
}

void PulseAudioSource::closeRecord()
{
    if (record)
        pa_simple_free(record);
    record = nullptr;
}

void PulseAudioSource::closePlayback()
{
    if (playback)
        pa_simple_free(playback);
    playback = nullptr;
}

bool PulseAudioSource::read(int16_t* samples, int count, QString* error)
{
    int code = 0;
    if (!record || pa_simple_read(record, samples, size_t(count) * sizeof(int16_t), &code) < 0) {
        if (error)
            *error = record ? errorText(code) : QStringLiteral("not connected");
        return false;
    }
    return true;
}

bool PulseAudioSource::write(const int16_t* samples, int count, QString* error)
{
    int code = 0;
    if (!playback || pa_simple_write(playback, samples, size_t(count) * sizeof(int16_t), &code) < 0) {
        if (error)
            *error = playback ? errorText(code) : QStringLiteral("not connected");
        return false;
    }
    return true;
}

quint64 PulseAudioSource::recordLatencyUs()
{
    int code = 0;
    if (!record)
        return 0;
    const pa_usec_t latency = pa_simple_get_latency(record, &code);
    return latency == pa_usec_t(-1) ? 0 : quint64(latency);
}

QString PulseAudioSource::sourceName(int n)
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sources")});
    if (!pactl.waitForFinished(30000)) {
        pactl.kill();
        pactl.waitForFinished(1000);
    }
    return sourceNameFromList(QString::fromUtf8(pactl.readAllStandardOutput()), n);
}
