#pragma once

#include <QMetaObject>
#include <QObject>

#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

// Hand-overs between threads that Qt synchronises inside its own library: the
// event queue behind a blocking call, the wait for a finished QThread. Qt is
// not built with the thread sanitizer, so it cannot see that synchronisation
// and takes what one thread wrote before the hand-over and the other reads
// after it for a race. In a thread-sanitizer build these calls state the
// hand-over at its two ends (release before, acquire after, on the same
// token); in every other build they are empty. They describe an ordering Qt
// already guarantees and add none.
namespace ThreadHandOver {

inline void release(const void* token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void*>(token));
#else
    Q_UNUSED(token);
#endif
}

inline void acquire(const void* token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void*>(token));
#else
    Q_UNUSED(token);
#endif
}

// Runs `work` in the thread of `target` and waits for it
// (Qt::BlockingQueuedConnection): what the caller wrote before is seen by
// `work`, and what `work` wrote is seen by the caller afterwards. Never from
// the target's own thread (that would wait for itself).
template <typename Work>
void blockingCall(QObject* target, Work&& work)
{
    int token = 0;
    release(&token);
    QMetaObject::invokeMethod(
        target,
        [&token, &work] {
            acquire(&token);
            std::forward<Work>(work)();
            release(&token);
        },
        Qt::BlockingQueuedConnection);
    acquire(&token);
}

} // namespace ThreadHandOver
