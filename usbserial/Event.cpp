#include "Event.h"

#include "usbserial-private.h"

#include <chrono>

void EventInit(Event* event)
{
    std::lock_guard<std::mutex> g(event->mutex);
    event->count = 0;
}

void EventDestroy(Event*) {}

void EventSet(Event* event)
{
    std::lock_guard<std::mutex> g(event->mutex);
    event->count++;
    event->cond.notify_all();
}

void EventReset(Event* event)
{
    std::lock_guard<std::mutex> g(event->mutex);
    if (event->count > 0)
        event->count--;
}

int EventWait(Event* event, uint64_t ms)
{
    std::unique_lock<std::mutex> g(event->mutex);
    if (event->count > 0)
        return 1;
    if (ms == 0) {
        event->cond.wait(g, [event] { return event->count > 0; });
        return 1;
    }
    // A monotonic deadline: a clock step must neither cut a wait short nor stretch it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    return event->cond.wait_until(g, deadline, [event] { return event->count > 0; }) ? 1 : 0;
}

void signalSomeEvents(DeviceExtension* r, uint8_t modemChange, uint8_t lineErrors, bool dataStored, bool eventCharSeen)
{
    if (r->notificationOn.load() & 1) {
        uint32_t fired = 0;
        NotificationHandle* notify;
        {
            std::lock_guard<std::mutex> g(r->eventStatusLock);
            const uint32_t mask = r->notificationMask;
            if (dataStored && (mask & USS_EVENT_RXCHAR) && r->eventStatus == 0)
                fired |= USS_EVENT_RXCHAR;
            if (modemChange && (mask & USS_EVENT_MODEM_STATUS) && r->eventStatus == 0 && !fired)
                fired |= USS_EVENT_MODEM_STATUS;
            if (lineErrors && (mask & USS_EVENT_LINE_STATUS) && r->eventStatus == 0 && !fired)
                fired |= USS_EVENT_LINE_STATUS;
            r->eventStatus |= fired;
            notify = r->notification;
        }
        if (fired && notify) {
            pthread_mutex_lock(&notify->mutex);
            pthread_cond_signal(&notify->cond);
            pthread_mutex_unlock(&notify->mutex);
        }
        return;
    }
    bool newlySet = false;
    {
        std::lock_guard<std::mutex> g(r->commLock);
        auto raise = [&](uint32_t bit) {
            if ((r->commEventMask & bit) && !(r->commPending & bit)) {
                r->commPending |= bit;
                newlySet = true;
            }
        };
        if (dataStored)
            raise(USS_EV_RXCHAR);
        if (modemChange) {
            if (modemChange & 0x10)
                raise(USS_EV_CTS);
            if (modemChange & 0x20)
                raise(USS_EV_DSR);
            if (modemChange & 0x80)
                raise(USS_EV_RLSD);
            if (modemChange & 0x40)
                raise(USS_EV_RING);
        }
        if (lineErrors & 0x1E) {
            r->commErrors |= lineErrors & 0x1E;
            raise(USS_EV_ERR);
        }
        if (eventCharSeen)
            raise(USS_EV_RXFLAG);
    }
    if (newlySet)
        EventSet(&r->commEvent);
}
