#include "SystemRoot.h"

#include "PlatformMode.h"

#include <QDir>

QString SystemRoot::root()
{
    if (PlatformMode::systemCommandsRecorded()) {
        const QString configured = qEnvironmentVariable("ZEMBO_SYSTEM_ROOT");
        if (!configured.isEmpty())
            return configured;
    }
    return QStringLiteral("/");
}

QString SystemRoot::filePath(const QString& absolutePath)
{
    return QDir::cleanPath(root() + QLatin1Char('/') + absolutePath);
}
