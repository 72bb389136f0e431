#include "RecordingCommandRunner.h"

#include <QDebug>

SystemCommandResult RecordingCommandRunner::run(const QString& program, const QStringList& arguments, bool asRoot)
{
    QMutexLocker lock(&mutex);
    QStringList parts;
    if (asRoot)
        parts << QStringLiteral("sudo");
    parts << program << arguments;
    const QString line = parts.join(QLatin1Char(' '));
    lines.append(line);
    qDebug() << "System command (recorded, not run):" << line;
    for (int i = 0; i < scripted.size(); ++i) {
        if (scripted.at(i).first == program)
            return scripted.takeAt(i).second;
    }
    SystemCommandResult ok;
    ok.started = true;
    ok.exitCode = 0;
    return ok;
}

void RecordingCommandRunner::script(const QString& program, const SystemCommandResult& result)
{
    QMutexLocker lock(&mutex);
    scripted.append(qMakePair(program, result));
}

QStringList RecordingCommandRunner::commandLines() const
{
    QMutexLocker lock(&mutex);
    return lines;
}

void RecordingCommandRunner::clear()
{
    QMutexLocker lock(&mutex);
    lines.clear();
    scripted.clear();
}
