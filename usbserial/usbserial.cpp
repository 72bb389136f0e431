#include "usbserial-private.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

// ---------------------------------------------------------------------------
// Process-wide state, set-up and tear-down
// ---------------------------------------------------------------------------

// Constant-initialised, so it exists before any static constructor runs and
// is never destroyed: the first calls may come from two threads at once, and
// the tear-down at exit must not depend on the order other statics die in.
std::mutex glibmutex;
std::atomic<uint32_t> gInitialised{0};
IdTable* gIdt = nullptr;
DeviceInfoNode* pgAttachedList = nullptr;
uint32_t dwNumberOfAttachedDevices = 0;

namespace {
std::atomic<uint32_t> do_libusb_update{0};
pthread_t poll_libusb_thread;

const uint16_t kSupportedPids[] = {
    0x6001, 0x6006, 0x6010, 0x6011, 0x6012, 0x6014, 0x6015, 0x601B, 0x601C, 0x601D, 0x0FEC, 0x6031, 0x6032,
    0x6033, 0x6034, 0x6035, 0x6036, 0x6037, 0x6038, 0x6039, 0x603A, 0x603E, 0x6040, 0x6041, 0x6042, 0x6043,
    0x6044, 0x6045, 0x6047, 0x6048, 0x6049, 0x8372, 0xFAC1, 0xFAC2, 0xFAC3, 0xFAC4, 0xFAC5, 0xFAC6};

DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }

void* poll_async_libusb(void*)
{
    while (do_libusb_update.load())
        usbBus().handleEventsTimeout(100);
    return nullptr;
}

void ResetAttachedList()
{
    std::free(pgAttachedList);
    pgAttachedList = nullptr;
    dwNumberOfAttachedDevices = 0;
}

bool ensureInitialised()
{
    if (!gInitialised.load())
        constructUsbSerial();
    return gInitialised.load() != 0;
}

// Runs the set-up when the program is loaded and the tear-down at exit.
struct Lifetime
{
    Lifetime()
    {
        std::lock_guard<std::mutex> g(glibmutex);
        constructUsbSerial();
    }
    ~Lifetime() { destroyUsbSerial(); }
} gLifetime;
} // namespace

UsbBus& usbBus()
{
    return UsbBus::instance();
}

int LibLock()
{
    glibmutex.lock();
    return 0;
}

void LibUnlock()
{
    glibmutex.unlock();
}

void constructUsbSerial()
{
    if (!gIdt) {
        IdTable* table = IdTable_create(64);
        if (!table)
            return;
        int errors = 0;
        for (uint16_t pid : kSupportedPids)
            errors += IdTable_add(table, 0x0403u << 16 | pid);
        errors += IdTable_add(table, 0x08ACu << 16 | 0x1025);
        errors += IdTable_add(table, 0x15D6u << 16 | 0x0001);
        if (errors != 0) {
            std::fprintf(stderr, "usbserial: internal error: errors == 0\n");
            std::abort();
        }
        gIdt = table;
    }
    if (gInitialised.load())
        return;
    if (usbBus().init() != 0)
        return;
    do_libusb_update = 1;
    if (pthread_create(&poll_libusb_thread, nullptr, poll_async_libusb, nullptr) != 0) {
        do_libusb_update = 0;
        usbBus().exit();
        return;
    }
    gInitialised = 1;
}

void destroyUsbSerial()
{
    // Devices still open would keep submitting to a bus that is going away.
    while (DeviceExtension* open = FirstOpenDevice())
        USS_Close(open);
    if (gInitialised.load()) {
        do_libusb_update = 0;
        pthread_join(poll_libusb_thread, nullptr);
        usbBus().exit();
        gInitialised = 0;
    }
    ResetAttachedList();
    IdTable_destroy(gIdt);
    gIdt = nullptr;
}

int DeviceMatch(uint32_t vid, uint32_t pid)
{
    return gIdt && IdTable_find(gIdt, vid << 16 | (pid & 0xFFFF)) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Enumeration
// ---------------------------------------------------------------------------

namespace {
// Calls `visit(device, descriptor, config)` for every supported device in
// libusb's order until it returns false. False when the bus cannot be listed.
template <typename Visit>
bool walkBus(Visit visit)
{
    UsbBus& bus = usbBus();
    libusb_device** list = nullptr;
    const ssize_t n = bus.getDeviceList(&list);
    if (n < 0)
        return false;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d;
        if (bus.getDeviceDescriptor(list[i], &d) != 0 || !DeviceMatch(d.idVendor, d.idProduct))
            continue;
        libusb_config_descriptor* config = nullptr;
        if (bus.getConfigDescriptor(list[i], 0, &config) != 0)
            continue;
        const bool more = visit(list[i], d, config);
        bus.freeConfigDescriptor(config);
        if (!more)
            break;
    }
    bus.freeDeviceList(list, 1);
    return true;
}

uint32_t GetDeviceCount()
{
    uint32_t count = 0;
    walkBus([&](libusb_device*, const libusb_device_descriptor&, libusb_config_descriptor* c) {
        count += c->bNumInterfaces;
        return true;
    });
    return count;
}

USS_STATUS GetOpenDeviceLocation(libusb_device* device, int k, uint32_t* out)
{
    UsbBus& bus = usbBus();
    libusb_config_descriptor* config = nullptr;
    if (bus.getConfigDescriptor(device, 0, &config) != 0)
        return USS_OTHER_ERROR;
    uint32_t location = uint32_t(bus.getBusNumber(device)) << 8 | bus.getDeviceAddress(device);
    if (config->bNumInterfaces > 1)
        location = location << 4 | uint32_t(k);
    bus.freeConfigDescriptor(config);
    *out = location;
    return USS_OK;
}

USS_STATUS GetDeviceLocation(libusb_device* device, int k, uint32_t* out)
{
    libusb_device_handle* h = nullptr;
    if (usbBus().open(device, &h) != 0)
        return USS_DEVICE_NOT_FOUND;
    const USS_STATUS s = GetOpenDeviceLocation(device, k, out);
    usbBus().close(h);
    return s == USS_OK ? USS_OK : USS_INVALID_PARAMETER;
}

USS_STATUS GetDeviceDescription(libusb_device* device, const libusb_device_descriptor& d, int k, char* buffer,
                                int mode)
{
    if (k > 7 && k != -1)
        return USS_OTHER_ERROR;
    libusb_device_handle* h = nullptr;
    if (usbBus().open(device, &h) != 0)
        return USS_DEVICE_NOT_FOUND;
    char name[60] = {};
    if (GetOpenDeviceName(h, &d, name, sizeof name, mode) != USS_OK) {
        usbBus().close(h);
        return USS_INVALID_PARAMETER;
    }
    usbBus().close(h);
    if (k == -1) {
        std::snprintf(buffer, 64, "%.59s", name);
    } else if (mode == USS_OPEN_BY_SERIAL_NUMBER) {
        std::memcpy(buffer, name, 16);
        appendInterfaceLetter(buffer, k);
    } else {
        std::snprintf(buffer, 64, "%.60s %1c", name, interfaceLetter(k));
    }
    return USS_OK;
}

USS_STATUS GetDeviceName(uint32_t index, void* buffer, int mode)
{
    if (mode != USS_OPEN_BY_SERIAL_NUMBER && mode != USS_OPEN_BY_DESCRIPTION && mode != USS_OPEN_BY_LOCATION)
        return USS_OK;
    USS_STATUS result = USS_DEVICE_NOT_FOUND;
    uint32_t total = 0;
    const bool listed = walkBus([&](libusb_device* dev, const libusb_device_descriptor& d, libusb_config_descriptor* c) {
        total += c->bNumInterfaces;
        if (total <= index)
            return true;
        if (c->bNumInterfaces == 1)
            result = mode == USS_OPEN_BY_LOCATION ? GetDeviceLocation(dev, 0, static_cast<uint32_t*>(buffer))
                                                  : GetDeviceDescription(dev, d, -1, static_cast<char*>(buffer), mode);
        else {
            const int k = int(index - (total - c->bNumInterfaces));
            result = mode == USS_OPEN_BY_LOCATION ? GetDeviceLocation(dev, k + 1, static_cast<uint32_t*>(buffer))
                                                  : GetDeviceDescription(dev, d, k, static_cast<char*>(buffer), mode);
        }
        return false;
    });
    return listed ? result : USS_DEVICE_NOT_FOUND;
}

USS_STATUS GetDeviceListAll(void* array, uint32_t* count, int mode)
{
    if (!array || !count)
        return USS_INVALID_PARAMETER;
    *count = 0;
    if (mode != USS_OPEN_BY_SERIAL_NUMBER && mode != USS_OPEN_BY_DESCRIPTION && mode != USS_OPEN_BY_LOCATION)
        return USS_INVALID_PARAMETER;
    USS_STATUS result = USS_OK;
    const bool listed = walkBus([&](libusb_device* dev, const libusb_device_descriptor& d, libusb_config_descriptor* c) {
        for (int i = 0; i < c->bNumInterfaces; ++i) {
            const int k = c->bNumInterfaces == 1 ? -1 : i;
            if (mode == USS_OPEN_BY_LOCATION)
                result = GetDeviceLocation(dev, k + 1, static_cast<uint32_t*>(array) + *count);
            else
                result = GetDeviceDescription(dev, d, k, static_cast<char**>(array)[*count], mode);
            if (result != USS_OK)
                return false;
            ++*count;
        }
        return true;
    });
    return listed ? result : USS_DEVICE_NOT_FOUND;
}
} // namespace

USS_STATUS GetOpenDeviceName(libusb_device_handle* h, const libusb_device_descriptor* d, char* buffer, int length,
                             int mode)
{
    if (!d || (mode != USS_OPEN_BY_SERIAL_NUMBER && mode != USS_OPEN_BY_DESCRIPTION))
        return USS_DEVICE_NOT_OPENED;
    std::memset(buffer, 0, size_t(length));
    const uint8_t index = mode == USS_OPEN_BY_SERIAL_NUMBER ? d->iSerialNumber : d->iProduct;
    if (index && usbBus().getStringDescriptorAscii(h, index, reinterpret_cast<unsigned char*>(buffer), length) < 0)
        std::memset(buffer, 0, size_t(length));
    buffer[length - 1] = 0;
    return USS_OK;
}

USS_STATUS GetDeviceInfoOf(DeviceExtension* r, uint32_t* type, uint32_t* id, char* serial, char* description)
{
    if (type)
        *type = GetDeviceType(r->dev_desc);
    if (id)
        *id = uint32_t(r->dev_desc->idVendor) << 16 | r->dev_desc->idProduct;
    const bool multi = chipMultiInterface(r->dev_desc);
    if (serial) {
        char text[16] = {};
        if (r->dev_desc->iSerialNumber
            && usbBus().getStringDescriptorAscii(r->usbctx.usb_dev, r->dev_desc->iSerialNumber,
                                                 reinterpret_cast<unsigned char*>(text), 16) < 0)
            return USS_OTHER_ERROR;
        if (multi)
            appendInterfaceLetter(text, r->interfaceNumber);
        std::memcpy(serial, text, 16);
    }
    if (description) {
        char text[64] = {};
        if (r->dev_desc->iProduct
            && usbBus().getStringDescriptorAscii(r->usbctx.usb_dev, r->dev_desc->iProduct,
                                                 reinterpret_cast<unsigned char*>(text), 64) < 0)
            return USS_OTHER_ERROR;
        if (multi) {
            char product[62] = {};
            std::snprintf(product, sizeof product, "%s", text);
            std::snprintf(text, sizeof text, "%s %c", product, interfaceLetter(r->interfaceNumber));
        }
        std::memcpy(description, text, 64);
    }
    return USS_OK;
}

USS_STATUS GetDeviceLocIdOf(DeviceExtension* r, uint32_t* locId)
{
    UsbBus& bus = usbBus();
    uint32_t location = uint32_t(bus.getBusNumber(r->device)) << 8 | bus.getDeviceAddress(r->device);
    if (chipMultiInterface(r->dev_desc))
        location = location << 4 | uint32_t(r->interfaceNumber + 1);
    *locId = location;
    return USS_OK;
}

// ---------------------------------------------------------------------------
// Opening and closing
// ---------------------------------------------------------------------------

namespace {
void CloseDevice(DeviceExtension* r)
{
    if (r->usbctx.usb_dev) {
        usbBus().close(r->usbctx.usb_dev);
        r->usbctx.usb_dev = nullptr;
    }
}

void freeDescriptors(DeviceExtension* r)
{
    delete r->dev_desc;
    r->dev_desc = nullptr;
    if (r->config_desc)
        usbBus().freeConfigDescriptor(r->config_desc);
    r->config_desc = nullptr;
}

int GetDeviceInterface(DeviceExtension* r, int mode, const char* argument, const char* name)
{
    const size_t a = std::strlen(argument);
    const size_t n = std::strlen(name);
    if (!chipMultiInterface(r->dev_desc))
        return a == n ? 0 : -1;
    if ((mode == USS_OPEN_BY_SERIAL_NUMBER && a != n + 1) || (mode == USS_OPEN_BY_DESCRIPTION && a != n + 2))
        return -1;
    const int letter = std::tolower(static_cast<unsigned char>(argument[a - 1]));
    return letter >= 'a' && letter <= 'g' ? letter - 'a' : -1;
}

int IndexWithinRange(DeviceExtension* r, uint32_t* counter, uint32_t index)
{
    const int reachable = chipInterfacesByIndex(r->dev_desc);
    const int64_t offset = int64_t(index) - int64_t(*counter);
    int k = offset >= 0 && offset < reachable ? int(offset) : -1;
    *counter += r->config_desc->bNumInterfaces;
    return k < r->config_desc->bNumInterfaces ? k : -1;
}

void SetDeviceContext(DeviceExtension* r, int k)
{
    r->readTimeout = 0;
    r->writeTimeout = 0;
    r->vid = r->dev_desc->idVendor;
    r->pid = r->dev_desc->idProduct;
    if (k >= r->config_desc->bNumInterfaces || r->config_desc->interface[k].num_altsetting < 1)
        return;
    const libusb_interface_descriptor& alt = r->config_desc->interface[k].altsetting[0];
    const bool zlp = chipZlp(r->dev_desc);
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = alt.endpoint[e];
        if (ep.bEndpointAddress & 0x80) {
            r->inEndpoint = ep.bEndpointAddress;
        } else {
            r->outEndpoint = ep.bEndpointAddress;
            r->zlpSize = zlp ? ep.wMaxPacketSize : 0;
        }
    }
    if (chipMultiInterface(r->dev_desc)) {
        r->portIndex = uint8_t(alt.bInterfaceNumber + 1);
        r->interfaceNumber = alt.bInterfaceNumber;
    } else {
        r->portIndex = 0;
        r->interfaceNumber = 0;
    }
}

USS_STATUS ConfigureDevice(DeviceExtension* r, int k)
{
    SetDeviceContext(r, k);
    if (usbBus().claimInterface(r->usbctx.usb_dev, k) != 0) {
        r->interfaceNumber = -1;
        return USS_DEVICE_NOT_OPENED;
    }
    GetDeviceConfigSettings(r);
    r->writer = (r->configFlags & USS_CONFIG_MULTITHREAD_WRITE) ? USS_WriteMultiThread : USS_WriteSingleThread;
    return USS_OK;
}

// A claimed interface is given back on every way out.
void releaseAndClose(DeviceExtension* r)
{
    if (r->usbctx.usb_dev && r->interfaceNumber != -1)
        usbBus().releaseInterface(r->usbctx.usb_dev, r->interfaceNumber);
    r->interfaceNumber = -1;
    CloseDevice(r);
    freeDescriptors(r);
}

USS_STATUS OpenDevice(void* argument, int mode, DeviceExtension* r, int index)
{
    UsbBus& bus = usbBus();
    libusb_device** list = nullptr;
    const ssize_t n = bus.getDeviceList(&list);
    if (n < 0)
        return USS_DEVICE_NOT_FOUND;
    USS_STATUS result = USS_DEVICE_NOT_FOUND;
    uint32_t counter = 0;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d;
        if (bus.getDeviceDescriptor(list[i], &d) != 0 || !DeviceMatch(d.idVendor, d.idProduct))
            continue;
        if (bus.open(list[i], &r->usbctx.usb_dev) != 0) {
            r->usbctx.usb_dev = nullptr;
            continue;
        }
        r->device = list[i];
        r->dev_desc = new (std::nothrow) libusb_device_descriptor(d);
        if (!r->dev_desc || bus.getConfigDescriptor(list[i], 0, &r->config_desc) != 0) {
            r->config_desc = nullptr;
            releaseAndClose(r);
            continue;
        }
        int k = -1;
        if (index != -1) {
            k = IndexWithinRange(r, &counter, uint32_t(index));
        } else if (mode == USS_OPEN_BY_SERIAL_NUMBER || mode == USS_OPEN_BY_DESCRIPTION) {
            char name[256];
            if (GetOpenDeviceName(r->usbctx.usb_dev, r->dev_desc, name, sizeof name, mode) != USS_OK) {
                releaseAndClose(r);
                result = USS_DEVICE_NOT_OPENED;
                break;
            }
            const char* arg = static_cast<const char*>(argument);
            if (std::strncmp(arg, name, std::strlen(name)) == 0) {
                k = GetDeviceInterface(r, mode, arg, name);
                if (k >= r->config_desc->bNumInterfaces) {
                    releaseAndClose(r);
                    result = USS_DEVICE_NOT_FOUND;
                    break;
                }
            }
        } else if (mode == USS_OPEN_BY_LOCATION) {
            uint32_t location = 0;
            const uint32_t wanted = uint32_t(reinterpret_cast<uintptr_t>(argument));
            const bool multi = chipMultiInterface(r->dev_desc);
            if (GetOpenDeviceLocation(list[i], 0, &location) == USS_OK
                && (multi ? (wanted & ~0xFu) : wanted) == location) {
                if (multi) {
                    const int nibble = int(wanted & 0xF);
                    if (nibble == 0 || nibble > r->config_desc->bNumInterfaces) {
                        releaseAndClose(r);
                        result = USS_DEVICE_NOT_FOUND;
                        break;
                    }
                    k = nibble - 1;
                } else {
                    k = 0;
                }
            }
        }
        if (k == -1) {
            releaseAndClose(r);
            continue;
        }
        result = ConfigureDevice(r, k);
        if (result != USS_OK)
            releaseAndClose(r);
        break;
    }
    bus.freeDeviceList(list, 1);
    return result;
}

USS_STATUS InitDeviceStructure(DeviceExtension* r)
{
    USS_STATUS s = ResetDeviceAndPurge(r);
    if (s != USS_OK)
        return s;
    s = GetModemStatus(r);
    if (s != USS_OK)
        return s;
    const libusb_interface& first = r->config_desc->interface[0];
    uint32_t packet = 0;
    if (first.num_altsetting > 0 && first.altsetting[0].bNumEndpoints > 0)
        packet = first.altsetting[0].endpoint[0].wMaxPacketSize;
    r->maxPacketSize = packet ? packet : 64;
    {
        std::lock_guard<std::mutex> g(r->taskLock);
        r->stopRequest = 0;
        r->pauseCount = 0;
        r->paused = 0;
    }
    {
        std::lock_guard<std::mutex> g(r->ringLock);
        r->ringSize = kRingSize;
        r->ringWrite = 0;
        r->ringRead = 0;
        r->ringFree = kRingSize;
        r->inTransferSize = 4096;
    }
    r->inTransferSizeLimit = 65536;
    r->outTransferSizeLimit = 65536;
    r->outTransferSize = 4096;
    r->processorWaitMs = 300;
    r->readerWaitMs = 500;
    r->deadmanTimeout = 5000;
    r->usbTimeout = 5000;
    uint8_t latency = 16;
    if (GetLatencyTimer(r, &latency) != USS_OK)
        latency = 16;
    r->latencyTimer = latency;
    uint32_t type = 0, id = 0;
    if (GetDeviceInfoOf(r, &type, &id, r->info.serialNumber, r->info.description) == USS_OK) {
        r->info.type = type;
        r->info.id = id;
        r->info.handle = r;
    }
    s = GetDeviceLocIdOf(r, &r->info.locId);
    if (s != USS_OK)
        return s;
    EventInit(&r->commEvent);
    EventInit(&r->readerWake);
    EventInit(&r->processorWake);
    EventInit(&r->writeGo);
    EventInit(&r->writeDone);
    EventInit(&r->requestsStarted);
    r->prevCommState = CommState{};
    r->eventChar = 0;
    r->eventCharEnabled = 0;
    r->errorChar = 0;
    r->errorCharEnabled = 0;
    r->lineControl = 8;
    std::lock_guard<std::mutex> g(r->aliveLock);
    r->alive = 1;
    return USS_OK;
}

void StopThreads(DeviceExtension* r)
{
    {
        std::lock_guard<std::mutex> g(r->taskLock);
        r->stopRequest = 1;
    }
    if (r->readerRunning) {
        for (InSlot& slot : r->inSlots)
            EventSet(&slot.slotFree);
        EventSet(&r->readerWake);
        pthread_join(r->readerThread, nullptr);
        r->readerRunning = false;
    }
    if (r->processorRunning) {
        for (InSlot& slot : r->inSlots)
            EventSet(&slot.completion);
        EventSet(&r->processorWake);
        pthread_join(r->processorThread, nullptr);
        r->processorRunning = false;
    }
    if (r->writeThreadRunning) {
        r->writeLength = 0;
        r->writeRun = 0;
        r->writeCount = nullptr;
        EventSet(&r->writeGo);
        pthread_join(r->writeThread, nullptr);
        r->writeThreadRunning = false;
    }
    // Every transfer handed to the bus comes back, cancelled or not; only
    // then may its memory and the record go.
    WaitForInflightTransfers(r);
}

void FreeResources(DeviceExtension* r)
{
    for (InSlot& slot : r->inSlots) {
        std::free(slot.buffer);
        slot.buffer = nullptr;
        if (slot.transfer)
            usbBus().freeTransfer(slot.transfer);
        slot.transfer = nullptr;
    }
    std::free(r->ring);
    r->ring = nullptr;
    releaseAndClose(r);
}

USS_STATUS StartThreads(DeviceExtension* r)
{
    if (pthread_create(&r->readerThread, nullptr, reader_thread, r) != 0)
        return USS_INSUFFICIENT_RESOURCES;
    r->readerRunning = true;
    if (pthread_create(&r->processorThread, nullptr, processor_thread, r) != 0)
        return USS_INSUFFICIENT_RESOURCES;
    r->processorRunning = true;
    r->writeRun = 1;
    if (pthread_create(&r->writeThread, nullptr, write_thread, r) != 0)
        return USS_INSUFFICIENT_RESOURCES;
    r->writeThreadRunning = true;
    return USS_OK;
}

USS_STATUS UssCommonOpen(void* argument, int mode, int index, USS_HANDLE* handle)
{
    if (!handle)
        return USS_INVALID_PARAMETER;
    if (LibLock() != 0)
        return USS_OTHER_ERROR;
    if (!ensureInitialised()) {
        LibUnlock();
        return USS_OTHER_ERROR;
    }
    DeviceExtension* r = AddDevice();
    if (!r) {
        LibUnlock();
        return USS_INSUFFICIENT_RESOURCES;
    }
    r->interfaceNumber = -1;
    USS_STATUS s = OpenDevice(argument, mode, r, index);
    if (s == USS_OK) {
        r->ring = static_cast<uint8_t*>(std::malloc(size_t(kRingSize)));
        r->ringSize = kRingSize;
        r->ringFree = kRingSize;
        if (!r->ring)
            s = USS_INSUFFICIENT_RESOURCES;
    }
    for (int i = 0; s == USS_OK && i < kInSlots; ++i) {
        InSlot& slot = r->inSlots[i];
        slot.buffer = static_cast<unsigned char*>(std::malloc(kSlotBufferSize));
        slot.transfer = usbBus().allocTransfer(0);
        if (!slot.buffer || !slot.transfer) {
            s = USS_INSUFFICIENT_RESOURCES;
            break;
        }
        EventInit(&slot.completion);
        EventInit(&slot.slotFree);
        EventSet(&slot.slotFree);
        slot.discard = 0;
        slot.status = 0;
        slot.owner = r;
    }
    if (s == USS_OK)
        s = InitDeviceStructure(r);
    if (s == USS_OK)
        s = StartThreads(r);
    if (s != USS_OK) {
        StopThreads(r);
        FreeResources(r);
        delete r;
        LibUnlock();
        return s;
    }
    LinkDevice(r);
    *handle = r;
    EventWait(&r->requestsStarted, r->deadmanTimeout.load());
    LibUnlock();
    return USS_OK;
}
} // namespace

// ---------------------------------------------------------------------------
// Transmit path
// ---------------------------------------------------------------------------

int USS_WriteSingleThread(DeviceExtension* r, uint8_t* buffer, uint32_t n, uint32_t* written)
{
    int count = 0;
    int result = usbBus().bulkTransfer(r->usbctx.usb_dev, r->outEndpoint, buffer, int(n), &count, r->writeTimeout.load());
    *written = uint32_t(count);
    if (result == LIBUSB_ERROR_TIMEOUT || result == LIBUSB_ERROR_OTHER)
        result = 0;
    return result;
}

int USS_WriteMultiThread(DeviceExtension* r, uint8_t* buffer, uint32_t n, uint32_t* written)
{
    r->writeBuffer = buffer;
    r->writeLength = n;
    r->writeCount = written;
    EventSet(&r->writeGo);
    EventWait(&r->writeDone, 0);
    EventReset(&r->writeDone);
    return r->writeResult;
}

void* write_thread(void* arg)
{
    DeviceExtension* r = static_cast<DeviceExtension*>(arg);
    while (r->writeRun.load()) {
        EventWait(&r->writeGo, 0);
        EventReset(&r->writeGo);
        int result = 0;
        uint32_t count = 0;
        if (r->writeLength != 0)
            result = USS_WriteSingleThread(r, r->writeBuffer, r->writeLength, &count);
        if (r->writeCount)
            *r->writeCount = count;
        r->writeResult = result;
        EventSet(&r->writeDone);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------

extern "C" {

USS_STATUS USS_SetVIDPID(uint32_t vid, uint32_t pid)
{
    if (vid == 0 && pid == 0)
        return USS_OK;
    if (LibLock() != 0)
        return USS_OTHER_ERROR;
    USS_STATUS s = USS_OK;
    if (!ensureInitialised() || !gIdt)
        s = USS_OTHER_ERROR;
    else if (IdTable_add(gIdt, (vid & 0xFFFF) << 16 | (pid & 0xFFFF)) != 0)
        s = USS_INSUFFICIENT_RESOURCES;
    LibUnlock();
    return s;
}

USS_STATUS USS_GetVIDPID(uint32_t* vid, uint32_t* pid)
{
    if (!vid || !pid)
        return USS_INVALID_PARAMETER;
    std::lock_guard<std::mutex> g(glibmutex);
    if (!ensureInitialised() || !gIdt)
        return USS_OTHER_ERROR;
    const uint32_t key = IdTable_finalEntry(gIdt);
    *vid = key >> 16;
    *pid = key & 0xFFFF;
    return USS_OK;
}

USS_STATUS USS_ListDevices(void* first, void* second, uint32_t flags)
{
    if (LibLock() != 0)
        return USS_OTHER_ERROR;
    if (!ensureInitialised()) {
        LibUnlock();
        return USS_OTHER_ERROR;
    }
    int mode = int(flags & 7);
    if (mode == 0)
        mode = USS_OPEN_BY_SERIAL_NUMBER;
    USS_STATUS s;
    switch (flags & 0xE0000000u) {
    case USS_LIST_NUMBER_ONLY:
        if (!first)
            s = USS_INVALID_PARAMETER;
        else {
            *static_cast<uint32_t*>(first) = GetDeviceCount();
            s = USS_OK;
        }
        break;
    case USS_LIST_BY_INDEX:
        s = !second ? USS_INVALID_PARAMETER
                    : GetDeviceName(uint32_t(reinterpret_cast<uintptr_t>(first)), second, mode);
        break;
    case USS_LIST_ALL:
        s = !first && !second ? USS_INVALID_PARAMETER : GetDeviceListAll(first, static_cast<uint32_t*>(second), mode);
        break;
    default:
        s = USS_INVALID_PARAMETER;
        break;
    }
    LibUnlock();
    return s;
}

USS_STATUS USS_CreateDeviceInfoList(uint32_t* count)
{
    if (!count)
        return USS_INVALID_PARAMETER;
    ResetAttachedList();
    *count = 0;
    uint32_t n = 0;
    USS_STATUS s = USS_ListDevices(&n, nullptr, USS_LIST_NUMBER_ONLY);
    if (s != USS_OK)
        return s;
    dwNumberOfAttachedDevices = n;
    if (n == 0)
        return USS_OK;
    pgAttachedList = static_cast<DeviceInfoNode*>(std::calloc(n, sizeof(DeviceInfoNode)));
    if (!pgAttachedList) {
        dwNumberOfAttachedDevices = 0;
        return USS_INSUFFICIENT_RESOURCES;
    }
    for (uint32_t i = 0; i < n; ++i) {
        DeviceInfoNode& node = pgAttachedList[i];
        USS_HANDLE h = nullptr;
        if (USS_Open(int(i), &h) == USS_OK) {
            DeviceExtension* r = rec(h);
            node.flags = r->maxPacketSize > 64 ? 2 : 0;
            node.type = r->info.type;
            node.id = r->info.id;
            node.locId = r->info.locId;
            std::memcpy(node.serialNumber, r->info.serialNumber, 16);
            std::memcpy(node.description, r->info.description, 64);
            node.handle = nullptr;
            USS_Close(h);
            continue;
        }
        // The device is open, here or in another program. Describe it from
        // our own record only when that record is this very device.
        std::memset(&node, 0, sizeof node);
        uint32_t location = 0;
        DeviceExtension* r = nullptr;
        if (USS_ListDevices(reinterpret_cast<void*>(uintptr_t(i)), &location,
                            USS_LIST_BY_INDEX | USS_OPEN_BY_LOCATION) == USS_OK)
            r = FindDeviceByLocation(location);
        if (r) {
            node.flags = 1 | (r->maxPacketSize > 64 ? 2 : 0);
            node.type = r->info.type;
            node.id = r->info.id;
            node.locId = r->info.locId;
            std::memcpy(node.serialNumber, r->info.serialNumber, 16);
            std::memcpy(node.description, r->info.description, 64);
            node.handle = r;
        } else {
            node.flags = 1;
            node.type = 3;
        }
    }
    *count = n;
    return USS_OK;
}

USS_STATUS USS_GetDeviceInfoList(DeviceInfoNode* nodes, uint32_t* count)
{
    if (!count)
        return USS_INVALID_PARAMETER;
    if (nodes && pgAttachedList)
        std::memcpy(nodes, pgAttachedList, sizeof(DeviceInfoNode) * dwNumberOfAttachedDevices);
    *count = dwNumberOfAttachedDevices;
    return USS_OK;
}

USS_STATUS USS_GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* locId,
                                   void* serialNumber, void* description, USS_HANDLE* handle)
{
    if (!pgAttachedList || index >= dwNumberOfAttachedDevices)
        return USS_DEVICE_NOT_FOUND;
    const DeviceInfoNode& node = pgAttachedList[index];
    if (flags) *flags = node.flags;
    if (type) *type = node.type;
    if (id) *id = node.id;
    if (locId) *locId = node.locId;
    if (serialNumber) std::memcpy(serialNumber, node.serialNumber, 16);
    if (description) std::memcpy(description, node.description, 64);
    if (handle) *handle = node.handle;
    return USS_OK;
}

USS_STATUS USS_GetDeviceInfo(USS_HANDLE h, uint32_t* type, uint32_t* id, char* serialNumber, char* description,
                             void*)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    return GetDeviceInfoOf(rec(h), type, id, serialNumber, description);
}

USS_STATUS USS_GetDeviceLocId(USS_HANDLE h, uint32_t* locId)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!locId)
        return USS_INVALID_PARAMETER;
    return GetDeviceLocIdOf(rec(h), locId);
}

USS_STATUS USS_GetLibraryVersion(uint32_t* version)
{
    if (!version)
        return USS_INVALID_PARAMETER;
    *version = USS_LIBRARY_VERSION;
    return USS_OK;
}

USS_STATUS USS_GetDriverVersion(USS_HANDLE, uint32_t* version)
{
    return USS_GetLibraryVersion(version);
}

USS_STATUS USS_Rescan(void) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_Reload(uint16_t, uint16_t) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_GetComPortNumber(USS_HANDLE, int32_t*) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_ComPortIdle(USS_HANDLE) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_ComPortCancelIdle(USS_HANDLE) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_IoCtl(USS_HANDLE, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*, void*) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_SetResetPipeRetryCount(USS_HANDLE, uint32_t) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_ResetPort(USS_HANDLE) { return USS_NOT_SUPPORTED; }

USS_STATUS USS_OpenEx(void* argument, uint32_t flags, USS_HANDLE* handle)
{
    return UssCommonOpen(argument, int(flags & 7), -1, handle);
}

USS_STATUS USS_Open(int index, USS_HANDLE* handle)
{
    return UssCommonOpen(nullptr, 0, index, handle);
}

USS_STATUS USS_Close(USS_HANDLE h)
{
    if (!TakeDevice(h))
        return USS_INVALID_HANDLE;
    DeviceExtension* r = rec(h);
    StopThreads(r);
    FreeResources(r);
    // A USS_W32_WaitCommEvent still inside returns FALSE; the record goes
    // only once every such waiter has left.
    {
        std::lock_guard<std::mutex> g(r->commLock);
        r->commEventMask = 0;
        r->waitAbort = 1;
        r->closing = 1;
    }
    EventSet(&r->commEvent);
    while (r->commWaiters.load() != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    delete r;
    return USS_OK;
}

USS_STATUS USS_Write(USS_HANDLE h, void* buffer, uint32_t n, uint32_t* written)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if ((!buffer && n) || !written)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    int result;
    {
        std::lock_guard<std::mutex> g(r->writeLock);
        *written = 0;
        result = r->writer(r, static_cast<uint8_t*>(buffer), n, written);
        if (*written == n) {
            if (n != 0 && r->zlpSize != 0 && n % r->zlpSize == 0) {
                uint32_t none = 0;
                r->writer(r, static_cast<uint8_t*>(buffer), 0, &none);
            }
            bool wake = false;
            {
                std::lock_guard<std::mutex> c(r->commLock);
                if (r->commEventMask & USS_EV_TXEMPTY) {
                    if (r->commPending == 0)
                        r->commPending |= USS_EV_TXEMPTY;
                    wake = true;
                }
            }
            if (wake)
                EventSet(&r->commEvent);
        }
    }
    std::this_thread::yield();
    return result != 0 ? USS_IO_ERROR : USS_OK;
}

// Events and notifications.

USS_STATUS USS_SetEventNotification(USS_HANDLE h, uint32_t mask, void* notification)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!notification)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    std::lock_guard<std::mutex> g(r->eventStatusLock);
    if (mask) {
        r->eventStatus = 0;
        r->notification = static_cast<NotificationHandle*>(notification);
        r->notificationMask = mask;
        r->notificationOn |= 1;
    } else {
        r->notificationOn &= ~1u;
    }
    return USS_OK;
}

USS_STATUS USS_GetEventStatus(USS_HANDLE h, uint32_t* status)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!status)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    std::lock_guard<std::mutex> g(r->eventStatusLock);
    *status = r->eventStatus;
    r->eventStatus = 0;
    return USS_OK;
}

USS_STATUS USS_GetModemStatus(USS_HANDLE h, uint32_t* status)
{
    if (!IsDeviceValid(h))
        return USS_INVALID_HANDLE;
    if (!status)
        return USS_INVALID_PARAMETER;
    DeviceExtension* r = rec(h);
    *status = r->modemStatus.load();
    std::lock_guard<std::mutex> g(r->eventStatusLock);
    r->eventStatus &= ~uint32_t(USS_EVENT_MODEM_STATUS);
    return USS_OK;
}

USS_STATUS USS_SetWaitMask(USS_HANDLE, uint32_t) { return USS_NOT_SUPPORTED; }
USS_STATUS USS_WaitOnMask(USS_HANDLE, uint32_t*) { return USS_NOT_SUPPORTED; }

} // extern "C"
