#include "AppVersion.h"
#include "LogCapture.h"

#include <QTest>

class TestAppVersion : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void order_data();
    void order();
};

void TestAppVersion::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("bugfix");
    QTest::addColumn<QString>("message");
    QTest::newRow("plain") << "6.28.3" << 6 << 28 << 3 << "";
    QTest::newRow("empty minor") << "6..3" << 6 << -1 << -1 << "Invalid minor app version number";
    QTest::newRow("too short") << "5" << -1 << -1 << -1 << "App version string too short";
    QTest::newRow("extra part") << "1.2.3.4" << 1 << 2 << 3 << "";
    QTest::newRow("words") << "beta.x.y" << -1 << -1 << -1 << "Invalid major app version number";
    QTest::newRow("bad bugfix") << "2.3.rc1" << 2 << 3 << -1 << "Invalid bugfix app version number";
    QTest::newRow("empty") << "" << -1 << -1 << -1 << "App version string too short";
}

void TestAppVersion::parse()
{
    QFETCH(QString, text);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, bugfix);
    QFETCH(QString, message);
    LogCapture log;
    const AppVersion v(text);
    QCOMPARE(v.major, major);
    QCOMPARE(v.minor, minor);
    QCOMPARE(v.bugfix, bugfix);
    QCOMPARE(v.versionText, text);
    if (message.isEmpty())
        QCOMPARE(log.messages().size(), 0);
    else
        QCOMPARE(log.count(message), 1);
}

void TestAppVersion::order_data()
{
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("higher");
    QTest::newRow("bugfix by number, not text") << "6.28.3" << "6.28.10";
    QTest::newRow("minor") << "2.14.99" << "2.15.0";
    QTest::newRow("minor 2") << "6.1.9" << "6.2.0";
    QTest::newRow("major") << "5.999.999" << "6.0.0";
    QTest::newRow("not a version sorts low") << "garbage" << "0.0.0";
    QTest::newRow("large major does not wrap") << "2000.0.0" << "3000.0.0";
    QTest::newRow("largest major") << "6.28.3" << "2147483647.0.0";
}

void TestAppVersion::order()
{
    QFETCH(QString, lower);
    QFETCH(QString, higher);
    const AppVersion a(lower);
    const AppVersion b(higher);
    QVERIFY(a < b);
    QVERIFY(!(b < a));
    QVERIFY(b > a);
    QVERIFY(a != b);
    QVERIFY(AppVersion(lower) == a);
    QCOMPARE(AppVersion(static_cast<const char*>(nullptr)).versionText, QString());
}

QTEST_GUILESS_MAIN(TestAppVersion)
#include "tst_app_version.moc"
