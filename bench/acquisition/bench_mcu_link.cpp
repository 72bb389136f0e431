// MCU link benchmark.
// 1. The simulated controller streams 32 frames per ms while another thread
//    queues 32 register writes per ms, for ZEMBO_BENCH_SECONDS (default 60):
//    the link thread's CPU share, its longest pause between ticks, and the
//    frames lost on the way in and out (must be 0).
// 2. Decode and CRC check of a full 65,536-frame buffer, in frames per second
//    and as a multiple of the controller's 32,000 frames per second.
#include "McuThread.h"
#include "SimulatedDynoController.h"
#include "SimulatedPlant.h"
#include "SpiDynoFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

// Resource initialisers are called by name, outside any namespace.
static void initFirmwareResource()
{
    Q_INIT_RESOURCE(firmware);
}

namespace {

constexpr int framesPerMs = 32;
constexpr uint8_t streamRegister = 67; // ain1_2
constexpr uint8_t writeRegister = 143; // bcTorqueTarget1

// Streams a counter at the controller's full rate and checks that the
// board's writes arrive complete and in order.
class BenchPlant : public SimulatedPlant
{
public:
    void start(int64_t) override {}
    void advance(int64_t nowUs, FrameSink& sink) override
    {
        if (!streaming)
            return;
        if (!started) {
            started = true;
            origin = nowUs;
        }
        const uint64_t due = uint64_t((nowUs - origin) * framesPerMs / 1000);
        while (produced < due) {
            sink.push(streamRegister, uint32_t(produced));
            ++produced;
        }
    }
    void targetWritten(uint8_t reg, uint32_t value) override
    {
        if (reg != writeRegister)
            return;
        if (value != expectedWrite)
            ++writeGaps;
        expectedWrite = value + 1;
        ++writesReceived;
    }

    std::atomic<bool> streaming{false};
    bool started = false;
    int64_t origin = 0;
    uint64_t produced = 0;
    uint32_t expectedWrite = 0;
    uint64_t writesReceived = 0;
    uint64_t writeGaps = 0;
};

uint64_t threadCpuNs(int tid)
{
    QFile file(QStringLiteral("/proc/self/task/%1/schedstat").arg(tid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().split(' ').value(0).toULongLong();
}

QString imageVersion()
{
    initFirmwareResource();
    QFile file(QStringLiteral(":/firmware/current"));
    file.open(QIODevice::ReadOnly);
    const QByteArray header = file.read(128);
    return QString::fromLatin1(header.left(header.indexOf('\0')));
}

void streaming(int seconds)
{
    SimulatedControllerConfig config;
    config.firmwareVersion = imageVersion();
    SimulatedDynoController sim(config, QString());
    auto plantOwned = std::make_unique<BenchPlant>();
    BenchPlant* plant = plantOwned.get();
    sim.setPlant(std::move(plantOwned));

    McuThread::setProgramEnder([](const QString& m) { std::fprintf(stderr, "link ended: %s\n", qPrintable(m)); });
    McuThread link(&sim);
    link.start(QThread::TimeCriticalPriority);
    link.polling = true;
    QElapsedTimer wait;
    wait.start();
    while (!link.firmwareConfirmed && wait.elapsed() < 3000)
        QThread::msleep(5);
    if (!link.firmwareConfirmed) {
        std::printf("the link did not confirm the simulated controller\n");
        return;
    }
    QThread::msleep(50);

    std::atomic<bool> running{true};
    uint64_t streamGaps = 0;
    uint64_t streamReceived = 0;
    // Takes the handed-over buffers every 10 ms, as the run thread does.
    std::thread reader([&] {
        uint64_t expected = 0;
        bool first = true;
        while (running) {
            if (McuThreadFrameBuffer* buffer = link.acquireInput()) {
                for (int i = 0; i < buffer->count; ++i) {
                    const SpiDynoFrame& f = buffer->frames[i];
                    if (uint8_t(f.reg) != streamRegister)
                        continue;
                    if (!first && f.value != uint32_t(expected))
                        ++streamGaps;
                    first = false;
                    expected = uint64_t(f.value) + 1;
                    ++streamReceived;
                }
                link.releaseInput(buffer);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });

    link.peakLoopDelayUs = 0;
    const int tid = link.linkThreadId;
    const uint64_t cpuStart = threadCpuNs(tid);
    QElapsedTimer clock;
    clock.start();
    plant->streaming = true;

    uint32_t written = 0;
    auto next = std::chrono::steady_clock::now();
    const auto end = next + std::chrono::seconds(seconds);
    while (next < end) {
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
        for (int i = 0; i < framesPerMs; ++i)
            link.writeReg(DynoRegister::bcTorqueTarget1, written++);
    }
    const qint64 wallNs = clock.nsecsElapsed();
    const uint64_t cpuNs = threadCpuNs(tid) - cpuStart;
    // Let the last frames reach the controller and the reader before counting.
    plant->streaming = false;
    QThread::msleep(200);
    running = false;
    reader.join();
    link.quit();
    link.wait();

    const uint64_t produced = plant->produced;
    const uint64_t lost = streamGaps + link.inputFramesLost + sim.framesDropped();
    std::printf("MCU link on the simulated controller, %d frames/ms both ways for %d s\n", framesPerMs, seconds);
    std::printf("  link thread CPU:      %.2f %% of one core\n", 100.0 * double(cpuNs) / double(wallNs));
    std::printf("  longest loop pause:   %.2f ms\n", double(link.peakLoopDelayUs.load()) / 1000.0);
    std::printf("  frames in:  produced %llu, received %llu, lost %llu (gaps %llu, input buffer %llu, controller "
                "queue %llu)\n",
                (unsigned long long)produced, (unsigned long long)streamReceived, (unsigned long long)lost,
                (unsigned long long)streamGaps, (unsigned long long)link.inputFramesLost.load(),
                (unsigned long long)sim.framesDropped());
    std::printf("  frames out: queued %u, arrived %llu, lost %llu (out of order %llu, output queue %llu)\n", written,
                (unsigned long long)plant->writesReceived,
                (unsigned long long)(written - plant->writesReceived + plant->writeGaps),
                (unsigned long long)plant->writeGaps, (unsigned long long)link.outputFramesLost.load());
}

// Hands out a prepared stream of frames, 32 per transfer.
class ReplayTransport : public SpiTransport
{
public:
    explicit ReplayTransport(const std::vector<SpiDynoFrame>& frames) : frames(frames) {}
    int transfer(const unsigned char*, unsigned char* rx, int length) override
    {
        const int count = length / 6;
        std::memcpy(rx, frames.data() + position, size_t(count) * 6);
        position = (position + size_t(count)) % frames.size();
        return length;
    }

private:
    const std::vector<SpiDynoFrame>& frames;
    size_t position = 0;
};

void decodeThroughput()
{
    const int total = McuThreadFrameBuffer::capacity;
    std::vector<SpiDynoFrame> frames(static_cast<size_t>(total));
    QRandomGenerator random(65536);
    for (SpiDynoFrame& f : frames)
        f = SpiDynoFrame::make(static_cast<DynoRegister>(53 + random.bounded(61)), random.generate());
    ReplayTransport replay(frames);
    McuThread link(&replay);
    link.firmwareConfirmed = true;
    SpiDynoFrameBatch nullBatch{};
    McuThreadFrameBuffer buffer;

    double best = 1e30;
    for (int repeat = 0; repeat < 20; ++repeat) {
        buffer.count = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < total; i += SpiDynoFrameBatch::frameCount)
            link.writeReadFrameBatch(nullBatch.frames, buffer);
        best = std::min(best, double(clock.nsecsElapsed()) / 1e9);
        if (buffer.count != total)
            std::printf("  unexpected: %d frames kept\n", buffer.count);
    }
    const double perSecond = total / best;
    std::printf("Decode and CRC of a %d-frame buffer: %.3f ms, %.0f frames/s = %.0f x the controller's 32000 "
                "frames/s\n",
                total, best * 1000.0, perSecond, perSecond / 32000.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("ZEMBO_BENCH_SECONDS")
                            ? qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS")
                            : 60;
    decodeThroughput();
    streaming(std::max(1, seconds));
    return 0;
}
