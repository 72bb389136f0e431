#!/usr/bin/python3
"""Runs the loaded-run test's speed-signal case, which writes the curves the
speed signal analyser draws for the recorded two-roller run, and recomputes
them with numpy: which inputs are shown (from the input settings h5py reads in
the run file and the run's roller count), the one-revolution average as two
box averages (numpy.convolve) and the deviation in percent with the measuring
range's threshold."""
import os
import subprocess
import sys
import tempfile

import h5py
import numpy

ROLLER_OF_INPUT = {0: 0, 1: 1, 3: 2, 4: 3}


def name_of(i):
    if i == 2:
        return "Engine speed"
    if i == 5:
        return "Freq input 5"
    return f"Freq input {ROLLER_OF_INPUT[i] + 1}"


def box(x, m):
    """Mean of the m samples ending at each index; NaN until m samples exist
    and wherever the window holds a non-finite sample."""
    out = numpy.full(len(x), numpy.nan)
    if len(x) >= m:
        out[m - 1:] = numpy.convolve(x, numpy.ones(m) / m, mode="valid")
    return out


def revolution_average(x, n):
    forward = box(x, n // 2 + 1)
    b = (n + 1) // 2
    return box(forward[::-1], b)[::-1]


def read_curves(path):
    rollers = None
    curves = {}
    for line in open(path, encoding="utf-8"):
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "rollers":
            rollers = int(fields[1])
            continue
        points = numpy.array([[float(v) for v in p.split(":")] for p in fields[2:]]).reshape(-1, 2)
        curves[(fields[0], fields[1])] = points
    return rollers, curves


def check(out):
    rollers, curves = read_curves(os.path.join(out, "speed-signal.tsv"))
    with h5py.File(os.path.join(out, "speed-signal.h5"), "r") as f:
        setup = f["/setup"]

        def setting(key, i):
            return int(numpy.asarray(setup[f"freqInput_{i}_{key}"][()]).ravel()[0])
        shown = [i for i in range(6)
                 if setting("sensor", i) == 0
                 and (i in (2, 5) or ROLLER_OF_INPUT[i] < rollers)
                 and setting("signalsPerRotation", i) != 0]
        expected_names = [name_of(i) for i in shown]
        deviation_names = [name for kind, name in curves if kind == "deviation"]
        assert deviation_names == expected_names, (deviation_names, expected_names)
        checked = 0
        for i in shown:
            name = name_of(i)
            raw = curves[("frequency", name + " raw")]
            averaged = curves[("frequency", name + " averaged")]
            deviation = curves[("deviation", name)]
            t, x = raw[:, 0], raw[:, 1]
            assert numpy.array_equal(averaged[:, 0], t) and numpy.array_equal(deviation[:, 0], t)
            expected = revolution_average(x, setting("signalsPerRotation", i))
            got = averaged[:, 1]
            assert numpy.array_equal(numpy.isnan(got), numpy.isnan(expected)), name
            ok = ~numpy.isnan(expected)
            assert numpy.allclose(got[ok], expected[ok], rtol=1e-9, atol=1e-9), name
            threshold = 10000.0 if setting("mode", i) != 0 else 10.0
            with numpy.errstate(invalid="ignore", divide="ignore"):
                judged = (x > threshold) & (expected > threshold)
                percent = numpy.where(judged, (x - expected) / expected * 100.0, numpy.nan)
            assert numpy.array_equal(numpy.isnan(deviation[:, 1]), numpy.isnan(percent)), name
            ok = ~numpy.isnan(percent)
            assert numpy.allclose(deviation[ok, 1], percent[ok], rtol=1e-7, atol=1e-9), name
            checked += int(ok.sum())
        assert checked > 1000, checked
    print(f"{len(shown)} inputs shown, {checked} deviation points equal numpy's")


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_ANALYSIS_OUT=out)
        subprocess.run([sys.argv[1], "speedSignalAnalyzer"], env=env, check=True)
        check(out)


if __name__ == "__main__":
    main()
