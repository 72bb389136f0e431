#include "KnockAudio.h"

#include "BiQuad.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace KnockAudio {

int startIndex(int selectionStart, int selectionEnd, int sliderValue)
{
    return int(selectionStart + double(selectionEnd - selectionStart) * sliderValue / 100.0);
}

qsizetype sampleAt(double seconds, qsizetype count)
{
    const double sample = seconds * sampleRate;
    if (!(sample > 0.0))
        return 0;
    if (sample >= double(count))
        return count;
    return qsizetype(sample);
}

void filterChunk(int16_t* samples, qsizetype count, BiQuad& bandpass, float gain)
{
    for (qsizetype i = 0; i < count; ++i) {
        const float y = bandpass.addData(samples[i] / 32767.0f) * gain;
        samples[i] = int16_t(std::clamp(y, -1.0f, 1.0f) * 32767.0f);
    }
}

bool writeWav(const QString& path, const int16_t* samples, qsizetype count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const quint32 dataBytes = quint32(count) * 2u;
    char header[44];
    auto put32 = [&header](int at, quint32 v) { qToLittleEndian<quint32>(v, header + at); };
    auto put16 = [&header](int at, quint16 v) { qToLittleEndian<quint16>(v, header + at); };
    memcpy(header, "RIFF", 4);
    put32(4, 36u + dataBytes);
    memcpy(header + 8, "WAVE", 4);
    memcpy(header + 12, "fmt ", 4);
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, sampleRate);
    put32(28, sampleRate * 2);
    put16(32, 2);
    put16(34, 16);
    memcpy(header + 36, "data", 4);
    put32(40, dataBytes);
    bool ok = file.write(header, sizeof(header)) == qint64(sizeof(header));
    // Little endian on every board we run on; written in pieces to stay small.
    constexpr qsizetype piece = 8192;
    int16_t buffer[piece];
    for (qsizetype at = 0; ok && at < count; at += piece) {
        const qsizetype n = std::min(piece, count - at);
        for (qsizetype i = 0; i < n; ++i)
            buffer[i] = qToLittleEndian(samples[at + i]);
        ok = file.write(reinterpret_cast<const char*>(buffer), n * 2) == n * 2;
    }
    return ok && file.flush();
}

} // namespace KnockAudio
