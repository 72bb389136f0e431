#include "RecordingCommandRunner.h"

#include <QDebug>
#include <QRegularExpression>

QString RecordingCommandRunner::shellQuoted(const QString& argument)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(argument).hasMatch())
        return argument;
    if (!argument.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + argument + QLatin1Char('\'');
    // Inside double quotes only these four keep a meaning and need a backslash.
    QString quoted = argument;
    for (const QChar special : {QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('$'), QLatin1Char('`')})
        quoted.replace(special, QStringLiteral("\\") + special);
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

SystemCommandResult RecordingCommandRunner::run(const QString& program, const QStringList& arguments, bool asRoot)
{
    return runWithInput(program, arguments, asRoot, QByteArray());
}

SystemCommandResult RecordingCommandRunner::runWithInput(const QString& program, const QStringList& args,
                                                         bool asRoot, const QByteArray& standardInput)
{
    QMutexLocker lock(&mutex);
    QStringList parts;
    if (asRoot)
        parts << QStringLiteral("sudo");
    parts << shellQuoted(program);
    for (const QString& argument : args)
        parts << shellQuoted(argument);
    const QString line = parts.join(QLatin1Char(' '));
    lines.append(line);
    inputs.append(standardInput);
    arguments.append(args);
    // The input stays out of the log: it may be a password.
    QString message = QStringLiteral("System command (recorded, not run): ") + line;
    if (!standardInput.isEmpty())
        message += QStringLiteral(" (%1 bytes of input)").arg(standardInput.size());
    qDebug().noquote() << message;
    for (int i = 0; i < scripted.size(); ++i) {
        if (scripted.at(i).first == program)
            return scripted.takeAt(i).second;
    }
    const auto standingResult = standing.constFind(program);
    if (standingResult != standing.cend())
        return *standingResult;
    SystemCommandResult ok;
    ok.started = true;
    ok.exitCode = 0;
    // The graphics memory query answers as a board with the usual split does.
    if (program == QLatin1String("vcgencmd") && args == QStringList{QStringLiteral("get_mem"), QStringLiteral("gpu")})
        ok.standardOutput = QByteArrayLiteral("gpu=76M\n");
    return ok;
}

void RecordingCommandRunner::script(const QString& program, const SystemCommandResult& result)
{
    QMutexLocker lock(&mutex);
    scripted.append(qMakePair(program, result));
}

void RecordingCommandRunner::setStandingResult(const QString& program, const SystemCommandResult& result)
{
    QMutexLocker lock(&mutex);
    standing.insert(program, result);
}

void RecordingCommandRunner::clearStandingResult(const QString& program)
{
    QMutexLocker lock(&mutex);
    standing.remove(program);
}

QStringList RecordingCommandRunner::commandLines() const
{
    QMutexLocker lock(&mutex);
    return lines;
}

QList<QByteArray> RecordingCommandRunner::standardInputs() const
{
    QMutexLocker lock(&mutex);
    return inputs;
}

QList<QStringList> RecordingCommandRunner::argumentLists() const
{
    QMutexLocker lock(&mutex);
    return arguments;
}

void RecordingCommandRunner::clear()
{
    QMutexLocker lock(&mutex);
    lines.clear();
    inputs.clear();
    arguments.clear();
    scripted.clear();
}
