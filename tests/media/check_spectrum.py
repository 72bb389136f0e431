"""The RUN screen's audio spectrum of input 0: a 1 kHz tone peaks at the
point nearest 1000 Hz (1007.8 Hz), and the curve equals numpy's rfft magnitude
of the block / 32767 / 2048; the red peak hold keeps the tone through a
silent block, "Reset peak" empties it, and a paused widget keeps its curves."""
import os
import subprocess
import sys
import tempfile

import numpy as np

TOOL = sys.argv[1]
FS = 48000
BLOCK = 2048
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


t = np.arange(BLOCK)
tone = np.round(0.5 * 32767 * np.sin(2 * np.pi * 1000.0 * t / FS)).astype(np.int16)
other = np.round(0.2 * 32767 * np.sin(2 * np.pi * 5000.0 * t / FS)).astype(np.int16)
silence = np.zeros(BLOCK, dtype=np.int16)
blocks = [tone, silence, other, tone]
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "in.raw")
    np.concatenate(blocks).astype("<i2").tofile(path)
    out = subprocess.run([TOOL, path], check=True, capture_output=True, text=True).stdout

curves = {}
for line in out.splitlines():
    if line.startswith("block "):
        current = curves.setdefault(int(line.split()[1]), [])
    else:
        current.append([float(v) for v in line.split()])
curves = {n: np.array(rows) for n, rows in curves.items()}


def reference(samples):
    x = samples.astype(np.float32) / np.float32(32767.0)
    return np.abs(np.fft.rfft(x.astype(np.float64))) / 2048.0


check(sorted(curves) == [0, 1, 2, 3], "four refreshes: %s" % sorted(curves))
first = curves.get(0)
if first is not None:
    check(len(first) == 1025, "1025 points: %d" % len(first))
    check(np.allclose(first[:, 0], np.arange(1025) * FS / BLOCK), "points 23.4375 Hz apart from 0 Hz")
    peak = first[np.argmax(first[:, 1]), 0]
    check(abs(peak - 1007.8125) < 1e-9, "tone peaks at %.4f Hz" % peak)
    want = reference(tone)
    check(np.allclose(first[:, 1], want, rtol=1e-9, atol=1e-12),
          "curve = |rfft| / 32767 / 2048, off by %g" % np.max(np.abs(first[:, 1] - want)))
    check(np.array_equal(first[:, 2], first[:, 1]), "the first peaks are the first spectrum")
if 1 in curves and 0 in curves:
    check(np.all(curves[1][:, 1] == 0.0), "silence: magnitudes 0")
    check(np.array_equal(curves[1][:, 2], curves[0][:, 2]), "the peak hold keeps the tone through silence")
if 2 in curves:
    check(np.allclose(curves[2][:, 2], reference(other), rtol=1e-9, atol=1e-12),
          "after Reset peak the peaks are the new block's spectrum")
if 3 in curves and 2 in curves:
    check(np.array_equal(curves[3], curves[2]), "paused: both curves stay")

if failures:
    sys.exit("%d checks failed" % len(failures))
print("audio spectrum as numpy's FFT, with its peak hold, reset and pause")
