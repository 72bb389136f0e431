#pragma once

// What the parts of the library share: the per-device record, the
// process-wide state and the chip classes.

#include "Event.h"
#include "idtable.h"
#include "usbserial.h"

#include <UsbBus.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <pthread.h>

constexpr int kInSlots = 4;
constexpr int32_t kRingSize = 262144;
constexpr uint32_t kSlotBufferSize = 65536;

struct DeviceExtension;

struct InSlot
{
    unsigned char* buffer = nullptr;
    std::atomic<int32_t> received{0};
    Event slotFree;
    Event completion;
    uint8_t discard = 0;
    libusb_transfer* transfer = nullptr;
    // -1 submitted, 1 submission failed, else the completion status.
    std::atomic<int32_t> status{0};
    DeviceExtension* owner = nullptr;
};

using Writer = int (*)(DeviceExtension*, uint8_t*, uint32_t, uint32_t*);

struct DeviceExtension
{
    struct
    {
        libusb_device_handle* usb_dev = nullptr;
    } usbctx;
    int32_t interfaceNumber = -1;
    uint8_t inEndpoint = 0;
    uint8_t outEndpoint = 0;
    libusb_device* device = nullptr;
    libusb_device_descriptor* dev_desc = nullptr;
    libusb_config_descriptor* config_desc = nullptr;
    std::atomic<uint8_t> modemStatus{0};
    std::atomic<uint8_t> lineStatus{0};
    std::atomic<uint32_t> readTimeout{0};
    std::atomic<uint32_t> writeTimeout{0};

    pthread_t readerThread{};
    pthread_t processorThread{};
    bool readerRunning = false;
    bool processorRunning = false;

    std::mutex taskLock;
    uint32_t stopRequest = 0;
    int32_t pauseCount = 0;
    uint32_t paused = 0;

    // The receive ring; `ringChanged` wakes readers when bytes arrive, the
    // ring is purged or the device fails.
    std::mutex ringLock;
    std::condition_variable ringChanged;
    uint8_t* ring = nullptr;
    int32_t ringWrite = 0;
    int32_t ringRead = 0;
    int32_t ringSize = 0;
    int32_t ringFree = 0;

    Event readerWake;
    Event processorWake;
    InSlot inSlots[kInSlots];
    // Transfers handed to the bus and not yet called back; the record and
    // the transfers are freed only once this is back to 0.
    std::mutex inflightLock;
    std::condition_variable inflightDone;
    int inflight = 0;

    uint64_t processorWaitMs = 300;
    uint64_t readerWaitMs = 500;
    uint8_t portIndex = 0;

    std::atomic<uint8_t> eventChar{0};
    std::atomic<uint8_t> eventCharEnabled{0};
    std::atomic<uint8_t> errorChar{0};
    std::atomic<uint8_t> errorCharEnabled{0};
    std::atomic<uint8_t> latencyTimer{16};
    std::atomic<uint16_t> lineControl{8};

    std::mutex eventStatusLock;
    uint32_t notificationMask = 0;
    NotificationHandle* notification = nullptr;
    uint32_t eventStatus = 0;
    std::atomic<uint32_t> notificationOn{0};

    uint32_t maxPacketSize = 64;
    std::atomic<uint32_t> usbTimeout{5000};
    std::atomic<uint32_t> deadmanTimeout{5000};

    uint32_t inTransferSizeLimit = 65536;
    uint32_t inTransferSize = 4096; // under ringLock
    uint32_t outTransferSizeLimit = 65536;
    std::atomic<uint32_t> outTransferSize{4096};

    CommState commState{};
    CommState prevCommState{};

    // Communication events (commLock guards mask, pending and error flags).
    Event commEvent;
    std::mutex commLock;
    uint32_t commEventMask = 0;
    uint32_t commPending = 0;
    uint32_t commErrors = 0;
    std::atomic<uint32_t> waitAbort{0};
    std::atomic<int> commWaiters{0};
    std::atomic<uint32_t> closing{0};

    DeviceExtension* next = nullptr;
    std::atomic<uint32_t> lastError{0};

    struct
    {
        uint32_t type = 0;
        uint32_t id = 0;
        uint32_t locId = 0;
        char serialNumber[16] = {};
        char description[64] = {};
        void* handle = nullptr;
    } info;

    Event writeGo;
    Event writeDone;
    uint8_t* writeBuffer = nullptr;
    uint32_t writeLength = 0;
    uint32_t* writeCount = nullptr;
    int32_t writeResult = 0;
    pthread_t writeThread{};
    bool writeThreadRunning = false;
    std::atomic<uint32_t> writeRun{0};
    Writer writer = nullptr;
    std::mutex writeLock;

    uint16_t zlpSize = 0;
    Event requestsStarted;
    char serialCache[16] = {};
    uint32_t vid = 0;
    uint32_t pid = 0;
    uint32_t configFlags = 0;

    std::mutex aliveLock;
    uint8_t alive = 0;
};

// Process-wide state.
extern std::mutex glibmutex;
extern std::atomic<uint32_t> gInitialised;
extern IdTable* gIdt;
extern DeviceInfoNode* pgAttachedList;
extern uint32_t dwNumberOfAttachedDevices;

UsbBus& usbBus();
int LibLock();
void LibUnlock();
void constructUsbSerial();
void destroyUsbSerial();
int DeviceMatch(uint32_t vid, uint32_t pid);

// Open-device list.
DeviceExtension* AddDevice();
void LinkDevice(DeviceExtension* record);
void UnlinkDevice(DeviceExtension* record);
void RemoveDevice(DeviceExtension* record);
int IsDeviceValid(USS_HANDLE handle);
// Valid, and kept alive (commWaiters) until the caller lets go: the record is
// not freed while a waiter is inside a call.
int HoldDevice(USS_HANDLE handle);
// Valid, and unlinked in the same step, so only one close can win.
int TakeDevice(USS_HANDLE handle);
DeviceExtension* FindDevice(int n);
DeviceExtension* FindDeviceByLocation(uint32_t locId);
int OpenDeviceCount();
DeviceExtension* FirstOpenDevice();

// Chip classes, by the high byte of bcdDevice.
uint32_t GetDeviceType(const libusb_device_descriptor* descriptor);
bool chipMultiInterface(const libusb_device_descriptor* d);
bool chipZlp(const libusb_device_descriptor* d);
bool chipExtended(const libusb_device_descriptor* d);
bool chipHighSpeedDivisor(const libusb_device_descriptor* d);
bool chipIndexWithPort(const libusb_device_descriptor* d);
bool chipVendorCommands(const libusb_device_descriptor* d);
int chipInterfacesByIndex(const libusb_device_descriptor* d);
char interfaceLetter(int interfaceNumber);
// Puts the letter at the terminator, or at position 14 when the first 14
// characters are all set, and terminates; `buffer` holds 16 bytes.
void appendInterfaceLetter(char* buffer, int interfaceNumber);

// Alive flag.
bool isAlive(DeviceExtension* r);
void markFailed(DeviceExtension* r);

// Vendor requests (usb_control).
USS_STATUS USS_VendorRequest(uint8_t bRequest, uint16_t wValue, uint16_t wIndex, unsigned char* data,
                             uint16_t wLength, uint8_t bmRequestType, DeviceExtension* record);
USS_STATUS ResetDevice(DeviceExtension* r);
USS_STATUS Purge(DeviceExtension* r, uint32_t mask);
USS_STATUS SetDtr(DeviceExtension* r);
USS_STATUS ClrDtr(DeviceExtension* r);
USS_STATUS SetRts(DeviceExtension* r);
USS_STATUS ClrRts(DeviceExtension* r);
USS_STATUS SetFlowControl(DeviceExtension* r, uint16_t mode, uint8_t xon, uint8_t xoff);
USS_STATUS SetDivisor(DeviceExtension* r, uint16_t divisor, uint16_t wIndex);
USS_STATUS SetLineControl(DeviceExtension* r, uint8_t stopBits, uint8_t parity, uint8_t dataBits);
USS_STATUS SetBreak(DeviceExtension* r, uint16_t onBit);
USS_STATUS GetModemStatus(DeviceExtension* r);
USS_STATUS SetChars(DeviceExtension* r, uint8_t eventChar, uint8_t eventEnable, uint8_t errorChar, uint8_t errorEnable);
USS_STATUS SetLatencyTimer(DeviceExtension* r, uint8_t ms);
USS_STATUS GetLatencyTimer(DeviceExtension* r, uint8_t* ms);
USS_STATUS ResetDeviceAndPurge(DeviceExtension* r);
USS_STATUS SetBaudRate(DeviceExtension* r, uint32_t baud);

// Receive path (bulk_in).
void* reader_thread(void* record);
void* processor_thread(void* record);
void ProcessBulkInData(DeviceExtension* r, const uint8_t* data, int length);
void UpdateDeadmanTimeout(DeviceExtension* r);
void PurgeReceiveSide(DeviceExtension* r);
void WaitForInflightTransfers(DeviceExtension* r);

// Transmit path.
int USS_WriteSingleThread(DeviceExtension* r, uint8_t* buffer, uint32_t n, uint32_t* written);
int USS_WriteMultiThread(DeviceExtension* r, uint8_t* buffer, uint32_t n, uint32_t* written);
void* write_thread(void* record);

// Configuration file.
void GetDeviceConfigSettings(DeviceExtension* r);

// Device information read from an open record.
USS_STATUS GetDeviceInfoOf(DeviceExtension* r, uint32_t* type, uint32_t* id, char* serial, char* description);
USS_STATUS GetDeviceLocIdOf(DeviceExtension* r, uint32_t* locId);
USS_STATUS GetOpenDeviceName(libusb_device_handle* h, const libusb_device_descriptor* d, char* buffer, int length,
                             int mode);
