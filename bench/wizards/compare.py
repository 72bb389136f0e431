"""Times the loss model calculator of bench_wizards against scipy's filtfilt
(4th order, 1 Hz) plus numpy's polyfit on the same arrays, in the same run,
and prints the ratio (ours / reference; below 1 means ours is faster), and
the falling-mass recomputation against its 50 ms goal.
Usage: compare.py <bench_wizards>"""
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy import signal


def main():
    exe = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="zembo-bench-") as folder:
        out = subprocess.run([exe, folder], check=True, capture_output=True, text=True).stdout
        speed = np.fromfile(folder + "/speed", dtype=np.float64)
        loss = np.fromfile(folder + "/loss", dtype=np.float64)
        start, end = (int(x) for x in np.fromfile(folder + "/stage", dtype=np.float64))
    ours = {}
    for line in out.splitlines():
        name, seconds, count = line.split()
        ours[name] = (float(seconds), int(count))

    rate = 500.0
    b, a = signal.butter(4, 1.0, fs=rate)
    fastest = float("inf")
    for _ in range(3):
        begin = time.perf_counter()
        filtered = signal.filtfilt(b, a, loss)
        np.polyfit(speed[start:end], filtered[start:end], 4)
        fastest = min(fastest, time.perf_counter() - begin)
    seconds, count = ours["loss_model_calculator"]
    print("loss model calculator, %d samples: ours %.3f s, filtfilt+polyfit %.3f s, ratio %.2f"
          % (count, seconds, fastest, seconds / fastest))
    seconds, count = ours["falling_mass_recompute"]
    print("falling-mass recomputation, %d samples: %.2f ms (goal 50 ms), ratio to goal %.3f"
          % (count, seconds * 1e3, seconds / 0.05))


if __name__ == "__main__":
    main()
