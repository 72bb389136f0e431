#include "SudoCommandRunner.h"

#include <QDebug>
#include <QProcess>

SudoCommandRunner::SudoCommandRunner(int timeoutMs)
    : timeoutMs(timeoutMs)
{
}

SystemCommandResult SudoCommandRunner::run(const QString& program, const QStringList& arguments, bool asRoot)
{
    SystemCommandResult result;
    QProcess process;
    if (asRoot) {
        // "-n": never wait for a password prompt that nobody will answer.
        process.start(QStringLiteral("sudo"), QStringList{QStringLiteral("-n"), program} + arguments);
    } else {
        process.start(program, arguments);
    }
    result.started = process.waitForStarted(timeoutMs);
    if (!result.started) {
        qDebug() << "System command could not start:" << program << arguments;
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        qDebug() << "System command timed out:" << program << arguments;
        process.kill();
        process.waitForFinished(1000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}
