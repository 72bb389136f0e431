#pragma once

#include <SimulatedUsbSerialBus.h>
#include <usbserial.h>

#include <QString>

#include <vector>

// Chips for the tests: plugged into the process's simulated bus, unplugged
// again by the test's cleanup.
namespace UsbSerialTest {

inline SimulatedUsbSerialBus& bus()
{
    return SimulatedUsbSerialBus::instance();
}

inline SimulatedUsbSerialChipConfig chip(uint16_t bcd, const QString& serial, int interfaces = 1,
                                         const QString& product = QStringLiteral("USB Serial"), int packet = 64)
{
    SimulatedUsbSerialChipConfig c;
    c.bcdDevice = bcd;
    c.serial = serial;
    c.product = product;
    c.interfaces = interfaces;
    c.packetSize = packet;
    static uint8_t nextAddress = 10;
    c.address = nextAddress++;
    if (nextAddress > 120)
        nextAddress = 10;
    return c;
}

inline SimulatedUsbSerialChip* plug(uint16_t bcd, const QString& serial, int interfaces = 1,
                                    const QString& product = QStringLiteral("USB Serial"), int packet = 64)
{
    return bus().plug(chip(bcd, serial, interfaces, product, packet));
}

inline USS_HANDLE openBySerial(const char* serial)
{
    USS_HANDLE h = nullptr;
    if (USS_OpenEx(const_cast<char*>(serial), USS_OPEN_BY_SERIAL_NUMBER, &h) != USS_OK)
        return nullptr;
    return h;
}

// Only the requests of one kind, in order.
inline std::vector<SimulatedUsbSerialChip::ControlRecord> requests(const SimulatedUsbSerialChip* chip, int bRequest)
{
    std::vector<SimulatedUsbSerialChip::ControlRecord> out;
    for (const auto& r : chip->controlRequests())
        if (r.request == bRequest)
            out.push_back(r);
    return out;
}

} // namespace UsbSerialTest
