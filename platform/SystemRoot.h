#pragma once

#include <QString>

// Where the board's system files ("/boot/cmdline.txt", "/sys/...", "/etc/...")
// are read. On the board that is "/". When the stand-ins are in use
// (simulation or tests), ZEMBO_SYSTEM_ROOT may name another folder that holds
// the same paths, so the set-up code reads fixtures instead of the development
// machine's own files. It is ignored otherwise: a real board never reads its
// system state from elsewhere while its commands act on "/".
class SystemRoot
{
public:
    SystemRoot() = delete;

    static QString root();
    // `absolutePath` (starting with "/") below the root.
    static QString filePath(const QString& absolutePath);
};
