// The real program on the simulated controller: its channel setup files on a
// fresh configuration folder, on the next start, and when the file is broken.
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include "ProgramFixture.h"

#include <QTest>

#include <csignal>

namespace {

QString logText(const QString& home)
{
    QFile log(home + QStringLiteral("/.zembo/log/") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
              + QStringLiteral(".txt"));
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(log.readAll());
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int xpathCount(const QString& path, const QString& expression)
{
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--xpath"), expression, path});
    if (!lint.waitForFinished(20000) || lint.exitCode() != 0)
        return -1;
    return lint.readAllStandardOutput().trimmed().toInt();
}

// Starts the program, waits until the channels are registered and their
// files written, and stops it as the operator's system would.
bool runOnce(const QString& home, int run)
{
    QProcess zembo;
    QProcessEnvironment env = ProgramFixture::settledBoard(home, QStringLiteral("channel-files-%1").arg(run));
    env.insert(QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1"));
    zembo.setProcessEnvironment(env);
    zembo.setProgram(qEnvironmentVariable("ZEMBO_BINARY"));
    zembo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    zembo.start();
    if (!zembo.waitForStarted(10000))
        return false;
    const QString registered = QStringLiteral("Channels registered");
    const bool ok = QTest::qWaitFor([&] { return logText(home).count(registered) == run; }, 30000);
    QTest::qWait(1000); // the setups the registry added are saved 500 ms later
    ::kill(pid_t(zembo.processId()), SIGTERM);
    return ok && zembo.waitForFinished(20000) && zembo.exitCode() == 0;
}

} // namespace

class TestChannelFilesProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshFolderThenSecondStart();
    void brokenFileIsKeptAside();
};

void TestChannelFilesProgram::freshFolderThenSecondStart()
{
    QTemporaryDir home;
    const QString run = home.filePath(QStringLiteral(".zembo/runVariables.xml"));
    const QString analyze = home.filePath(QStringLiteral(".zembo/analyzeVariables.xml"));
    QVERIFY(runOnce(home.path(), 1));
    // The defaults and the one built-in channel they lack.
    QCOMPARE(xpathCount(run, QStringLiteral("count(/variables[@key='run']/variable)")), 233);
    QCOMPARE(xpathCount(run, QStringLiteral("count(//variable[@key='brakeControlMode']/label)")), 5);
    QCOMPARE(xpathCount(analyze, QStringLiteral("count(/variables[@key='analyze']/variable)")), 12);
    const QByteArray first = bytesOf(run);
    const QByteArray firstAnalyze = bytesOf(analyze);

    QVERIFY(runOnce(home.path(), 2));
    QCOMPARE(bytesOf(run), first);
    QCOMPARE(bytesOf(analyze), firstAnalyze);
    QVERIFY(!logText(home.path()).contains(QStringLiteral("Dialog answered automatically")));
}

void TestChannelFilesProgram::brokenFileIsKeptAside()
{
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral(".zembo")));
    const QString run = home.filePath(QStringLiteral(".zembo/runVariables.xml"));
    const QByteArray broken("<variables key=\"run\">\n <variable key=\"dyno_speed\" displayName=\"My sp");
    {
        QFile file(run);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(broken);
    }
    QVERIFY(runOnce(home.path(), 1));
    QCOMPARE(bytesOf(run + QStringLiteral(".bad")), broken);
    QVERIFY(logText(home.path()).contains(QStringLiteral("Dialog answered automatically: Error")));
    QCOMPARE(xpathCount(run, QStringLiteral("count(/variables/variable)")), 233);
}

QTEST_GUILESS_MAIN(TestChannelFilesProgram)
#include "tst_channel_files_program.moc"
