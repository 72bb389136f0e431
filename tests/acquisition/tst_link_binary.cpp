// The real program and its MCU link: the simulated controller when asked for,
// the real bus otherwise, and the fatal end when the controller stays silent.
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

void prepare(QProcess& process, const QString& home, const QString& name,
             const QList<QPair<QString, QString>>& settings)
{
    QProcessEnvironment env = ProgramFixture::settledBoard(home, QStringLiteral("link-") + name);
    for (const auto& s : settings) {
        if (s.second.isNull())
            env.remove(s.first);
        else
            env.insert(s.first, s.second);
    }
    process.setProcessEnvironment(env);
    process.setProgram(qEnvironmentVariable("ZEMBO_BINARY"));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

} // namespace

class TestLinkBinary : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void simulatedControllerIsConfirmed();
    void silentControllerEndsTheProgram();
    void missingBusIsNeverReplacedByTheSimulator();
    void testModeUpdatesTheFirmwareByItself();
};

void TestLinkBinary::simulatedControllerIsConfirmed()
{
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("ok"), {});
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("serial number 1042")), 20000);
    // The settings store notes the board in its own (GUI) thread.
    QTRY_VERIFY(logText(home.path()).contains(QStringLiteral("device code \"ZR6\"")));
    const QString log = logText(home.path());
    QVERIFY(log.contains(QStringLiteral("simulated dyno controller on the bus")));
    QVERIFY(log.contains(QStringLiteral("MCU firmware confirmed")));
    ::kill(pid_t(zembo.processId()), SIGTERM);
    QVERIFY(zembo.waitForFinished(20000));
    QCOMPARE(zembo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zembo.exitCode(), 0);
    QVERIFY(logText(home.path()).contains(QStringLiteral("Peak SPI load in this session: ")));
}

void TestLinkBinary::silentControllerEndsTheProgram()
{
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("silent"),
            {{QStringLiteral("ZEMBO_SIM_CONTROLLER"), QStringLiteral("silent=1")},
             {QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1")}});
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("Main window shown")), 20000);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(zembo.waitForFinished(20000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed > 500 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    // A fatal end: not a normal exit with status 0.
    QVERIFY(zembo.exitStatus() == QProcess::CrashExit || zembo.exitCode() != 0);
    const QString log = logText(home.path());
    QVERIFY(log.contains(QStringLiteral("Debug: no device info")));
    QVERIFY(log.contains(QStringLiteral("Dialog answered automatically: Error - No device info received from MCU.")));
    QVERIFY(log.contains(QStringLiteral("Fatal: No device info received from MCU.")));
    QVERIFY(!log.contains(QStringLiteral("MCU firmware confirmed")));
}

void TestLinkBinary::missingBusIsNeverReplacedByTheSimulator()
{
    if (QFile::exists(QStringLiteral("/dev/spidev1.0")))
        QSKIP("this machine has the controller bus");
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("nobus"),
            {{QStringLiteral("ZEMBO_SIMULATE"), QString()}, {QStringLiteral("ZEMBO_ANSWER_DIALOGS"), QStringLiteral("1")}});
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QVERIFY(zembo.waitForFinished(20000));
    QVERIFY(zembo.exitStatus() == QProcess::CrashExit || zembo.exitCode() != 0);
    const QString log = logText(home.path());
    QVERIFY(log.contains(QStringLiteral("Unable to open SPI device: ")));
    QVERIFY(!log.contains(QStringLiteral("simulated dyno controller")));
    QVERIFY(log.count(QStringLiteral("SPI ioctl error. Bytes written: -1")) <= 3);
    QVERIFY(log.contains(QStringLiteral("Fatal: No device info received from MCU.")));
}

void TestLinkBinary::testModeUpdatesTheFirmwareByItself()
{
    QTemporaryDir home;
    QProcess zembo;
    prepare(zembo, home.path(), QStringLiteral("update"),
            {{QStringLiteral("ZEMBO_SIM_CONTROLLER"), QStringLiteral("version=ZMCU_OLD_0.9")}});
    zembo.setArguments({QStringLiteral("--test")});
    zembo.start();
    QVERIFY(zembo.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(logText(home.path()).contains(QStringLiteral("MCU firmware confirmed")), 30000);
    const QString log = logText(home.path());
    QVERIFY(log.indexOf(QStringLiteral("Firmware updated")) < log.indexOf(QStringLiteral("MCU firmware confirmed")));
    QVERIFY(!log.contains(QStringLiteral("closed without upgrade")));
    ::kill(pid_t(zembo.processId()), SIGTERM);
    QVERIFY(zembo.waitForFinished(20000));
    QCOMPARE(zembo.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestLinkBinary)
#include "tst_link_binary.moc"
