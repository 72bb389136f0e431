#include "MemoryInfo.h"

#include "SystemRoot.h"

#include <QByteArray>
#include <QFile>

namespace MemoryInfo {

quint64 availableMiB()
{
    bool overridden = false;
    const quint64 forced = qEnvironmentVariable("ZEMBO_MEMORY_AVAILABLE_MIB").toULongLong(&overridden);
    if (overridden)
        return forced;
    QFile file(SystemRoot::filePath(QStringLiteral("/proc/meminfo")));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // "MemAvailable:    1234567 kB"
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
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
