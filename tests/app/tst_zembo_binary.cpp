// Starts the real program, as a user would, on an empty home directory.
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
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
    // A first start shows the board's set-up notices and asks for a new system
    // password; nobody is there to close them.
    env.insert(QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProgram(binary());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

} // namespace

class TestZemboBinary : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsOnEmptyHomeAndStopsOnSigterm();
    void secondInstanceIsRefused();
    void unknownOptionEndsTheProgram();
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

    ::kill(pid_t(zembo.processId()), SIGTERM);
    QVERIFY(zembo.waitForFinished(20000));
    QCOMPARE(zembo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zembo.exitCode(), 0);
    const QString log = logText(home.path());
    QCOMPARE(log.count(QStringLiteral("Unix signal 15 received")), 1);
    QVERIFY(log.contains(QStringLiteral("Debug log start")));
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
    QVERIFY(second.waitForFinished(20000)); // its box closes itself after 5 s
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(logText(home.path()).contains(QStringLiteral("Other instance of app is running")));

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
    QVERIFY(!logText(home.path()).contains(QStringLiteral("Main window shown")));
}

QTEST_GUILESS_MAIN(TestZemboBinary)
#include "tst_zembo_binary.moc"
