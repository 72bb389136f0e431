// The online library browser against a preset library served on loopback by
// Python's http.server (library_server.py): the list as shown, downloads and
// the addresses they ask for, every failure and its message, a dialog closed
// while a request runs, and the channel-setup models' import from the server.
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "MenuDriver.h"
#include "NetworkFileBrowser.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>

namespace {

QStringList shownNames(const NetworkFileBrowser* browser)
{
    QStringList names;
    const QAbstractItemModel* model = browser->tableView->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

bool waitForList(NetworkFileBrowser* browser)
{
    return QTest::qWaitFor([browser] { return browser->itemModel->rowCount() > 0; }, 10000);
}

using Operate = std::function<void(NetworkFileBrowser*)>;

// Answers the browser's modal run with `operate`, which drives it; the run
// ends once the browser has closed. Under the answerer the dialog is never
// shown: it counts as closed once accept or reject has run. The error boxes it
// opens are answered with OK and recorded.
void answerBrowserWith(RecordingAnswerer& answerer, const Operate& operate)
{
    answerer.respond = [operate](QDialog* dialog) -> int {
        auto* browser = qobject_cast<NetworkFileBrowser*>(dialog);
        if (!browser)
            return QMessageBox::Ok;
        auto closed = std::make_shared<bool>(false);
        QObject::connect(browser, &QDialog::finished, browser, [closed] { *closed = true; });
        operate(browser);
        if (!QTest::qWaitFor([closed] { return *closed; }, 10000))
            QTest::qFail("the browser did not close", __FILE__, __LINE__);
        return browser->result();
    };
}

QStringList errorsShown(const RecordingAnswerer& answerer)
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer.shown) {
        if (shown.className == QLatin1String("QMessageBox"))
            texts << shown.text;
    }
    return texts;
}

// One browser on a library folder of the test server, driven by `operate`.
struct Browse {
    Browse(const QString& folder, const Operate& operate, const QString& extension = QStringLiteral("xml"))
    {
        answerBrowserWith(answerer, operate);
        browser = std::make_unique<NetworkFileBrowser>(NetworkFileBrowser::listAddress(folder),
                                                       NetworkFileBrowser::fileAddress(folder), extension);
    }

    QStringList errors() const { return errorsShown(answerer); }

    RecordingAnswerer answerer;
    std::unique_ptr<NetworkFileBrowser> browser;
};

QModelIndex rowOf(NetworkFileBrowser* browser, const QString& name)
{
    const QAbstractItemModel* model = browser->tableView->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == name)
            return model->index(row, 0);
    }
    return QModelIndex();
}

void activate(NetworkFileBrowser* browser, const QString& name)
{
    const QModelIndex index = rowOf(browser, name);
    QVERIFY2(index.isValid(), qPrintable(name));
    Q_EMIT browser->tableView->activated(index);
}

void clickOk(NetworkFileBrowser* browser)
{
    browser->buttonBox->button(QDialogButtonBox::Ok)->click();
}

void clickCancel(NetworkFileBrowser* browser)
{
    browser->buttonBox->button(QDialogButtonBox::Cancel)->click();
}

} // namespace

class TestNetworkFileBrowser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void names_data();
    void names();
    void listIsSortedAndTrimmed();
    void downloads_data();
    void downloads();
    void failures_data();
    void failures();
    void onlyOneFileAtATime();
    void closedDuringRequest_data();
    void closedDuringRequest();
    void channelSetupsFromServer_data();
    void channelSetupsFromServer();
    void setupMenuEntry();

private:
    // The raw paths the server was asked for since the last call.
    QStringList takeRequests();

    QProcess server;
    QStringList requests;
};

void TestNetworkFileBrowser::initTestCase()
{
    theUnits.init();
    server.setProgram(QStringLiteral("/usr/bin/python3"));
    server.setArguments({QStringLiteral(LIBRARY_SERVER)});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    QVERIFY(server.waitForStarted(10000));
    QVERIFY(server.waitForReadyRead(10000));
    const QByteArray first = server.readLine().trimmed();
    QVERIFY2(first.startsWith("PORT "), first.constData());
    const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(QString::fromLatin1(first.mid(5)));
    qputenv("ZEMBO_LIBRARY_BASE_URL", base.toLatin1());
    QCOMPARE(NetworkFileBrowser::listAddress(QStringLiteral("drivecycles")), base + "drivecycles/?list=all");
    QCOMPARE(NetworkFileBrowser::fileAddress(QStringLiteral("drivecycles")), base + "drivecycles/files/");
}

void TestNetworkFileBrowser::cleanupTestCase()
{
    server.kill();
    server.waitForFinished(5000);
}

void TestNetworkFileBrowser::init()
{
    takeRequests();
}

QStringList TestNetworkFileBrowser::takeRequests()
{
    // Give the server's log line of the last request time to arrive.
    QTest::qWait(50);
    while (server.canReadLine() || server.waitForReadyRead(50)) {
        while (server.canReadLine()) {
            const QString line = QString::fromUtf8(server.readLine()).trimmed();
            if (line.startsWith(QLatin1String("GET ")))
                requests << line.mid(4);
        }
    }
    const QStringList taken = requests;
    requests.clear();
    return taken;
}

void TestNetworkFileBrowser::names_data()
{
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("name");
    QTest::newRow("carriage return and blanks trimmed") << " \tEngine test\r" << "Engine test";
    QTest::newRow("inner spaces and symbols kept") << "C#1 50%? (v2)" << "C#1 50%? (v2)";
    QTest::newRow("non-ASCII kept") << QStringLiteral("Pr\u00fcfstand \u00b5") << QStringLiteral("Pr\u00fcfstand \u00b5");
    QTest::newRow("inner dot kept") << "v1.2" << "v1.2";
    QTest::newRow("slash") << "sub/dir" << QString();
    QTest::newRow("backslash") << "back\\slash" << QString();
    QTest::newRow("parent folder") << ".." << QString();
    QTest::newRow("leading dot") << ".hidden" << QString();
    QTest::newRow("leading dot after blanks") << "  .hidden" << QString();
    QTest::newRow("inner tab") << "tab\there" << QString();
    QTest::newRow("escape") << "a\x1b[2Jb" << QString();
    QTest::newRow("delete") << "a\x7f" << QString();
    QTest::newRow("C1 control") << QStringLiteral("a\u0090b") << QString();
    QTest::newRow("only blanks") << " \r" << QString();
    QTest::newRow("200 bytes") << QString(100, QChar(0xfc)) << QString(100, QChar(0xfc));
    QTest::newRow("201 bytes") << QString(100, QChar(0xfc)) + "x" << QString();
}

void TestNetworkFileBrowser::names()
{
    QFETCH(QString, listed);
    QFETCH(QString, name);
    QCOMPARE(NetworkFileBrowser::sanitizedName(listed), name);
}

void TestNetworkFileBrowser::listIsSortedAndTrimmed()
{
    QStringList names;
    int progress = -1;
    bool currentAfterList = true;
    Browse run(QStringLiteral("presets"), [&](NetworkFileBrowser* browser) {
        QVERIFY(browser->itemModel->rowCount() == 0);
        QVERIFY(waitForList(browser));
        names = shownNames(browser);
        progress = browser->progressBar->value();
        currentAfterList = browser->tableView->currentIndex().isValid();
        // No row is current yet: OK asks for nothing and the dialog stays.
        QSignalSpy finished(browser, &QDialog::finished);
        clickOk(browser);
        QTest::qWait(100);
        QCOMPARE(finished.count(), 0);
        QVERIFY(browser->fileName.isEmpty());
        clickCancel(browser);
    });
    // Capitals first, CR and blanks gone, refused names left out.
    QCOMPARE(names, QStringList({"B", "C#1 50%?", QStringLiteral("Dyno 500 \u00fc"), "a", "b"}));
    QCOMPARE(progress, 100);
    QVERIFY(!currentAfterList);
    QCOMPARE(run.browser->result(), int(QDialog::Rejected));
    QVERIFY(run.browser->fileContent.isEmpty());
    QVERIFY(run.errors().isEmpty());
    QCOMPARE(takeRequests(), QStringList({"/presets/?list=all"}));
}

void TestNetworkFileBrowser::downloads_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("downs");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("content");

    QTest::newRow("filter, OK on the first row shown")
        << "presets" << "xml" << "DYNO" << 0 << false << QStringLiteral("Dyno 500 \u00fc")
        << "/presets/files/Dyno%20500%20%C3%BC.xml"
        << QStringLiteral("<preset name=\"Dyno 500 \u00fc\" note=\"\u00b0C \u00b5s\"/>\n");
    QTest::newRow("filter, Down, OK") << "presets" << "xml" << "b" << 1 << false << "b"
                                      << "/presets/files/b.xml" << "<preset name=\"b\"/>\n";
    QTest::newRow("double click in a filtered list, name encoded")
        << "presets" << "xml" << "50%" << 0 << true << "C#1 50%?" << "/presets/files/C%231%2050%25%3F.xml"
        << "<preset name=\"C#1 50%?\"/>\n";
    QTest::newRow("drive cycle as text") << "drivecycles" << "txt" << "nedc" << 0 << false << "NEDC"
                                         << "/drivecycles/files/NEDC.txt" << "0 0\n1 0.5\n2 1.2\n";
}

void TestNetworkFileBrowser::downloads()
{
    QFETCH(QString, folder);
    QFETCH(QString, extension);
    QFETCH(QString, filter);
    QFETCH(int, downs);
    QFETCH(bool, doubleClick);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, content);

    Browse run(
        folder,
        [&](NetworkFileBrowser* browser) {
            QVERIFY(waitForList(browser));
            QTest::keyClicks(browser->filterEdit, filter);
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(browser->filterEdit, Qt::Key_Down);
            if (doubleClick)
                Q_EMIT browser->tableView->activated(browser->tableView->model()->index(0, 0));
            else
                clickOk(browser);
        },
        extension);
    QCOMPARE(run.errors(), QStringList());
    QCOMPARE(run.browser->result(), int(QDialog::Accepted));
    QCOMPARE(run.browser->fileName, name);
    QCOMPARE(run.browser->fileContent, content);
    QCOMPARE(takeRequests(), QStringList({"/" + folder + "/?list=all", path}));
}

void TestNetworkFileBrowser::failures_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("exact");

    const QString list = QStringLiteral("NetworkFileBrowser file list - ");
    const QString file = QStringLiteral("NetworkFileBrowser file download - ");
    QTest::newRow("list not found") << "missing" << QString() << list << false;
    QTest::newRow("list empty") << "empty" << QString() << "Error downloading file list" << true;
    QTest::newRow("list connection dropped") << "drop" << QString() << list << false;
    QTest::newRow("list announced too large")
        << "huge" << QString() << list + "the answer is larger than 1048576 bytes" << true;
    QTest::newRow("list streamed too large")
        << "stream" << QString() << list + "the answer is larger than 1048576 bytes" << true;
    QTest::newRow("file not found") << "broken" << "missing" << file << false;
    QTest::newRow("file empty") << "broken" << "empty" << "Error downloading file" << true;
    QTest::newRow("file connection dropped") << "broken" << "drop" << file << false;
    QTest::newRow("file announced too large")
        << "broken" << "huge" << file + "the answer is larger than 16777216 bytes" << true;
    QTest::newRow("file streamed too large")
        << "broken" << "stream" << file + "the answer is larger than 16777216 bytes" << true;
}

void TestNetworkFileBrowser::failures()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(bool, exact);

    Browse run(folder, [&](NetworkFileBrowser* browser) {
        if (name.isEmpty())
            return;
        QVERIFY(waitForList(browser));
        activate(browser, name);
    });
    const QStringList errors = run.errors();
    QCOMPARE(errors.size(), 1);
    if (exact) {
        QCOMPARE(errors.first(), message);
    } else {
        // The network layer's own words follow.
        QVERIFY2(errors.first().startsWith(message) && errors.first().size() > message.size(),
                 qPrintable(errors.first()));
    }
    // The dialog closes; it does not go back to the list.
    QCOMPARE(run.browser->result(), int(QDialog::Rejected));
    QVERIFY(run.browser->fileContent.isEmpty());
    QCOMPARE(takeRequests().size(), name.isEmpty() ? 1 : 2);
}

void TestNetworkFileBrowser::onlyOneFileAtATime()
{
    bool tableEnabled = true;
    bool okEnabled = true;
    Browse run(QStringLiteral("broken"), [&](NetworkFileBrowser* browser) {
        QVERIFY(waitForList(browser));
        activate(browser, QStringLiteral("slow"));
        tableEnabled = browser->tableView->isEnabled();
        okEnabled = browser->buttonBox->button(QDialogButtonBox::Ok)->isEnabled();
        // A second double click and OK while it downloads ask for nothing.
        activate(browser, QStringLiteral("missing"));
        browser->tableView->setCurrentIndex(rowOf(browser, QStringLiteral("empty")));
        browser->slot_acceptDialog();
    });
    QVERIFY(!tableEnabled);
    QVERIFY(!okEnabled);
    QCOMPARE(run.errors(), QStringList());
    QCOMPARE(run.browser->result(), int(QDialog::Accepted));
    QCOMPARE(run.browser->fileName, QStringLiteral("slow"));
    QCOMPARE(run.browser->fileContent, QStringLiteral("<preset name=\"slow\"/>\n"));
    QCOMPARE(takeRequests(), QStringList({"/broken/?list=all", "/broken/files/slow.xml"}));
}

void TestNetworkFileBrowser::closedDuringRequest_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("while the list loads") << "slow" << QString();
    QTest::newRow("while the file loads") << "broken" << "slow";
}

void TestNetworkFileBrowser::closedDuringRequest()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    Browse run(folder, [&](NetworkFileBrowser* browser) {
        if (!name.isEmpty()) {
            QVERIFY(waitForList(browser));
            activate(browser, name);
        }
        clickCancel(browser);
    });
    QCOMPARE(run.browser->result(), int(QDialog::Rejected));
    const int rows = run.browser->itemModel->rowCount();
    // The server answers after 1.5 s; nobody may hear it, with the closed
    // dialog still there and after it is gone.
    QTest::qWait(2000);
    QCOMPARE(run.browser->itemModel->rowCount(), rows);
    QVERIFY(run.browser->fileContent.isEmpty());
    run.browser.reset();
    QTest::qWait(200);
    QCOMPARE(run.errors(), QStringList());
    QCOMPARE(takeRequests().size(), name.isEmpty() ? 1 : 2);
}

void TestNetworkFileBrowser::channelSetupsFromServer_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("defaults");
    QTest::addColumn<QString>("folder");
    QTest::newRow("live channels") << int(ChannelSetupType_run) << ":/resources/runVariables.xml"
                                   << "channelsettings";
    QTest::newRow("analysis channels") << int(ChannelSetupType_analyze) << ":/resources/analyzeVariables.xml"
                                       << "channelsettings_analyze";
}

void TestNetworkFileBrowser::channelSetupsFromServer()
{
    QFETCH(int, type);
    QFETCH(QString, defaults);
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RecordingAnswerer answerer;
    ChannelSetupModel model(static_cast<ChannelSetupType>(type));
    model.initLoadFromFile(dir.filePath(QStringLiteral("setups.xml")), defaults);
    const int rows = model.rowCount();
    auto presetSetup = [&model]() -> ChannelSetup* {
        const QList<ChannelSetup*> setups = model.getChannelsSetupsList();
        for (ChannelSetup* setup : setups) {
            if (setup->key == QLatin1String("server_preset_channel"))
                return setup;
        }
        return nullptr;
    };

    // Cancelled: nothing changes.
    answerBrowserWith(answerer, [](NetworkFileBrowser* browser) {
        QVERIFY(waitForList(browser));
        clickCancel(browser);
    });
    model.action_importPresetFromServer();
    QCOMPARE(model.rowCount(), rows);
    QCOMPARE(takeRequests(), QStringList({"/" + folder + "/?list=all"}));

    // Chosen: the preset of the model's own kind loads (a preset of the other
    // kind would be refused).
    answerBrowserWith(answerer, [](NetworkFileBrowser* browser) {
        QVERIFY(waitForList(browser));
        activate(browser, QStringLiteral("Engine test"));
    });
    model.action_importPresetFromServer();
    QCOMPARE(errorsShown(answerer), QStringList());
    QCOMPARE(model.rowCount(), rows + 1);
    QVERIFY(presetSetup());
    QCOMPARE(presetSetup()->displayName, QStringLiteral("Pr\u00fcfstand preset"));
    QCOMPARE(takeRequests(), QStringList({"/" + folder + "/?list=all", "/" + folder + "/files/Engine%20test.xml"}));
}

void TestNetworkFileBrowser::setupMenuEntry()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RecordingAnswerer answerer;
    ChannelSetupModel model(ChannelSetupType_run);
    model.initLoadFromFile(dir.filePath(QStringLiteral("setups.xml")), QStringLiteral(":/resources/runVariables.xml"));
    answerBrowserWith(answerer, [](NetworkFileBrowser* browser) { clickCancel(browser); });
    MenuDriver driver({QStringLiteral("Import from server")});
    model.slot_contextMenuEvent({}, 0, QPoint(10, 10));
    QVERIFY(driver.opened);
    QCOMPARE(driver.entries, QStringList({"Export all", "Import all", "Import from server", "Load default"}));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().className, QStringLiteral("NetworkFileBrowser"));
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Select Item"));
}

QTEST_MAIN(TestNetworkFileBrowser)
#include "tst_network_file_browser.moc"
