"""Times the audio capture thread's per-block work (bench_knock) and sets it
against the block period (2048 samples at 48 kHz) and against
scipy.signal.lfilter of one block with the same band-pass, in the same run.
Usage: compare.py <bench_knock>"""
import math
import subprocess
import sys
import time

import numpy as np
from scipy import signal

exe = sys.argv[1]
ours_us = float(subprocess.run([exe], check=True, capture_output=True, text=True).stdout.split()[-1])

w0 = np.float32(2 * math.pi * 6000.0 / 48000.0)
alpha = np.float32(np.sin(w0) / np.float32(4.6))
b = np.array([alpha, 0, -alpha], dtype=np.float32)
a = np.array([1 + alpha, -2 * np.cos(w0), 1 - alpha], dtype=np.float32)
block = (np.random.default_rng(1).standard_normal(2048) * 0.05).astype(np.float32)
zi = np.zeros(2, dtype=np.float32)
best = float("inf")
for _ in range(20):
    start = time.perf_counter()
    for _ in range(50):
        y, zi = signal.lfilter(b, a, block, zi=zi)
    best = min(best, (time.perf_counter() - start) / 50)
scipy_us = best * 1e6
period_us = 2048 / 48000 * 1e6
print("audio block: %.1f us, %.3f %% of the %.0f us block period" % (ours_us, 100 * ours_us / period_us, period_us))
print("scipy lfilter of one block (band-pass only): %.1f us; ours / scipy = %.2f" % (scipy_us, ours_us / scipy_us))
