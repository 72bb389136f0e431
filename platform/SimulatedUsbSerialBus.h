#pragma once

#include "SimulatedUsbSerialChip.h"
#include "UsbBus.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// Stand-in for the USB host with USB-serial chips plugged in. Chips are added
// and removed at run time (plug, unplug); every chip ever plugged stays
// allocated, so a handle or device pointer the library still holds never
// dangles. Asynchronous IN transfers advance only inside
// handleEventsTimeout(), which the library's event thread calls: completions
// arrive on that thread, as with libusb, never on a thread of the simulator.
class SimulatedUsbSerialBus : public UsbBus
{
public:
    // The process's simulated bus; at creation it plugs the chips of
    // ZEMBO_SIM_USB, or one class-06 chip when the program runs simulated and
    // not under tests (tests plug their own).
    static SimulatedUsbSerialBus& instance();

    SimulatedUsbSerialBus();

    SimulatedUsbSerialChip* plug(const SimulatedUsbSerialChipConfig& config);
    void unplug(SimulatedUsbSerialChip* chip);
    void unplugAll();
    std::vector<SimulatedUsbSerialChip*> chips() const;
    int openHandles() const;
    int initCount() const;

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

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::unique_ptr<SimulatedUsbSerialChip>> m_allChips;
    std::vector<SimulatedUsbSerialChip*> m_present;
    int m_openHandles = 0;
    int m_inits = 0;
};
