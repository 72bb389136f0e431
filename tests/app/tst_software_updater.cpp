// The software updater against Python's http.server on loopback: version
// comparison, quiet and reporting checks, the branch in both paths, the
// downloaded file (sha256 from Python's hashlib) and its execute bits, empty
// and broken downloads, a file that cannot be created and a silent service.
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "SoftwareUpdater.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSoftwareUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void versionComparison_data();
    void versionComparison();
    void quietChecksStaySilent();
    void alreadyDownloadedAndInProgress();
    void downloadToDesktop();
    void experimentalBranchInBothPaths();
    void emptyAndMissingDownloads();
    void silentServiceEndsTheCheck();

private:
    void put(const QString& name, const QByteArray& body);
    // Runs a check and waits until it is no longer in progress.
    void runCheck(SoftwareUpdater& updater, bool verbose);
    QStringList requests();
    QStringList boxes() const;

    QTemporaryDir folder;
    QProcess server;
    QStringList seen;
    RecordingAnswerer answerer;
    QString desktop;
};

void TestSoftwareUpdater::put(const QString& name, const QByteArray& body)
{
    const QString path = folder.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
}

QStringList TestSoftwareUpdater::requests()
{
    server.waitForReadyRead(200);
    while (server.canReadLine())
        seen.append(QString::fromUtf8(server.readLine()).trimmed());
    return seen;
}

QStringList TestSoftwareUpdater::boxes() const
{
    QStringList texts;
    for (const RecordingAnswerer::Shown& shown : answerer.shown) {
        if (shown.className == QLatin1String("QMessageBox"))
            texts.append(shown.text);
    }
    return texts;
}

void TestSoftwareUpdater::runCheck(SoftwareUpdater& updater, bool verbose)
{
    updater.check(verbose);
    QTRY_VERIFY_WITH_TIMEOUT(!updater.checkInProgress, 20000);
}

void TestSoftwareUpdater::initTestCase()
{
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZEMBO_TEST_SOURCE_DIR "/update_server.py"), folder.path()});
    QVERIFY2(server.waitForStarted(), "python3 did not start");
    QVERIFY2(server.waitForReadyRead(10000), "the update server did not report its port");
    const QByteArray line = server.readLine().trimmed();
    QVERIFY2(line.startsWith("PORT "), line.constData());
    qputenv("ZEMBO_UPDATE_BASE_URL", "http://127.0.0.1:" + line.mid(5) + "/");
    qputenv("ZEMBO_UPDATE_TIMEOUT_MS", "1500");
    desktop = QDir::homePath() + QStringLiteral("/Desktop");
    QVERIFY(QDir().mkpath(desktop));
}

void TestSoftwareUpdater::cleanupTestCase()
{
    server.kill();
    server.waitForFinished();
}

void TestSoftwareUpdater::init()
{
    answerer.shown.clear();
    answerer.respond = nullptr;
    answerer.result = 0;
    theSettings.remove(QStringLiteral("UserSetting/checkBox_settings_useExperimentalUpdates"));
    QFile::remove(folder.filePath(QStringLiteral("hang")));
    requests();
    seen.clear();
}

void TestSoftwareUpdater::versionComparison_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("newer");
    QTest::newRow("numbers, not text") << QByteArray("6.28.10") << true;
    QTest::newRow("with a line end") << QByteArray("6.28.10\r\n") << true;
    QTest::newRow("same") << QByteArray("6.28.3") << false;
    QTest::newRow("older") << QByteArray("6.9.99") << false;
    QTest::newRow("two parts") << QByteArray("7.1") << false;
    QTest::newRow("major 0") << QByteArray("0.99.0") << false;
    QTest::newRow("separator") << QByteArray("7.0.0/../../x") << false;
    QTest::newRow("not a number") << QByteArray("7.a.0") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestSoftwareUpdater::versionComparison()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, newer);
    QCOMPARE(SoftwareUpdater::isNewer(SoftwareUpdater::parseVersionReply(reply), AppVersion("6.28.3")), newer);
}

void TestSoftwareUpdater::quietChecksStaySilent()
{
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    // No version file: the service answers 404.
    QFile::remove(folder.filePath(QStringLiteral("version-stable6.txt")));
    runCheck(updater, false);
    QVERIFY(boxes().isEmpty());
    runCheck(updater, true);
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes().first().startsWith(QStringLiteral("Error getting version info\n")));

    put(QStringLiteral("version-stable6.txt"), "6.28.3\n");
    answerer.shown.clear();
    runCheck(updater, false);
    QVERIFY(boxes().isEmpty());
    runCheck(updater, true);
    QCOMPARE(boxes(), QStringList {QStringLiteral("No update available")});
}

void TestSoftwareUpdater::alreadyDownloadedAndInProgress()
{
    put(QStringLiteral("version-stable6.txt"), "6.28.10");
    QFile present(desktop + QStringLiteral("/Zembo_D12_6.28.10"));
    QVERIFY(present.open(QIODevice::WriteOnly));
    present.close();
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    // A reporting check while a quiet one waits turns it into a reporting one.
    updater.check(false);
    updater.check(true);
    QCOMPARE(boxes(), QStringList {QStringLiteral("Check already in progress")});
    QTRY_VERIFY_WITH_TIMEOUT(!updater.checkInProgress, 20000);
    QCOMPARE(boxes().last(), QStringLiteral("Update already downloaded to desktop"));
    answerer.shown.clear();
    runCheck(updater, false);
    QVERIFY(boxes().isEmpty());
    QFile::remove(present.fileName());
}

void TestSoftwareUpdater::downloadToDesktop()
{
    QByteArray program(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < program.size(); ++i)
        program[i] = char((i * 7919) >> 3);
    put(QStringLiteral("version-stable6.txt"), "6.28.10");
    put(QStringLiteral("changelog.txt"), "Faster start\n");
    put(QStringLiteral("stable6/Zembo_D12_6.28.10"), program);
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    bool dialogShown = false;
    answerer.respond = [&](QDialog* dialog) {
        if (dialog != &updater)
            return int(QDialog::Accepted);
        dialogShown = true;
        if (!updater.changelogBox->toPlainText().contains(QStringLiteral("Faster start")))
            return int(QDialog::Rejected);
        updater.downloadButton->click();
        (void)QTest::qWaitFor([&] { return !updater.downloadReply; }, 20000);
        return updater.result();
    };
    runCheck(updater, false);
    QVERIFY(dialogShown);
    QCOMPARE(updater.statusLabel->text(), QStringLiteral("New software version available: Zembo_D12_6.28.10"));
    QCOMPARE(boxes(), QStringList {QStringLiteral("New software version is downloaded to your desktop")});
    const QString path = desktop + QStringLiteral("/Zembo_D12_6.28.10");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The digest as Python's hashlib gives it for the file on disk.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import hashlib,sys;print(hashlib.sha256(open(sys.argv[1],'rb')"
                                                       ".read()).hexdigest())"),
                  path});
    QVERIFY(python.waitForFinished(20000));
    QCOMPARE(python.readAllStandardOutput().trimmed(),
             QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex());
    const QFile::Permissions exec = QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
    QCOMPARE(file.permissions() & exec, exec);
    QCOMPARE(updater.progressBar->value(), 100);
    QVERIFY(requests().contains(QStringLiteral("GET /zembo/updates/?changelog=6.28.3")));
    QFile::remove(path);
}

void TestSoftwareUpdater::experimentalBranchInBothPaths()
{
    theSettings.setValue(QStringLiteral("UserSetting/checkBox_settings_useExperimentalUpdates"), int(Qt::Checked));
    QCOMPARE(SoftwareUpdater::getBranch(), QStringLiteral("experimental6"));
    put(QStringLiteral("version-experimental6.txt"), "7.0.1");
    put(QStringLiteral("changelog.txt"), "x");
    put(QStringLiteral("experimental6/Zembo_D12_7.0.1"), "#!/bin/sh\n");
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    answerer.respond = [&](QDialog* dialog) {
        if (dialog == &updater) {
            updater.downloadButton->click();
            (void)QTest::qWaitFor([&] { return !updater.downloadReply; }, 20000);
        }
        return int(QDialog::Accepted);
    };
    runCheck(updater, false);
    const QStringList paths = requests();
    QVERIFY(paths.contains(QStringLiteral("GET /zembo/updates/index.php?version=experimental6")));
    QVERIFY(paths.contains(QStringLiteral("GET /zembo/updates/experimental6/Zembo_D12_7.0.1")));
    QVERIFY(QFile::remove(desktop + QStringLiteral("/Zembo_D12_7.0.1")));
}

void TestSoftwareUpdater::emptyAndMissingDownloads()
{
    put(QStringLiteral("version-stable6.txt"), "6.30.0");
    put(QStringLiteral("changelog.txt"), "x");
    put(QStringLiteral("stable6/Zembo_D12_6.30.0"), QByteArray());
    SoftwareUpdater updater;
    updater.runningVersion = AppVersion("6.28.3");
    answerer.respond = [&](QDialog* dialog) {
        if (dialog == &updater) {
            updater.downloadButton->click();
            (void)QTest::qWaitFor([&] { return !updater.downloadReply; }, 20000);
        }
        return int(QDialog::Rejected);
    };
    runCheck(updater, false);
    QCOMPARE(boxes(), QStringList {QStringLiteral("Error downloading file")});
    QVERIFY(QDir(desktop).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A 404 for the file: the error box, and nothing on the desktop.
    QFile::remove(folder.filePath(QStringLiteral("stable6/Zembo_D12_6.30.0")));
    answerer.shown.clear();
    runCheck(updater, false);
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes().first().startsWith(QStringLiteral("SoftwareUpdater ")));
    QVERIFY(QDir(desktop).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // No desktop folder: said, not silently skipped.
    QVERIFY(QDir(desktop).removeRecursively());
    answerer.shown.clear();
    runCheck(updater, false);
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes().first().contains(QStringLiteral("cannot create")));
    QVERIFY(QDir().mkpath(desktop));
}

void TestSoftwareUpdater::silentServiceEndsTheCheck()
{
    put(QStringLiteral("hang"), "1");
    SoftwareUpdater updater;
    updater.check(true);
    QVERIFY(updater.checkInProgress);
    QTRY_VERIFY_WITH_TIMEOUT(!updater.checkInProgress, 20000);
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes().first().startsWith(QStringLiteral("Error getting version info\n")));
}

QTEST_MAIN(TestSoftwareUpdater)
#include "tst_software_updater.moc"
