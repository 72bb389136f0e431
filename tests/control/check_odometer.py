"""The odometer's run accumulation against numpy: odometer_tool feeds a run
through the run thread's hooks over seeded user-page words; the words written
back must hold one more run, its seconds, the trapezoid distance of the fed
speed samples (numpy.trapz, the run start counting as 0 m/s) and the peaks."""
import json
import math
import subprocess
import sys

import numpy

out = subprocess.run([sys.argv[1]], check=True, capture_output=True).stdout
data = json.loads(out)
seeded = {int(k): int(v) for k, v in data["seeded"].items()}
written = {int(k): int(v) for k, v in data["written"].items()}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


t = numpy.array([data["start"]] + data["times"]) / 1000.0
v = numpy.array([0.0] + data["speeds"])
trapz = getattr(numpy, "trapezoid", None) or numpy.trapz
distance = trapz(v, t)
accelerations = numpy.array(data["accelerations"])

check(data["commits"] == 1, "one commit: %s" % data["commits"])
check(sorted(written) == [2, 3, 4, 5, 6, 7], "words written: %s" % sorted(written))
check(abs(data["runDistance"] - distance) < 1e-6 * distance, "distance %r, numpy %r" % (data["runDistance"], distance))
check(written[2] == seeded[2] + 1, "run count %s" % written[2])
check(written[3] == math.floor(seeded[3] + data["runSeconds"]), "run time %s" % written[3])
check(abs(written[4] - math.floor(seeded[4] + distance)) <= 1, "distance word %s, expected %s" % (written[4], seeded[4] + distance))
check(written[5] == seeded[5], "peak speed unchanged without a peak channel: %s" % written[5])
peak_acc = accelerations.max()
expected6 = int(peak_acc * 1000) if peak_acc > seeded[6] * 0.001 else seeded[6]
check(abs(written[6] - expected6) <= 1, "peak acceleration %s, expected %s" % (written[6], expected6))
peak_dec = accelerations.min()
expected7 = int(-peak_dec * 1000) if peak_dec < -seeded[7] * 0.001 else seeded[7]
check(abs(written[7] - expected7) <= 1, "peak deceleration %s, expected %s" % (written[7], expected7))
print("distance %.3f m over %.2f s, peaks %.3f / %.3f m/s2" % (distance, data["runSeconds"], peak_acc, peak_dec))
sys.exit(1 if failures else 0)
