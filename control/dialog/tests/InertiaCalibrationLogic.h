#pragma once

// The inertia calibration's double ramp: the engine runs up to the top speed
// and down to the bottom speed at a fixed rate, tapered over the last tenth
// of the span at either end, for as long as the test is open.
class InertiaCalibrationLogic
{
public:
    // One tick at engine speed v (rad/s, NaN when stale). True with the
    // engine acceleration target (rad/s²) when the tick writes one.
    bool tick(double v, double bottom, double top, double rate, double& target);

    bool accelerating = true;
};
