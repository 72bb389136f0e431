#include "NetworkFileBrowser.h"

#include "PickerFilter.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPointer<QNetworkAccessManager> g_manager;

// Set on a reply that was cut off at its size limit, so the message names the
// cause rather than the cancellation.
const char* const kTooLarge = "zembo_tooLarge";

} // namespace

NetworkFileBrowser::NetworkFileBrowser(const QString& listAddress, const QString& fileAddress,
                                       const QString& extension, QWidget* parent)
    : QDialog(parent)
{
    fileSuffix = QStringLiteral(".") + extension;
    listReply = sendRequest(QUrl(listAddress), maxListBytes, &NetworkFileBrowser::slot_fileListReceived);

    filesAddress = fileAddress;
    proxy = new QSortFilterProxyModel(this);
    setSizeGripEnabled(true);
    setWindowTitle(tr("Select Item"));

    auto* layout = new QVBoxLayout(this);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    filterEdit = new QLineEdit(this);
    filterEdit->setPlaceholderText(tr("Filter"));
    tableView = new QTableView(this);
    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(progressBar);
    layout->addWidget(filterEdit);
    layout->addWidget(tableView);
    layout->addWidget(buttonBox);
    setFocusProxy(filterEdit);
    filterEdit->installEventFilter(this);

    itemModel = new QStandardItemModel(0, 1, this);
    proxy->setSourceModel(itemModel);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setFilterKeyColumn(-1);
    tableView->setModel(proxy);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->horizontalHeader()->hide();
    tableView->verticalHeader()->hide();
    tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);

    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &NetworkFileBrowser::slot_acceptDialog);
    connect(tableView, &QAbstractItemView::activated, this, &NetworkFileBrowser::slot_activated);
    connect(filterEdit, &QLineEdit::textChanged, this, &NetworkFileBrowser::slot_setFilter);

    resize(800, 600);
    DialogAnswerer::exec(this);

    // Whatever is still on its way is of no use to anyone now; heard later it
    // would open error boxes over a closed dialog.
    abandon(listReply);
    abandon(fileReply);
}

NetworkFileBrowser::~NetworkFileBrowser()
{
    abandon(listReply);
    abandon(fileReply);
}

// ---------------------------------------------------------------- addresses

QString NetworkFileBrowser::serviceAddress()
{
    QString address = qEnvironmentVariable("ZEMBO_LIBRARY_BASE_URL");
    if (address.isEmpty()) {
        // The manufacturer's service is not reachable from this build; the
        // address of the real one is set here once it is known.
        address = QStringLiteral("https://library.invalid/");
    }
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address;
}

QString NetworkFileBrowser::listAddress(const QString& folder)
{
    return serviceAddress() + folder + QStringLiteral("/?list=all");
}

QString NetworkFileBrowser::fileAddress(const QString& folder)
{
    return serviceAddress() + folder + QStringLiteral("/files/");
}

void NetworkFileBrowser::setNetworkAccessManager(QNetworkAccessManager* manager)
{
    g_manager = manager;
}

QNetworkAccessManager* NetworkFileBrowser::networkAccessManager()
{
    if (!g_manager)
        g_manager = new QNetworkAccessManager(QCoreApplication::instance());
    return g_manager;
}

// ---------------------------------------------------------------- names

QString NetworkFileBrowser::sanitizedName(const QString& listed)
{
    const QString name = listed.trimmed();
    // Callers make file names of it (a downloaded desktop is stored under its
    // name): nothing may point into another folder or make a hidden file,
    // and with a unique-name suffix and an extension it must still fit the
    // 255 bytes of a file name.
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')) || name.toUtf8().size() > maxNameBytes)
        return QString();
    const bool hasControl = std::any_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control;
    });
    return hasControl ? QString() : name;
}

// ---------------------------------------------------------------- requests

QNetworkReply* NetworkFileBrowser::sendRequest(const QUrl& url, qint64 maxBytes,
                                               void (NetworkFileBrowser::*finishedSlot)())
{
    QNetworkReply* reply = networkAccessManager()->get(QNetworkRequest(url));
    // Released however it ends: read here, cut off, or abandoned.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    connect(reply, &QNetworkReply::finished, this, finishedSlot);
    // A server that sends without end must not fill the board's memory: the
    // reply is cut off as soon as it announces or delivers more than its limit.
    // The abort is queued: aborting finishes the reply at once, and its
    // handler opens a message box, which must not run inside the network
    // layer's own progress report.
    connect(reply, &QNetworkReply::downloadProgress, this, [reply, maxBytes](qint64 received, qint64 total) {
        if ((received > maxBytes || total > maxBytes) && !reply->property(kTooLarge).toBool()) {
            reply->setProperty(kTooLarge, true);
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this, &NetworkFileBrowser::slot_downloadProgress);
    return reply;
}

bool NetworkFileBrowser::readAnswer(QNetworkReply* reply, qint64 maxBytes, QByteArray* answer,
                                    QString* error) const
{
    const QString tooLarge = tr("the answer is larger than %1 bytes").arg(maxBytes);
    if (reply->property(kTooLarge).toBool()) {
        *error = tooLarge;
        return false;
    }
    if (reply->error() != QNetworkReply::NoError) {
        *error = reply->errorString();
        return false;
    }
    *answer = reply->read(maxBytes + 1);
    if (answer->size() > maxBytes) {
        answer->clear();
        *error = tooLarge;
        return false;
    }
    return true;
}

void NetworkFileBrowser::abandon(QNetworkReply* reply)
{
    if (!reply)
        return;
    disconnect(reply, nullptr, this, nullptr);
    // Aborting finishes the reply, which then deletes itself.
    if (reply->isRunning())
        reply->abort();
    else
        reply->deleteLater();
}

void NetworkFileBrowser::slot_fileListReceived()
{
    QNetworkReply* reply = listReply;
    if (!reply)
        return;
    listReply = nullptr;
    QByteArray answer;
    QString error;
    if (!readAnswer(reply, maxListBytes, &answer, &error)) {
        Tools::showError(QStringLiteral("NetworkFileBrowser file list - ") + error);
        reject();
    } else if (answer.isEmpty()) {
        Tools::showError(tr("Error downloading file list"));
        reject();
    } else {
        QStringList names;
        const QStringList lines = QString::fromUtf8(answer).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const QString name = sanitizedName(line);
            if (!name.isEmpty())
                names.append(name);
            else if (!line.trimmed().isEmpty())
                qDebug() << "NetworkFileBrowser: name refused:" << line;
        }
        names.sort(Qt::CaseSensitive);
        for (const QString& name : std::as_const(names))
            itemModel->appendRow(new QStandardItem(name));
    }
    reply->close();
    reply->deleteLater();
    filterEdit->setFocus();
}

void NetworkFileBrowser::slot_fileDownloaded()
{
    QNetworkReply* reply = fileReply;
    if (!reply)
        return;
    fileReply = nullptr;
    QByteArray answer;
    QString error;
    if (!readAnswer(reply, maxFileBytes, &answer, &error)) {
        Tools::showError(QStringLiteral("NetworkFileBrowser file download - ") + error);
        reject();
    } else if (answer.isEmpty()) {
        Tools::showError(tr("Error downloading file"));
        reject();
    } else {
        fileContent = QString::fromUtf8(answer);
        accept();
    }
    reply->close();
    reply->deleteLater();
}

void NetworkFileBrowser::slot_downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    progressBar->setValue(bytesTotal >= 1 ? int(std::clamp<qint64>(bytesReceived * 100 / bytesTotal, 0, 100)) : 0);
}

// ---------------------------------------------------------------- choosing

void NetworkFileBrowser::slot_setFilter(const QString& pattern)
{
    PickerFilter::apply(proxy, tableView, pattern);
}

bool NetworkFileBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == filterEdit && PickerFilter::handleFilterLineEvent(filterEdit, tableView, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void NetworkFileBrowser::slot_acceptDialog()
{
    const QModelIndex current = tableView->currentIndex();
    if (current.isValid())
        downloadFile(current.sibling(current.row(), 0).data().toString());
}

void NetworkFileBrowser::slot_activated(const QModelIndex& index)
{
    if (index.isValid())
        downloadFile(index.sibling(index.row(), 0).data().toString());
}

void NetworkFileBrowser::downloadFile(const QString& name)
{
    // One file per dialog: a second activation while it downloads asks for
    // nothing (a failed download closes the dialog).
    if (!fileName.isEmpty() || name.isEmpty())
        return;
    fileName = name;
    tableView->setEnabled(false);
    buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    progressBar->setValue(0);
    // The name is percent-encoded as a whole: a space, "#", "?" or "%" in a
    // listed name must not change which file the address asks for.
    const QString address =
        filesAddress + QString::fromLatin1(QUrl::toPercentEncoding(name)) + fileSuffix;
    fileReply = sendRequest(QUrl(address), maxFileBytes, &NetworkFileBrowser::slot_fileDownloaded);
}
