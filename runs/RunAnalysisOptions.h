#pragma once

// The program options that steer how a recorded run is recalculated and
// evaluated. The SETTINGS pages and the ANALYZE tab own the widgets; they
// install an implementation that reads them. Without one the defaults below
// apply (tests, tools). GUI thread.
class RunAnalysisOptions
{
public:
    virtual ~RunAnalysisOptions() = default;

    // "Analyze sampling frequency [Hz]", 1..1000.
    virtual int analysisSamplingFrequency() const { return 500; }
    // "Automatic display range selection mode": 0 backward, 1 forward, 2 whole run.
    virtual int selectionMode() const { return 0; }
    // "Calculate Loss Model on run load to ANALYZE".
    virtual bool calculateLossModelOnRunLoad() const { return false; }
    // "Automatically accept Loss Model".
    virtual bool automaticallyAcceptLossModel() const { return false; }
    // The power-correction standard currently chosen (index of its selector).
    virtual int correctionStandard() const { return 0; }
    // The analysis master channel: 0 engine speed, 1 road speed, 2 time.
    virtual int masterChannel() const { return 0; }
    // Developer mode: run details list internal fields, oversized vectors are logged.
    virtual bool developerMode() const { return false; }

    // Long passes over every stored run switch the loss-model fit on run load
    // off for their duration without touching the stored option.
    static void setLossModelOnRunLoadSuspended(bool suspended);
    static bool isLossModelOnRunLoadSuspended();

    // The installed options (the defaults when none); never null.
    static const RunAnalysisOptions& current();
    // Not owned; null restores the defaults.
    static void install(const RunAnalysisOptions* options);
};
