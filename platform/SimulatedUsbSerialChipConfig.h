#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// How a simulated USB-serial chip looks on the bus. ZEMBO_SIM_USB lists the
// chips of `make run`, separated by ';', each as comma-separated key=value
// pairs with the keys below (numbers decimal or 0x-hex), for example
//   ZEMBO_SIM_USB="bcd=0x0700,interfaces=2,serial=US7ABC,product=Dual RS232"
// An empty serial or product means the chip has no such string.
struct SimulatedUsbSerialChipConfig
{
    uint16_t vid = 0x0403;
    uint16_t pid = 0x6001;
    uint16_t bcdDevice = 0x0600;
    QString manufacturer = QStringLiteral("Zembo Sim");
    QString product = QStringLiteral("USB Serial OBD");
    QString serial = QStringLiteral("SIM06A1");
    int interfaces = 1;      // 1..4
    int packetSize = 64;     // 64 (full speed) or 512 (high speed)
    uint8_t bus = 1;
    uint8_t address = 4;
    double peerBaud = 38400; // rate of the loopback plug on every port; 0: no plug

    // Parses the ZEMBO_SIM_USB form; unknown keys and bad numbers are reported
    // in `error` and the list is empty.
    static std::vector<SimulatedUsbSerialChipConfig> parseList(const QString& text, QString* error = nullptr);
};
