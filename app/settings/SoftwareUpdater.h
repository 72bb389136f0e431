#pragma once

#include "AppVersion.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSaveFile;

// Asks the maker's update service whether a newer build exists, shows its
// changelog and, on request, downloads the new program file to the user's
// desktop and makes it executable. Installs nothing: the operator starts the
// downloaded file.
class SoftwareUpdater : public QDialog
{
    Q_OBJECT
public:
    explicit SoftwareUpdater(QWidget* parent = nullptr);
    ~SoftwareUpdater() override;

    // A quiet check (verbose false) shows only the dialog, when there is
    // something to download; a reporting one shows every outcome.
    void check(bool verbose);
    // "experimental6" while the SETTINGS option asks for experimental builds, else "stable6".
    static QString getBranch();
    // The update service's address; ZEMBO_UPDATE_BASE_URL overrides it, and
    // under ZEMBO_SIMULATE=1 without it the simulated service answers.
    static QString baseAddress();
    static QString simulatedServiceAddress();
    // The version the service names, or an unparsed version (-1) for a reply
    // that is not three dot-separated decimal numbers.
    static AppVersion parseVersionReply(const QByteArray& body);
    // Whether `reply` names a build newer than `running`.
    static bool isNewer(const AppVersion& reply, const AppVersion& running);

    QPointer<QNetworkReply> versionReply;
    QPointer<QNetworkReply> downloadReply;
    QPointer<QNetworkReply> changelogReply;
    QString fileName;
    QString targetPath;
    QPushButton* downloadButton = nullptr;
    QLabel* statusLabel = nullptr;
    QPlainTextEdit* changelogBox = nullptr;
    QProgressBar* progressBar = nullptr;
    bool checkInProgress = false;
    bool verbose = false;
    // The running program's version (the settings store's; tests set another).
    AppVersion runningVersion;

public Q_SLOTS:
    void slot_versionNetworkReplyFinished();
    void slot_changelogNetworkReplyFinished();
    void slot_downloadNetworkReplyFinished();
    void slot_downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void slot_buttonIgnore();
    void slot_buttonLater();
    void slot_buttonDownload();

private:
    QNetworkReply* get(const QString& path);
    void writeReceived();
    QNetworkAccessManager* network();

    QNetworkAccessManager* ownNetwork = nullptr;
    // The download goes straight to the file; it appears under its name only
    // when complete, so a broken download never leaves a program to start.
    QSaveFile* downloadFile = nullptr;
    bool downloadWriteFailed = false;
    qint64 downloadedBytes = 0;
};
