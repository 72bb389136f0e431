"""Compares the sensor wizard and the loss model calculator with numpy.

Runs wizards_reference, which writes the first NTC preset's Steinhart-Hart
coefficients and characteristics, a Pt100 characteristic and a fitted
coast-down, then checks them against independent evaluations.
"""
import json
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy.optimize import lsq_linear


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def sh_temperature(a, b, c, r):
    l = math.log(r)
    return 1.0 / (a + b * l + c * l ** 3)


def pt100_temperature(r):
    # IEC 60751 above 0 °C, the linear alpha = 0.00385055 law below.
    a, b = 3.9083e-3, -5.775e-7
    if r >= 100.0:
        d = a * a - 4 * b * (1 - r / 100.0)
        if d < 0:
            return float("nan")
        return (-a + math.sqrt(d)) / (2 * b) + 273.15
    return (r / 100.0 - 1) / 0.00385055 + 273.15


def divider_resistance(v, pull_up):
    return pull_up * v / (5.0 - v)


def check_curve(raw, reduced, tolerance):
    xs = np.array([p[0] for p in reduced])
    ys = np.array([p[1] for p in reduced])
    order = np.argsort(xs)
    for v, t in raw:
        interpolated = np.interp(v, xs[order], ys[order])
        if abs(interpolated - t) > tolerance + 1e-9:
            fail("reduced curve %.4f K off at %.3f V" % (interpolated - t, v))


def main():
    exe = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "wizards.json")
        subprocess.run([exe, path], check=True, timeout=120)
        with open(path) as handle:
            data = json.load(handle)

    ntc = data["ntc"]
    t1, r1, t2, r2, t3, r3 = ntc["points"]
    matrix = np.array([[1, math.log(r), math.log(r) ** 3] for r in (r1, r2, r3)])
    expected = np.linalg.solve(matrix, np.array([1 / t1, 1 / t2, 1 / t3]))
    for name, value in zip("ABC", expected):
        if abs(ntc[name] - value) > 1e-9 * abs(value):
            fail("%s = %r, numpy %r" % (name, ntc[name], value))
    raw = ntc["raw"]
    if not 4790 <= len(raw) <= 4801:
        fail("%d raw points" % len(raw))
    for v, t in raw:
        expected_t = sh_temperature(*expected, divider_resistance(v, ntc["pullUp"]))
        if abs(t - expected_t) > 1e-9 * expected_t:
            fail("NTC %.3f V: %r against %r" % (v, t, expected_t))
        if abs(v - round(v, 3)) > 1e-9:
            fail("voltage %r off the 1 mV grid" % v)
    check_curve(raw, ntc["reduced"], 0.2)

    pt = data["pt100"]
    pull_up = 1.0 / (1.0 / pt["internalPullUp"] + 1.0 / pt["pullUp"])
    count = 0
    for v, t in pt["raw"]:
        expected_t = pt100_temperature(divider_resistance(v, pull_up))
        if abs(t - expected_t) > 1e-6:
            fail("Pt100 %.3f V: %r against %r" % (v, t, expected_t))
        count += 1
    if count < 100:
        fail("only %d Pt100 points" % count)
    check_curve(pt["raw"], pt["reduced"], 0.2)

    model = data["lossModel"]
    speed = model["speed"]
    loss = [float("nan") if x is None else x for x in model["loss"]]
    peak = max(speed)
    start = end = -1
    for i in range(len(speed) - 1, -1, -1):
        if not math.isfinite(loss[i]):
            continue
        if end < 0 and speed[i] > 0.1 * peak:
            end = i
        if start < 0 and speed[i] > model["startFraction"] * peak:
            start = i
        if start >= 0 and end >= 0:
            break
    if (start, end) != (model["stageStart"], model["stageEnd"]):
        fail("stage %r, Python's walk %r" % ((model["stageStart"], model["stageEnd"]), (start, end)))
    v = np.array(speed[start:end])
    y = np.array(loss[start:end])
    # The constant term is held at 0 and the others may not go below 0: a
    # bounded linear least-squares problem (the plain polyfit where no bound
    # is active).
    columns = np.vstack([v, v ** 2, v ** 3, v ** 4]).T
    fitted = lsq_linear(columns, y, bounds=(0, np.inf), method="bvls", tol=1e-14).x
    free, *_ = np.linalg.lstsq(columns, y, rcond=None)
    if np.all(free >= 0) and not np.allclose(free, fitted, rtol=1e-6):
        fail("bounded and free fits differ with no bound active")
    coefficients = model["coefficients"]
    if coefficients[0] != 0:
        fail("constant term %r" % coefficients[0])
    for k in range(4):
        if abs(coefficients[k + 1] - fitted[k]) > 1e-6 * abs(fitted[k]) + 1e-12:
            fail("c%d = %r, numpy %r" % (k + 1, coefficients[k + 1], fitted[k]))
    if not model["accepted"]:
        fail("the coast-down was not accepted automatically")
    print("OK")


if __name__ == "__main__":
    main()
