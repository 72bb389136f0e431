// Runs the capture thread's block processing over a raw signal (s16le mono
// 48 kHz) as the audio input would deliver it, and writes what it produced,
// for check_knock.py to compare with its own model:
//   knock_tool IN.raw OUTDIR [option=value ...]
// Options: speed (engine speed in rad/s, "nan" for none), noise (the
// engine-noise characteristic "x:y,x:y", empty for none), frequency, q, gain,
// cutoff, playback (0..2), flush (block numbers to flush before, "3,9").
// OUTDIR gets blocks.txt (per read block: flushed, level, peak, knock level,
// knock count, clipping), saved.raw (the blocks handed on for recording) and
// playback.raw (what was written to the playback stream).
#include "AudioSource.h"
#include "ChannelId.h"
#include "Channels.h"
#include "HwInfo.h"
#include "PAThread.h"
#include "PointVectorEditor.h"
#include "RunChannel.h"
#include "lib/Units.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {

// Hands out the file's blocks; the playback is collected.
class FileSource : public AudioSource
{
public:
    explicit FileSource(QByteArray data)
        : data(std::move(data))
    {
    }
    bool openRecord(const QString&, const QString&, int, QString*) override { return true; }
    bool openPlayback(const QString&, QString*) override { return true; }
    void closeRecord() override {}
    void closePlayback() override {}
    bool recordOpen() const override { return true; }
    bool playbackOpen() const override { return true; }
    bool read(int16_t* samples, int count, QString* error) override
    {
        const qsizetype bytes = qsizetype(count) * 2;
        if (position + bytes > data.size()) {
            *error = QStringLiteral("end of signal");
            return false;
        }
        memcpy(samples, data.constData() + position, size_t(bytes));
        position += bytes;
        return true;
    }
    bool write(const int16_t* samples, int count, QString*) override
    {
        playback.append(reinterpret_cast<const char*>(samples), qsizetype(count) * 2);
        return true;
    }
    quint64 recordLatencyUs() override { return 0; }
    QString sourceName(int) override { return QString(); }

    QByteArray data;
    qsizetype position = 0;
    QByteArray playback;
};

double value(RunChannel* channel)
{
    return channel ? channel->getValue() : std::nan("");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: knock_tool IN.raw OUTDIR [option=value ...]\n");
        return 2;
    }
    QMap<QString, QString> options;
    for (int i = 3; i < argc; ++i) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        options.insert(option.section(QLatin1Char('='), 0, 0), option.section(QLatin1Char('='), 1));
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly))
        return 2;
    const QString outDir = QString::fromLocal8Bit(argv[2]);

    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();

    PointVectorEditor noise(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    QList<QPointF> points;
    for (const QString& pair : options.value(QStringLiteral("noise")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        points.append(QPointF(pair.section(QLatin1Char(':'), 0, 0).toDouble(),
                              pair.section(QLatin1Char(':'), 1).toDouble()));
    noise.slot_setVector(points);

    auto* source = new FileSource(in.readAll());
    PAThread thread(0, std::unique_ptr<AudioSource>(source));
    PAThread::Setup setup;
    setup.bandpassFrequency = options.value(QStringLiteral("frequency"), QStringLiteral("6000")).toFloat();
    setup.bandpassQ = options.value(QStringLiteral("q"), QStringLiteral("2.3")).toFloat();
    setup.gain = options.value(QStringLiteral("gain"), QStringLiteral("1")).toDouble();
    setup.levelCutoff = options.value(QStringLiteral("cutoff"), QStringLiteral("4000")).toDouble();
    setup.playbackMode = options.value(QStringLiteral("playback"), QStringLiteral("0")).toInt();
    setup.engineNoise = &noise;
    setup.engineNoiseEmpty = points.isEmpty();
    thread.setSetup(setup);

    RunChannel* speed = theChannels.getChannel(ChannelId_engineSpeed, 0);
    const QString speedText = options.value(QStringLiteral("speed"), QStringLiteral("nan"));
    speed->setDataWithoutFilter(speedText == QLatin1String("nan") ? std::nan("") : speedText.toDouble(), 1000);

    QSet<int> flushBefore;
    for (const QString& n : options.value(QStringLiteral("flush")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        flushBefore.insert(n.toInt());

    QByteArray saved;
    QObject::connect(&thread, &PAThread::signal_saveBuffer, [&saved](const AudioBlock& block) {
        saved.append(reinterpret_cast<const char*>(block.samples), sizeof(block.samples));
    });
    int alarms = 0;
    QObject::connect(&thread, &PAThread::signal_systemAlarm, [&alarms](int type) {
        if (type == 3)
            ++alarms;
    });

    QFile blocks(outDir + QStringLiteral("/blocks.txt"));
    if (!blocks.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    QTextStream out(&blocks);
    out.setRealNumberPrecision(17);
    const int count = int(source->data.size() / (PAThread::blockSamples * 2));
    for (int b = 0; b < count; ++b) {
        if (flushBefore.contains(b))
            thread.flushNextBuffer();
        const int alarmsBefore = alarms;
        // A channel not written by this block reads as its previous value; mark it.
        for (ChannelId id : {ChannelId_audioLevel, ChannelId_audioLevelPeak, ChannelId_audioKnockLevel,
                             ChannelId_audioKnockCount})
            theChannels.getChannel(id, 0)->setDataWithoutFilter(-1e300, 1);
        thread.slot_checkStream();
        out << (flushBefore.contains(b) ? 1 : 0) << ' ' << value(theChannels.getChannel(ChannelId_audioLevel, 0))
            << ' ' << value(theChannels.getChannel(ChannelId_audioLevelPeak, 0)) << ' '
            << value(theChannels.getChannel(ChannelId_audioKnockLevel, 0)) << ' '
            << value(theChannels.getChannel(ChannelId_audioKnockCount, 0)) << ' ' << (alarms - alarmsBefore) << ' '
            << thread.knockCount() << '\n';
    }
    out.flush();
    for (const auto& [name, bytes] : {std::pair<QString, QByteArray>(QStringLiteral("saved.raw"), saved),
                                      std::pair<QString, QByteArray>(QStringLiteral("playback.raw"),
                                                                     source->playback)}) {
        QFile file(outDir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 2;
        file.write(bytes);
    }
    return 0;
}
