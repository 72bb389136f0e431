// Brake-controller thread benchmark on the simulated controller.
// For ZEMBO_BENCH_SECONDS (default 60), split in two halves:
//   1. speed control with the feed-forward and its three curve factors on;
//   2. the same while the GUI thread edits the three curves without pause.
// Printed per half: tick duration (mean, max) and the timer's interval
// (mean, standard deviation, min, max). The reference, measured at the same
// time, is a bare thread that sleeps to absolute 10 ms deadlines
// (clock_nanosleep) and does nothing else: the jitter the machine itself gives.
#include "SettingsFixture.h"

#include "BrakeController.h"
#include "BrakeControllerFF.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "CustomCorrectionWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct IntervalStats {
    quint64 n = 0;
    double sum = 0;
    double squares = 0;
    double min = 0;
    double max = 0;
    void add(double x)
    {
        if (n == 0 || x < min)
            min = x;
        if (x > max)
            max = x;
        sum += x;
        squares += x * x;
        ++n;
    }
    double mean() const { return n ? sum / double(n) : 0.0; }
    double stddev() const
    {
        if (n < 2)
            return 0.0;
        const double m = mean();
        return std::sqrt(std::max(0.0, squares / double(n) - m * m));
    }
};

// Sleeps to absolute 10 ms deadlines and records the intervals between wake-ups.
class ReferenceTicker
{
public:
    void start()
    {
        running = true;
        worker = std::thread([this] { run(); });
    }
    void stop()
    {
        running = false;
        worker.join();
    }
    IntervalStats take()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        IntervalStats result = stats;
        stats = IntervalStats();
        return result;
    }

private:
    void run()
    {
        timespec next;
        clock_gettime(CLOCK_MONOTONIC, &next);
        double last = -1;
        while (running) {
            next.tv_nsec += 10'000'000;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const double t = double(now.tv_sec) * 1e9 + double(now.tv_nsec);
            if (last >= 0) {
                const std::lock_guard<std::mutex> lock(mutex);
                stats.add(t - last);
            }
            last = t;
        }
    }

    std::atomic<bool> running{false};
    std::thread worker;
    std::mutex mutex;
    IntervalStats stats;
};

void report(const char* phase, const BrakeControllerThread::TickStatistics& ours, const IntervalStats& reference)
{
    const quint64 ticks = ours.ticks;
    const quint64 n = ours.intervals;
    const double mean = n ? ours.intervalSumNs / double(n) : 0.0;
    const double stddev =
        n > 1 ? std::sqrt(std::max(0.0, ours.intervalSquareSumNs / double(n) - mean * mean)) : 0.0;
    std::printf("%s\n", phase);
    std::printf("  ticks %llu (deadlines missed %llu), tick duration mean %.1f us, max %.1f us\n",
                (unsigned long long)ticks, (unsigned long long)ours.missedTicks.load(),
                ticks ? double(ours.totalDurationNs) / double(ticks) / 1e3 : 0.0, double(ours.maxDurationNs) / 1e3);
    std::printf("  ours:      interval mean %.3f ms, stddev %.3f ms, min %.3f ms, max %.3f ms\n", mean / 1e6,
                stddev / 1e6, double(ours.minIntervalNs) / 1e6, double(ours.maxIntervalNs) / 1e6);
    std::printf("  reference: interval mean %.3f ms, stddev %.3f ms, min %.3f ms, max %.3f ms\n",
                reference.mean() / 1e6, reference.stddev() / 1e6, reference.min / 1e6, reference.max / 1e6);
    std::printf("  jitter ratio (stddev ours / reference): %.2f; worst lateness ratio: %.2f\n",
                reference.stddev() > 0 ? stddev / reference.stddev() : 0.0,
                reference.max > 1e7 ? (double(ours.maxIntervalNs) - 1e7) / (reference.max - 1e7) : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = std::max(2, qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS") > 0
                                        ? qEnvironmentVariableIntValue("ZEMBO_BENCH_SECONDS")
                                        : 60);

    SettingsFixture fixture(3);
    if (!fixture.start()) {
        std::printf("the dyno settings did not become ready\n");
        return 1;
    }
    theSettings.setValue(theSettings.keyPrefix + QStringLiteral("checkBox_settings_absorberControlOnlyDuringRun"),
                         int(Qt::Unchecked));
    theBrakeControllerThread = new BrakeControllerThread;
    auto runTab = std::make_unique<QWidget>();
    auto* panel = new BrakeController(runTab.get());
    panel->init();
    panel->setChannel(BrakeControllerChannel_roadSpeed);
    panel->spinBox_dynoSpeedTarget->setValueSI(50 / 3.6);
    panel->setMode(BrakeControllerMode_speed);
    BrakeControllerFF* ff = panel->dynoSpeedFF;
    ff->checkBox_enable->setChecked(true);
    for (QCheckBox* box : ff->checkBox_multiplier)
        box->setChecked(true);

    // Live speeds as the run thread would set them, every 10 ms.
    RunChannel* roadSpeed = theChannels.getChannel(ChannelId_dynoSpeed, 0);
    QTimer feeder;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        const double t = double(clock.elapsed()) / 1000.0;
        roadSpeed->setDataWithoutFilter(60.0 + 20.0 * std::sin(t), QDateTime::currentMSecsSinceEpoch());
    });
    feeder.start(10);

    ReferenceTicker reference;
    reference.start();
    const int half = seconds * 500;
    std::printf("brake-controller thread, %d s in two halves\n", seconds);

    QTest::qWait(200);
    theBrakeControllerThread->resetStatistics();
    reference.take();
    QTest::qWait(half);
    report("1. speed control, feed-forward with three curves", theBrakeControllerThread->statistics, reference.take());

    QList<QPointF> big;
    for (int i = 0; i < 200; ++i)
        big.append(QPointF(i * 1.0, 0.5 + 0.001 * i));
    theBrakeControllerThread->resetStatistics();
    QTest::qWait(20);
    reference.take();
    QElapsedTimer editing;
    editing.start();
    int edits = 0;
    while (editing.elapsed() < half) {
        for (CustomCorrectionWidget* curve : ff->curves)
            curve->slot_setVector(edits % 2 ? big : curve->defaultPoints);
        ++edits;
        // The run's channels still need their feeder now and then.
        if (edits % 8 == 0)
            QCoreApplication::processEvents();
    }
    std::printf("(%d curve edits of three curves each)\n", edits);
    report("2. the same while the curves are edited", theBrakeControllerThread->statistics, reference.take());

    reference.stop();
    feeder.stop();
    runTab.reset();
    delete theBrakeControllerThread;
    theBrakeControllerThread = nullptr;
    return 0;
}
