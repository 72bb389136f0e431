#pragma once

#include "PIDConf.h"
#include "ContinousDoubleRollingAverage.h"

#include <QString>
#include <QtGlobal>

// The relay method's measurement of a controller loop: while the firmware
// drives the output as a relay around the set point, every counted rising
// crossing of the process value through the set point gives one estimate of
// the ultimate gain kU (from the oscillation's amplitude) and the period tU.
// A crossing counts only after the value has dipped below SP·(1 − h) since
// the last one; h adapts to the depth of the dips. The measurement completes
// when both 20-sample averages agree with the latest estimates within 10 %,
// after more than 20 counted crossings, and gives up after 100.
class RelayTuning
{
public:
    enum Result { Result_none, Result_counted, Result_completed, Result_timeout };

    RelayTuning();

    void startRelay();
    void stop() { relayMode = false; }
    bool isRelayMode() const { return relayMode; }

    // One process-value sample at `timeMs` with the set point (NaN when
    // stale) and the relay amplitude now set.
    Result addSample(double value, qint64 timeMs, double setPoint, double relayAmplitude);

    // The four rule sets from kU and tU: no overshoot, little overshoot,
    // Ziegler-Nichols, Ziegler-Nichols PI (only kP, kI and kDFast written).
    static void calculateCoefficients(double kU, double tU, PIDConf_t sets[4]);

    double hysteresis = 0;
    bool armed = false;
    int crossings = 0;
    // The latest estimates and their averages (NaN until 20 samples).
    double kU = 0, avgK = 0, dK = 0;
    double period = 0, avgT = 0, dT = 0;
    // What a completed measurement found.
    double resultK = 0, resultT = 0;

private:
    bool relayMode = false;
    bool started = false;
    double previous = 0;
    qint64 previousTime = 0;
    double elapsed = 0;
    double smallest = 0;
    double largest = 0;
    ContinousDoubleRollingAverage kAverage{20};
    ContinousDoubleRollingAverage tAverage{20};
};
