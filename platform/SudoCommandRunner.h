#pragma once

#include "SystemCommandRunner.h"

// Runs system commands for real, through "sudo" when root is needed (the board's
// user has password-less sudo). Waits at most `timeoutMs` for a command.
class SudoCommandRunner : public SystemCommandRunner
{
public:
    explicit SudoCommandRunner(int timeoutMs = 30000);
    SystemCommandResult run(const QString& program, const QStringList& arguments, bool asRoot) override;
    SystemCommandResult runWithInput(const QString& program, const QStringList& arguments, bool asRoot,
                                     const QByteArray& standardInput) override;

private:
    SystemCommandResult execute(const QString& program, const QStringList& arguments, bool asRoot,
                                const QByteArray* standardInput);

    int timeoutMs;
};
