#!/usr/bin/python3
"""Runs the loaded-run test's loading case, which writes the sort key of every
numeric column of three fixture runs, and compares each with the run field the
column mirrors as h5py reads it from the run file's "/runInfo"."""
import os
import subprocess
import sys
import tempfile

import h5py
import numpy

FIELD_OF_COLUMN = {
    8: "peakLossPower", 9: "measuredWheelPower", 10: "measuredEnginePower", 11: "measuredEngineTorque",
    12: "creationTimestamp", 13: "runLength", 14: "selectionLength", 16: "engineSpeedRatio",
    17: "enginePowerCorrectionValue", 18: "ambientTemperature", 19: "ambientPressure",
    20: "ambientHumidity", 21: "peakRoadSpeed", 22: "peakEngineSpeed",
}


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_ANALYSIS_OUT=out)
        subprocess.run([sys.argv[1], "loadFixtureRuns"], env=env, check=True)
        rows = [line.rstrip("\n").split("\t") for line in open(os.path.join(out, "sortkeys.tsv"))]
        check(rows)


def check(rows):
    assert len(rows) == 3 * 15, len(rows)
    checked = 0
    for path, column, key in rows:
        column = int(column)
        if column == 15:  # the engine-speed source sorts by its display text
            assert key.startswith("s:"), key
            continue
        field = FIELD_OF_COLUMN[column]
        with h5py.File(path, "r") as f:
            info = f["/runInfo"]
            expected = float(numpy.asarray(info[field][()]).ravel()[0]) if field in info else 0.0
        got = float(key)
        assert abs(got - expected) <= 1e-9 * max(1.0, abs(expected)), (path, column, field, got, expected)
        checked += 1
    print(f"{checked} sort keys equal the run files' /runInfo fields")


if __name__ == "__main__":
    main()
