// Splitting a 2-hour run's UDS samples per channel (40 channels, 50 requests
// a second in all: 360,000 frames) against numpy splitting the same frames:
// time and peak memory of both, and their ratios, in one run.
#include "FrameRecords.h"
#include "UDSChannelModel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

// The process's peak resident memory so far, in kB.
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

const char* kNumpy = R"(
import sys, time, tracemalloc
import numpy as np
dt = np.dtype([('value', '<f8'), ('id', '<u2'), ('timestamp', '<u4')])
frames = np.fromfile(sys.argv[1], dtype=dt)
ids = list(range(1, 41))
def split():
    order = np.argsort(frames['id'], kind='stable')
    ordered = frames[order]
    bounds = np.searchsorted(ordered['id'], ids + [ids[-1] + 1])
    return [(ordered['timestamp'][a:b] / 1000.0, ordered['value'][a:b]) for a, b in zip(bounds[:-1], bounds[1:])]
best = None
for _ in range(3):
    start = time.perf_counter()
    out = split()
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
# Memory traced apart: tracing slows numpy's allocations down.
tracemalloc.start()
out = split()
peak = tracemalloc.get_traced_memory()[1]
tracemalloc.stop()
print(best, peak // 1024, sum(len(t) for t, v in out))
)";

} // namespace

int main()
{
    constexpr int channels = 40;
    constexpr int frameCount = 2 * 3600 * 50;
    QList<channelFrame_t> frames(frameCount);
    quint32 seed = 12345;
    for (int i = 0; i < frameCount; ++i) {
        seed = seed * 1664525u + 1013904223u;
        frames[i] = channelFrame_t {double(seed % 1000) / 10.0, quint16(1 + seed % channels), quint32(i * 20)};
        if (i % 997 == 0)
            frames[i].value = std::numeric_limits<double>::quiet_NaN();
    }
    QList<quint16> rowIds;
    for (int c = 1; c <= channels; ++c)
        rowIds.append(quint16(c));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frames.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(reinterpret_cast<const char*>(frames.constData()), qint64(frames.size()) * qint64(sizeof(channelFrame_t)));
    file.close();

    const long before = peakKb();
    double best = 1e9;
    qsizetype total = 0;
    for (int round = 0; round < 3; ++round) {
        QList<QList<double>> times;
        QList<QList<double>> values;
        QElapsedTimer timer;
        timer.start();
        UDSChannelModel::parseFrames(rowIds, frames.constData(), frames.size(), &times, &values);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
        total = 0;
        for (const QList<double>& t : times)
            total += t.size();
    }
    const long ourPeak = peakKb() - before;

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kNumpy), path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        std::printf("parseFrames: %.1f ms for %d frames; numpy failed: %s\n", best * 1e3, frameCount,
                    python.readAllStandardError().constData());
        return 1;
    }
    const QList<QByteArray> numpy = python.readAllStandardOutput().trimmed().split(' ');
    const double numpySeconds = numpy.value(0).toDouble();
    const long numpyKb = numpy.value(1).toLong();
    std::printf("parseFrames on %d frames, %d channels: %.1f ms, peak +%ld kB; numpy split %.1f ms, peak %ld kB; "
                "time ratio %.2f, memory ratio %.2f (%lld and %s samples)\n",
                frameCount, channels, best * 1e3, ourPeak, numpySeconds * 1e3, numpyKb, best / numpySeconds,
                numpyKb > 0 ? double(ourPeak) / double(numpyKb) : 0.0, (long long)total, numpy.value(2).constData());
    return 0;
}
