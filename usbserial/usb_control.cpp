#include "usbserial-private.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
constexpr uint8_t kOut = 0x40;
constexpr uint8_t kIn = 0xC0;

DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }
uint16_t vendorIndex(DeviceExtension* r) { return chipMultiInterface(r->dev_desc) ? r->portIndex : 0; }
} // namespace

USS_STATUS USS_VendorRequest(uint8_t bRequest, uint16_t wValue, uint16_t wIndex, unsigned char* data, uint16_t wLength,
                             uint8_t bmRequestType, DeviceExtension* r)
{
    if (!r->usbctx.usb_dev)
        return USS_IO_ERROR;
    const int n = usbBus().controlTransfer(r->usbctx.usb_dev, bmRequestType, bRequest, wValue, wIndex, data, wLength,
                                           r->usbTimeout.load());
    return n == int(wLength) ? USS_OK : USS_IO_ERROR;
}

USS_STATUS ResetDevice(DeviceExtension* r) { return USS_VendorRequest(0, 0, 0, nullptr, 0, kOut, r); }

USS_STATUS Purge(DeviceExtension* r, uint32_t mask)
{
    if (mask & USS_PURGE_RX) {
        // The chip may still hold a packet in flight; asking six times empties it.
        USS_STATUS s = USS_OK;
        for (int i = 0; i < 6; ++i)
            s = USS_VendorRequest(0, 1, r->portIndex, nullptr, 0, kOut, r);
        if (s != USS_OK)
            return s;
        PurgeReceiveSide(r);
    }
    if (mask & USS_PURGE_TX)
        return USS_VendorRequest(0, 2, r->portIndex, nullptr, 0, kOut, r);
    return USS_OK;
}

USS_STATUS SetDtr(DeviceExtension* r) { return USS_VendorRequest(1, 0x0101, r->portIndex, nullptr, 0, kOut, r); }
USS_STATUS ClrDtr(DeviceExtension* r) { return USS_VendorRequest(1, 0x0100, r->portIndex, nullptr, 0, kOut, r); }
USS_STATUS SetRts(DeviceExtension* r) { return USS_VendorRequest(1, 0x0202, r->portIndex, nullptr, 0, kOut, r); }
USS_STATUS ClrRts(DeviceExtension* r) { return USS_VendorRequest(1, 0x0200, r->portIndex, nullptr, 0, kOut, r); }

USS_STATUS SetFlowControl(DeviceExtension* r, uint16_t mode, uint8_t xon, uint8_t xoff)
{
    const uint16_t value = mode == USS_FLOW_XON_XOFF ? uint16_t(xoff << 8 | xon) : 0;
    return USS_VendorRequest(2, value, uint16_t(mode | r->portIndex), nullptr, 0, kOut, r);
}

USS_STATUS SetDivisor(DeviceExtension* r, uint16_t divisor, uint16_t wIndex)
{
    return USS_VendorRequest(3, divisor, wIndex, nullptr, 0, kOut, r);
}

USS_STATUS SetLineControl(DeviceExtension* r, uint8_t stopBits, uint8_t parity, uint8_t dataBits)
{
    const uint16_t word = uint16_t(dataBits | parity << 8 | stopBits << 11);
    r->lineControl = word;
    return USS_VendorRequest(4, word, r->portIndex, nullptr, 0, kOut, r);
}

USS_STATUS SetBreak(DeviceExtension* r, uint16_t onBit)
{
    return USS_VendorRequest(4, uint16_t(r->lineControl.load() | onBit), r->portIndex, nullptr, 0, kOut, r);
}

USS_STATUS GetModemStatus(DeviceExtension* r)
{
    unsigned char reply[2] = {};
    if (USS_VendorRequest(5, 0, uint16_t(r->interfaceNumber), reply, 2, kIn, r) != USS_OK)
        return USS_IO_ERROR;
    r->modemStatus = reply[0] & 0xF0;
    r->lineStatus = reply[1];
    return USS_OK;
}

USS_STATUS SetChars(DeviceExtension* r, uint8_t eventChar, uint8_t eventEnable, uint8_t errorChar, uint8_t errorEnable)
{
    USS_STATUS s = USS_VendorRequest(6, uint16_t(eventChar | (eventEnable ? 0x100 : 0)), r->portIndex, nullptr, 0, kOut, r);
    if (s != USS_OK)
        return s;
    s = USS_VendorRequest(7, uint16_t(errorChar | (errorEnable ? 0x100 : 0)), r->portIndex, nullptr, 0, kOut, r);
    if (s != USS_OK)
        return s;
    r->eventChar = eventChar;
    r->eventCharEnabled = eventEnable;
    r->errorChar = errorChar;
    r->errorCharEnabled = errorEnable;
    return USS_OK;
}

USS_STATUS SetLatencyTimer(DeviceExtension* r, uint8_t ms)
{
    return USS_VendorRequest(9, ms, r->portIndex, nullptr, 0, kOut, r);
}

USS_STATUS GetLatencyTimer(DeviceExtension* r, uint8_t* ms)
{
    unsigned char reply = 0;
    const USS_STATUS s = USS_VendorRequest(10, 0, r->portIndex, &reply, 1, kIn, r);
    if (s == USS_OK)
        *ms = reply;
    return s;
}

USS_STATUS ResetDeviceAndPurge(DeviceExtension* r)
{
    const USS_STATUS s = ResetDevice(r);
    if (s != USS_OK)
        return s;
    return Purge(r, USS_PURGE_RX | USS_PURGE_TX);
}

// --- Entry points ---------------------------------------------------------

#define CHECK_HANDLE(h)                                                                                                \
    if (!IsDeviceValid(h))                                                                                             \
        return USS_INVALID_HANDLE;

extern "C" {

USS_STATUS USS_ResetDevice(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return ResetDeviceAndPurge(rec(h));
}

USS_STATUS USS_Purge(USS_HANDLE h, uint32_t mask)
{
    CHECK_HANDLE(h);
    return Purge(rec(h), mask);
}

USS_STATUS USS_SetDtr(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return SetDtr(rec(h));
}

USS_STATUS USS_ClrDtr(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return ClrDtr(rec(h));
}

USS_STATUS USS_SetRts(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return SetRts(rec(h));
}

USS_STATUS USS_ClrRts(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return ClrRts(rec(h));
}

USS_STATUS USS_SetFlowControl(USS_HANDLE h, uint16_t mode, uint8_t xon, uint8_t xoff)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    USS_STATUS s = SetFlowControl(r, mode, xon, xoff);
    if (s != USS_OK)
        return s;
    if (mode == USS_FLOW_RTS_CTS)
        s = SetRts(r);
    else if (mode == USS_FLOW_DTR_DSR)
        s = SetDtr(r);
    return s;
}

USS_STATUS USS_SetDataCharacteristics(USS_HANDLE h, uint8_t dataBits, uint8_t stopBits, uint8_t parity)
{
    CHECK_HANDLE(h);
    return SetLineControl(rec(h), stopBits, parity, dataBits);
}

USS_STATUS USS_SetBreakOn(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return SetBreak(rec(h), 0x4000);
}

USS_STATUS USS_SetBreakOff(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return SetBreak(rec(h), 0);
}

USS_STATUS USS_SetChars(USS_HANDLE h, uint8_t eventChar, uint8_t eventEnable, uint8_t errorChar, uint8_t errorEnable)
{
    CHECK_HANDLE(h);
    return SetChars(rec(h), eventChar, eventEnable, errorChar, errorEnable);
}

USS_STATUS USS_SetLatencyTimer(USS_HANDLE h, uint8_t ms)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    if (!chipExtended(r->dev_desc))
        return USS_NOT_SUPPORTED;
    const USS_STATUS s = SetLatencyTimer(r, ms);
    if (s != USS_OK)
        return s;
    r->latencyTimer = ms;
    UpdateDeadmanTimeout(r);
    // Gives the chip time to take the new timer before data is expected by it.
    std::this_thread::sleep_for(std::chrono::milliseconds(ms > 49 ? 50 : ms));
    return USS_OK;
}

USS_STATUS USS_GetLatencyTimer(USS_HANDLE h, uint8_t* ms)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    if (!chipExtended(r->dev_desc))
        return USS_NOT_SUPPORTED;
    if (!ms)
        return USS_INVALID_PARAMETER;
    return GetLatencyTimer(r, ms);
}

USS_STATUS USS_SetBitMode(USS_HANDLE h, uint8_t mask, uint8_t mode)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    if (!chipExtended(r->dev_desc))
        return USS_NOT_SUPPORTED;
    return USS_VendorRequest(11, uint16_t(mask | mode << 8), r->portIndex, nullptr, 0, kOut, r);
}

USS_STATUS USS_GetBitMode(USS_HANDLE h, uint8_t* mode)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    if (!chipExtended(r->dev_desc))
        return USS_NOT_SUPPORTED;
    if (!mode)
        return USS_INVALID_PARAMETER;
    unsigned char reply = 0;
    const USS_STATUS s = USS_VendorRequest(12, 0, r->portIndex, &reply, 1, kIn, r);
    if (s == USS_OK)
        *mode = reply;
    return s;
}

USS_STATUS USS_SetDivisor(USS_HANDLE h, uint16_t divisor)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    return SetDivisor(r, divisor, r->portIndex);
}

USS_STATUS USS_CyclePort(USS_HANDLE h)
{
    CHECK_HANDLE(h);
    return usbBus().resetDevice(rec(h)->usbctx.usb_dev) == 0 ? USS_OK : USS_IO_ERROR;
}

static USS_STATUS vendorGet(USS_HANDLE h, uint16_t command, uint8_t* buffer, uint16_t length)
{
    DeviceExtension* r = rec(h);
    if (!chipVendorCommands(r->dev_desc))
        return USS_IO_ERROR;
    if (!buffer)
        return USS_INVALID_PARAMETER;
    return USS_VendorRequest(0x20, command, vendorIndex(r), buffer, std::min<uint16_t>(length, 128), kIn, r);
}

USS_STATUS USS_VendorCmdGet(USS_HANDLE h, uint16_t command, uint8_t* buffer, uint16_t length)
{
    CHECK_HANDLE(h);
    return vendorGet(h, command & 0xFF, buffer, length);
}

USS_STATUS USS_VendorCmdGetEx(USS_HANDLE h, uint16_t command, uint8_t* buffer, uint16_t length)
{
    CHECK_HANDLE(h);
    return vendorGet(h, command, buffer, length);
}

USS_STATUS USS_VendorCmdSet(USS_HANDLE h, uint16_t command, uint8_t* buffer, uint16_t length)
{
    CHECK_HANDLE(h);
    DeviceExtension* r = rec(h);
    if (!chipVendorCommands(r->dev_desc))
        return USS_IO_ERROR;
    if (!buffer && length)
        return USS_INVALID_PARAMETER;
    if (length == 1)
        return USS_VendorRequest(0x21, uint16_t(buffer[0] << 8 | (command & 0xFF)), vendorIndex(r), nullptr, 0, kOut, r);
    return USS_VendorRequest(0x21, command & 0xFF, vendorIndex(r), buffer, std::min<uint16_t>(length, 128), kOut, r);
}

USS_STATUS USS_VendorCmdSetEx(USS_HANDLE, uint16_t, uint8_t*, uint16_t)
{
    return USS_NOT_SUPPORTED;
}

} // extern "C"
