#pragma once

#include "lib/ThreadHandOver.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>

#include <functional>

// Jobs of one recalculation step on the global thread pool: each owns exactly
// one sample list, and the GUI thread waits for all of them before a later
// step reads those lists. Waits only for its own jobs, not for the pool.
class PoolJobs
{
public:
    PoolJobs() = default;
    PoolJobs(const PoolJobs&) = delete;
    PoolJobs& operator=(const PoolJobs&) = delete;
    ~PoolJobs() { wait(); }

    // The pool's queue and the semaphore hand the job over and back; the
    // thread sanitizer sees neither (both are inside Qt), so the hand-over is
    // stated on `done` (lib/ThreadHandOver.h).
    void queue(std::function<void()> job)
    {
        ++queued;
        QSemaphore* finished = &done;
        // The runnable is complete before the hand-over is stated, and the
        // hand-over is taken on a fixed address, before the job reads any of
        // its captures; the job (with its captures) is gone before the
        // waiting thread goes on.
        QRunnable* runnable = QRunnable::create([job = std::move(job), finished]() mutable {
            ThreadHandOver::acquire(&queueToken);
            job();
            job = nullptr;
            ThreadHandOver::release(finished);
            finished->release();
        });
        ThreadHandOver::release(&queueToken);
        QThreadPool::globalInstance()->start(runnable);
    }
    void wait()
    {
        if (queued > 0)
            done.acquire(queued);
        ThreadHandOver::acquire(&done);
        queued = 0;
    }

private:
    static inline int queueToken = 0;
    QSemaphore done;
    int queued = 0;
};
