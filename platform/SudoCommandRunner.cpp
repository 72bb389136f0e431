#include "SudoCommandRunner.h"

#include <QDebug>
#include <QProcess>

SudoCommandRunner::SudoCommandRunner(int timeoutMs)
    : timeoutMs(timeoutMs)
{
}

SystemCommandResult SudoCommandRunner::run(const QString& program, const QStringList& arguments, bool asRoot)
{
    return execute(program, arguments, asRoot, nullptr);
}

SystemCommandResult SudoCommandRunner::runWithInput(const QString& program, const QStringList& arguments,
                                                    bool asRoot, const QByteArray& standardInput)
{
    return execute(program, arguments, asRoot, &standardInput);
}

SystemCommandResult SudoCommandRunner::execute(const QString& program, const QStringList& arguments, bool asRoot,
                                               const QByteArray* standardInput)
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
    // The input is not logged: it may be a password.
    if (standardInput) {
        process.write(*standardInput);
        process.waitForBytesWritten(timeoutMs);
    }
    // A command that reads its input to the end must see the end.
    process.closeWriteChannel();
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
