#include "BrakeControllerThread.h"

#include "BrakeControllerPanelInputs.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "RunThread.h"

#include <QDebug>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include <pthread.h>
#include <sched.h>
#include <sys/timerfd.h>
#include <unistd.h>

BrakeControllerThread* theBrakeControllerThread = nullptr;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxRollers = 4;
// Low in the real-time range: above every normal thread, below the kernel's
// own real-time workers (interrupt threads run at 50).
constexpr int kRealTimePriority = 10;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A built-in live channel, or null while the registry has not made it yet.
// Built-in channels live as long as the program, so the pointer may be kept.
RunChannel* builtInChannel(ChannelId id)
{
    if (id >= theChannels.channelLists.size() || !theChannels.channelLists.at(id))
        return nullptr;
    return theChannels.getChannel(id, 0);
}

bool settingsReady()
{
    return theDynoSettings && theDynoSettings->initialized.load(std::memory_order_acquire);
}

void writeTarget(DynoRegister base, int index, double value)
{
    if (theMCUThread)
        theMCUThread->writeCachedReg(base, index, float(value));
}

int boundedCount(int count, int maximum)
{
    return std::clamp(count, 0, maximum);
}

// A target raised to the minimum; NaN stays NaN.
double raisedTo(double target, double minimum)
{
    return target < minimum ? minimum : target;
}

void setRollerAccTargets(double acc, double (*convert)(double, RollerId))
{
    const int rollers = boundedCount(theHwInfo.rollers, kMaxRollers);
    for (int roller = 0; roller < rollers; ++roller) {
        double rotAcc = convert(acc, RollerId(roller));
        const double limit =
            settingsReady() ? theDynoSettings->getSettingValueDouble(DynoSettingId_accPidRampLimit, roller) : kNaN;
        if (rotAcc < -limit)
            rotAcc = -limit;
        writeTarget(DynoRegister::bcRotAccTarget1, roller, rotAcc);
    }
}

} // namespace

BrakeControllerThread::BrakeControllerThread()
{
    tickTimer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (tickTimer < 0)
        qWarning() << "Brake-controller thread: no timerfd for the 10 ms tick, using the event loop's timer:"
                   << std::strerror(errno);
    moveToThread(this);
}

BrakeControllerThread::~BrakeControllerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
    if (tickTimer >= 0)
        ::close(tickTimer);
}

void BrakeControllerThread::enterRealTimeClass()
{
    sched_param parameters{};
    parameters.sched_priority = kRealTimePriority;
    const int error = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &parameters);
    if (error == 0)
        return;
    // A development machine usually refuses; once in the log is enough.
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        qInfo().noquote() << "Brake-controller thread: real-time scheduling refused (" << std::strerror(error)
                          << "), running at normal priority";
}

void BrakeControllerThread::run()
{
    enterRealTimeClass();
    if (tickTimer >= 0) {
        // Made here so that it belongs to this thread's event loop.
        tickNotifier = new QSocketNotifier(qintptr(tickTimer), QSocketNotifier::Read);
        connect(tickNotifier, &QSocketNotifier::activated, this, &BrakeControllerThread::timerTick);
    }
    exec();
    // Stopped here, in the thread that owns them, not by whoever deletes the object.
    if (tickTimer >= 0) {
        const itimerspec off{};
        ::timerfd_settime(tickTimer, 0, &off, nullptr);
    }
    delete tickNotifier;
    tickNotifier = nullptr;
    if (QTimer* fallback = findChild<QTimer*>())
        fallback->stop();
}

void BrakeControllerThread::setPanel(BrakeControllerPanelInputs* panelInputs)
{
    QMutexLocker lock(&panelMutex);
    inputs = panelInputs;
}

BrakeControllerPanelInputs* BrakeControllerThread::panel() const
{
    QMutexLocker lock(&panelMutex);
    return inputs;
}

void BrakeControllerThread::slot_start()
{
    if (tickTimer < 0) {
        auto* fallback = findChild<QTimer*>();
        if (!fallback) {
            fallback = new QTimer(this);
            fallback->setTimerType(Qt::PreciseTimer);
            fallback->setInterval(tickIntervalMs);
            connect(fallback, &QTimer::timeout, this, &BrakeControllerThread::timerTick);
        }
        fallback->start();
        return;
    }
    // Absolute deadlines: the first one period from now, then every period
    // after it, however late a tick runs.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    constexpr long periodNs = long(tickIntervalMs) * 1'000'000L;
    itimerspec deadlines{};
    deadlines.it_interval.tv_nsec = periodNs;
    deadlines.it_value = now;
    deadlines.it_value.tv_nsec += periodNs;
    if (deadlines.it_value.tv_nsec >= 1'000'000'000L) {
        deadlines.it_value.tv_nsec -= 1'000'000'000L;
        ++deadlines.it_value.tv_sec;
    }
    if (::timerfd_settime(tickTimer, TFD_TIMER_ABSTIME, &deadlines, nullptr) != 0)
        qWarning() << "Brake-controller thread: the 10 ms tick could not be started:" << std::strerror(errno);
}

void BrakeControllerThread::slot_updateMode()
{
    QMutexLocker lock(&panelMutex);
    if (!inputs)
        return;
    mode = inputs->mode.load();
    speedSource = inputs->variable.load();
}

void BrakeControllerThread::resetStatistics()
{
    if (QThread::currentThread() == this) {
        statisticsResetPending.store(false);
        applyStatisticsReset();
    } else {
        statisticsResetPending.store(true);
    }
}

void BrakeControllerThread::applyStatisticsReset()
{
    statistics.ticks = 0;
    statistics.totalDurationNs = 0;
    statistics.maxDurationNs = 0;
    statistics.minIntervalNs = 0;
    statistics.maxIntervalNs = 0;
    statistics.intervalSumNs = 0;
    statistics.intervalSquareSumNs = 0;
    statistics.intervals = 0;
    statistics.missedTicks = 0;
    lastTickNs = -1;
}

void BrakeControllerThread::timerTick()
{
    quint64 expirations = 1;
    if (tickTimer >= 0) {
        if (::read(tickTimer, &expirations, sizeof expirations) != ssize_t(sizeof expirations) || expirations == 0)
            return; // woken without a deadline having passed
    }
    const qint64 start = nowNs();
    if (statisticsResetPending.exchange(false)) {
        applyStatisticsReset();
    } else if (expirations > 1) {
        statistics.missedTicks.store(statistics.missedTicks.load(std::memory_order_relaxed) + expirations - 1,
                                     std::memory_order_relaxed);
    }
    slot_tick();
    const qint64 end = nowNs();

    // Only this thread writes the statistics, so plain load-and-store is enough.
    const qint64 duration = end - start;
    statistics.ticks.store(statistics.ticks.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    statistics.totalDurationNs.store(statistics.totalDurationNs.load(std::memory_order_relaxed) + duration,
                                     std::memory_order_relaxed);
    if (duration > statistics.maxDurationNs.load(std::memory_order_relaxed))
        statistics.maxDurationNs.store(duration, std::memory_order_relaxed);
    if (lastTickNs >= 0) {
        const qint64 interval = start - lastTickNs;
        const quint64 n = statistics.intervals.load(std::memory_order_relaxed);
        if (n == 0 || interval < statistics.minIntervalNs.load(std::memory_order_relaxed))
            statistics.minIntervalNs.store(interval, std::memory_order_relaxed);
        if (interval > statistics.maxIntervalNs.load(std::memory_order_relaxed))
            statistics.maxIntervalNs.store(interval, std::memory_order_relaxed);
        const double x = double(interval);
        statistics.intervalSumNs.store(statistics.intervalSumNs.load(std::memory_order_relaxed) + x,
                                       std::memory_order_relaxed);
        statistics.intervalSquareSumNs.store(statistics.intervalSquareSumNs.load(std::memory_order_relaxed) + x * x,
                                             std::memory_order_relaxed);
        statistics.intervals.store(n + 1, std::memory_order_release);
    }
    lastTickNs = start;
}

double BrakeControllerThread::channelValue(RunChannel*& channel, int channelId)
{
    if (!channel)
        channel = builtInChannel(ChannelId(channelId));
    return channel ? channel->getValue() : kNaN;
}

void BrakeControllerThread::slot_tick()
{
    QMutexLocker lock(&panelMutex);
    if (inputs)
        tickLocked();
}

void BrakeControllerThread::tickLocked()
{
    BrakeControllerPanelInputs& panel = *inputs;
    const int speedSource = this->speedSource.load(std::memory_order_relaxed);
    const int mode = this->mode.load(std::memory_order_relaxed);

    // 1. The controlled speed, its minimum and the feed-forward of that variable.
    double speed = kNaN;
    bool belowMinimum = false;
    double feedForward = 0.0;
    switch (speedSource) {
    case 0:
        speed = channelValue(dynoSpeedChannel, ChannelId_dynoSpeed);
        belowMinimum = !std::isfinite(speed) || speed < panel.minDynoSpeed.load(std::memory_order_relaxed);
        feedForward = panel.dynoFeedForward ? panel.dynoFeedForward->getFFValue(false) : 0.0;
        break;
    case 1:
        speed = channelValue(engineSpeedChannel, ChannelId_engineSpeed);
        belowMinimum = !std::isfinite(speed) || speed < panel.minEngineSpeed.load(std::memory_order_relaxed);
        feedForward = panel.engineFeedForward ? panel.engineFeedForward->getFFValue(false) : 0.0;
        break;
    default:
        break;
    }
    if (belowMinimum)
        antiStallActive.store(true);

    // 2. Both feed-forward registers, whatever the mode.
    writeTarget(DynoRegister::bcFeedForward1, 0, feedForward);
    writeTarget(DynoRegister::bcFeedForward2, 0, feedForward);

    // 3. The targets of the mode.
    const bool external = panel.externalControl.load(std::memory_order_relaxed);
    const int rollers = boundedCount(theHwInfo.rollers, kMaxRollers);
    switch (mode) {
    case 1:
    case 2: {
        const int cells = boundedCount(theHwInfo.loadCells, BrakeControllerPanelInputs::maxLoadCells);
        for (int cell = 0; cell < cells; ++cell) {
            const double fraction = belowMinimum ? 0.0 : panel.torqueTarget[cell].load(std::memory_order_relaxed);
            writeTarget(DynoRegister::bcTorqueTarget1, cell, fraction);
        }
        break;
    }
    case 3:
        if (speedSource == 1) {
            double target = external ? double(externalEngineSpeedTarget.load(std::memory_order_relaxed))
                                     : panel.engineSpeedTarget.load(std::memory_order_relaxed);
            target = raisedTo(target, panel.minEngineSpeed.load(std::memory_order_relaxed));
            if (belowMinimum)
                target = kNaN;
            for (int roller = 0; roller < rollers; ++roller)
                writeTarget(DynoRegister::bcRotSpeedTarget1, roller, RunThread::rollerRotSpeedFromEngineSpeed(target, RollerId(roller)));
        } else if (speedSource == 0) {
            // A road speed that is not measured yet still gets the target: the
            // roller is then at rest and the absorber holds it there.
            double target = external ? double(externalDynoSpeedTarget.load(std::memory_order_relaxed))
                                     : panel.dynoSpeedTarget.load(std::memory_order_relaxed);
            target = raisedTo(target, panel.minDynoSpeed.load(std::memory_order_relaxed));
            for (int roller = 0; roller < rollers; ++roller)
                writeTarget(DynoRegister::bcRotSpeedTarget1, roller, RunThread::rollerRotSpeedFromDynoSpeed(target, RollerId(roller)));
        }
        break;
    case 4:
        if (speedSource == 1) {
            const double acc = external ? double(externalEngineAccTarget.load(std::memory_order_relaxed))
                                        : panel.engineAccTarget.load(std::memory_order_relaxed);
            setEngineAccTarget(belowMinimum ? kNaN : acc);
            for (int roller = 0; roller < rollers; ++roller)
                writeTarget(DynoRegister::bcRotSpeedTarget1, roller, RunThread::rollerRotSpeedFromEngineSpeed(speed, RollerId(roller)));
        } else if (speedSource == 0) {
            const double acc = external ? double(externalDynoAccTarget.load(std::memory_order_relaxed))
                                        : panel.dynoAccTarget.load(std::memory_order_relaxed);
            setDynoAccTarget(belowMinimum ? kNaN : acc);
            for (int roller = 0; roller < rollers; ++roller)
                writeTarget(DynoRegister::bcRotSpeedTarget1, roller, RunThread::rollerRotSpeedFromDynoSpeed(speed, RollerId(roller)));
        }
        break;
    default:
        break;
    }
}

void BrakeControllerThread::setDynoAccTarget(double acc)
{
    setRollerAccTargets(acc, &RunThread::rollerRotSpeedFromDynoSpeed);
}

void BrakeControllerThread::setEngineAccTarget(double acc)
{
    setRollerAccTargets(acc, &RunThread::rollerRotSpeedFromEngineSpeed);
}
