// bench_can routing | parse DIR | shot
//   routing: CPU time of the GUI thread for one second of traffic at 10 000
//            frames/s (batches of 100), 200 inputs over 3 masks and 1 input.
//   parse:   writes DIR/frames.bin and DIR/inputs.txt (600 000 frames, 200
//            inputs), decodes them with parseCanFrames, prints the best time
//            in ms and the sum of all values (the script checks it).
//   shot:    p50 and p99 of one shot of an 8-signal message inside a lock
//            as the trigger thread holds it.
#include "Argument.h"
#include "CanInput.h"
#include "CanInputsModel.h"
#include "CanOutputChannel.h"
#include "CanOutputMessage.h"
#include "ChannelSetup.h"
#include "lib/Units.h"

#include <QApplication>
#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

qint64 g_clock = 1000;
qint64 benchClock()
{
    return g_clock;
}

const quint32 kMasks[3] = {0xFFFFFFFFu, 0x1FFFFF00u, 0x000007F0u};

// 200 inputs: identifiers 0x100 + k (k < 40) cut to three masks, fields
// of 1 to 32 bits in both byte orders, signed and unsigned.
void makeInputs(CanInputsModel& model, int count, QTextStream* spec)
{
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        auto* input = new CanInput();
        input->setChildName(QStringLiteral("in%1").arg(i));
        CanInputDefinition& d = input->def;
        d.canMask = kMasks[i % 3];
        // Identifiers that fit their mask (the key itself is not masked).
        d.canId = qint32((0x100u + quint32(i / 5) % 40) & d.canMask);
        d.bitCount = 1 + int(random.bounded(32));
        const int start = int(random.bounded(64 - d.bitCount + 1));
        d.byteOffset = start / 8;
        d.bitOffset = start % 8;
        d.endianness = random.bounded(2) ? Endianness_little : Endianness_big;
        d.isSigned = random.bounded(2) ? Signedness_signed : Signedness_unsigned;
        d.multiplier = 1 + random.bounded(10);
        d.divider = 1 + random.bounded(4);
        d.offset = double(int(random.bounded(100)) - 50);
        model.addInput(input);
        if (spec)
            *spec << d.canMask << ' ' << d.canId << ' ' << start << ' ' << d.bitCount << ' ' << int(d.endianness)
                  << ' ' << int(d.isSigned) << ' ' << d.multiplier << ' ' << d.divider << ' ' << d.offset << '\n';
    }
    model.rebuildParsingMap();
}

QList<canFrame_t> makeFrames(int count)
{
    QRandomGenerator random(11);
    QList<canFrame_t> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i) {
        canFrame_t f;
        f.canData = random.generate64();
        f.canChannelAndId = 0x100u + random.bounded(48u);
        f.timestamp = quint32(i / 10);
        frames.append(f);
    }
    return frames;
}

double routingShare(int inputs)
{
    CanInputsModel model(true);
    makeInputs(model, inputs, nullptr);
    const QList<canFrame_t> frames = makeFrames(10000);
    QList<QList<canFrame_t>> batches;
    for (int b = 0; b < 100; ++b)
        batches.append(frames.mid(b * 100, 100));
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double start = threadCpuSeconds();
        for (const auto& batch : std::as_const(batches)) {
            g_clock += 10;
            model.slot_newCanFrameBatch(batch);
        }
        best = std::min(best, threadCpuSeconds() - start);
    }
    return best; // seconds of CPU per second of traffic
}

int parse(const QString& dir)
{
    CanInputsModel model(true);
    QFile specFile(dir + QStringLiteral("/inputs.txt"));
    if (!specFile.open(QIODevice::WriteOnly))
        return 2;
    QTextStream spec(&specFile);
    spec.setRealNumberPrecision(17);
    makeInputs(model, 200, &spec);
    spec.flush();
    const QList<canFrame_t> frames = makeFrames(600000);
    QFile bin(dir + QStringLiteral("/frames.bin"));
    if (!bin.open(QIODevice::WriteOnly))
        return 2;
    for (const canFrame_t& f : frames) {
        bin.write(reinterpret_cast<const char*>(&f.canData), 8);
        bin.write(reinterpret_cast<const char*>(&f.canChannelAndId), 4);
    }
    bin.close();
    double best = 1e9;
    double sum = 0;
    for (int round = 0; round < 2; ++round) {
        QList<QList<double>> times;
        QList<QList<double>> values;
        const auto start = std::chrono::steady_clock::now();
        model.parseCanFrames(&frames, &times, &values);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
        sum = 0;
        for (const auto& v : std::as_const(values))
            for (double x : v)
                sum += x;
    }
    std::printf("%.3f %.6e\n", best * 1000.0, sum);
    return 0;
}

int shot()
{
    CanOutputMessage message;
    for (int i = 0; i < 8; ++i) {
        auto* c = new CanOutputChannel();
        c->argument->setConstant(10.0 * i + 0.5, false);
        c->byteOffset = i;
        c->multiplier = 3;
        c->divider = 2;
        c->offset = 1;
        message.addChannel(c);
    }
    volatile uint8_t sink = 0;
    CanOutputMessage::setSender([&sink](uint8_t, uint32_t, const uint8_t* d) { sink = sink + d[0]; });
    QMutex triggerLock;
    std::vector<double> ns;
    ns.reserve(200000);
    for (int i = 0; i < 200000; ++i) {
        const auto start = std::chrono::steady_clock::now();
        {
            QMutexLocker lock(&triggerLock);
            message.slot_send();
        }
        ns.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ns.begin(), ns.end());
    std::printf("one shot of an 8-signal message: p50 %.0f ns, p99 %.0f ns\n", ns[ns.size() / 2],
                ns[ns.size() * 99 / 100]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    RunChannel::setWallClock(&benchClock);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args.at(1) == QLatin1String("routing")) {
        const double many = routingShare(200);
        const double one = routingShare(1);
        std::printf("live routing at 10000 frames/s: 200 inputs over 3 masks %.3f %% of a core, 1 input %.3f %%; "
                    "ratio %.1f\n",
                    100 * many, 100 * one, many / one);
        return 0;
    }
    if (args.size() == 3 && args.at(1) == QLatin1String("parse"))
        return parse(args.at(2));
    if (args.size() == 2 && args.at(1) == QLatin1String("shot"))
        return shot();
    std::fprintf(stderr, "usage: bench_can routing | parse DIR | shot\n");
    return 2;
}
