"""Makes the 600 s run through the recalculation benchmark when it is not
there yet, runs bench_loaded_runs on it, then reads the same frame tables with
h5py into numpy and prints the mean reading time of both and their ratio
(ours / h5py).
Usage: compare.py <bench_loaded_runs> <bench_recalculation>"""
import os
import re
import subprocess
import sys
import time

import h5py


def h5py_read(path):
    start = time.perf_counter()
    with h5py.File(path, "r") as f:
        tables = {name: f["/frames/" + name][()] for name in f["/frames"]}
        info = {name: f["/runInfo/" + name][()] for name in f["/runInfo"]}
    return time.perf_counter() - start, sum(t.nbytes for t in tables.values()) + len(info)


def main():
    ours_program, recalculation = sys.argv[1], sys.argv[2]
    made = subprocess.run([recalculation, "--file-only"], check=True, capture_output=True, text=True).stdout
    path = re.search(r"^file (.+)$", made, re.M).group(1)
    out = subprocess.run([ours_program, path], check=True, capture_output=True, text=True).stdout
    print(out, end="")
    ours = float(re.search(r"^ours read ([0-9.]+)$", out, re.M).group(1))
    times = []
    for _ in range(3):
        seconds, size = h5py_read(path)
        times.append(seconds)
    reference = min(times)
    print(f"h5py reading the same tables into numpy: {reference * 1000:.1f} ms ({size / 2**20:.0f} MiB)")
    print(f"reading ratio ours / h5py: {ours / reference:.2f}")


if __name__ == "__main__":
    main()
