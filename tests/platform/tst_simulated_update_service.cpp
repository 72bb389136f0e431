// The stand-in update service: which file answers which request (a path that
// climbs out of the folder answers none), and real requests over loopback.
#include "SimulatedUpdateService.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSimulatedUpdateService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileFor_data();
    void fileFor();
    void servesOverLoopback();
};

void TestSimulatedUpdateService::fileFor_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    QTest::newRow("version") << "/zembo/updates/index.php?version=stable6" << "version-stable6.txt";
    QTest::newRow("changelog") << "/zembo/updates/?changelog=6.28.3" << "changelog.txt";
    QTest::newRow("download") << "/zembo/updates/experimental6/Zembo_D12_7.0.1" << "experimental6/Zembo_D12_7.0.1";
    QTest::newRow("climbing") << "/zembo/updates/../../etc/passwd" << "";
    QTest::newRow("climbing, encoded") << "/zembo/updates/stable6/%2E%2E" << "";
    QTest::newRow("branch with a separator") << "/zembo/updates/index.php?version=../x" << "";
    QTest::newRow("deeper") << "/zembo/updates/a/b/c" << "";
    QTest::newRow("elsewhere") << "/other/index.php?version=stable6" << "";
}

void TestSimulatedUpdateService::fileFor()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QCOMPARE(SimulatedUpdateService::fileFor(target), file);
}

void TestSimulatedUpdateService::servesOverLoopback()
{
    QTemporaryDir folder;
    QFile version(folder.filePath(QStringLiteral("version-stable6.txt")));
    QVERIFY(version.open(QIODevice::WriteOnly));
    version.write("6.28.10");
    version.close();
    SimulatedUpdateService service(folder.path());
    QVERIFY(service.start());
    QVERIFY(service.baseAddress().startsWith(QLatin1String("http://127.0.0.1:")));
    QNetworkAccessManager network;
    auto fetch = [&](const QString& path, QNetworkReply::NetworkError* error) {
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(service.baseAddress() + path)));
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!done.wait(10000))
            return QByteArray("no answer");
        *error = reply->error();
        const QByteArray body = reply->readAll();
        reply->deleteLater();
        return body;
    };
    QNetworkReply::NetworkError error = QNetworkReply::UnknownNetworkError;
    QCOMPARE(fetch(QStringLiteral("zembo/updates/index.php?version=stable6"), &error), QByteArray("6.28.10"));
    QCOMPARE(error, QNetworkReply::NoError);
    fetch(QStringLiteral("zembo/updates/stable6/Zembo_D12_6.28.10"), &error);
    QCOMPARE(error, QNetworkReply::ContentNotFoundError);
}

QTEST_MAIN(TestSimulatedUpdateService)
#include "tst_simulated_update_service.moc"
