#include "SystemCommandRunner.h"

#include "PlatformMode.h"
#include "RecordingCommandRunner.h"
#include "SudoCommandRunner.h"
#include "SystemRoot.h"

#include <QDebug>

#include <atomic>

namespace {
std::atomic<SystemCommandRunner*> g_override{nullptr};
}

SystemCommandRunner* SystemCommandRunner::instance()
{
    if (SystemCommandRunner* runner = g_override.load())
        return runner;
    if (PlatformMode::systemCommandsRecorded()) {
        static RecordingCommandRunner recording;
        // A simulated board that is set up has a password of its own: the
        // stock one no longer logs in. Asked again each time, as tests change
        // the environment between starts.
        if (SystemRoot::simulatedBoard() && !SystemRoot::simulatedFirstBoot()) {
            SystemCommandResult refused;
            refused.started = true;
            refused.exitCode = 1;
            refused.standardError = "su: Authentication failure\n";
            recording.setStandingResult(QStringLiteral("su"), refused);
        } else {
            recording.clearStandingResult(QStringLiteral("su"));
        }
        return &recording;
    }
    static SudoCommandRunner real;
    return &real;
}

void SystemCommandRunner::setInstance(SystemCommandRunner* runner)
{
    g_override.store(runner);
}

SystemCommandResult SystemCommandRunner::runWithInput(const QString& program, const QStringList& arguments,
                                                      bool asRoot, const QByteArray& standardInput)
{
    Q_UNUSED(asRoot)
    Q_UNUSED(standardInput)
    // Running it without its input could, for instance, leave chpasswd waiting
    // or act on nothing while the caller believes it succeeded.
    qDebug() << "System command refused: this runner cannot pass standard input:" << program << arguments;
    return SystemCommandResult();
}
