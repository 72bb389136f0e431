#include "SoftwareUpdater.h"

#include <QDebug>

SoftwareUpdater::SoftwareUpdater(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Software Update"));
    resize(1000, 500);
}

QString SoftwareUpdater::baseAddress()
{
    const QString overridden = qEnvironmentVariable("ZEMBO_UPDATE_BASE_URL");
    // The service's address arrives with the updater.
    return overridden.isEmpty() ? QStringLiteral("https://updates.invalid/") : overridden;
}

void SoftwareUpdater::check(bool verbose)
{
    ++checkCount;
    qDebug() << "Software update check (not available in this version), verbose:" << verbose
             << "service:" << baseAddress();
}
