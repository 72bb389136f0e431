#include "TestTicker.h"

#include <QSemaphore>
#include <QTimer>

#include <memory>

TestTicker::TestTicker(QObject* owner, std::function<void()> tick, QThread::Priority priority)
    : QObject(nullptr)
    , owner(owner)
{
    thread = new QThread(owner);
    timer = new QTimer;
    timer->setInterval(10);
    timer->moveToThread(thread);
    connect(timer, &QTimer::timeout, timer, std::move(tick), Qt::DirectConnection);
    connect(thread, &QThread::finished, timer, &QObject::deleteLater);
    thread->start(priority);
}

TestTicker::~TestTicker()
{
    finish();
}

void TestTicker::callInWorker(const std::function<void()>& call)
{
    if (finishing.load() || !thread->isRunning())
        return;
    // A tick waiting in runInGui sees this and gives up its wait, so the
    // worker can serve the call.
    guiWaiting.fetch_add(1);
    QMetaObject::invokeMethod(timer, call, Qt::BlockingQueuedConnection);
    guiWaiting.fetch_sub(1);
}

void TestTicker::startTimer()
{
    QTimer* t = timer;
    callInWorker([this, t] {
        t->start();
        timerActive.store(true);
    });
}

void TestTicker::stopTimer()
{
    QTimer* t = timer;
    callInWorker([this, t] {
        t->stop();
        timerActive.store(false);
    });
}

void TestTicker::stopFromTick()
{
    timer->stop();
    timerActive.store(false);
}

void TestTicker::finish()
{
    if (finishing.exchange(true))
        return;
    thread->quit();
    thread->wait();
    timerActive.store(false);
}

void TestTicker::runInGui(const std::function<void()>& request)
{
    if (finishing.load() || guiWaiting.load() > 0)
        return;
    struct Pending {
        QSemaphore done;
    };
    auto pending = std::make_shared<Pending>();
    // Queued to the window: a request still queued when the window goes is
    // never delivered.
    QMetaObject::invokeMethod(
        owner,
        [this, pending, request] {
            if (!finishing.load())
                request();
            pending->done.release();
        },
        Qt::QueuedConnection);
    while (!pending->done.tryAcquire(1, 2)) {
        if (finishing.load() || guiWaiting.load() > 0)
            return;
    }
}
