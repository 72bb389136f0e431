#pragma once

#include "RampTestStep.h"

#include <QString>

#include <atomic>
#include <functional>

// One variable's ramp parameters, in SI units.
struct RampTestParameters {
    double startSpeed = 0;    // S
    double startHoldTime = 0; // Hs, s
    double releaseTime = 0;   // Tr, s
    double rate = 0;          // R
    double easeIn = 0;        // e, fraction of the top-hold speed
    bool topHold = false;
    double topHoldSpeed = 0; // T
};

// Everything the tick reads of the window, the panel, the SETTINGS values and
// the RUN tab; the GUI thread copies it in, the tick copies it out.
struct RampTestSnapshot {
    RampTestParameters road;
    RampTestParameters engine;
    bool roadMode = true; // the ramp-mode selector shows road speed
    bool accelerationControlled = true;
    bool forcedCoastdown = false;
    double roadCoastdownRate = 0;   // m/s²
    double engineCoastdownRate = 0; // rad/s²
    double roadThreshold = 0;       // m/s
    double engineThreshold = 0;     // rad/s
    double minRoadSpeed = 0;        // the panel's anti-stall minimums
    double minEngineSpeed = 0;
    bool runActive = false;
};

// What one tick measured; NaN for a channel without a valid value.
struct RampTestInputs {
    qint64 now = 0; // ms since the epoch
    double roadSpeed = 0;
    double engineSpeed = 0;
    double power = 0;   // on wheels, W
    double trigger = 0; // the release trigger's value
};

// The four external targets the ramp writes (the brake-controller thread's).
struct RampTestTargets {
    std::atomic<float>* dynoSpeed;
    std::atomic<float>* engineSpeed;
    std::atomic<float>* dynoAcc;
    std::atomic<float>* engineAcc;
};

// The ramp test's step machine: hold at a start speed, release into a ramp of
// a set rate, ease into and hold a top speed, coast down on lift-off and arm
// again. Free of widgets and clocks so that every path can be driven tick by
// tick; the window's worker calls tick() every 10 ms. The callbacks run in
// the caller's thread.
class RampTestLogic
{
public:
    RampTestLogic(RampTestTargets targets, bool engineDyno);

    void tick(const RampTestSnapshot& snapshot, const RampTestInputs& in);
    // The step transition with its one-time actions, then the label.
    void setTestStep(RampTestStep next, const QString& text = QString());

    int step() const { return currentStep.load(); }
    double roadTarget() const { return roadTargetValue; }
    double engineTarget() const { return engineTargetValue; }
    bool isEngineDyno() const { return engineDyno; }

    // The panel's mode (0 off, 3 speed, 4 acceleration) and controlled
    // variable (0 road, 1 engine); the window delivers them with the tick waiting.
    std::function<void(int)> requestMode;
    std::function<void(int)> requestVariable;
    // The ramp-mode selector is locked during a forced coast-down.
    std::function<void(bool)> setModeSelectorEnabled;
    // Step label, a line feed, then the step's text.
    std::function<void(const QString&)> setLabel;

private:
    void updateStepLabel(RampTestStep step, const QString& text);
    void forcedCoastdown(double dt);
    void accelerate(const RampTestParameters& p, double v, double P, double thr, double dt);
    std::atomic<float>& speedOutput() { return roadMode ? *targets.dynoSpeed : *targets.engineSpeed; }
    std::atomic<float>& accOutput() { return roadMode ? *targets.dynoAcc : *targets.engineAcc; }
    double& target() { return roadMode ? roadTargetValue : engineTargetValue; }

    RampTestTargets targets;
    const bool engineDyno;
    std::atomic<int> currentStep{RampTestStep_undefined};
    bool roadMode = true;
    bool roadModeKnown = false;
    qint64 lastTick = 0;
    qint64 stepStart = 0;
    double decelerationTimer = 1.0;
    double reaccelerationTimer = 1.0;
    double roadTargetValue = 0;
    double engineTargetValue = 0;
    // The tick's copy, also read by setTestStep.
    RampTestSnapshot s;
    RampTestInputs in;
};
