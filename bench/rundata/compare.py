"""Runs bench_recalculation, then reads the same run file with h5py and runs
the same decoding, resampling and filters with numpy and scipy, and prints
both times and their ratio (ours / Python) per analysis rate.
Usage: compare.py <bench_recalculation>"""
import math
import subprocess
import sys
import time

import h5py
import numpy as np
from scipy import signal


def first_order(fs, fc):
    alpha = math.exp(-2 * math.pi * fc / fs)
    return [1 - alpha, 0.0], [1.0, -alpha]


def sos4(fs, fc):
    b, a = first_order(fs, fc)
    return np.array([b + [0.0] + a + [0.0]] * 4)


def table(f, name):
    data = f['/frames/' + name][()]
    return data


def python_pipeline(path, rate):
    start = time.perf_counter()
    with h5py.File(path, 'r') as f:
        length = float(np.asarray(f['/runInfo/runLength'][()]).ravel()[0])
        n = int(length * rate)
        grid = np.arange(n) * (1.0 / rate)
        clock = 32000000.0
        tables = {name: table(f, name) for name in f['/frames']}
    # Frequency inputs: plain capture words into times and frequencies, the
    # anti-alias low-pass, the grid, the four-stage zero-phase filter, speed
    # and its derivative filtered.
    for name in ('freq_1', 'freq_3'):
        words = tables[name]
        words = (words[words.dtype.names[0]] if words.dtype.names else words).astype(np.float64).ravel()
        if len(words) < 2:
            continue
        ticks = words[1:]
        times = (np.cumsum(ticks) - ticks / 2 + words[0]) / clock
        freqs = clock / ticks
        b, a = first_order(float(np.median(1.0 / np.diff(times))), rate / 4)
        freqs = signal.filtfilt(b, a, freqs, padtype=None)
        on_grid = np.interp(grid, times, freqs, left=np.nan, right=np.nan)
        finite = np.isfinite(on_grid)
        filtered = on_grid.copy()
        filtered[finite] = signal.sosfiltfilt(sos4(rate, 20), on_grid[finite], padtype=None)
        speed = filtered * (2 * math.pi / 60)
        acceleration = np.gradient(speed) * rate
        acceleration[finite] = signal.sosfiltfilt(sos4(rate, 5), acceleration[finite], padtype=None)
    # Fixed-rate tables: each element anti-aliased, put on the grid, filtered.
    for name, fs in (('loadCellV2', 500), ('ain', 500), ('ain_2', 500), ('pidDetailsV2', 500),
                     ('accController', 200), ('speedController', 200), ('torqueController', 200),
                     ('ainController', 200), ('accControllerSP', 100), ('speedControllerSP', 100),
                     ('torqueControllerSP', 100), ('ainControllerSP', 100), ('hpAin', 10)):
        records = tables.get(name)
        if records is None or len(records) == 0:
            continue
        columns = []
        if records.dtype.names:
            for field in records.dtype.names:
                values = np.asarray(records[field], dtype=np.float64)
                columns.extend(values.reshape(len(records), -1).T)
        else:
            columns.extend(np.asarray(records, dtype=np.float64).reshape(len(records), -1).T)
        times = np.arange(len(records)) * (1.0 / fs)
        b, a = first_order(fs, min(rate / 4, fs / 2.5))
        for column in columns:
            values = signal.filtfilt(b, a, column, padtype=None) if name in ('loadCellV2', 'ain', 'ain_2') else column
            on_grid = np.interp(grid, times, values, left=np.nan, right=np.nan)
            if name == 'loadCellV2':
                finite = np.isfinite(on_grid)
                on_grid[finite] = signal.sosfiltfilt(sos4(rate, 10), on_grid[finite], padtype=None)
    return time.perf_counter() - start


def main():
    out = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    print(out, end='')
    path = None
    ours = {}
    for line in out.splitlines():
        if line.startswith('file '):
            path = line[5:].strip()
        if line.startswith('ours '):
            _, rate, seconds = line.split()
            ours[int(rate)] = float(seconds)
    print('%-40s %12s %12s %8s' % ('load + recalculation of 600 s', 'ours [s]', 'Python [s]', 'ratio'))
    for rate in sorted(ours):
        reference = min(python_pipeline(path, rate) for _ in range(2))
        print('%-40s %12.3f %12.3f %8.2f' % ('at %d Hz' % rate, ours[rate], reference, ours[rate] / reference))


if __name__ == '__main__':
    main()
