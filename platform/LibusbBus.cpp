#include "LibusbBus.h"

int LibusbBus::init() { return libusb_init(nullptr); }
void LibusbBus::exit() { libusb_exit(nullptr); }

int LibusbBus::handleEventsTimeout(int timeoutMs)
{
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return libusb_handle_events_timeout(nullptr, &tv);
}

ssize_t LibusbBus::getDeviceList(libusb_device*** list) { return libusb_get_device_list(nullptr, list); }
void LibusbBus::freeDeviceList(libusb_device** list, int unrefDevices) { libusb_free_device_list(list, unrefDevices); }

int LibusbBus::getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor)
{
    return libusb_get_device_descriptor(device, descriptor);
}

int LibusbBus::getConfigDescriptor(libusb_device* device, uint8_t index, libusb_config_descriptor** config)
{
    return libusb_get_config_descriptor(device, index, config);
}

void LibusbBus::freeConfigDescriptor(libusb_config_descriptor* config) { libusb_free_config_descriptor(config); }
uint8_t LibusbBus::getBusNumber(libusb_device* device) { return libusb_get_bus_number(device); }
uint8_t LibusbBus::getDeviceAddress(libusb_device* device) { return libusb_get_device_address(device); }

int LibusbBus::open(libusb_device* device, libusb_device_handle** handle) { return libusb_open(device, handle); }
void LibusbBus::close(libusb_device_handle* handle) { libusb_close(handle); }
int LibusbBus::claimInterface(libusb_device_handle* handle, int n) { return libusb_claim_interface(handle, n); }
int LibusbBus::releaseInterface(libusb_device_handle* handle, int n) { return libusb_release_interface(handle, n); }

int LibusbBus::getStringDescriptorAscii(libusb_device_handle* handle, uint8_t index, unsigned char* data, int length)
{
    return libusb_get_string_descriptor_ascii(handle, index, data, length);
}

int LibusbBus::controlTransfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request, uint16_t value,
                               uint16_t index, unsigned char* data, uint16_t length, unsigned int timeoutMs)
{
    return libusb_control_transfer(handle, requestType, request, value, index, data, length, timeoutMs);
}

int LibusbBus::bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                            int* transferred, unsigned int timeoutMs)
{
    return libusb_bulk_transfer(handle, endpoint, data, length, transferred, timeoutMs);
}

libusb_transfer* LibusbBus::allocTransfer(int isoPackets) { return libusb_alloc_transfer(isoPackets); }
void LibusbBus::freeTransfer(libusb_transfer* transfer) { libusb_free_transfer(transfer); }
int LibusbBus::submitTransfer(libusb_transfer* transfer) { return libusb_submit_transfer(transfer); }
int LibusbBus::cancelTransfer(libusb_transfer* transfer) { return libusb_cancel_transfer(transfer); }
int LibusbBus::clearHalt(libusb_device_handle* handle, unsigned char endpoint) { return libusb_clear_halt(handle, endpoint); }
int LibusbBus::resetDevice(libusb_device_handle* handle) { return libusb_reset_device(handle); }
