#include "usbserial-private.h"

namespace {
DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }

USS_BOOL result(DeviceExtension* r, USS_STATUS s)
{
    r->lastError = s;
    return s == USS_OK ? 1 : 0;
}

USS_BOOL invalidParameter(DeviceExtension* r)
{
    r->lastError = USS_INVALID_PARAMETER;
    return 0;
}

USS_STATUS SetState(DeviceExtension* r)
{
    const CommState& state = r->commState;
    const CommState& previous = r->prevCommState;
    USS_STATUS s = SetBaudRate(r, state.baudRate);
    if (s != USS_OK)
        return s;
    s = SetLineControl(r, state.stopBits, state.parity, state.byteSize);
    if (s != USS_OK)
        return s;
    uint16_t flow = USS_FLOW_NONE;
    if (state.flags & (1u << 2))
        flow = USS_FLOW_RTS_CTS;
    else if (state.flags & (1u << 3))
        flow = USS_FLOW_DTR_DSR;
    else if (state.flags & (3u << 8))
        flow = USS_FLOW_XON_XOFF;
    s = SetFlowControl(r, flow, uint8_t(state.xonChar), uint8_t(state.xoffChar));
    if (s == USS_OK && flow == USS_FLOW_RTS_CTS)
        s = SetRts(r);
    else if (s == USS_OK && flow == USS_FLOW_DTR_DSR)
        s = SetDtr(r);
    if (s != USS_OK)
        return s;
    const uint32_t rts = (state.flags >> 12) & 3;
    if (rts != ((previous.flags >> 12) & 3)) {
        s = rts ? SetRts(r) : ClrRts(r);
        if (s != USS_OK)
            return s;
    }
    const uint32_t dtr = (state.flags >> 4) & 3;
    if (dtr != ((previous.flags >> 4) & 3)) {
        s = dtr ? SetDtr(r) : ClrDtr(r);
        if (s != USS_OK)
            return s;
    }
    return SetChars(r, uint8_t(state.eventChar), state.eventChar != 0, uint8_t(state.errorChar), state.errorChar != 0);
}
} // namespace

extern "C" {

USS_HANDLE USS_W32_CreateFile(const char* name, uint32_t, uint32_t, void*, uint32_t, uint32_t flags, void*)
{
    if (!(flags & 3))
        return USS_W32_INVALID_HANDLE_VALUE;
    USS_HANDLE h = nullptr;
    if (USS_OpenEx(const_cast<char*>(name), flags & 3, &h) != USS_OK)
        return USS_W32_INVALID_HANDLE_VALUE;
    return h;
}

USS_HANDLE USS_W32_OpenFile(int index, uint32_t, uint32_t, void*, uint32_t, uint32_t, void*)
{
    USS_HANDLE h = nullptr;
    return USS_Open(index, &h) == USS_OK ? h : nullptr;
}

USS_BOOL USS_W32_CloseHandle(USS_HANDLE h)
{
    return USS_Close(h) == USS_OK ? 1 : 0;
}

USS_BOOL USS_W32_ReadFile(USS_HANDLE h, void* buffer, uint32_t n, uint32_t* got, void*)
{
    if (!IsDeviceValid(h))
        return 0;
    return result(rec(h), USS_Read(h, buffer, n, got));
}

USS_BOOL USS_W32_WriteFile(USS_HANDLE h, void* buffer, uint32_t n, uint32_t* written, void*)
{
    if (!IsDeviceValid(h))
        return 0;
    return result(rec(h), USS_Write(h, buffer, n, written));
}

USS_BOOL USS_W32_GetOverlappedResult(USS_HANDLE h, void*, uint32_t*, USS_BOOL)
{
    if (!IsDeviceValid(h))
        return 0;
    rec(h)->lastError = USS_NOT_SUPPORTED;
    return 0;
}

USS_BOOL USS_W32_CancelIo(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return 0;
    rec(h)->lastError = USS_NOT_SUPPORTED;
    return 0;
}

USS_BOOL USS_W32_SetCommBreak(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return 0;
    return result(rec(h), USS_SetBreakOn(h));
}

USS_BOOL USS_W32_ClearCommBreak(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return 0;
    return result(rec(h), USS_SetBreakOff(h));
}

USS_BOOL USS_W32_EscapeCommFunction(USS_HANDLE h, uint32_t function)
{
    if (!IsDeviceValid(h))
        return 0;
    switch (function) {
    case 3: return result(rec(h), USS_SetRts(h));
    case 4: return result(rec(h), USS_ClrRts(h));
    case 5: return result(rec(h), USS_SetDtr(h));
    case 6: return result(rec(h), USS_ClrDtr(h));
    case 8: return result(rec(h), USS_SetBreakOn(h));
    case 9: return result(rec(h), USS_SetBreakOff(h));
    default: return 0;
    }
}

USS_BOOL USS_W32_PurgeComm(USS_HANDLE h, uint32_t flags)
{
    if (!IsDeviceValid(h))
        return 0;
    uint32_t mask = 0;
    if (flags & 0x000A)
        mask |= USS_PURGE_RX;
    if (flags & 0x0005)
        mask |= USS_PURGE_TX;
    return result(rec(h), USS_Purge(h, mask));
}

USS_BOOL USS_W32_GetCommModemStatus(USS_HANDLE h, uint32_t* status)
{
    if (!IsDeviceValid(h))
        return 0;
    return result(rec(h), USS_GetModemStatus(h, status));
}

USS_BOOL USS_W32_ClearCommError(USS_HANDLE h, uint32_t* errors, CommStatus* status)
{
    if (!IsDeviceValid(h))
        return 0;
    DeviceExtension* r = rec(h);
    if (!errors || !status)
        return invalidParameter(r);
    {
        std::lock_guard<std::mutex> g(r->commLock);
        *errors = r->commErrors;
        r->commErrors = 0;
    }
    status->flags &= ~0x7Fu;
    {
        std::lock_guard<std::mutex> g(r->ringLock);
        status->inQueue = uint32_t(r->ringSize - r->ringFree);
    }
    status->outQueue = 0;
    std::lock_guard<std::mutex> g(r->eventStatusLock);
    r->eventStatus = 0;
    return 1;
}

USS_BOOL USS_W32_GetCommState(USS_HANDLE h, CommState* state)
{
    if (!IsDeviceValid(h))
        return 0;
    if (!state)
        return invalidParameter(rec(h));
    *state = rec(h)->commState;
    return 1;
}

USS_BOOL USS_W32_SetCommState(USS_HANDLE h, CommState* state)
{
    if (!IsDeviceValid(h) || !state)
        return 0;
    DeviceExtension* r = rec(h);
    r->commState = *state;
    const USS_STATUS s = SetState(r);
    r->prevCommState = r->commState;
    return result(r, s);
}

USS_BOOL USS_W32_GetCommTimeouts(USS_HANDLE h, CommTimeouts* timeouts)
{
    if (!IsDeviceValid(h))
        return 0;
    if (!timeouts)
        return invalidParameter(rec(h));
    *timeouts = CommTimeouts{0, 0, rec(h)->readTimeout.load(), 0, rec(h)->writeTimeout.load()};
    return 1;
}

USS_BOOL USS_W32_SetCommTimeouts(USS_HANDLE h, CommTimeouts* timeouts)
{
    if (!IsDeviceValid(h))
        return 0;
    if (!timeouts)
        return invalidParameter(rec(h));
    return USS_SetTimeouts(h, timeouts->readTotalTimeoutConstant, timeouts->writeTotalTimeoutConstant) == USS_OK;
}

USS_BOOL USS_W32_SetupComm(USS_HANDLE h, uint32_t, uint32_t)
{
    return IsDeviceValid(h) ? 1 : 0;
}

uint32_t USS_W32_GetLastError(USS_HANDLE h)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    return rec(h)->lastError.load();
}

USS_BOOL USS_W32_SetCommMask(USS_HANDLE h, uint32_t mask)
{
    if (!IsDeviceValid(h))
        return 0;
    DeviceExtension* r = rec(h);
    {
        std::lock_guard<std::mutex> g(r->commLock);
        r->commEventMask = mask;
        r->waitAbort = 1;
    }
    EventSet(&r->commEvent);
    r->notificationOn &= ~1u;
    return 1;
}

USS_BOOL USS_W32_WaitCommEvent(USS_HANDLE h, uint32_t* events, void*)
{
    // Held: a USS_Close meanwhile ends the wait but frees the record only
    // after this call has left it.
    if (!HoldDevice(h))
        return 0;
    DeviceExtension* r = rec(h);
    USS_BOOL ok = 1;
    uint32_t mask;
    {
        std::lock_guard<std::mutex> g(r->commLock);
        mask = r->commEventMask;
    }
    if (!events || mask == 0) {
        r->lastError = USS_INVALID_PARAMETER;
        ok = 0;
    } else {
        r->waitAbort = 0;
        for (;;) {
            uint32_t got;
            {
                std::lock_guard<std::mutex> g(r->commLock);
                EventReset(&r->commEvent);
                got = r->commPending & r->commEventMask;
                r->commPending = 0;
            }
            if (got) {
                *events = got;
                break;
            }
            EventWait(&r->commEvent, 0);
            if (r->waitAbort.load()) {
                *events = 0;
                break;
            }
        }
        if (r->closing.load() || !IsDeviceValid(h)) {
            *events = 0;
            ok = 0;
        }
    }
    r->commWaiters--;
    return ok;
}

} // extern "C"
