// Run under umockdev-run, outside the test world (no ZEMBO_TEST, no
// ZEMBO_SIMULATE), so the library talks to libusb. Prints what libusb and the
// library see: one line per USB device, then the library's device count and
// locations.
#include <LibusbBus.h>
#include <usbserial.h>

#include <cstdio>

int main()
{
    LibusbBus bus;
    if (bus.init() != 0) {
        std::printf("init failed\n");
        return 1;
    }
    libusb_device** list = nullptr;
    const ssize_t n = bus.getDeviceList(&list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d;
        if (bus.getDeviceDescriptor(list[i], &d) != 0)
            continue;
        int interfaces = -1;
        libusb_config_descriptor* config = nullptr;
        if (bus.getConfigDescriptor(list[i], 0, &config) == 0) {
            interfaces = config->bNumInterfaces;
            bus.freeConfigDescriptor(config);
        }
        libusb_device_handle* h = nullptr;
        const int opened = bus.open(list[i], &h);
        int claimed = -99;
        if (opened == 0) {
            claimed = bus.claimInterface(h, 0);
            if (claimed == 0)
                bus.releaseInterface(h, 0);
            bus.close(h);
        }
        std::printf("device %04x:%04x bcd %04x bus %u address %u interfaces %d open %d claim %d\n", d.idVendor,
                    d.idProduct, d.bcdDevice, bus.getBusNumber(list[i]), bus.getDeviceAddress(list[i]), interfaces,
                    opened, claimed);
    }
    bus.freeDeviceList(list, 1);
    bus.exit();

    uint32_t count = 0;
    const USS_STATUS counted = USS_ListDevices(&count, nullptr, USS_LIST_NUMBER_ONLY);
    std::printf("library count status %u\n", counted);
    std::printf("library devices %u\n", count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t location = 0;
        const USS_STATUS s = USS_ListDevices(reinterpret_cast<void*>(uintptr_t(i)), &location,
                                             USS_LIST_BY_INDEX | USS_OPEN_BY_LOCATION);
        std::printf("library location %u 0x%x status %u\n", i, location, s);
    }
    return 0;
}
