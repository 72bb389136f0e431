#include "SoftwareUpdater.h"

#include "DynoApplication.h"
#include "MySettings.h"
#include "PlatformMode.h"
#include "Settings.h"
#include "SimulatedUpdateService.h"
#include "UI.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The maker's update service.
const char* const kServiceAddress = "https://updates.zembo.invalid/";
constexpr qint64 kDownloadBufferBytes = 1 << 20;

// No request may hold a check "in progress" for ever: a silent peer ends the
// request after this long without data.
int transferTimeoutMs()
{
    bool ok = false;
    const int overridden = qEnvironmentVariableIntValue("ZEMBO_UPDATE_TIMEOUT_MS", &ok);
    return ok && overridden > 0 ? overridden : 30000;
}

} // namespace

SoftwareUpdater::SoftwareUpdater(QWidget* parent)
    : QDialog(parent)
    , runningVersion(theSettings.version)
{
    setWindowTitle(tr("Software Update"));
    resize(1000, 500);
    auto* layout = new QVBoxLayout(this);
    statusLabel = new QLabel(this);
    layout->addWidget(statusLabel);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout->addWidget(progressBar);
    auto* buttons = new QHBoxLayout;
    auto* ignore = new QPushButton(tr("Ignore updates"), this);
    auto* later = new QPushButton(tr("Remind me later"), this);
    downloadButton = new QPushButton(tr("Download"), this);
    buttons->addWidget(ignore);
    buttons->addWidget(later);
    buttons->addWidget(downloadButton);
    layout->addLayout(buttons);
    changelogBox = new QPlainTextEdit(this);
    layout->addWidget(changelogBox);
    connect(ignore, &QPushButton::clicked, this, &SoftwareUpdater::slot_buttonIgnore);
    connect(later, &QPushButton::clicked, this, &SoftwareUpdater::slot_buttonLater);
    connect(downloadButton, &QPushButton::clicked, this, &SoftwareUpdater::slot_buttonDownload);
    later->setFocus();
}

SoftwareUpdater::~SoftwareUpdater()
{
    delete downloadFile; // uncommitted: nothing is left behind
}

QString SoftwareUpdater::baseAddress()
{
    const QString overridden = qEnvironmentVariable("ZEMBO_UPDATE_BASE_URL");
    if (overridden.isEmpty() && PlatformMode::simulated())
        return simulatedServiceAddress();
    if (overridden.isEmpty())
        return QString::fromLatin1(kServiceAddress);
    return overridden.endsWith(QLatin1Char('/')) ? overridden : overridden + QLatin1Char('/');
}

QString SoftwareUpdater::simulatedServiceAddress()
{
    // The simulated dyno asks a service of its own, serving the folder
    // "simulatedUpdateService" of the configuration folder; a fresh one names
    // the running version, so nothing is offered until a file is put there.
    static SimulatedUpdateService* service = nullptr;
    if (!service) {
        const QString folder = theSettings.settingsDir.filePath(QStringLiteral("simulatedUpdateService"));
        QDir().mkpath(folder);
        for (const char* branch : {"stable6", "experimental6"}) {
            QFile version(folder + QStringLiteral("/version-") + QLatin1String(branch) + QStringLiteral(".txt"));
            if (!version.exists() && version.open(QIODevice::WriteOnly))
                version.write(theSettings.version.versionText.toUtf8());
        }
        service = new SimulatedUpdateService(folder, qApp);
        if (!service->start())
            qDebug() << "Simulated update service: cannot listen on the loopback interface";
        else
            qDebug() << "Simulated update service at" << service->baseAddress() << "serving" << folder;
    }
    return service->baseAddress();
}

QString SoftwareUpdater::getBranch()
{
    bool experimental = false;
    if (theUI && theUI->settings && theUI->settings->checkBox_settings_useExperimentalUpdates)
        experimental = theUI->settings->checkBox_settings_useExperimentalUpdates->isChecked();
    else
        experimental = theSettings.value(QStringLiteral("UserSetting/checkBox_settings_useExperimentalUpdates"), 0)
                           .toInt() != 0;
    return experimental ? QStringLiteral("experimental6") : QStringLiteral("stable6");
}

AppVersion SoftwareUpdater::parseVersionReply(const QByteArray& body)
{
    // The text becomes part of a file name: only digits and dots pass.
    static const QRegularExpression shape(QStringLiteral("^[0-9]{1,6}\\.[0-9]{1,6}\\.[0-9]{1,6}$"));
    const QString text = QString::fromUtf8(body).trimmed();
    if (!shape.match(text).hasMatch())
        return AppVersion();
    return AppVersion(text);
}

bool SoftwareUpdater::isNewer(const AppVersion& reply, const AppVersion& running)
{
    return reply.major > 0 && reply.combined() > running.combined();
}

QNetworkAccessManager* SoftwareUpdater::network()
{
    if (theNAM)
        return theNAM;
    if (!ownNetwork)
        ownNetwork = new QNetworkAccessManager(this);
    return ownNetwork;
}

QNetworkReply* SoftwareUpdater::get(const QString& path)
{
    QNetworkRequest request(QUrl(baseAddress() + path));
    request.setTransferTimeout(transferTimeoutMs());
    return network()->get(request);
}

void SoftwareUpdater::check(bool verboseCheck)
{
    verbose = verboseCheck;
    if (checkInProgress) {
        if (verbose)
            Tools::showInfo(tr("Check already in progress"));
        return;
    }
    checkInProgress = true;
    versionReply = get(QStringLiteral("zembo/updates/index.php?version=") + getBranch());
    connect(versionReply, &QNetworkReply::finished, this, &SoftwareUpdater::slot_versionNetworkReplyFinished);
}

void SoftwareUpdater::slot_versionNetworkReplyFinished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    checkInProgress = false;
    if (reply->error() != QNetworkReply::NoError) {
        if (verbose)
            Tools::showInfo(tr("Error getting version info") + QLatin1Char('\n') + reply->errorString());
    } else {
        const AppVersion version = parseVersionReply(reply->read(256));
        if (!isNewer(version, runningVersion)) {
            if (verbose)
                Tools::showInfo(tr("No update available"));
        } else {
            fileName = QStringLiteral("Zembo_D12_") + version.versionText;
            targetPath = QDir::homePath() + QStringLiteral("/./Desktop/") + fileName;
            if (QFile::exists(targetPath)) {
                if (verbose)
                    Tools::showInfo(tr("Update already downloaded to desktop"));
            } else {
                checkInProgress = true;
                statusLabel->setText(tr("New software version available: ") + fileName);
                changelogReply = get(QStringLiteral("zembo/updates/?changelog=") + runningVersion.versionText);
                connect(changelogReply, &QNetworkReply::finished, this,
                        &SoftwareUpdater::slot_changelogNetworkReplyFinished);
                downloadButton->setEnabled(true);
            }
        }
    }
    reply->close();
    reply->deleteLater();
}

void SoftwareUpdater::slot_changelogNetworkReplyFinished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    checkInProgress = false;
    if (reply->error() != QNetworkReply::NoError) {
        if (verbose)
            Tools::showInfo(tr("Error downloading changelog") + QLatin1Char('\n') + reply->errorString());
        qDebug() << "error downloading changelog" << reply->errorString();
    } else if (reply->bytesAvailable() > 0) {
        changelogBox->appendPlainText(QString::fromUtf8(reply->readAll()));
        reply->close();
        reply->deleteLater();
        DialogAnswerer::exec(this);
        return;
    } else {
        if (verbose)
            Tools::showInfo(tr("Error downloading changelog") + QLatin1Char('\n') + tr("Empty response"));
        qDebug() << "error downloading changelog: empty response";
    }
    reply->close();
    reply->deleteLater();
}

void SoftwareUpdater::slot_buttonDownload()
{
    delete downloadFile;
    downloadFile = new QSaveFile(targetPath);
    downloadWriteFailed = false;
    downloadedBytes = 0;
    if (QFile::exists(targetPath) || !downloadFile->open(QIODevice::WriteOnly)) {
        // A missing desktop folder, say: said at once rather than after the download.
        Tools::showError(QStringLiteral("SoftwareUpdater ") + tr("cannot create %1").arg(targetPath));
        delete downloadFile;
        downloadFile = nullptr;
        return;
    }
    downloadReply = get(QStringLiteral("zembo/updates/") + getBranch() + QLatin1Char('/') + fileName);
    // Without a bound the network thread reads a fast link far ahead of the
    // file and the whole program passes through memory: the board has little.
    downloadReply->setReadBufferSize(kDownloadBufferBytes);
    connect(downloadReply, &QNetworkReply::readyRead, this, &SoftwareUpdater::writeReceived);
    connect(downloadReply, &QNetworkReply::finished, this, &SoftwareUpdater::slot_downloadNetworkReplyFinished);
    connect(downloadReply, &QNetworkReply::downloadProgress, this, &SoftwareUpdater::slot_downloadProgress);
    downloadButton->setEnabled(false);
}

void SoftwareUpdater::writeReceived()
{
    if (!downloadReply || !downloadFile)
        return;
    char chunk[64 * 1024];
    qint64 got = 0;
    while ((got = downloadReply->read(chunk, sizeof chunk)) > 0) {
        downloadedBytes += got;
        if (!downloadWriteFailed && downloadFile->write(chunk, got) != got)
            downloadWriteFailed = true;
    }
}

void SoftwareUpdater::slot_downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    progressBar->setValue(bytesTotal == 0 ? 0 : int(bytesReceived * 100 / bytesTotal));
}

void SoftwareUpdater::slot_downloadNetworkReplyFinished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        Tools::showError(QStringLiteral("SoftwareUpdater ") + reply->errorString());
        reject();
    } else {
        writeReceived();
        if (downloadedBytes == 0) {
            Tools::showError(tr("Error downloading file"));
            reject();
        } else if (downloadWriteFailed || !downloadFile || !downloadFile->commit()) {
            Tools::showError(QStringLiteral("SoftwareUpdater ") +
                             (downloadFile ? downloadFile->errorString() : tr("cannot create %1").arg(targetPath)));
            reject();
        } else {
            QFile::setPermissions(targetPath, QFile::permissions(targetPath) | QFile::ExeOwner | QFile::ExeUser |
                                                  QFile::ExeGroup | QFile::ExeOther);
            Tools::showInfo(tr("New software version is downloaded to your desktop"));
            accept();
        }
    }
    delete downloadFile; // uncommitted on every failure: the partial file goes
    downloadFile = nullptr;
    reply->close();
    reply->deleteLater();
}

void SoftwareUpdater::slot_buttonIgnore()
{
    if (theUI && theUI->settings && theUI->settings->checkBox_settings_checkForUpdates)
        theUI->settings->checkBox_settings_checkForUpdates->setChecked(false);
    else
        theSettings.setValue(QStringLiteral("UserSetting/checkBox_settings_checkForUpdates"), int(Qt::Unchecked));
    reject();
}

void SoftwareUpdater::slot_buttonLater()
{
    reject();
}
