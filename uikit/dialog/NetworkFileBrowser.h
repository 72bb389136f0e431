#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QPointer>
#include <QString>

class QDialogButtonBox;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QUrl;

// Picks one file of a preset library of the manufacturer's web service: the
// library's list of names is fetched, shown with a word filter, and the file
// the operator chooses is fetched and handed over as text. The dialog runs
// modally inside the constructor; afterwards `fileContent` holds the text,
// empty when the operator cancelled or a request failed (the browser has
// shown why). It stores nothing on disk.
//
// Names come from the network: they are trimmed, and a name that could leave
// a folder or hide a file once a caller turns it into a file name is not
// listed. Both answers have a size limit.
//
// GUI thread only; the requests run in the network access manager while the
// modal loop runs. Requests still running when the dialog closes are
// cancelled and never heard of again.
class NetworkFileBrowser : public QDialog
{
    Q_OBJECT
public:
    // listAddress answers one name per line; a chosen name is fetched from
    // fileAddress + name + "." + extension.
    NetworkFileBrowser(const QString& listAddress, const QString& fileAddress, const QString& extension,
                       QWidget* parent = nullptr);
    ~NetworkFileBrowser() override;

    // The web service's address, ending in "/". ZEMBO_LIBRARY_BASE_URL
    // replaces it (tests serve a library on loopback).
    static QString serviceAddress();
    // The two addresses of a library folder such as "channelsettings".
    static QString listAddress(const QString& folder);
    static QString fileAddress(const QString& folder);

    // The application's network access manager, registered at start-up
    // (this layer cannot reach the application object). Without one, the
    // browser makes its own on first use.
    static void setNetworkAccessManager(QNetworkAccessManager* manager);
    static QNetworkAccessManager* networkAccessManager();

    // A name as listed, trimmed; empty when it is refused: a path separator,
    // a leading full stop, a control character, or more than maxNameBytes
    // bytes of UTF-8.
    static QString sanitizedName(const QString& listed);

    static constexpr int maxNameBytes = 200;
    static constexpr qint64 maxListBytes = 1024 * 1024;
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

    bool eventFilter(QObject* watched, QEvent* event) override;

    QString fileContent;
    // The chosen name as listed, without extension.
    QString fileName;

    QProgressBar* progressBar = nullptr;
    QLineEdit* filterEdit = nullptr;
    QTableView* tableView = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    QStandardItemModel* itemModel = nullptr;

public Q_SLOTS:
    void slot_acceptDialog();
    void slot_setFilter(const QString& pattern);
    void slot_activated(const QModelIndex& index);
    void slot_fileListReceived();
    void slot_fileDownloaded();
    void slot_downloadProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    void downloadFile(const QString& name);
    QNetworkReply* sendRequest(const QUrl& url, qint64 maxBytes, void (NetworkFileBrowser::*finishedSlot)());
    // False with the text to show when the reply failed or was too large;
    // otherwise true with the answer, which may be empty.
    bool readAnswer(QNetworkReply* reply, qint64 maxBytes, QByteArray* answer, QString* error) const;
    void abandon(QNetworkReply* reply);

    // Ends in "/files/": the chosen name and the suffix follow.
    QString filesAddress;
    QSortFilterProxyModel* proxy = nullptr;
    QPointer<QNetworkReply> listReply;
    QPointer<QNetworkReply> fileReply;
    QString fileSuffix;
};
