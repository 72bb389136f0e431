#pragma once

#include <libusb-1.0/libusb.h>

#include <cstdint>
#include <sys/types.h>

// The USB host as the USB-serial library sees it: exactly the libusb calls it
// relies on, on libusb's default context. Real: LibusbBus (forwards to
// libusb). Stand-in: SimulatedUsbSerialBus, chips of our own model. Handles,
// devices and transfers keep libusb's types so the library reads like plain
// libusb code; with the stand-in they point at the stand-in's own objects.
//
// Asynchronous completions are delivered only from handleEventsTimeout(), on
// the caller's thread, as libusb does.
class UsbBus
{
public:
    virtual ~UsbBus() = default;

    // The bus of this process, chosen once: the stand-in when ZEMBO_SIMULATE=1
    // or under tests, else libusb. Never destroyed (the library tears down at
    // exit, after other statics may already be gone).
    static UsbBus& instance();

    virtual int init() = 0;
    virtual void exit() = 0;
    virtual int handleEventsTimeout(int timeoutMs) = 0;

    virtual ssize_t getDeviceList(libusb_device*** list) = 0;
    virtual void freeDeviceList(libusb_device** list, int unrefDevices) = 0;
    virtual int getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor) = 0;
    virtual int getConfigDescriptor(libusb_device* device, uint8_t index, libusb_config_descriptor** config) = 0;
    virtual void freeConfigDescriptor(libusb_config_descriptor* config) = 0;
    virtual uint8_t getBusNumber(libusb_device* device) = 0;
    virtual uint8_t getDeviceAddress(libusb_device* device) = 0;

    virtual int open(libusb_device* device, libusb_device_handle** handle) = 0;
    virtual void close(libusb_device_handle* handle) = 0;
    virtual int claimInterface(libusb_device_handle* handle, int interfaceNumber) = 0;
    virtual int releaseInterface(libusb_device_handle* handle, int interfaceNumber) = 0;
    virtual int getStringDescriptorAscii(libusb_device_handle* handle, uint8_t index, unsigned char* data, int length) = 0;

    virtual int controlTransfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request, uint16_t value,
                                uint16_t index, unsigned char* data, uint16_t length, unsigned int timeoutMs) = 0;
    virtual int bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                             int* transferred, unsigned int timeoutMs) = 0;

    virtual libusb_transfer* allocTransfer(int isoPackets) = 0;
    virtual void freeTransfer(libusb_transfer* transfer) = 0;
    virtual int submitTransfer(libusb_transfer* transfer) = 0;
    virtual int cancelTransfer(libusb_transfer* transfer) = 0;

    virtual int clearHalt(libusb_device_handle* handle, unsigned char endpoint) = 0;
    virtual int resetDevice(libusb_device_handle* handle) = 0;
};
