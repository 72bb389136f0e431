#pragma once

// The USB-serial driver library: serial ports on USB-serial chips, reached
// through libusb without a kernel serial driver. Free functions with C
// linkage; every one returns a status code and gives its outputs through
// pointers. A device handle is opaque; the library owns everything behind it
// until USS_Close.

#include <pthread.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* USS_HANDLE;
typedef uint32_t USS_STATUS;
typedef int32_t USS_BOOL;

// Status codes.
#define USS_OK 0u
#define USS_INVALID_HANDLE 1u
#define USS_DEVICE_NOT_FOUND 2u
#define USS_DEVICE_NOT_OPENED 3u
#define USS_IO_ERROR 4u
#define USS_INSUFFICIENT_RESOURCES 5u
#define USS_INVALID_PARAMETER 6u
#define USS_INVALID_BAUD_RATE 7u
#define USS_DEVICE_NOT_OPENED_FOR_ERASE 8u
#define USS_DEVICE_NOT_OPENED_FOR_WRITE 9u
#define USS_FAILED_TO_WRITE_DEVICE 10u
#define USS_EEPROM_READ_FAILED 11u
#define USS_EEPROM_WRITE_FAILED 12u
#define USS_EEPROM_ERASE_FAILED 13u
#define USS_EEPROM_NOT_PRESENT 14u
#define USS_EEPROM_NOT_PROGRAMMED 15u
#define USS_INVALID_ARGS 16u
#define USS_NOT_SUPPORTED 17u
#define USS_OTHER_ERROR 18u
#define USS_DEVICE_LIST_NOT_READY 19u

// Open modes (USS_OpenEx, USS_ListDevices) and list flags.
#define USS_OPEN_BY_SERIAL_NUMBER 1
#define USS_OPEN_BY_DESCRIPTION 2
#define USS_OPEN_BY_LOCATION 4
#define USS_LIST_NUMBER_ONLY 0x80000000u
#define USS_LIST_BY_INDEX 0x40000000u
#define USS_LIST_ALL 0x20000000u

#define USS_PURGE_RX 1
#define USS_PURGE_TX 2

#define USS_FLOW_NONE 0x0000
#define USS_FLOW_RTS_CTS 0x0100
#define USS_FLOW_DTR_DSR 0x0200
#define USS_FLOW_XON_XOFF 0x0400

// Event status and notification mask bits.
#define USS_EVENT_RXCHAR 0x1
#define USS_EVENT_MODEM_STATUS 0x2
#define USS_EVENT_LINE_STATUS 0x4

// Configuration flag: writes go through the device's write thread.
#define USS_CONFIG_MULTITHREAD_WRITE 0x40000000u

#define USS_LIBRARY_VERSION 0x00010427u

typedef struct DeviceInfoNode {
    uint32_t flags; // bit 0: open (here or elsewhere), bit 1: high speed
    uint32_t type;
    uint32_t id; // VID << 16 | PID
    uint32_t locId;
    char serialNumber[16];
    char description[64];
    USS_HANDLE handle;
} DeviceInfoNode;

// Owned by the caller of USS_SetEventNotification; the library only signals it.
typedef struct NotificationHandle {
    pthread_cond_t cond;
    pthread_mutex_t mutex;
} NotificationHandle;

USS_STATUS USS_SetVIDPID(uint32_t vid, uint32_t pid);
USS_STATUS USS_GetVIDPID(uint32_t* vid, uint32_t* pid);

// Enumeration and information.
USS_STATUS USS_ListDevices(void* first, void* second, uint32_t flags);
USS_STATUS USS_CreateDeviceInfoList(uint32_t* count);
USS_STATUS USS_GetDeviceInfoList(DeviceInfoNode* nodes, uint32_t* count);
USS_STATUS USS_GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* locId,
                                   void* serialNumber, void* description, USS_HANDLE* handle);
USS_STATUS USS_GetDeviceInfo(USS_HANDLE handle, uint32_t* type, uint32_t* id, char* serialNumber, char* description,
                             void* reserved);
USS_STATUS USS_GetDeviceLocId(USS_HANDLE handle, uint32_t* locId);
USS_STATUS USS_GetLibraryVersion(uint32_t* version);
USS_STATUS USS_GetDriverVersion(USS_HANDLE handle, uint32_t* version);
USS_STATUS USS_Rescan(void);
USS_STATUS USS_Reload(uint16_t vid, uint16_t pid);
USS_STATUS USS_GetComPortNumber(USS_HANDLE handle, int32_t* port);
USS_STATUS USS_ComPortIdle(USS_HANDLE handle);
USS_STATUS USS_ComPortCancelIdle(USS_HANDLE handle);
USS_STATUS USS_IoCtl(USS_HANDLE handle, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                     uint32_t* returned, void* overlapped);
USS_STATUS USS_SetResetPipeRetryCount(USS_HANDLE handle, uint32_t count);
USS_STATUS USS_ResetPort(USS_HANDLE handle);

// Opening and closing.
USS_STATUS USS_OpenEx(void* argument, uint32_t flags, USS_HANDLE* handle);
USS_STATUS USS_Open(int index, USS_HANDLE* handle);
USS_STATUS USS_Close(USS_HANDLE handle);

// Receive path.
USS_STATUS USS_Read(USS_HANDLE handle, void* buffer, uint32_t n, uint32_t* got);
USS_STATUS USS_GetQueueStatus(USS_HANDLE handle, uint32_t* n);
USS_STATUS USS_GetQueueStatusEx(USS_HANDLE handle, uint32_t* n);
USS_STATUS USS_GetStatus(USS_HANDLE handle, uint32_t* rx, uint32_t* tx, uint32_t* events);
USS_STATUS USS_SetTimeouts(USS_HANDLE handle, uint32_t readMs, uint32_t writeMs);
USS_STATUS USS_SetUSBParameters(USS_HANDLE handle, uint32_t inSize, uint32_t outSize);
USS_STATUS USS_SetDeadmanTimeout(USS_HANDLE handle, uint32_t ms);
USS_STATUS USS_StopInTask(USS_HANDLE handle);
USS_STATUS USS_RestartInTask(USS_HANDLE handle);

// Transmit path.
USS_STATUS USS_Write(USS_HANDLE handle, void* buffer, uint32_t n, uint32_t* written);

// Control requests.
USS_STATUS USS_ResetDevice(USS_HANDLE handle);
USS_STATUS USS_Purge(USS_HANDLE handle, uint32_t mask);
USS_STATUS USS_SetDtr(USS_HANDLE handle);
USS_STATUS USS_ClrDtr(USS_HANDLE handle);
USS_STATUS USS_SetRts(USS_HANDLE handle);
USS_STATUS USS_ClrRts(USS_HANDLE handle);
USS_STATUS USS_SetFlowControl(USS_HANDLE handle, uint16_t mode, uint8_t xon, uint8_t xoff);
USS_STATUS USS_SetDataCharacteristics(USS_HANDLE handle, uint8_t dataBits, uint8_t stopBits, uint8_t parity);
USS_STATUS USS_SetBreakOn(USS_HANDLE handle);
USS_STATUS USS_SetBreakOff(USS_HANDLE handle);
USS_STATUS USS_SetChars(USS_HANDLE handle, uint8_t eventChar, uint8_t eventEnable, uint8_t errorChar,
                        uint8_t errorEnable);
USS_STATUS USS_SetLatencyTimer(USS_HANDLE handle, uint8_t ms);
USS_STATUS USS_GetLatencyTimer(USS_HANDLE handle, uint8_t* ms);
USS_STATUS USS_SetBitMode(USS_HANDLE handle, uint8_t mask, uint8_t mode);
USS_STATUS USS_GetBitMode(USS_HANDLE handle, uint8_t* mode);
USS_STATUS USS_SetDivisor(USS_HANDLE handle, uint16_t divisor);
USS_STATUS USS_SetBaudRate(USS_HANDLE handle, uint32_t baud);
USS_STATUS USS_CyclePort(USS_HANDLE handle);
USS_STATUS USS_VendorCmdGet(USS_HANDLE handle, uint16_t command, uint8_t* buffer, uint16_t length);
USS_STATUS USS_VendorCmdGetEx(USS_HANDLE handle, uint16_t command, uint8_t* buffer, uint16_t length);
USS_STATUS USS_VendorCmdSet(USS_HANDLE handle, uint16_t command, uint8_t* buffer, uint16_t length);
USS_STATUS USS_VendorCmdSetEx(USS_HANDLE handle, uint16_t command, uint8_t* buffer, uint16_t length);

// Events and notifications.
USS_STATUS USS_SetEventNotification(USS_HANDLE handle, uint32_t mask, void* notification);
USS_STATUS USS_GetEventStatus(USS_HANDLE handle, uint32_t* status);
USS_STATUS USS_GetModemStatus(USS_HANDLE handle, uint32_t* status);
USS_STATUS USS_SetWaitMask(USS_HANDLE handle, uint32_t mask);
USS_STATUS USS_WaitOnMask(USS_HANDLE handle, uint32_t* mask);

// Windows-style serial calls.
typedef struct CommState {
    uint32_t length;
    uint32_t baudRate;
    uint32_t flags; // bit 2 CTS out, bit 3 DSR out, bits 4-5 DTR control, bit 8/9 XON/XOFF out/in, bits 12-13 RTS control
    uint16_t reserved;
    uint16_t xonLimit;
    uint16_t xoffLimit;
    uint8_t byteSize;
    uint8_t parity;
    uint8_t stopBits;
    char xonChar;
    char xoffChar;
    char errorChar;
    char eofChar;
    char eventChar;
    uint16_t reserved1;
} CommState;

typedef struct CommTimeouts {
    uint32_t readIntervalTimeout;
    uint32_t readTotalTimeoutMultiplier;
    uint32_t readTotalTimeoutConstant;
    uint32_t writeTotalTimeoutMultiplier;
    uint32_t writeTotalTimeoutConstant;
} CommTimeouts;

typedef struct CommStatus {
    uint32_t flags;
    uint32_t inQueue;
    uint32_t outQueue;
} CommStatus;

#define USS_W32_INVALID_HANDLE_VALUE ((USS_HANDLE)(uintptr_t)0xFFFFFFFFu)

// Communication events.
#define USS_EV_RXCHAR 0x0001
#define USS_EV_RXFLAG 0x0002
#define USS_EV_TXEMPTY 0x0004
#define USS_EV_CTS 0x0008
#define USS_EV_DSR 0x0010
#define USS_EV_RLSD 0x0020
#define USS_EV_ERR 0x0080
#define USS_EV_RING 0x0100

USS_HANDLE USS_W32_CreateFile(const char* name, uint32_t access, uint32_t share, void* security, uint32_t create,
                              uint32_t flags, void* templateFile);
USS_HANDLE USS_W32_OpenFile(int index, uint32_t access, uint32_t share, void* security, uint32_t create,
                            uint32_t flags, void* templateFile);
USS_BOOL USS_W32_CloseHandle(USS_HANDLE handle);
USS_BOOL USS_W32_ReadFile(USS_HANDLE handle, void* buffer, uint32_t n, uint32_t* got, void* overlapped);
USS_BOOL USS_W32_WriteFile(USS_HANDLE handle, void* buffer, uint32_t n, uint32_t* written, void* overlapped);
USS_BOOL USS_W32_GetOverlappedResult(USS_HANDLE handle, void* overlapped, uint32_t* transferred, USS_BOOL wait);
USS_BOOL USS_W32_CancelIo(USS_HANDLE handle);
USS_BOOL USS_W32_SetCommBreak(USS_HANDLE handle);
USS_BOOL USS_W32_ClearCommBreak(USS_HANDLE handle);
USS_BOOL USS_W32_EscapeCommFunction(USS_HANDLE handle, uint32_t function);
USS_BOOL USS_W32_PurgeComm(USS_HANDLE handle, uint32_t flags);
USS_BOOL USS_W32_GetCommModemStatus(USS_HANDLE handle, uint32_t* status);
USS_BOOL USS_W32_ClearCommError(USS_HANDLE handle, uint32_t* errors, CommStatus* status);
USS_BOOL USS_W32_GetCommState(USS_HANDLE handle, CommState* state);
USS_BOOL USS_W32_SetCommState(USS_HANDLE handle, CommState* state);
USS_BOOL USS_W32_GetCommTimeouts(USS_HANDLE handle, CommTimeouts* timeouts);
USS_BOOL USS_W32_SetCommTimeouts(USS_HANDLE handle, CommTimeouts* timeouts);
USS_BOOL USS_W32_SetupComm(USS_HANDLE handle, uint32_t inQueue, uint32_t outQueue);
uint32_t USS_W32_GetLastError(USS_HANDLE handle);
USS_BOOL USS_W32_SetCommMask(USS_HANDLE handle, uint32_t mask);
USS_BOOL USS_W32_WaitCommEvent(USS_HANDLE handle, uint32_t* events, void* overlapped);

#ifdef __cplusplus
}
#endif
