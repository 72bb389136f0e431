#!/usr/bin/python3
"""Runs the FFT dialog test's spectrum cases, which write each channel, its
selection and the curves the dialog plotted, and recomputes them: the
spectrum of raw samples first ... last - 1 (mean removed, divided by their
count, zero-padded to a power of two) with numpy, the filter simulation as
|H|^k of a first-order low-pass from scipy.signal.freqs."""
import glob
import os
import subprocess
import sys
import tempfile

import numpy
import scipy.signal


def read(path):
    rows = {}
    for line in open(path):
        fields = line.rstrip("\n").split("\t")
        rows[fields[0]] = fields[1:]
    return rows


def check(path):
    rows = read(path)
    first, last = int(rows["selection"][0]), int(rows["selection"][1])
    fs = float(rows["selection"][2])
    samples = numpy.array([float(x) for x in rows["samples"]])
    selected = samples[max(first, 0):min(last, len(samples))]
    assert len(selected) > 0, path
    n = 1 << int(numpy.ceil(numpy.log2(len(selected))))
    normalised = (selected - selected.mean()) / len(selected)
    amplitude = numpy.abs(numpy.fft.rfft(normalised, n))
    frequency = numpy.fft.rfftfreq(n, 1.0 / fs)

    x = numpy.array([float(v) for v in rows["raw_x"]])
    y = numpy.array([float(v) for v in rows["raw_y"]])
    assert len(x) == n // 2 + 1, (path, len(x), n)
    # 0 Hz is not plotted on the logarithmic axis.
    assert numpy.isnan(x[0]) and numpy.isnan(y[0]), path
    assert numpy.allclose(x[1:], frequency[1:], rtol=1e-12, atol=0), path
    assert numpy.allclose(y[1:], amplitude[1:], rtol=1e-9, atol=1e-12 * amplitude.max()), path

    # Eight cascaded first-order low-passes at 100 Hz: H(s) = 1 / (s / wc + 1).
    wc = 2 * numpy.pi * 100.0
    _, h = scipy.signal.freqs([1.0], [1.0 / wc, 1.0], worN=2 * numpy.pi * frequency[1:])
    gain = numpy.abs(h) ** 8
    simulated = numpy.array([float(v) for v in rows["simulated_y"]])
    assert numpy.isnan(simulated[0]), path
    assert numpy.allclose(simulated[1:], gain * amplitude[1:], rtol=1e-9, atol=1e-12 * amplitude.max()), path
    at100 = numpy.flatnonzero(frequency == 100.0)
    if len(at100):
        assert abs(gain[at100[0] - 1] - 0.0625) < 1e-12, gain[at100[0] - 1]
    return len(x) - 1


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_ANALYSIS_OUT=out)
        subprocess.run([sys.argv[1], "spectrum"], env=env, check=True)
        files = sorted(glob.glob(os.path.join(out, "fft-*.tsv")))
        assert len(files) == 3, files
        points = sum(check(path) for path in files)
    print(f"{points} spectrum points of {len(files)} selections equal numpy's and scipy's")


if __name__ == "__main__":
    main()
