#include "SimulatedFirmwareImage.h"

#include "FirmwarePageCheck.h"

namespace {
const char marker[4] = {'Z', 'F', 'W', 'V'};

void putU16(QByteArray& bytes, int offset, int value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}
} // namespace

QByteArray SimulatedFirmwareImage::build(const QString& version, int pageSize, int pageCount, quint32 seed)
{
    const QByteArray text = version.toLatin1();
    if (pageSize <= 0 || pageSize % 4 != 0 || pageSize > 0xFFFF || pageCount <= 0 || pageCount > 0xFFFF
        || text.size() >= versionFieldSize || text.contains('\0') || pageSize < 4 + 2 + text.size() + 1)
        return QByteArray();

    QByteArray image(headerSize, '\0');
    image.replace(0, text.size(), text);
    putU16(image, 128, pageSize);
    putU16(image, 130, pageCount);

    // A small xorshift generator: the same seed always gives the same image.
    quint32 state = seed ? seed : 0x9E3779B9u;
    QByteArray page(pageSize, '\0');
    for (int p = 0; p < pageCount; ++p) {
        for (int i = 0; i < pageSize; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            page[i] = static_cast<char>(state & 0xFF);
        }
        if (p == pageCount - 1) {
            page.replace(0, 4, QByteArray(marker, 4));
            putU16(page, 4, pageCount);
            page.replace(6, text.size(), text);
            page[6 + text.size()] = '\0';
        }
        image.append(page);
        image.append(static_cast<char>(
            firmwarePageCheck(reinterpret_cast<const unsigned char*>(page.constData()), pageSize)));
    }
    return image;
}

bool SimulatedFirmwareImage::readVersionMarker(const QByteArray& page, int* pageCount, QString* version)
{
    if (page.size() < 7 || !page.startsWith(QByteArray(marker, 4)))
        return false;
    const int end = page.indexOf('\0', 6);
    if (end < 0)
        return false;
    if (pageCount)
        *pageCount = static_cast<unsigned char>(page[4]) | (static_cast<unsigned char>(page[5]) << 8);
    if (version)
        *version = QString::fromLatin1(page.mid(6, end - 6));
    return true;
}
