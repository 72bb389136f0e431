"""CAN benchmarks in one run: live routing's GUI-thread share, a recorded
run's decoding (600 000 frames, 200 inputs) against numpy's vectorised
extraction of the same fields, and one output shot.
Usage: compare_can.py <bench_can>"""
import subprocess
import sys
import tempfile
import time

import numpy as np

exe = sys.argv[1]
print(subprocess.run([exe, "routing"], check=True, capture_output=True, text=True).stdout.strip())

with tempfile.TemporaryDirectory() as folder:
    out = subprocess.run([exe, "parse", folder], check=True, capture_output=True, text=True).stdout.split()
    ours_ms, ours_sum = float(out[0]), float(out[1])
    raw = np.fromfile(folder + "/frames.bin", dtype=np.dtype([("data", "<u8"), ("id", "<u4")]))
    specs = [line.split() for line in open(folder + "/inputs.txt")]

    def numpy_decode():
        data = raw["data"]
        ids = raw["id"]
        swapped = data.byteswap()
        shift = {n: np.uint64(n) for n in range(65)}
        total = 0.0
        for mask, key, start, bits, little, signed, mul, div, off in specs:
            mask, key, start, bits = int(mask) | 0xE0000000, int(key), int(start), int(bits)
            sel = (ids & np.uint32(mask)) == np.uint32(key)
            word = (swapped if int(little) else data)[sel]
            field = (word >> shift[start]) & np.uint64((1 << bits) - 1)
            value = field.astype(np.float64)
            if int(signed):
                value = np.where(field >> shift[bits - 1], value - float(1 << bits), value)
            value = (value * float(mul) / float(div)) + float(off)
            total += value.sum()
        return total

    best = float("inf")
    for _ in range(2):
        start = time.perf_counter()
        numpy_sum = numpy_decode()
        best = min(best, time.perf_counter() - start)
    agree = abs(numpy_sum - ours_sum) <= 1e-6 * max(1.0, abs(numpy_sum))
    print("parseCanFrames, 600000 frames, 200 inputs: %.1f ms; numpy %.1f ms; ours / numpy = %.2f (sums %s)"
          % (ours_ms, best * 1000, ours_ms / (best * 1000), "agree" if agree else "DIFFER %r %r" % (ours_sum, numpy_sum)))

print(subprocess.run([exe, "shot"], check=True, capture_output=True, text=True).stdout.strip())
