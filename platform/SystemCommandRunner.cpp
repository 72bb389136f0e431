#include "SystemCommandRunner.h"

#include "PlatformMode.h"
#include "RecordingCommandRunner.h"
#include "SudoCommandRunner.h"

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
