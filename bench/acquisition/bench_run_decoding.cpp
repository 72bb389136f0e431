// Run thread benchmark, on a full board (ZR6) with its dyno settings.
// 1. Decode of a realistic 20 ms block (the simulated vehicle at speed, full
//    throttle) and of a full 65,536-frame block, as a share of the 10 ms tick.
// 2. RunChannel::setData per value.
// 3. End to end: the simulated controller streams 30,000 frames/s (the vehicle
//    plus stamped filler frames) through the real link for ZEMBO_BENCH_SECONDS
//    (default 60); latency from the frame's production to its channel value
//    (p50, p99), the run thread's CPU share, frames lost.
// Figures only; nothing passes or fails.
#include "Channels.h"
#include "RunChannel.h"
#include "RunThreadFixture.h"
#include "SimulatedScenario.h"
#include "SimulatedVehiclePlant.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr uint8_t stampRegister = 53; // debugChannel1
constexpr int framesPerMs = 30;
constexpr uint32_t stampMask = (1u << 24) - 1;

int64_t steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint32_t floatBits(float f)
{
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Collects the frames a plant produces.
class VectorSink : public SimulatedPlant::FrameSink
{
public:
    void push(uint8_t reg, uint32_t value) override
    {
        SpiDynoFrame frame{};
        frame.reg = static_cast<DynoRegister>(reg);
        frame.value = value;
        frames.push_back(frame);
    }
    std::vector<SpiDynoFrame> frames;
};

// The vehicle, topped up with frames whose value is the time they were made
// (µs, modulo 2^24, exact in a float) to the controller's full rate.
class StampingPlant : public SimulatedPlant
{
public:
    explicit StampingPlant(const SimulatedScenario& scenario) : vehicle(scenario, 3) {}
    void start(int64_t nowUs) override
    {
        vehicle.start(nowUs);
        origin = nowUs;
        produced = 0;
    }
    void advance(int64_t nowUs, FrameSink& sink) override
    {
        class Counting : public FrameSink
        {
        public:
            explicit Counting(FrameSink& s) : inner(s) {}
            void push(uint8_t reg, uint32_t value) override
            {
                inner.push(reg, value);
                ++count;
            }
            FrameSink& inner;
            uint64_t count = 0;
        } counting(sink);
        vehicle.advance(nowUs, counting);
        produced += counting.count;
        const uint64_t due = uint64_t((nowUs - origin) * framesPerMs / 1000);
        const float stamp = float(uint32_t(steadyUs()) & stampMask);
        while (produced < due) {
            sink.push(stampRegister, floatBits(stamp));
            ++produced;
        }
    }
    void targetWritten(uint8_t reg, uint32_t value) override { vehicle.targetWritten(reg, value); }
    void configWritten(uint16_t a, uint16_t c, uint32_t v) override { vehicle.configWritten(a, c, v); }

    SimulatedVehiclePlant vehicle;
    int64_t origin = 0;
    uint64_t produced = 0;
};

double percentile(std::vector<double>& values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[i];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("ZEMBO_BENCH_SECONDS")
                            ? std::max(1, qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS"))
                            : 60;
    QString error;
    const SimulatedScenario scenario = SimulatedScenario::fromFile(
        QStringLiteral(ZEMBO_SCENARIO_DIR "/full-throttle.txt"),
        &error);
    if (!error.isEmpty()) {
        std::printf("scenario: %s\n", qPrintable(error));
        return 1;
    }

    RunThreadFixture fixture(3, false);
    if (!fixture.start()) {
        std::printf("the board's settings did not get ready\n");
        return 1;
    }
    RunThread* thread = fixture.thread.get();

    // ---- 1: decode of a block
    SimulatedVehiclePlant offline(scenario, 3);
    VectorSink warmUp;
    offline.start(0);
    offline.advance(20000000, warmUp); // 20 s into the pull: near top speed
    VectorSink realistic;
    offline.advance(20020000, realistic);
    std::vector<SpiDynoFrame> full;
    full.reserve(65536);
    while (full.size() < 65536)
        full.push_back(realistic.frames[full.size() % realistic.frames.size()]);

    auto timeBlock = [&](const std::vector<SpiDynoFrame>& frames, int repeats) {
        double best = 1e9;
        double total = 0.0;
        fixture.inRunThread([&] {
            for (int r = 0; r < repeats; ++r) {
                const auto t0 = std::chrono::steady_clock::now();
                thread->processBlock(frames.data(), int(frames.size()));
                const double us =
                    std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
                best = std::min(best, us);
                total += us;
            }
        });
        return std::make_pair(best, total / repeats);
    };
    const auto small = timeBlock(realistic.frames, 2000);
    const auto big = timeBlock(full, 20);
    std::printf("decode, realistic 20 ms block (%zu frames): best %.1f us, mean %.1f us = %.3f %% of the 10 ms tick\n",
                realistic.frames.size(), small.first, small.second, small.second / 100.0);
    std::printf("decode, full block (65536 frames): best %.0f us, mean %.0f us = %.1f %% of the 10 ms tick "
                "(%.1f ns per frame)\n",
                big.first, big.second, big.second / 100.0, big.second * 1000.0 / 65536.0);

    // ---- 2: setData
    {
        RunChannel* channel = theChannels.getChannel(ChannelId_debugChannel, 1);
        const int n = 1000000;
        double ns = 0.0;
        fixture.inRunThread([&] {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < n; ++i)
                channel->setData(double(i), now + i / 1000);
            ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / n;
        });
        std::printf("RunChannel::setData: %.0f ns per value\n", ns);
    }

    // ---- 3: end to end through the link
    std::vector<double> latencies;
    latencies.reserve(size_t(seconds) * 30000 + 1000);
    RunChannel* stamped = theChannels.getChannel(ChannelId_debugChannel, 0);
    QObject::connect(
        stamped, &RunChannel::signal_newData, thread,
        [&latencies](double value, qint64) {
            const uint32_t now = uint32_t(steadyUs()) & stampMask;
            const uint32_t made = uint32_t(value) & stampMask;
            if (latencies.size() < latencies.capacity())
                latencies.push_back(double((now - made) & stampMask) / 1000.0);
        },
        Qt::DirectConnection);
    fixture.settings.link.drainTimer.stop();
    fixture.settings.link.sim->setPlant(std::make_unique<StampingPlant>(scenario));
    McuThread* link = fixture.settings.link.link.get();
    fixture.inRunThread([&] { thread->setInputSource(link); });
    double cpuStart = 0.0;
    fixture.inRunThread([&] { cpuStart = threadCpuSeconds(); });
    const quint64 lostBefore = fixture.settings.link.link->inputFramesLost.load();
    const quint64 receivedBefore = fixture.settings.link.link->framesReceived.load();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    double cpuEnd = 0.0;
    fixture.inRunThread([&] { cpuEnd = threadCpuSeconds(); });
    const double wallSeconds = double(wall.elapsed()) / 1000.0;
    fixture.inRunThread([&] { thread->setInputSource(nullptr); });
    const quint64 received = fixture.settings.link.link->framesReceived.load() - receivedBefore;
    const quint64 lost = fixture.settings.link.link->inputFramesLost.load() - lostBefore;
    const quint64 dropped = fixture.settings.link.sim->framesDropped();
    std::vector<double> copy;
    fixture.inRunThread([&] { copy = latencies; });
    std::printf("end to end over %.0f s: %.0f frames/s received, %llu lost in the link, %llu dropped by the "
                "controller\n",
                wallSeconds, double(received) / wallSeconds, static_cast<unsigned long long>(lost),
                static_cast<unsigned long long>(dropped));
    std::printf("latency frame -> channel value: p50 %.2f ms, p99 %.2f ms (%zu stamped values)\n",
                percentile(copy, 0.5), percentile(copy, 0.99), copy.size());
    std::printf("run thread CPU: %.2f %% of one core\n", 100.0 * (cpuEnd - cpuStart) / wallSeconds);
    return 0;
}
