#include "PrivateTempDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

QString PrivateTempDir::path()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zembo-XXXXXX"));
    return dir.path();
}

QString PrivateTempDir::filePath(const QString& name)
{
    return path() + QLatin1Char('/') + name;
}

bool PrivateTempDir::openPrivate(QFile& file)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}
