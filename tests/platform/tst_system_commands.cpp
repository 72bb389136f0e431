#include "PlatformMode.h"
#include "RecordingCommandRunner.h"
#include "SudoCommandRunner.h"

#include <QTest>

class TestSystemCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void testsGetTheRecordingStandIn();
    void recordsAndAnswersScriptedResults();
    void realRunnerUsesArgumentLists();
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

QTEST_GUILESS_MAIN(TestSystemCommands)
#include "tst_system_commands.moc"
