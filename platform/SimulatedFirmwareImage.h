#pragma once

#include <QByteArray>
#include <QString>

// Test images of the controller firmware, in the format the program embeds:
//   0    128  version text, ended by a zero byte
//   128  2    page size in bytes (little-endian, a multiple of 4)
//   130  2    number of pages (little-endian)
//   132  4    unused (zero)
//   136  ...  pages in order: page data, then its check byte (firmwarePageCheck)
// The page data is seeded noise; the last page starts with a version marker
// ("ZFWV", the page count as u16 little-endian, the version text and a zero)
// from which the simulated controller learns what it booted after an update.
class SimulatedFirmwareImage
{
public:
    SimulatedFirmwareImage() = delete;

    static constexpr int headerSize = 136;
    static constexpr int versionFieldSize = 128;

    // Empty when the parameters cannot make an image (page size not a multiple
    // of 4, too small for the marker, no pages, version text too long).
    static QByteArray build(const QString& version, int pageSize, int pageCount, quint32 seed);

    // Reads the marker at the start of a flashed last page.
    static bool readVersionMarker(const QByteArray& page, int* pageCount, QString* version);
};
