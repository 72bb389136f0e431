#include "ProgramFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

void ProgramFixture::writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QProcessEnvironment ProgramFixture::settledBoard(const QString& home, const QString& instanceName)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    const QString ini = home + QStringLiteral("/.zembo/settings.ini");
    if (!QFile::exists(ini))
        writeFile(ini, "[General]\npasswdChanged=1\n");
    const QString systemRoot = home + QStringLiteral("/system");
    writeFile(systemRoot + QStringLiteral("/etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n");
    writeFile(systemRoot + QStringLiteral("/sys/devices/system/cpu/isolated"), "3\n");
    env.insert(QStringLiteral("ZEMBO_SYSTEM_ROOT"), systemRoot);
    env.insert(QStringLiteral("ZEMBO_INSTANCE_KEY"),
               QStringLiteral("zembo-%1-%2").arg(instanceName).arg(QCoreApplication::applicationPid()));
    env.remove(QStringLiteral("ZEMBO_SIM_CONTROLLER"));
    return env;
}
