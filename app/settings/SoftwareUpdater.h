#pragma once

#include <QDialog>
#include <QString>

// STAND-IN until the software updater is built: the update dialog with its
// check. The check asks nothing yet, so an unattended start never waits on it.
class SoftwareUpdater : public QDialog
{
    Q_OBJECT
public:
    explicit SoftwareUpdater(QWidget* parent = nullptr);
    void check(bool verbose);
    // The update service's address; ZEMBO_UPDATE_BASE_URL overrides it (tests).
    static QString baseAddress();

    int checkCount = 0;
};
