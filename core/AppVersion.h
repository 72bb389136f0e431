#pragma once

#include <QString>

// A program version "major.minor.bugfix". Ordered by
// major * 1,000,000 + minor * 1,000 + bugfix; components that failed to parse are -1.
class AppVersion
{
public:
    AppVersion() = default;
    AppVersion(QString text);
    AppVersion(const char* text);

    qint64 combined() const;
    bool operator<(const AppVersion& other) const { return combined() < other.combined(); }
    bool operator>(const AppVersion& other) const { return other < *this; }
    bool operator==(const AppVersion& other) const { return combined() == other.combined(); }
    bool operator!=(const AppVersion& other) const { return !(*this == other); }

    int major = -1;
    int minor = -1;
    int bugfix = -1;
    QString versionText;
};
