#include "SystemRoot.h"

#include "PlatformMode.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

namespace {

QString configuredRoot()
{
    return PlatformMode::systemCommandsRecorded() ? qEnvironmentVariable("ZEMBO_SYSTEM_ROOT") : QString();
}

void writeSystemFile(const QString& root, const QString& path, const QByteArray& content, bool keepExisting)
{
    const QString target = root + path;
    if (keepExisting && QFile::exists(target))
        return;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qDebug() << "Simulated board: can't write" << target;
}

// Fills the simulated board's files once per process and folder. A settled
// board keeps what is there (the operator may have edited it); a first-boot
// board starts from the image every time.
QString preparedBoard(bool firstBoot)
{
    const QString root = QDir::home().filePath(firstBoot ? QStringLiteral(".zembo/simulatedFirstBootSystem")
                                                         : QStringLiteral(".zembo/simulatedSystem"));
    static QMutex mutex;
    static QSet<QString> prepared;
    QMutexLocker lock(&mutex);
    if (prepared.contains(root))
        return root;
    prepared.insert(root);
    const QByteArray cmdline = "console=serial0,115200 console=tty1 root=/dev/mmcblk0p2 rootfstype=ext4 fsck.repair=yes "
                               "rootwait";
    if (firstBoot) {
        QDir(root).removeRecursively();
        writeSystemFile(root, QStringLiteral("/boot/cmdline.txt"), cmdline + "\n", false);
        writeSystemFile(root, QStringLiteral("/sys/devices/system/cpu/isolated"), "\n", false);
        qDebug().noquote() << "Simulated board fresh from the image in" << root;
    } else {
        writeSystemFile(root, QStringLiteral("/boot/cmdline.txt"), cmdline + " isolcpus=3\n", true);
        writeSystemFile(root, QStringLiteral("/sys/devices/system/cpu/isolated"), "3\n", true);
        writeSystemFile(root, QStringLiteral("/etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n", true);
    }
    return root;
}

} // namespace

bool SystemRoot::simulatedBoard()
{
    return PlatformMode::simulated() && configuredRoot().isEmpty();
}

bool SystemRoot::simulatedFirstBoot()
{
    const QByteArray value = qgetenv("ZEMBO_SIM_FIRST_BOOT");
    return simulatedBoard() && !value.isEmpty() && value != "0";
}

QString SystemRoot::root()
{
    const QString configured = configuredRoot();
    if (!configured.isEmpty())
        return configured;
    // The development machine's own "/" is not the board's system: read as
    // such it would ask for a reboot and a password change on every start.
    if (PlatformMode::simulated())
        return preparedBoard(simulatedFirstBoot());
    return QStringLiteral("/");
}

QString SystemRoot::filePath(const QString& absolutePath)
{
    // The simulated board runs on this machine's kernel: its live figures
    // (CPU load, memory, temperature) are this machine's; only the board's
    // own configuration files are simulated.
    if (simulatedBoard()) {
        const QString path = QDir::cleanPath(absolutePath);
        if (path.startsWith(QLatin1String("/proc/")) || path.startsWith(QLatin1String("/sys/class/thermal/")))
            return path;
    }
    return QDir::cleanPath(root() + QLatin1Char('/') + absolutePath);
}
