#include "AppVersion.h"

#include <QDebug>
#include <QStringList>

AppVersion::AppVersion(QString text)
    : versionText(text)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 3) {
        qDebug() << "App version string too short. Bugfix number missing?" << text;
        return;
    }
    bool ok = false;
    major = parts.at(0).toInt(&ok, 10);
    if (!ok) {
        major = -1;
        qDebug() << "Invalid major app version number" << text;
        return;
    }
    minor = parts.at(1).toInt(&ok, 10);
    if (!ok) {
        minor = -1;
        qDebug() << "Invalid minor app version number" << text;
        return;
    }
    bugfix = parts.at(2).toInt(&ok, 10);
    if (!ok) {
        bugfix = -1;
        qDebug() << "Invalid bugfix app version number" << text;
    }
}

AppVersion::AppVersion(const char* text)
    : AppVersion(text ? QString::fromUtf8(text) : QString())
{
}

qint64 AppVersion::combined() const
{
    // 64 bits: a large major number must not wrap around and sort below 1.0.0.
    return qint64(major) * 1000000 + qint64(minor) * 1000 + qint64(bugfix);
}
