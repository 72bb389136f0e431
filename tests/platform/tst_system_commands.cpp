#include "LogCapture.h"
#include "PlatformMode.h"
#include "RecordingCommandRunner.h"
#include "SudoCommandRunner.h"
#include "SystemRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {
// A runner written before standard input could be passed.
class ArgumentsOnlyRunner : public SystemCommandRunner
{
public:
    SystemCommandResult run(const QString&, const QStringList&, bool) override
    {
        ++runs;
        SystemCommandResult ok;
        ok.started = true;
        ok.exitCode = 0;
        return ok;
    }
    int runs = 0;
};
} // namespace

class TestSystemCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void testsGetTheRecordingStandIn();
    void recordsAndAnswersScriptedResults();
    void realRunnerUsesArgumentLists();
    void realRunnerPassesStandardInput();
    void recordedLinesReadAsShellLines();
    void recordedInputStaysOutOfTheLog();
    void runnerWithoutInputSupportRefuses();
    void systemRootOnlyForStandIns();
    void simulatedBoardIsSetUpUnlessFirstBoot();
};

void TestSystemCommands::testsGetTheRecordingStandIn()
{
    QVERIFY(PlatformMode::underTest());
    QVERIFY(PlatformMode::systemCommandsRecorded());
    QVERIFY(dynamic_cast<RecordingCommandRunner*>(SystemCommandRunner::instance()));
}

void TestSystemCommands::recordsAndAnswersScriptedResults()
{
    auto* runner = dynamic_cast<RecordingCommandRunner*>(SystemCommandRunner::instance());
    QVERIFY(runner);
    runner->clear();
    SystemCommandResult failed;
    failed.started = true;
    failed.exitCode = 3;
    failed.standardOutput = "nope";
    runner->script(QStringLiteral("swapoff"), failed);
    const SystemCommandResult r1 = runner->run(QStringLiteral("swapoff"), {QStringLiteral("-a")}, true);
    const SystemCommandResult r2 = runner->run(QStringLiteral("renice"), {QStringLiteral("-n"), QStringLiteral("-20"),
                                                                          QStringLiteral("-p"), QStringLiteral("42")},
                                               true);
    const SystemCommandResult r3 = runner->run(QStringLiteral("pgrep"), {QStringLiteral("zembo")}, false);
    QCOMPARE(r1.exitCode, 3);
    QCOMPARE(r1.standardOutput, QByteArray("nope"));
    QCOMPARE(r2.exitCode, 0);
    QVERIFY(r3.started);
    QCOMPARE(runner->commandLines(),
             (QStringList{"sudo swapoff -a", "sudo renice -n -20 -p 42", "pgrep zembo"}));
}

void TestSystemCommands::realRunnerUsesArgumentLists()
{
    // Text that a shell would expand stays one literal argument.
    SudoCommandRunner real(5000);
    const SystemCommandResult r =
        real.run(QStringLiteral("/bin/echo"), {QStringLiteral("$HOME; rm -rf /tmp/x `id`")}, false);
    QVERIFY(r.started);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.standardOutput, QByteArray("$HOME; rm -rf /tmp/x `id`\n"));
    const SystemCommandResult missing = real.run(QStringLiteral("/nonexistent/program"), {}, false);
    QVERIFY(!missing.started);
}

void TestSystemCommands::realRunnerPassesStandardInput()
{
    SudoCommandRunner real(5000);
    const QByteArray input("pi:it's $HOME; `id`\n");
    const SystemCommandResult echoed = real.runWithInput(QStringLiteral("/bin/cat"), {}, false, input);
    QVERIFY(echoed.started);
    QCOMPARE(echoed.exitCode, 0);
    QCOMPARE(echoed.standardOutput, input);
    // Without input a command that reads it sees its end at once instead of
    // waiting for the time-out.
    QElapsedTimer clock;
    clock.start();
    const SystemCommandResult empty = real.run(QStringLiteral("/bin/cat"), {}, false);
    QCOMPARE(empty.exitCode, 0);
    QVERIFY(empty.standardOutput.isEmpty());
    QVERIFY(clock.elapsed() < 4000);
}

void TestSystemCommands::recordedLinesReadAsShellLines()
{
    RecordingCommandRunner runner;
    runner.run(QStringLiteral("sed"),
               {QStringLiteral("-i"), QStringLiteral("s/rootwait/rootwait isolcpus=3/"), QStringLiteral("/boot/cmdline.txt")},
               true);
    runner.run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo 'A==\"usb\", B=\"$x\"' > /tmp/f")}, true);
    runner.run(QStringLiteral("printf"), {QString(), QStringLiteral("a\\b `id`")}, false);
    QCOMPARE(runner.commandLines(),
             (QStringList{QStringLiteral("sudo sed -i 's/rootwait/rootwait isolcpus=3/' /boot/cmdline.txt"),
                          QStringLiteral("sudo sh -c \"echo 'A==\\\"usb\\\", B=\\\"\\$x\\\"' > /tmp/f\""),
                          QStringLiteral("printf '' 'a\\b `id`'")}));
    // A shell reading the words of each line gets back the arguments asked for.
    SudoCommandRunner shell(5000);
    for (int i = 0; i < runner.commandLines().size(); ++i) {
        const QString line = runner.commandLines().at(i);
        const QString words = line.section(QLatin1Char(' '), line.startsWith(QStringLiteral("sudo ")) ? 2 : 1);
        const SystemCommandResult split = shell.run(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("for a in ") + words + QStringLiteral("; do printf '%s|' \"$a\"; done")},
            false);
        QCOMPARE(QString::fromUtf8(split.standardOutput),
                 runner.argumentLists().at(i).join(QLatin1Char('|')) + QLatin1Char('|'));
    }
}

void TestSystemCommands::recordedInputStaysOutOfTheLog()
{
    RecordingCommandRunner runner;
    LogCapture log;
    runner.runWithInput(QStringLiteral("chpasswd"), {}, true, QByteArray("pi:s3cret\n"));
    QCOMPARE(runner.commandLines(), QStringList{QStringLiteral("sudo chpasswd")});
    QCOMPARE(runner.standardInputs(), QList<QByteArray>{QByteArray("pi:s3cret\n")});
    QCOMPARE(log.count(QStringLiteral("s3cret")), 0);
    QCOMPARE(log.count(QStringLiteral("sudo chpasswd")), 1);
}

void TestSystemCommands::runnerWithoutInputSupportRefuses()
{
    ArgumentsOnlyRunner runner;
    const SystemCommandResult r =
        runner.runWithInput(QStringLiteral("chpasswd"), {}, true, QByteArray("pi:secret\n"));
    QVERIFY(!r.started);
    QCOMPARE(runner.runs, 0);
}

void TestSystemCommands::systemRootOnlyForStandIns()
{
    // Under tests without the simulator and without a configured root: "/".
    const QByteArray simulateBefore = qgetenv("ZEMBO_SIMULATE");
    qunsetenv("ZEMBO_SIMULATE");
    qunsetenv("ZEMBO_SYSTEM_ROOT");
    QCOMPARE(SystemRoot::filePath(QStringLiteral("/boot/cmdline.txt")), QStringLiteral("/boot/cmdline.txt"));
    qputenv("ZEMBO_SIMULATE", simulateBefore);
    qputenv("ZEMBO_SYSTEM_ROOT", "/tmp/fixture/");
    QCOMPARE(SystemRoot::filePath(QStringLiteral("/boot/cmdline.txt")), QStringLiteral("/tmp/fixture/boot/cmdline.txt"));
    // A board (no simulation, not under test) reads its own files.
    const QByteArray test = qgetenv("ZEMBO_TEST");
    const QByteArray simulate = qgetenv("ZEMBO_SIMULATE");
    qunsetenv("ZEMBO_TEST");
    qunsetenv("ZEMBO_SIMULATE");
    QCOMPARE(SystemRoot::filePath(QStringLiteral("/boot/cmdline.txt")), QStringLiteral("/boot/cmdline.txt"));
    qputenv("ZEMBO_TEST", test);
    qputenv("ZEMBO_SIMULATE", simulate);
    qunsetenv("ZEMBO_SYSTEM_ROOT");
}

// The simulator never reads the development machine's "/" as the board's
// system: without a configured root it has a board of its own, set up, whose
// stock password no longer logs in; on request one fresh from the image.
void TestSystemCommands::simulatedBoardIsSetUpUnlessFirstBoot()
{
    qunsetenv("ZEMBO_SYSTEM_ROOT");
    qunsetenv("ZEMBO_SIM_FIRST_BOOT");
    QVERIFY(PlatformMode::simulated());
    QVERIFY(SystemRoot::simulatedBoard());
    auto read = [](const QString& path) {
        QFile file(SystemRoot::filePath(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    auto su = [] {
        return SystemCommandRunner::instance()
            ->runWithInput(QStringLiteral("su"), {QStringLiteral("pi")}, false, "quibrotel\n")
            .exitCode;
    };

    const QString settled = QDir::home().filePath(QStringLiteral(".zembo/simulatedSystem"));
    QCOMPARE(SystemRoot::root(), settled);
    QCOMPARE(read(QStringLiteral("/sys/devices/system/cpu/isolated")), QByteArray("3\n"));
    QCOMPARE(read(QStringLiteral("/etc/modprobe.d/usbserial.conf")), QByteArray("blacklist ftdi_sio\n"));
    QVERIFY(read(QStringLiteral("/boot/cmdline.txt")).contains("rootwait isolcpus=3"));
    QCOMPARE(su(), 1);
    // The kernel's live figures are this machine's (the status bar's CPU load
    // and memory read them); the board's configuration stays simulated.
    QCOMPARE(SystemRoot::filePath(QStringLiteral("/proc/stat")), QStringLiteral("/proc/stat"));
    QVERIFY(read(QStringLiteral("/proc/stat")).startsWith("cpu "));
    QVERIFY(read(QStringLiteral("/proc/meminfo")).contains("MemAvailable:"));

    qputenv("ZEMBO_SIM_FIRST_BOOT", "1");
    QVERIFY(SystemRoot::simulatedFirstBoot());
    QCOMPARE(SystemRoot::root(), QDir::home().filePath(QStringLiteral(".zembo/simulatedFirstBootSystem")));
    QCOMPARE(read(QStringLiteral("/etc/modprobe.d/usbserial.conf")), QByteArray("<missing>"));
    QCOMPARE(read(QStringLiteral("/sys/devices/system/cpu/isolated")), QByteArray("\n"));
    QVERIFY(read(QStringLiteral("/boot/cmdline.txt")).contains("rootwait\n"));
    QCOMPARE(su(), 0);

    // A configured root wins, and with it the runner has no board of its own.
    qputenv("ZEMBO_SYSTEM_ROOT", "/tmp/fixture");
    QVERIFY(!SystemRoot::simulatedBoard());
    QVERIFY(!SystemRoot::simulatedFirstBoot());
    QCOMPARE(su(), 0);
    qunsetenv("ZEMBO_SYSTEM_ROOT");
    qunsetenv("ZEMBO_SIM_FIRST_BOOT");
}

QTEST_GUILESS_MAIN(TestSystemCommands)
#include "tst_system_commands.moc"
