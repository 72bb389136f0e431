#pragma once

#include "SystemCommandRunner.h"

#include <QList>
#include <QMutex>
#include <QPair>

// Stand-in for the system command runner: records every command line ("sudo "
// in front when root was asked for) and answers with scripted results.
class RecordingCommandRunner : public SystemCommandRunner
{
public:
    SystemCommandResult run(const QString& program, const QStringList& arguments, bool asRoot) override;

    // The next commands whose program equals `program` get `result`; unscripted
    // commands succeed with exit code 0 and no output.
    void script(const QString& program, const SystemCommandResult& result);
    QStringList commandLines() const;
    void clear();

private:
    mutable QMutex mutex;
    QStringList lines;
    QList<QPair<QString, SystemCommandResult>> scripted;
};
