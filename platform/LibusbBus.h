#pragma once

#include "UsbBus.h"

// The real USB host: every call goes straight to libusb's default context.
class LibusbBus : public UsbBus
{
public:
    int init() override;
    void exit() override;
    int handleEventsTimeout(int timeoutMs) override;

    ssize_t getDeviceList(libusb_device*** list) override;
    void freeDeviceList(libusb_device** list, int unrefDevices) override;
    int getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor) override;
    int getConfigDescriptor(libusb_device* device, uint8_t index, libusb_config_descriptor** config) override;
    void freeConfigDescriptor(libusb_config_descriptor* config) override;
    uint8_t getBusNumber(libusb_device* device) override;
    uint8_t getDeviceAddress(libusb_device* device) override;

    int open(libusb_device* device, libusb_device_handle** handle) override;
    void close(libusb_device_handle* handle) override;
    int claimInterface(libusb_device_handle* handle, int interfaceNumber) override;
    int releaseInterface(libusb_device_handle* handle, int interfaceNumber) override;
    int getStringDescriptorAscii(libusb_device_handle* handle, uint8_t index, unsigned char* data, int length) override;

    int controlTransfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request, uint16_t value,
                        uint16_t index, unsigned char* data, uint16_t length, unsigned int timeoutMs) override;
    int bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                     int* transferred, unsigned int timeoutMs) override;

    libusb_transfer* allocTransfer(int isoPackets) override;
    void freeTransfer(libusb_transfer* transfer) override;
    int submitTransfer(libusb_transfer* transfer) override;
    int cancelTransfer(libusb_transfer* transfer) override;

    int clearHalt(libusb_device_handle* handle, unsigned char endpoint) override;
    int resetDevice(libusb_device_handle* handle) override;
};
