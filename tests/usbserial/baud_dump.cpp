// Reads baud rates (one per line) and, for chips of the classes 02, 06, 07
// and 24, prints what USS_SetBaudRate sent: "class rate status wValue wIndex",
// or "class rate status - - count" when it sent no baud-rate request.
#include "UsbSerialTestSupport.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main()
{
    using namespace UsbSerialTest;
    struct Target
    {
        const char* name;
        uint16_t bcd;
        const char* serial;
        int interfaces;
        SimulatedUsbSerialChip* chip = nullptr;
        USS_HANDLE handle = nullptr;
    };
    std::vector<Target> targets = {
        {"02", 0x0200, "BAUD02", 1}, {"06", 0x0600, "BAUD06", 1}, {"07", 0x0700, "BAUD07", 2}, {"24", 0x2400, "BAUD24", 2}};
    for (Target& t : targets) {
        t.chip = plug(t.bcd, QString::fromLatin1(t.serial), t.interfaces);
        std::string name = t.serial;
        if (t.interfaces > 1)
            name += 'A';
        t.handle = openBySerial(name.c_str());
        if (!t.handle && t.bcd != 0x2400) {
            std::fprintf(stderr, "cannot open class %s\n", t.name);
            return 1;
        }
    }
    // Class 24 cannot be opened by index but can by serial number.
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        const unsigned long baud = std::stoul(line);
        for (Target& t : targets) {
            if (!t.handle) {
                std::fprintf(stderr, "class %s not open\n", t.name);
                return 1;
            }
            t.chip->clearRecords();
            const USS_STATUS s = USS_SetBaudRate(t.handle, uint32_t(baud));
            const auto sent = requests(t.chip, 3);
            if (sent.size() == 1)
                std::printf("%s %lu %u 0x%04X 0x%04X\n", t.name, baud, s, sent[0].value, sent[0].index);
            else
                std::printf("%s %lu %u - - %zu\n", t.name, baud, s, sent.size());
        }
    }
    for (Target& t : targets)
        USS_Close(t.handle);
    return 0;
}
