#pragma once

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

    void queue(std::function<void()> job)
    {
        ++queued;
        QSemaphore* finished = &done;
        QThreadPool::globalInstance()->start([job = std::move(job), finished] {
            job();
            finished->release();
        });
    }
    void wait()
    {
        if (queued > 0)
            done.acquire(queued);
        queued = 0;
    }

private:
    QSemaphore done;
    int queued = 0;
};
