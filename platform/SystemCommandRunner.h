#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a system command returned.
struct SystemCommandResult {
    bool started = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs the board's system commands (process priority, CPU pinning, rfkill,
// udev rules, reboot, ...). Commands are a program and an argument list, never
// a shell line built from text. The real runner executes them, through "sudo"
// when root is needed; the stand-in only records them, so a development or CI
// machine is never changed.
class SystemCommandRunner
{
public:
    virtual ~SystemCommandRunner() = default;

    virtual SystemCommandResult run(const QString& program, const QStringList& arguments, bool asRoot) = 0;
    // As run(), with `standardInput` written to the command's standard input,
    // which is then closed. Secrets (a new password for chpasswd) travel this
    // way so they never appear in an argument list or a shell line. A runner
    // that cannot pass input refuses the command: it is not started.
    virtual SystemCommandResult runWithInput(const QString& program, const QStringList& arguments, bool asRoot,
                                             const QByteArray& standardInput);

    // The runner of this process: the recording stand-in when the platform mode
    // asks for it (simulation or tests), otherwise the real one.
    static SystemCommandRunner* instance();
    // Replaces the runner (not owned); nullptr restores the default. For tests.
    static void setInstance(SystemCommandRunner* runner);
};
