#include "usbserial-private.h"

namespace {
struct ChipClass
{
    uint8_t high;
    uint8_t type;
    bool multi, zlp, extended, highSpeed, indexWithPort, vendor;
    int8_t byIndex; // 0: cannot be opened by index
};

// Type code, multi-interface, ZLP, extended divisor/latency/bit mode,
// high-speed divisor, wIndex with port, vendor commands, interfaces by index.
const ChipClass kClasses[] = {
    {0x02, 0, false, false, true, false, false, false, 1}, // type and extended depend on the serial string
    {0x04, 0, false, false, true, false, false, false, 1},
    {0x05, 4, true, false, true, false, true, false, 2},
    {0x06, 5, false, false, true, false, false, false, 1},
    {0x07, 6, true, false, true, true, true, false, 2},
    {0x08, 7, true, false, true, true, true, false, 4},
    {0x09, 8, false, false, true, true, true, false, 1},
    {0x10, 9, false, false, true, false, true, false, 1},
    {0x14, 3, false, true, true, false, false, true, 0},
    {0x15, 3, true, true, true, false, true, true, 0},
    {0x16, 3, true, true, true, false, true, true, 0},
    {0x17, 12, false, true, true, true, false, true, 1},
    {0x18, 10, true, true, true, true, true, true, 2},
    {0x19, 11, true, true, true, true, true, true, 4},
    {0x21, 13, false, false, true, false, false, true, 0},
    {0x24, 14, true, false, false, true, true, false, 0},
    {0x25, 15, true, false, false, true, true, false, 7},
    {0x27, 16, false, false, false, false, false, false, 0},
    {0x28, 17, true, false, true, true, true, false, 2},
    {0x29, 18, true, false, true, true, true, false, 4},
    {0x30, 19, true, false, true, true, true, false, 2},
    {0x31, 20, true, false, true, true, true, false, 4},
    {0x32, 21, false, false, true, true, true, false, 1},
    {0x33, 22, false, false, true, true, true, false, 1},
    {0x35, 23, true, false, true, true, true, false, 2},
    {0x36, 24, true, false, true, true, true, false, 4},
};

const ChipClass* classOf(const libusb_device_descriptor* d)
{
    if (!d)
        return nullptr;
    const uint8_t high = uint8_t(d->bcdDevice >> 8);
    for (const ChipClass& c : kClasses)
        if (c.high == high)
            return &c;
    return nullptr;
}
} // namespace

uint32_t GetDeviceType(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    if (!c || (d->bcdDevice & 0xFF) != 0)
        return 3;
    if (c->high == 0x02)
        return d->iSerialNumber ? 1 : 0;
    return c->type;
}

bool chipMultiInterface(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c && c->multi;
}

bool chipZlp(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c && c->zlp;
}

bool chipExtended(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    if (c && c->high == 0x02)
        return d->iSerialNumber == 0;
    return c && c->extended;
}

bool chipHighSpeedDivisor(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c && c->highSpeed;
}

bool chipIndexWithPort(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c && c->indexWithPort;
}

bool chipVendorCommands(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c && c->vendor;
}

int chipInterfacesByIndex(const libusb_device_descriptor* d)
{
    const ChipClass* c = classOf(d);
    return c ? c->byIndex : 0;
}

char interfaceLetter(int interfaceNumber)
{
    return char('A' + interfaceNumber);
}

void appendInterfaceLetter(char* buffer, int interfaceNumber)
{
    int at = 0;
    while (at < 14 && buffer[at])
        ++at;
    buffer[at] = interfaceLetter(interfaceNumber);
    buffer[at + 1] = 0;
}

bool isAlive(DeviceExtension* r)
{
    std::lock_guard<std::mutex> g(r->aliveLock);
    return r->alive != 0;
}

void markFailed(DeviceExtension* r)
{
    {
        std::lock_guard<std::mutex> g(r->aliveLock);
        r->alive = 0;
    }
    // A reader waiting for bytes must learn at once that none will come.
    std::lock_guard<std::mutex> g(r->ringLock);
    r->ringChanged.notify_all();
}
