#include "usbserial-private.h"

#include <new>

// The list has its own lock, so a handle check never waits for an open that
// holds the library lock while it talks to the chip. A record joins the list
// only once its open has completed.
namespace {
std::mutex gListLock;
DeviceExtension* pgDeviceList = nullptr;
} // namespace

DeviceExtension* AddDevice()
{
    return new (std::nothrow) DeviceExtension();
}

void LinkDevice(DeviceExtension* record)
{
    std::lock_guard<std::mutex> g(gListLock);
    record->next = pgDeviceList;
    pgDeviceList = record;
}

void UnlinkDevice(DeviceExtension* record)
{
    std::lock_guard<std::mutex> g(gListLock);
    for (DeviceExtension** p = &pgDeviceList; *p; p = &(*p)->next) {
        if (*p == record) {
            *p = record->next;
            record->next = nullptr;
            return;
        }
    }
}

void RemoveDevice(DeviceExtension* record)
{
    UnlinkDevice(record);
    delete record;
}

int IsDeviceValid(USS_HANDLE handle)
{
    if (!handle)
        return 0;
    std::lock_guard<std::mutex> g(gListLock);
    for (DeviceExtension* p = pgDeviceList; p; p = p->next)
        if (p == handle)
            return 1;
    return 0;
}

int HoldDevice(USS_HANDLE handle)
{
    if (!handle)
        return 0;
    std::lock_guard<std::mutex> g(gListLock);
    for (DeviceExtension* p = pgDeviceList; p; p = p->next) {
        if (p == handle) {
            p->commWaiters++;
            return 1;
        }
    }
    return 0;
}

int TakeDevice(USS_HANDLE handle)
{
    if (!handle)
        return 0;
    std::lock_guard<std::mutex> g(gListLock);
    for (DeviceExtension** p = &pgDeviceList; *p; p = &(*p)->next) {
        if (*p == handle) {
            DeviceExtension* record = *p;
            *p = record->next;
            record->next = nullptr;
            return 1;
        }
    }
    return 0;
}

DeviceExtension* FindDevice(int n)
{
    std::lock_guard<std::mutex> g(gListLock);
    DeviceExtension* p = pgDeviceList;
    while (p && n-- > 0)
        p = p->next;
    return p;
}

DeviceExtension* FindDeviceByLocation(uint32_t locId)
{
    std::lock_guard<std::mutex> g(gListLock);
    for (DeviceExtension* p = pgDeviceList; p; p = p->next)
        if (p->info.locId == locId)
            return p;
    return nullptr;
}

int OpenDeviceCount()
{
    std::lock_guard<std::mutex> g(gListLock);
    int n = 0;
    for (DeviceExtension* p = pgDeviceList; p; p = p->next)
        ++n;
    return n;
}

DeviceExtension* FirstOpenDevice()
{
    std::lock_guard<std::mutex> g(gListLock);
    return pgDeviceList;
}
