// Checksums of the device links and byte dumps for the debug log.
#include "Tools.h"

#include <QDebug>

#include <array>

namespace {

// CRC-8, polynomial 0x1D, MSB first, no reflection: entry i is the CRC of byte i.
constexpr std::array<uint8_t, 256> makeCrc8Table()
{
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t r = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 0x80) ? static_cast<uint8_t>((r << 1) ^ 0x1D) : static_cast<uint8_t>(r << 1);
        table[i] = r;
    }
    return table;
}

// Remainder of byte i under the reflected Modbus polynomial 0xA001.
constexpr uint16_t modbusRemainder(int i)
{
    uint16_t r = static_cast<uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit)
        r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0xA001) : static_cast<uint16_t>(r >> 1);
    return r;
}

constexpr std::array<uint8_t, 256> makeCrc16Table(bool highByte)
{
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const uint16_t r = modbusRemainder(i);
        table[i] = highByte ? static_cast<uint8_t>(r >> 8) : static_cast<uint8_t>(r & 0xFF);
    }
    return table;
}

constexpr std::array<uint8_t, 256> crc8Lookup = makeCrc8Table();
// The "hi" table holds the low byte of the remainder and the "lo" table its high
// byte: the register pair runs byte-swapped, which is why crc16 returns the
// Modbus CRC with the byte sent first in its high half.
constexpr std::array<uint8_t, 256> table_crc16_hi = makeCrc16Table(false);
constexpr std::array<uint8_t, 256> table_crc16_lo = makeCrc16Table(true);

static_assert(crc8Lookup[1] == 0x1D && crc8Lookup[2] == 0x3A && crc8Lookup[7] == 0x53, "CRC-8 table");
static_assert(table_crc16_hi[1] == 0xC1 && table_crc16_lo[1] == 0xC0 && table_crc16_lo[3] == 0x01, "CRC-16 tables");

} // namespace

uint8_t Tools::crc8(const unsigned char* data, unsigned char n)
{
    uint8_t crc = 0;
    for (int i = 0; i <= n; ++i)
        crc = crc8Lookup[crc ^ data[i]];
    return crc;
}

uint8_t Tools::crc8_frameOptimized(const unsigned char* frame)
{
    uint8_t crc = crc8Lookup[frame[0]];
    crc = crc8Lookup[crc ^ frame[1]];
    crc = crc8Lookup[crc ^ frame[2]];
    crc = crc8Lookup[crc ^ frame[3]];
    return crc8Lookup[crc ^ frame[4]];
}

uint16_t Tools::crc16(unsigned char* data, unsigned short len)
{
    uint8_t a = 0xFF;
    uint8_t b = 0xFF;
    for (unsigned short k = 0; k < len; ++k) {
        const uint8_t i = a ^ data[k];
        a = b ^ table_crc16_hi[i];
        b = table_crc16_lo[i];
    }
    return static_cast<uint16_t>((a << 8) | b);
}

QString Tools::hexStringFromByteArray(const QByteArray& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 4);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(QLatin1Char(' '));
        text.append(QLatin1Char(digits[b >> 4]));
        text.append(QLatin1Char(digits[b & 0x0F]));
        text.append(QLatin1Char(' '));
    }
    return text;
}

QString Tools::readString(QString* text, unsigned int word)
{
    for (int i = 0; i < 4; ++i) {
        const char byte = static_cast<char>((word >> (8 * i)) & 0xFF);
        if (byte == 0) {
            const QString complete = *text;
            text->clear();
            return complete;
        }
        text->append(QString::fromUtf8(&byte, 1));
    }
    return QString();
}

void Tools::printBuffer(const unsigned char* data, int len)
{
    if (len <= 0)
        return;
    QString hex;
    QString chars;
    for (int i = 0; i < len; ++i) {
        hex += QString::asprintf("%02x ", data[i]);
        chars += (data[i] >= 0x20 && data[i] <= 0x7E) ? QChar(data[i]) : QChar(u'.');
        if (i % 16 == 15 || i == len - 1) {
            qDebug() << hex << chars;
            hex.clear();
            chars.clear();
        }
    }
}

void Tools::printCTable(unsigned char* buf, int len)
{
    qDebug().noquote() << "buffer={";
    QString line;
    for (int i = 0; i < len; ++i) {
        line += QString::asprintf("0x%02x, ", buf[i]);
        if (i % 16 == 15 || i == len - 1) {
            qDebug().noquote() << line;
            line.clear();
        }
    }
    qDebug().noquote() << "}";
}
