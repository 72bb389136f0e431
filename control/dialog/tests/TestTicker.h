#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>

class QTimer;

// The worker of a test window: a thread of its own whose 10 ms timer calls the
// test's tick there. The tick may ask the GUI thread for something and wait
// until it is done (runInGui); the GUI thread may stop and start the timer and
// wait likewise. Neither waits for the other forever: a worker request that
// is pending while the GUI thread waits for the worker is dropped, so closing
// a test never hangs on its tick.
class TestTicker : public QObject
{
    Q_OBJECT
public:
    // `owner` is the test window: the thread becomes its child, and requests
    // to the GUI thread die with it.
    TestTicker(QObject* owner, std::function<void()> tick, QThread::Priority priority = QThread::InheritPriority);
    ~TestTicker() override;

    // From the GUI thread: starts or stops the timer in the worker and
    // returns once it has.
    void startTimer();
    void stopTimer();
    bool isTimerActive() const { return timerActive.load(); }
    // From the tick itself: no further tick until startTimer.
    void stopFromTick();
    // From the GUI thread: no tick runs after it returns. Idempotent.
    void finish();

    // From the worker: runs `request` in the GUI thread and returns once it
    // ran, or at once when the GUI thread is waiting for the worker (the
    // request is then dropped while finishing, else applied a little late).
    void runInGui(const std::function<void()>& request);

    QThread* thread = nullptr;
    QTimer* timer = nullptr;

private:
    void callInWorker(const std::function<void()>& call);

    QObject* owner = nullptr;
    std::atomic<bool> finishing{false};
    std::atomic<int> guiWaiting{0};
    std::atomic<bool> timerActive{false};
};
