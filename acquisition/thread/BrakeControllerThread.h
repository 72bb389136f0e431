#pragma once

#include <QMutex>
#include <QThread>

#include <atomic>
#include <cstdint>

class BrakeControllerPanelInputs;
class QSocketNotifier;
class RunChannel;

// Turns the brake-controller panel's mode and targets into the MCU's absorber
// target registers every 10 ms: the feed-forward value, and per load cell a
// torque fraction or per roller a rotational speed or acceleration target.
// The object lives in its own thread, which runs at time-critical priority:
// in the real-time class (SCHED_FIFO) where the system allows it, else at
// normal priority with one line in the log saying so.
//
// The tick is a timerfd armed to absolute 10 ms deadlines: the kernel's
// high-resolution timer wakes the thread, so the event loop's millisecond
// rounding of its own timers does not shake the period, and a late tick
// does not push the following ones later. The event loop stays for the
// blocking calls from the GUI thread.
//
// The panel publishes its values as atomics (BrakeControllerPanelInputs); a
// running test mode writes the four external targets from its own thread,
// and the panel shows them and reads-and-clears the anti-stall flag. The
// thread never waits on the GUI; the GUI waits on it only for the blocking
// calls of a mode change and for the short lock that guards the panel pointer.
class BrakeControllerThread : public QThread
{
    Q_OBJECT
public:
    BrakeControllerThread();
    ~BrakeControllerThread() override;

    // The panel whose values the tick reads (null: the tick writes nothing).
    // Waits for a tick in flight, so a panel going away is never read after.
    void setPanel(BrakeControllerPanelInputs* inputs);
    BrakeControllerPanelInputs* panel() const;

    // Per roller: the acceleration as the roller's rotational acceleration,
    // not below minus that roller's deceleration limit, to bcRotAccTarget.
    // The conversions are linear, so the speed conversions serve accelerations too.
    static void setDynoAccTarget(double acc);
    static void setEngineAccTarget(double acc);

    // Written by a running test mode, read by the tick under external control
    // and by the panel's display.
    std::atomic<float> externalDynoSpeedTarget{0.0f};   // m/s
    std::atomic<float> externalEngineSpeedTarget{0.0f}; // rad/s
    std::atomic<float> externalDynoAccTarget{0.0f};     // m/s²
    std::atomic<float> externalEngineAccTarget{0.0f};   // rad/s²
    // Set by every tick whose controlled speed is invalid or below its
    // minimum; the panel reads and clears it with one exchange.
    std::atomic<bool> antiStallActive{false};

    // The copies of the panel's indices the tick works with; written under
    // the panel lock by slot_updateMode.
    std::atomic<int> mode{0};
    std::atomic<int> speedSource{1};

    // Timing of the timer's ticks since the last reset, for the benchmark
    // and the log; written by the brake thread only.
    struct TickStatistics {
        std::atomic<quint64> ticks{0};
        std::atomic<qint64> totalDurationNs{0};
        std::atomic<qint64> maxDurationNs{0};
        std::atomic<qint64> minIntervalNs{0};
        std::atomic<qint64> maxIntervalNs{0};
        std::atomic<double> intervalSumNs{0};
        std::atomic<double> intervalSquareSumNs{0};
        std::atomic<quint64> intervals{0};
        // Deadlines that passed without a tick (the thread woke too late).
        std::atomic<quint64> missedTicks{0};
    };
    TickStatistics statistics;
    // From another thread it takes effect at the next tick; from this
    // thread's own event loop (between two ticks) at once, so that a caller
    // there never reads the figures from before the reset.
    void resetStatistics();

    static constexpr int tickIntervalMs = 10;

public Q_SLOTS:
    // Starts the 10 ms tick.
    void slot_start();
    // Copies mode and variable from the panel. Safe from any thread: it
    // takes the panel lock, as the tick does.
    void slot_updateMode();
    // One tick; safe from any thread likewise (the panel's immediate tick
    // after a mode change runs in the GUI thread, never beside a timer tick).
    void slot_tick();

protected:
    void run() override;

private:
    void timerTick();
    void tickLocked();
    double channelValue(RunChannel*& channel, int channelId);
    static void enterRealTimeClass();

    // The timerfd of the 10 ms tick (-1 when none could be made) and its
    // notifier, made in the thread itself when it starts.
    int tickTimer = -1;
    QSocketNotifier* tickNotifier = nullptr;
    mutable QMutex panelMutex;
    BrakeControllerPanelInputs* inputs = nullptr;
    RunChannel* dynoSpeedChannel = nullptr;
    RunChannel* engineSpeedChannel = nullptr;
    qint64 lastTickNs = -1;
    void applyStatisticsReset();
    std::atomic<bool> statisticsResetPending{false};
};

extern BrakeControllerThread* theBrakeControllerThread;
