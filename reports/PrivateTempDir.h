#pragma once

#include <QString>

class QFile;

// A temporary folder of this process alone (mode 0700), for the report PDF,
// the report's plot pictures and the result screen page: fixed names in the
// shared temporary folder could be pre-planted as symbolic links or read by
// other users.
class PrivateTempDir
{
public:
    // The folder, created at the first call; removed when the process ends.
    static QString path();
    static QString filePath(const QString& name);
    // Opens the file write-only, truncated, readable and writable by the owner only.
    static bool openPrivate(QFile& file);
};
