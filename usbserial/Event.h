#pragma once

#include "usbserial.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A manual-reset event with a count: signalled while the count is above zero.
// Waiting does not consume a signal; only a reset does.
struct Event
{
    std::mutex mutex;
    std::condition_variable cond;
    int32_t count = 0;
};

void EventInit(Event* event);
void EventDestroy(Event* event);
void EventSet(Event* event);
void EventReset(Event* event);
// 1 when signalled (at once if it already is), 0 after `ms` without a signal;
// ms = 0 waits without limit.
int EventWait(Event* event, uint64_t ms);

struct DeviceExtension;
// What the processor noticed in one packet, turned into event status or
// communication events.
void signalSomeEvents(DeviceExtension* record, uint8_t modemChange, uint8_t lineErrors, bool dataStored,
                      bool eventCharSeen);
