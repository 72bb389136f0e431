#include "usbserial-private.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sched.h>
#include <thread>

namespace {
DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }

bool stopRequested(DeviceExtension* r)
{
    std::lock_guard<std::mutex> g(r->taskLock);
    return r->stopRequest != 0;
}

void transferDone(DeviceExtension* r)
{
    std::lock_guard<std::mutex> g(r->inflightLock);
    r->inflight--;
    r->inflightDone.notify_all();
}

void LIBUSB_CALL InRequestCompletion(libusb_transfer* transfer)
{
    InSlot* slot = static_cast<InSlot*>(transfer->user_data);
    DeviceExtension* r = slot->owner;
    slot->received = 0;
    switch (transfer->status) {
    case LIBUSB_TRANSFER_ERROR:
    case LIBUSB_TRANSFER_TIMED_OUT:
    case LIBUSB_TRANSFER_NO_DEVICE:
        markFailed(r);
        break;
    case LIBUSB_TRANSFER_CANCELLED:
        break;
    default:
        slot->received = transfer->actual_length;
        break;
    }
    slot->status = int32_t(transfer->status);
    EventSet(&slot->completion);
    // Last touch of the record from this thread: after it the close may free everything.
    transferDone(r);
}

int InRequest(uint32_t size, DeviceExtension* r, int i)
{
    InSlot& slot = r->inSlots[i];
    libusb_fill_bulk_transfer(slot.transfer, r->usbctx.usb_dev, r->inEndpoint, slot.buffer, int(size),
                              InRequestCompletion, &slot, r->usbTimeout.load());
    slot.status = -1;
    slot.received = 0;
    {
        std::lock_guard<std::mutex> g(r->inflightLock);
        r->inflight++;
    }
    const int result = usbBus().submitTransfer(slot.transfer);
    if (result != 0) {
        slot.status = 1;
        transferDone(r);
    }
    return result;
}
} // namespace

void WaitForInflightTransfers(DeviceExtension* r)
{
    std::unique_lock<std::mutex> g(r->inflightLock);
    r->inflightDone.wait(g, [r] { return r->inflight == 0; });
}

void* reader_thread(void* arg)
{
    DeviceExtension* r = static_cast<DeviceExtension*>(arg);
    int i = 0;
    enum { Running, Paused, Idle } state = Running;
    for (;;) {
        if (state == Running) {
            if (stopRequested(r)) {
                state = Idle;
                continue;
            }
            if (EventWait(&r->inSlots[i].slotFree, r->readerWaitMs)) {
                // The close wakes us through the slot events; submit nothing then.
                if (stopRequested(r)) {
                    state = Idle;
                    continue;
                }
                EventReset(&r->inSlots[i].slotFree);
                uint32_t size;
                {
                    std::lock_guard<std::mutex> g(r->ringLock);
                    size = r->inTransferSize;
                }
                const int result = InRequest(size, r, i);
                if (result == 0 || result == LIBUSB_ERROR_OTHER) {
                    i = (i + 1) % kInSlots;
                    if (i == 0)
                        EventSet(&r->requestsStarted);
                } else {
                    // No further request will be submitted: a device that
                    // stayed "alive" here would answer every read with nothing.
                    markFailed(r);
                    state = Idle;
                    continue;
                }
            }
            std::lock_guard<std::mutex> g(r->taskLock);
            if (r->pauseCount > 0)
                state = Paused;
        } else if (state == Paused) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard<std::mutex> g(r->taskLock);
            if (r->pauseCount == 0) {
                r->paused = 0;
                state = Running;
            } else {
                r->paused = 1;
            }
            if (r->stopRequest)
                state = Idle;
        } else {
            EventWait(&r->readerWake, 0);
            if (stopRequested(r))
                break;
            EventReset(&r->readerWake);
        }
    }
    for (int k = 1; k <= kInSlots; ++k) {
        InSlot& slot = r->inSlots[(i - k + kInSlots) % kInSlots];
        if (slot.status.load() == -1)
            usbBus().cancelTransfer(slot.transfer);
        EventSet(&slot.completion);
    }
    return nullptr;
}

void* processor_thread(void* arg)
{
    DeviceExtension* r = static_cast<DeviceExtension*>(arg);
    int i = 0;
    enum { Running, Paused, Idle } state = Running;
    for (;;) {
        if (state == Running) {
            if (stopRequested(r)) {
                state = Idle;
                continue;
            }
            InSlot& slot = r->inSlots[i];
            if (EventWait(&slot.completion, r->processorWaitMs)) {
                EventReset(&slot.completion);
                if (stopRequested(r) || !isAlive(r)) {
                    state = Idle;
                    continue;
                }
                const int32_t status = slot.status.load();
                if (status != LIBUSB_TRANSFER_COMPLETED) {
                    if (stopRequested(r)) {
                        state = Idle;
                        continue;
                    }
                    if (status == LIBUSB_TRANSFER_STALL) {
                        usbBus().clearHalt(r->usbctx.usb_dev, r->inEndpoint);
                        sched_yield();
                        EventSet(&slot.slotFree);
                        i = (i + 1) % kInSlots;
                        continue;
                    }
                    // Overflow, a cancellation nobody asked for, a lost
                    // request: nothing more would arrive, so the device is
                    // failed rather than silently deaf.
                    markFailed(r);
                    state = Idle;
                    continue;
                }
                bool discard;
                {
                    std::lock_guard<std::mutex> g(r->ringLock);
                    discard = slot.discard != 0;
                    slot.discard = 0;
                }
                if (discard)
                    slot.received = 0;
                else
                    ProcessBulkInData(r, slot.buffer, slot.received.load());
                EventSet(&slot.slotFree);
                i = (i + 1) % kInSlots;
            }
            std::lock_guard<std::mutex> g(r->taskLock);
            if (r->paused)
                state = Paused;
        } else if (state == Paused) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard<std::mutex> g(r->taskLock);
            if (!r->paused)
                state = Running;
            if (r->stopRequest)
                state = Idle;
        } else {
            EventWait(&r->processorWake, 0);
            if (stopRequested(r))
                break;
            EventReset(&r->processorWake);
        }
    }
    return nullptr;
}

void ProcessBulkInData(DeviceExtension* r, const uint8_t* data, int length)
{
    int remaining = length;
    const bool eventCharOn = length > 2 && r->eventCharEnabled.load();
    const uint8_t eventChar = r->eventChar.load();
    const int packet = int(r->maxPacketSize);
    while (remaining > 0) {
        const int chunk = std::min(remaining, packet);
        // A fragment without its two status bytes carries nothing we may read.
        if (chunk < 2)
            return;
        const uint8_t modem = data[0] & 0xF0;
        const uint8_t modemChange = uint8_t(r->modemStatus.load() ^ modem);
        r->modemStatus = modem;
        r->lineStatus = data[1];
        const uint8_t lineErrors = remaining > 2 ? (data[1] & 0x1E) : 0;
        bool stored = false;
        bool eventSeen = false;
        if (chunk > 2) {
            const int32_t payload = chunk - 2;
            const uint8_t* src = data + 2;
            {
                std::lock_guard<std::mutex> g(r->ringLock);
                if (payload <= r->ringFree) {
                    const int32_t first = std::min(payload, r->ringSize - r->ringWrite);
                    if (eventCharOn) {
                        for (int32_t k = 0; k < payload; ++k) {
                            const uint8_t b = src[k];
                            if (b == eventChar)
                                eventSeen = true;
                            r->ring[(r->ringWrite + k) % r->ringSize] = b;
                        }
                    } else {
                        std::memcpy(r->ring + r->ringWrite, src, size_t(first));
                        std::memcpy(r->ring, src + first, size_t(payload - first));
                    }
                    r->ringWrite = (r->ringWrite + payload) % r->ringSize;
                    r->ringFree -= payload;
                    stored = true;
                    r->ringChanged.notify_all();
                }
            }
        }
        signalSomeEvents(r, modemChange, lineErrors, stored, eventSeen);
        data += chunk;
        remaining -= chunk;
    }
}

void UpdateDeadmanTimeout(DeviceExtension* r)
{
    const uint32_t payload = r->maxPacketSize - 2;
    if (payload == 0)
        return;
    uint32_t size;
    {
        std::lock_guard<std::mutex> g(r->ringLock);
        size = r->inTransferSize;
    }
    r->usbTimeout = (size / payload) * r->latencyTimer.load() + r->deadmanTimeout.load();
}

void PurgeReceiveSide(DeviceExtension* r)
{
    std::lock_guard<std::mutex> g(r->ringLock);
    for (InSlot& slot : r->inSlots)
        if (slot.received.load() > 2)
            slot.discard = 1;
    r->ringWrite = 0;
    r->ringRead = 0;
    r->ringFree = r->ringSize;
    r->ringChanged.notify_all();
}

extern "C" {

USS_STATUS USS_Read(USS_HANDLE h, void* buffer, uint32_t n, uint32_t* got)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!buffer || !got)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    *got = 0;
    if (n == 0)
        return USS_OK;
    using Clock = std::chrono::steady_clock;
    const uint32_t timeout = r->readTimeout.load();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout);
    // Bytes arrive under the ring lock with a notification, so waiting on the
    // condition returns as soon as enough are there, without spinning. The
    // slice bounds how long a failed device can go unnoticed.
    const auto slice = std::chrono::milliseconds(100);
    std::unique_lock<std::mutex> g(r->ringLock);
    int32_t want = int32_t(std::min<uint32_t>(n, uint32_t(r->ringSize)));
    for (;;) {
        if (!isAlive(r))
            return USS_IO_ERROR;
        const int32_t waiting = r->ringSize - r->ringFree;
        if (waiting >= want)
            break;
        const Clock::time_point now = Clock::now();
        if (timeout != 0 && now >= deadline) {
            want = waiting;
            break;
        }
        const Clock::time_point wake = timeout == 0 ? now + slice : std::min(deadline, now + slice);
        r->ringChanged.wait_until(g, wake);
    }
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const int32_t first = std::min(want, r->ringSize - r->ringRead);
    std::memcpy(out, r->ring + r->ringRead, size_t(first));
    std::memcpy(out + first, r->ring, size_t(want - first));
    r->ringRead = (r->ringRead + want) % r->ringSize;
    r->ringFree += want;
    *got = uint32_t(want);
    if (r->ringFree == r->ringSize) {
        std::lock_guard<std::mutex> e(r->eventStatusLock);
        r->eventStatus &= ~uint32_t(USS_EVENT_RXCHAR);
    }
    return USS_OK;
}

static USS_STATUS queueStatus(USS_HANDLE h, uint32_t* n, bool capped)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!n)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    *n = 0;
    if (!isAlive(r))
        return USS_IO_ERROR;
    std::lock_guard<std::mutex> g(r->ringLock);
    const uint32_t waiting = uint32_t(r->ringSize - r->ringFree);
    *n = capped ? std::min<uint32_t>(waiting, 65536) : waiting;
    return USS_OK;
}

USS_STATUS USS_GetQueueStatus(USS_HANDLE h, uint32_t* n) { return queueStatus(h, n, true); }
USS_STATUS USS_GetQueueStatusEx(USS_HANDLE h, uint32_t* n) { return queueStatus(h, n, false); }

USS_STATUS USS_GetStatus(USS_HANDLE h, uint32_t* rx, uint32_t* tx, uint32_t* events)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!rx || !tx || !events)
        return USS_INVALID_PARAMETER;
    const USS_STATUS s = queueStatus(h, rx, true);
    if (s != USS_OK)
        return s;
    DeviceExtension* r = rec(h);
    *tx = 0;
    std::lock_guard<std::mutex> g(r->eventStatusLock);
    *events = r->eventStatus;
    r->eventStatus = 0;
    return USS_OK;
}

USS_STATUS USS_SetTimeouts(USS_HANDLE h, uint32_t readMs, uint32_t writeMs)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    rec(h)->readTimeout = readMs;
    rec(h)->writeTimeout = writeMs;
    return USS_OK;
}

USS_STATUS USS_SetUSBParameters(USS_HANDLE h, uint32_t inSize, uint32_t outSize)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    DeviceExtension* r = rec(h);
    inSize = std::min(inSize, r->inTransferSizeLimit);
    if (inSize >= r->maxPacketSize) {
        std::lock_guard<std::mutex> g(r->ringLock);
        r->inTransferSize = inSize;
    }
    outSize = std::min(outSize, r->outTransferSizeLimit);
    if (outSize >= r->maxPacketSize)
        r->outTransferSize = outSize;
    return USS_OK;
}

USS_STATUS USS_SetDeadmanTimeout(USS_HANDLE h, uint32_t ms)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (ms == 0)
        return USS_INVALID_PARAMETER;
    rec(h)->deadmanTimeout = ms;
    UpdateDeadmanTimeout(rec(h));
    return USS_OK;
}

USS_STATUS USS_StopInTask(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    std::lock_guard<std::mutex> g(rec(h)->taskLock);
    rec(h)->pauseCount++;
    return USS_OK;
}

USS_STATUS USS_RestartInTask(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    std::lock_guard<std::mutex> g(rec(h)->taskLock);
    if (rec(h)->pauseCount > 0)
        rec(h)->pauseCount--;
    return USS_OK;
}

} // extern "C"
