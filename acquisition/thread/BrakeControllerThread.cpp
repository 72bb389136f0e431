#include "BrakeControllerThread.h"

#include "BrakeControllerPanelInputs.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "RunThread.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

BrakeControllerThread* theBrakeControllerThread = nullptr;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxRollers = 4;

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
    tickTimer = new QTimer(this);
    tickTimer->setTimerType(Qt::PreciseTimer);
    tickTimer->setInterval(tickIntervalMs);
    connect(tickTimer, &QTimer::timeout, this, &BrakeControllerThread::timerTick);
    moveToThread(this);
}

BrakeControllerThread::~BrakeControllerThread()
{
    if (isRunning()) {
        quit();
        wait();
    }
}

void BrakeControllerThread::run()
{
    exec();
    // The timer belongs to this thread: stopped here, not by whoever deletes it.
    tickTimer->stop();
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
    tickTimer->start();
}

void BrakeControllerThread::slot_updateMode()
{
    QMutexLocker lock(&panelMutex);
    if (!inputs)
        return;
    mode = inputs->mode.load();
    speedSource = inputs->variable.load();
}

void BrakeControllerThread::timerTick()
{
    const qint64 start = nowNs();
    if (statisticsResetPending.exchange(false)) {
        statistics.ticks = 0;
        statistics.totalDurationNs = 0;
        statistics.maxDurationNs = 0;
        statistics.minIntervalNs = 0;
        statistics.maxIntervalNs = 0;
        statistics.intervalSumNs = 0;
        statistics.intervalSquareSumNs = 0;
        statistics.intervals = 0;
        lastTickNs = -1;
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
