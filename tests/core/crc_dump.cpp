// Prints random buffers with the program's CRC-8 and Modbus CRC-16 for the
// check against crcmod: "hex<TAB>crc8<TAB>crc16" per line.
#include "Tools.h"

#include <QRandomGenerator>

#include <cstdio>

int main()
{
    QRandomGenerator random(20261210);
    for (int i = 0; i < 2000; ++i) {
        const int length = (i % 3 == 0) ? 6 : 1 + int(random.bounded(255));
        unsigned char data[256];
        for (int k = 0; k < length; ++k)
            data[k] = static_cast<unsigned char>(random.bounded(256));
        const unsigned crc8 = length == 6 ? Tools::crc8_frameOptimized(data) : 0;
        const unsigned crc8General = Tools::crc8(data, static_cast<unsigned char>(length - 1));
        const unsigned crc16 = Tools::crc16(data, static_cast<unsigned short>(length));
        for (int k = 0; k < length; ++k)
            std::printf("%02x", data[k]);
        std::printf("\t%u\t%u\t%u\n", crc8General, crc8, crc16);
    }
    return 0;
}
