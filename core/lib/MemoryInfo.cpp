#include "MemoryInfo.h"

#include <QByteArray>
#include <QFile>

namespace MemoryInfo {

quint64 availableMiB()
{
    bool overridden = false;
    const quint64 forced = qEnvironmentVariable("ZEMBO_MEMORY_AVAILABLE_MIB").toULongLong(&overridden);
    if (overridden)
        return forced;
    // The running kernel's own figure, never a fixture of the system root.
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // "MemAvailable:    1234567 kB". Files of /proc report no size, so the
    // text is read whole rather than up to an end the file does not know.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.mid(13).simplified().split(' ');
        bool ok = false;
        const quint64 kib = parts.value(0).toULongLong(&ok);
        return ok ? kib / 1024 : 0;
    }
    return 0;
}

} // namespace MemoryInfo
