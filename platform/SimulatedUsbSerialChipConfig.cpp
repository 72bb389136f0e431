#include "SimulatedUsbSerialChipConfig.h"

#include <QStringList>

namespace {
bool number(const QString& text, unsigned long* value)
{
    bool ok = false;
    *value = text.trimmed().toULong(&ok, 0);
    return ok;
}
} // namespace

std::vector<SimulatedUsbSerialChipConfig> SimulatedUsbSerialChipConfig::parseList(const QString& text, QString* error)
{
    std::vector<SimulatedUsbSerialChipConfig> chips;
    uint8_t nextAddress = 4;
    const QStringList entries = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        SimulatedUsbSerialChipConfig chip;
        chip.address = nextAddress;
        const QStringList pairs = entry.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString& pair : pairs) {
            const int eq = pair.indexOf(QLatin1Char('='));
            const QString key = pair.left(eq).trimmed();
            const QString value = eq < 0 ? QString() : pair.mid(eq + 1);
            unsigned long n = 0;
            bool ok = true;
            if (key == QLatin1String("serial"))
                chip.serial = value;
            else if (key == QLatin1String("product"))
                chip.product = value;
            else if (key == QLatin1String("manufacturer"))
                chip.manufacturer = value;
            else if ((ok = number(value, &n))) {
                if (key == QLatin1String("vid")) chip.vid = uint16_t(n);
                else if (key == QLatin1String("pid")) chip.pid = uint16_t(n);
                else if (key == QLatin1String("bcd")) chip.bcdDevice = uint16_t(n);
                else if (key == QLatin1String("interfaces")) ok = n >= 1 && n <= 4, chip.interfaces = int(n);
                else if (key == QLatin1String("packet")) ok = n == 64 || n == 512, chip.packetSize = int(n);
                else if (key == QLatin1String("bus")) chip.bus = uint8_t(n);
                else if (key == QLatin1String("address")) chip.address = uint8_t(n);
                else if (key == QLatin1String("peerBaud")) chip.peerBaud = double(n);
                else ok = false;
            }
            if (!ok) {
                if (error)
                    *error = QStringLiteral("bad simulated USB chip entry '%1'").arg(pair);
                return {};
            }
        }
        nextAddress = uint8_t(chip.address + 1);
        chips.push_back(chip);
    }
    return chips;
}
