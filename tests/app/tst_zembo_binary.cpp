// Starts the real program, as a user would, on an empty home directory.
#include "ProgramFixture.h"
#include "lib/AllocatorTuning.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QString binary()
{
    return qEnvironmentVariable("ZEMBO_BINARY");
}

QString logText(const QString& home)
{
    QFile log(home + QStringLiteral("/.zembo/log/") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
              + QStringLiteral(".txt"));
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(log.readAll());
}

void prepare(QProcess& process, const QString& home, const QString& key)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("ZEMBO_INSTANCE_KEY"), key);
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    // A first start shows the board's set-up notices and asks for a new system
    // password; nobody is there to close them.
    env.insert(QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1"));
    env.insert(QStringLiteral("ZEMBO_REMOTE_PORT"), QStringLiteral("0"));
    process.setProcessEnvironment(env);
    process.setProgram(binary());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

// The program on a board whose first-run set-up is done.
void prepareSettled(QProcess& process, const QString& home, const QString& name, bool answerDialogs = true)
{
    QProcessEnvironment env = ProgramFixture::settledBoard(home, name);
    if (answerDialogs)
        env.insert(QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1"));
    env.insert(QStringLiteral("ZEMBO_REMOTE_PORT"), QStringLiteral("0"));
    env.insert(QStringLiteral("ZEMBO_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
    process.setProcessEnvironment(env);
    process.setProgram(binary());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

// Index of the first line holding `text` after line `from`; -1 when none.
int lineOf(const QStringList& lines, const QString& text, int from = 0)
{
    for (int i = from; i < lines.size(); ++i) {
        if (lines.at(i).contains(text))
            return i;
    }
    return -1;
}

void terminate(QProcess& process)
{
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class TestZemboBinary : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsOnEmptyHomeAndStopsOnSigterm();
    void startUpStagesAndOrderedShutdown();
    void firmwareNeverConfirmed();
    void secondInstanceIsRefused();
    void unknownOptionEndsTheProgram();
    void unopenableLogGoesToStandardError();
};

void TestZemboBinary::startsOnEmptyHomeAndStopsOnSigterm()
{
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("zembo-binary-test-%1").arg(QCoreApplication::applicationPid()));
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Main window shown")), 20000);

    for (const char* sub : {"runs", "media", "desktops", "closedDesktops", "desktops_analyze", "closedDesktops_analyze",
                            "translations", "log"})
        QVERIFY2(QDir(home.path()).exists(QStringLiteral(".zembo/") + QLatin1String(sub)), sub);
    QVERIFY(QFile::exists(home.filePath(QStringLiteral(".zembo/settings.ini"))));

    // The program restarted itself in place (same process, same name) with
    // its allocator set-up. glibc cuts the stored variable at the first ':'
    // while it reads it, so only its start is compared.
    QFile environ(QStringLiteral("/proc/%1/environ").arg(zembo.processId()));
    QVERIFY(environ.open(QIODevice::ReadOnly));
    const QByteArray first = QByteArray(AllocatorTuning::tunables()).split(':').first();
    QVERIFY(environ.readAll().split('\0').contains("GLIBC_TUNABLES=" + first));
    QFile comm(QStringLiteral("/proc/%1/comm").arg(zembo.processId()));
    QVERIFY(comm.open(QIODevice::ReadOnly));
    QCOMPARE(comm.readAll().trimmed(), QByteArray("zembo"));

    terminate(zembo);
    const QString log = logText(home.path());
    QCOMPARE(log.count(QStringLiteral("Unix signal 15 received")), 1);
    QVERIFY(log.contains(QStringLiteral("Debug log start")));
}

void TestZemboBinary::startUpStagesAndOrderedShutdown()
{
    QTemporaryDir home;
    {
        QProcess zembo;
        prepareSettled(zembo, home.path(), QStringLiteral("stages"));
        zembo.start();
        QVERIFY(zembo.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Start-up stage 3 done")), 20000);
        QTest::qWait(300);
        const QStringList lines = logText(home.path()).split(QLatin1Char('\n'));
        const int stage1 = lineOf(lines, QStringLiteral("Start-up stage 1 done"));
        const int stage2 = lineOf(lines, QStringLiteral("Start-up stage 2 done"));
        const int stage3 = lineOf(lines, QStringLiteral("Start-up stage 3 begins"));
        QVERIFY(stage1 >= 0 && stage1 < stage2 && stage2 < stage3);
        QCOMPARE(lines.filter(QStringLiteral("Start-up stage 3 begins")).size(), 1);
        QVERIFY(lineOf(lines, QStringLiteral("Window title: Zembo - 6.28.3")) >= 0);
        // Without a project the start button stays off.
        QVERIFY(lineOf(lines, QStringLiteral("No active project"), stage3) > stage3);
        // No remote password: every client is admin, said at start.
        QVERIFY(lineOf(lines, QStringLiteral("Remote control password is empty")) >= 0);
        terminate(zembo);
    }
    const QStringList lines = logText(home.path()).split(QLatin1Char('\n'));
    int previous = lineOf(lines, QStringLiteral("Unix signal 15 received"));
    QVERIFY(previous >= 0);
    for (const char* thread : {"MCU", "OBD", "brake controller", "trigger", "run", "camera"}) {
        const int at = lineOf(lines, QStringLiteral("Thread stopped: ") + QLatin1String(thread));
        QVERIFY2(at > previous, thread);
        previous = at;
    }
    const QString ini = home.filePath(QStringLiteral(".zembo/settings.ini"));
    {
        QSettings settings(ini, QSettings::IniFormat);
        QVERIFY(settings.value(QStringLiteral("UISettings/windowSize")).toSize().isValid());
        QVERIFY(settings.contains(QStringLiteral("UISettings/windowPosition")));
        QVERIFY(settings.contains(QStringLiteral("UISettings/tabMain")));
        QCOMPARE(settings.value(QStringLiteral("UISettings/lastProjectId")).toInt(), -1);
    }

    // A project in the database and the IO tab to come back to.
    int projectId = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stages"));
        db.setDatabaseName(home.filePath(QStringLiteral(".zembo/projects2.db")));
        QVERIFY(db.open());
        QSqlQuery insert(db);
        QVERIFY(insert.exec(
            QStringLiteral("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')")));
        projectId = insert.lastInsertId().toInt();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stages"));
    {
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(QStringLiteral("UISettings/lastProjectId"), projectId);
        settings.setValue(QStringLiteral("UISettings/tabMain"), 4);
    }
    const int before = logText(home.path()).split(QLatin1Char('\n')).size();
    {
        QProcess zembo;
        prepareSettled(zembo, home.path(), QStringLiteral("stages"));
        zembo.start();
        QVERIFY(zembo.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).count(QStringLiteral("Start-up stage 3 done")) == 2, 20000);
        QTest::qWait(300);
        const QStringList second = logText(home.path()).split(QLatin1Char('\n')).mid(before);
        QVERIFY(lineOf(second, QStringLiteral("Window title: Focus ST - KR 4711 - Zembo - 6.28.3")) >= 0);
        QVERIFY(lineOf(second, QStringLiteral("Active project %1").arg(projectId)) >= 0);
        terminate(zembo);
    }
    QSettings settings(ini, QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("UISettings/lastProjectId")).toInt(), projectId);
    QCOMPARE(settings.value(QStringLiteral("UISettings/tabMain")).toInt(), 4);
}

void TestZemboBinary::firmwareNeverConfirmed()
{
    // Nobody answers the firmware updater: the controller stays unconfirmed.
    QTemporaryDir home;
    QProcess zembo;
    prepareSettled(zembo, home.path(), QStringLiteral("unconfirmed"), false);
    QProcessEnvironment env = zembo.processEnvironment();
    env.insert(QStringLiteral("ZEMBO_SIM_CONTROLLER"), QStringLiteral("version=OLD_1.0"));
    zembo.setProcessEnvironment(env);
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Start-up stage 2 done")), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Firmware size")), 20000);
    QTest::qWait(2000);
    QVERIFY(!logText(home.path()).contains(QStringLiteral("Start-up stage 3")));
    QVERIFY(!logText(home.path()).contains(QStringLiteral("MCU firmware confirmed")));
    // The updater's box is open; SIGTERM still ends the program orderly.
    terminate(zembo);
    QVERIFY(logText(home.path()).contains(QStringLiteral("Thread stopped: camera")));
}

void TestZemboBinary::secondInstanceIsRefused()
{
    QTemporaryDir home;
    const QString key = QStringLiteral("zembo-binary-twice-%1").arg(QCoreApplication::applicationPid());
    QProcess first;
    prepare(first, home.path(), key);
    first.start();
    QVERIFY(first.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Main window shown")), 20000);

    QProcess second;
    prepare(second, home.path(), key);
    second.start();
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    const QString log = logText(home.path());
    QVERIFY(log.contains(QStringLiteral("Other instance of app is running")));
    QVERIFY(log.contains(QStringLiteral("Only one instance of application can run!")));
    QCOMPARE(log.count(QStringLiteral("Main window shown")), 1);

    ::kill(pid_t(first.processId()), SIGINT);
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(logText(home.path()).count(QStringLiteral("Unix signal 2 received")), 1);
}

void TestZemboBinary::unknownOptionEndsTheProgram()
{
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("zembo-binary-option-%1").arg(QCoreApplication::applicationPid()));
    zembo.setArguments({QStringLiteral("--no-such-option")});
    zembo.setProcessChannelMode(QProcess::SeparateChannels);
    zembo.start();
    QVERIFY(zembo.waitForFinished(20000));
    QVERIFY(zembo.exitCode() != 0);
    QVERIFY(QString::fromUtf8(zembo.readAllStandardError()).contains(QStringLiteral("no-such-option")));
    QVERIFY(!logText(home.path()).contains(QStringLiteral("Main window shown")));
}

void TestZemboBinary::unopenableLogGoesToStandardError()
{
    // "log" is a file, so the day's log cannot be created in it.
    QTemporaryDir home;
    ProgramFixture::writeFile(home.filePath(QStringLiteral(".zembo/log")), "not a folder");
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("zembo-binary-log-%1").arg(QCoreApplication::applicationPid()));
    zembo.setArguments({QStringLiteral("--no-such-option")});
    zembo.setProcessChannelMode(QProcess::SeparateChannels);
    zembo.start();
    QVERIFY(zembo.waitForFinished(20000));
    const QString errors = QString::fromUtf8(zembo.readAllStandardError());
    QVERIFY2(errors.contains(QStringLiteral("Debug: Debug log start")), qPrintable(errors));
    QVERIFY(errors.contains(QStringLiteral("logging to standard error")));
}

QTEST_GUILESS_MAIN(TestZemboBinary)
#include "tst_zembo_binary.moc"
