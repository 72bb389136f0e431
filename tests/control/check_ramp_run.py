#!/usr/bin/python3
# The run file of a ramp test on the simulated dyno, read with h5py: the
# controller's acceleration set points of the acceleration-controlled ramp
# equal rate / roller radius, and its speed set points of the speed-controlled
# ramp rise at that rate. Arguments: run file, rate (m/s²), roller radius (m).
import sys

import h5py
import numpy as np

path, rate, radius = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
expected = rate / radius  # rad/s² of the roller
failures = []

with h5py.File(path, "r") as f:
    acc = np.asarray(f["frames"]["accControllerSP"]["data"])[:, 0].astype(float)
    speed = np.asarray(f["frames"]["speedControllerSP"]["data"])[:, 0].astype(float)

# Set points arrive at 100 Hz: at least 2 s of the ramp at the rate.
at_rate = np.count_nonzero(np.abs(acc - expected) < 1e-3 * expected)
if at_rate < 200:
    failures.append("acceleration set points at %.4f rad/s²: %d samples (values seen: %s)"
                    % (expected, at_rate, np.unique(np.round(acc, 3))[:20]))

# The longest stretch whose speed set point rises at the rate (within 5 %),
# over 1 s windows: the ramp's tick and the controller's are not in step, so
# single 10 ms steps jitter by a tick, and on a loaded machine by a few.
slope = speed[100:] - speed[:-100]
good = np.abs(slope - expected) < 0.05 * expected
longest = run = 0
for g in good:
    run = run + 1 if g else 0
    longest = max(longest, run)
if longest < 100:
    failures.append("speed set points rising at %.4f rad/s² for only %d samples (best 1 s rise %.3f)"
                    % (expected, longest, slope[np.argmin(np.abs(slope - expected))] if len(slope) else float("nan")))

for failure in failures:
    print("FAIL:", failure)
if failures:
    sys.exit(1)
print("ramp set points as expected: %d acceleration samples, %d rising speed samples" % (at_rate, longest))
