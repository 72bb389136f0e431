#pragma once

#include "SystemCommandRunner.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPair>

// Stand-in for the system command runner: records every command line ("sudo "
// in front when root was asked for) and answers with scripted results. An
// argument that a shell would split or expand is shown quoted, so the line
// reads as the shell line that would do the same.
class RecordingCommandRunner : public SystemCommandRunner
{
public:
    SystemCommandResult run(const QString& program, const QStringList& arguments, bool asRoot) override;
    SystemCommandResult runWithInput(const QString& program, const QStringList& arguments, bool asRoot,
                                     const QByteArray& standardInput) override;

    // The next commands whose program equals `program` get `result`; unscripted
    // commands succeed with exit code 0 and no output ("vcgencmd get_mem gpu"
    // prints "gpu=76M").
    void script(const QString& program, const SystemCommandResult& result);
    // Every unscripted command of `program` gets `result` from now on, until
    // cleared; the answers of a simulated system rather than of one test.
    void setStandingResult(const QString& program, const SystemCommandResult& result);
    void clearStandingResult(const QString& program);
    QStringList commandLines() const;
    // The standard input each recorded command got, one entry per command line
    // (empty when it got none).
    QList<QByteArray> standardInputs() const;
    // The arguments of each recorded command, without "sudo" and the program.
    QList<QStringList> argumentLists() const;
    void clear();

    // `argument` as a shell would need it written to get it back unchanged.
    static QString shellQuoted(const QString& argument);

private:
    mutable QMutex mutex;
    QStringList lines;
    QList<QByteArray> inputs;
    QList<QStringList> arguments;
    QList<QPair<QString, SystemCommandResult>> scripted;
    QHash<QString, SystemCommandResult> standing;
};
