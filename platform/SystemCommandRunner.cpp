#include "SystemCommandRunner.h"

#include "PlatformMode.h"
#include "RecordingCommandRunner.h"
#include "SudoCommandRunner.h"

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
