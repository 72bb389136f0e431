"""The live X-Y table's cell means and counts equal scipy's
binned_statistic_2d with edges at the midpoints between bin values (the
first and last edges are the outer bin values themselves): a value on a
midpoint belongs to the upper cell, the outer bin values lie inside."""
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy.stats import binned_statistic_2d

tool = sys.argv[1]
rng = np.random.default_rng(25)
cases = [
    (np.array([1000.0, 2000.0, 2500.0, 4000.0, 6000.0]), np.array([10.0, 30.0, 50.0, 100.0])),
    (np.array([0.0, 1.0, 2.0, 3.0]), np.array([5.0])),  # a single row bin: only 5 itself
]
failed = False
for cbins, rbins in cases:
    n = 4000
    col = rng.uniform(cbins[0] - 500, cbins[-1] + 500, n)
    row = rng.uniform(rbins[0] - 20, rbins[-1] + 20, n)
    val = rng.normal(50, 10, n)
    # Exact midpoints and outer values, where the edge rules matter.
    mids_c = (cbins[:-1] + cbins[1:]) / 2
    mids_r = (rbins[:-1] + rbins[1:]) / 2 if len(rbins) > 1 else rbins
    special_c = np.concatenate([mids_c, cbins[[0, -1]]])
    special_r = np.concatenate([mids_r, rbins[[0, -1]]])
    col[:len(special_c) * len(special_r)] = np.repeat(special_c, len(special_r))
    row[:len(special_c) * len(special_r)] = np.tile(special_r, len(special_c))
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        for c, r, v in zip(col, row, val):
            f.write("%.17g %.17g %.17g\n" % (c, r, v))
        name = f.name
    out = subprocess.run([tool, "xytable", name, ",".join("%.17g" % b for b in cbins),
                          ",".join("%.17g" % b for b in rbins)], check=True, capture_output=True, text=True).stdout
    os.unlink(name)
    got = {}
    for line in out.split("\n"):
        p = line.split()
        if len(p) == 4:
            got[(int(p[0]), int(p[1]))] = (int(p[2]), float(p[3]))

    def edges(b):
        if len(b) == 1:
            # scipy needs a width; only the value itself may fall in.
            return np.array([b[0], np.nextafter(b[0], np.inf)])
        return np.concatenate([[b[0]], (b[:-1] + b[1:]) / 2, [b[-1]]])

    ce, re_ = edges(cbins), edges(rbins)
    mask = np.ones(n, bool)
    if len(rbins) == 1:
        mask = row == rbins[0]
    means = binned_statistic_2d(col[mask], row[mask], val[mask], "mean", bins=[ce, re_])
    counts = binned_statistic_2d(col[mask], row[mask], val[mask], "count", bins=[ce, re_])
    for ci in range(len(cbins)):
        for ri in range(len(rbins)):
            cnt, mean = got.get((ci, ri), (None, None))
            want_cnt = int(counts.statistic[ci, ri])
            want_mean = means.statistic[ci, ri]
            ok = cnt == want_cnt and ((np.isnan(want_mean) and np.isnan(mean)) or abs(mean - want_mean) < 1e-9)
            if not ok:
                failed = True
                print("cell", ci, ri, "got", cnt, mean, "scipy", want_cnt, want_mean)
    print("bins", len(cbins), "x", len(rbins), "cells checked:", len(cbins) * len(rbins))
print("xy table:", "FAIL" if failed else "ok")
sys.exit(1 if failed else 0)
