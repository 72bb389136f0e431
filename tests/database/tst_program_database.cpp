// The real program on an empty configuration folder: it creates "projects2.db"
// with both tables, stores the last project at exit, and a second start leaves
// the file as it was and logs nothing about it.
#include "DatabaseTestSupport.h"
#include "ProgramFixture.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace DatabaseTest;

namespace {

QString logText(const QString& home)
{
    QFile log(home + QStringLiteral("/.zembo/log/") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
              + QStringLiteral(".txt"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

// Starts the program, waits for its window, ends it as the system would.
bool runOnce(const QString& home, int number)
{
    QProcess zembo;
    const QProcessEnvironment env = ProgramFixture::settledBoard(home, QStringLiteral("database-%1").arg(number));
    zembo.setProcessEnvironment(env);
    zembo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    zembo.start(qEnvironmentVariable("ZEMBO_BINARY"), {});
    if (!zembo.waitForStarted(10000))
        return false;
    const int shown = logText(home).count(QStringLiteral("Main window shown"));
    if (!QTest::qWaitFor([&] { return logText(home).count(QStringLiteral("Main window shown")) > shown; }, 20000))
        return false;
    ::kill(pid_t(zembo.processId()), SIGTERM);
    return zembo.waitForFinished(20000) && zembo.exitCode() == 0;
}

int columnCount(const QString& path, const QString& table)
{
    return sqlite3(path, QStringLiteral("PRAGMA table_info(%1);\n").arg(table))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .size();
}

} // namespace

class TestProgramDatabase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void createdOnceAndKept();
};

void TestProgramDatabase::createdOnceAndKept()
{
    QTemporaryDir home;
    QVERIFY(runOnce(home.path(), 1));
    const QString path = home.filePath(QStringLiteral(".zembo/projects2.db"));
    QVERIFY(QFile::exists(path));
    QCOMPARE(columnCount(path, QStringLiteral("projects2")), 58);
    QCOMPARE(columnCount(path, QStringLiteral("runs2")), 34);
    QString log = logText(home.path());
    QCOMPARE(log.count(QStringLiteral("Table projects2 created")), 1);
    QCOMPARE(log.count(QStringLiteral("Table runs2 created")), 1);
    QVERIFY(!log.contains(QStringLiteral("Cannot open database")));
    // No project active at exit.
    QFile settings(home.filePath(QStringLiteral(".zembo/settings.ini")));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("lastProjectId=-1"));

    const QString before = dump(path);
    QVERIFY(runOnce(home.path(), 2));
    log = logText(home.path());
    QCOMPARE(log.count(QStringLiteral("Table projects2 created")), 1);
    QCOMPARE(log.count(QStringLiteral("Table runs2 created")), 1);
    QCOMPARE(log.count(QStringLiteral("added to database")), 0);
    QCOMPARE(dump(path), before);
}

QTEST_MAIN(TestProgramDatabase)
#include "tst_program_database.moc"
