"""Runs bench_sort_frames and groups the same records by id with numpy
(stable argsort, split at id changes), best of five; prints both and the ratio."""
import os
import re
import subprocess
import sys
import tempfile
import time

import numpy as np


def main():
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'records.bin')
        out = subprocess.run([sys.argv[1], path], check=True, capture_output=True, text=True).stdout
        print(out.strip())
        ours = float(re.search(r'([0-9.]+) ms', out).group(1))
        records = np.fromfile(path, dtype=np.dtype([('id', '<u2'), ('value', '<f8'), ('time', '<u4')]))
    best = 1e300
    for _ in range(5):
        start = time.perf_counter()
        order = np.argsort(records['id'], kind='stable')
        ids = records['id'][order]
        cuts = np.flatnonzero(np.diff(ids)) + 1
        values = np.split(records['value'][order], cuts)
        times = np.split(records['time'][order].astype(np.float64), cuts)
        best = min(best, (time.perf_counter() - start) * 1000)
    print('numpy grouping of %d records into %d series: %.1f ms' % (len(records), len(values), best))
    print('ratio ours / numpy: %.2f' % (ours / best))
    assert len(times) == len(values)
    return 0


if __name__ == '__main__':
    sys.exit(main())
