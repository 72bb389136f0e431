#pragma once

// Which world the program runs in. Stand-ins for hardware and system services
// are used only when asked for explicitly: ZEMBO_SIMULATE=1 (the simulated dyno
// of `make run`) or ZEMBO_TEST=1 (set by the test runner). Without either, a
// missing device takes its error path; nothing falls back to a simulator.
class PlatformMode
{
public:
    PlatformMode() = delete;

    static bool simulated();
    static bool underTest();
    // True when system commands must only be recorded, never run.
    static bool systemCommandsRecorded() { return simulated() || underTest(); }
};
