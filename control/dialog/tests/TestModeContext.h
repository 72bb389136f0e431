#pragma once

#include <QtGlobal>

#include <functional>

class BrakeController;
class QKeyEvent;

// What a test window needs of the RUN tab, which lives above this library:
// the RUN panel fills it in when it is built and every test reads it in the
// GUI thread. A slot nobody filled does nothing (or answers "no run", no
// panel), so a test window also works in a test without a main window.
struct TestModeContext {
    // The RUN tab's brake-controller panel.
    std::function<BrakeController*()> panel;
    // Whether a run is recording.
    std::function<bool()> runActive;
    // Start of the running run, ms since the epoch (0: none).
    std::function<qint64()> runStartTime;
    // Presses START/STOP, so that the normal start and stop procedures run.
    std::function<void()> pressStartStop;
    // The RUN tab's throttle editor, in percent (0 to 100).
    std::function<void(double percent)> setThrottle;
    // The RUN tab's engine-speed source selector.
    std::function<void(bool enabled)> setEngineSpeedSourceEnabled;
    // The main window's own key handling (function-key shortcuts).
    std::function<void(QKeyEvent*)> keyPress;
    std::function<void(QKeyEvent*)> keyRelease;

    static TestModeContext& current();

    BrakeController* getPanel() const { return panel ? panel() : nullptr; }
    bool isRunActive() const { return runActive && runActive(); }
};
