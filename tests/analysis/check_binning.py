#!/usr/bin/python3
"""Runs the stock analysis desktop test, which writes the colour map's and the
X-Y table's inputs (translated samples of the selected runs) and cells, and
recomputes the cells: the colour map's as sums over counts of
numpy.histogram2d on its ranges (upper edges inclusive), the X-Y table's
(filters off) as scipy's binned_statistic_2d mean with edges at the midpoints
between bin centres and the outer centres as outer edges."""
import json
import os
import subprocess
import sys
import tempfile

import numpy
import scipy.stats


def gather(runs, *keys):
    out = []
    for key in keys:
        out.append(numpy.concatenate([numpy.array([numpy.nan if v is None else v for v in r[key]], dtype=float)
                                      for r in runs]))
    return out


def cells_of(values):
    return numpy.array([numpy.nan if v is None else v for v in values], dtype=float)


def same(ours, reference, what):
    assert ours.shape == reference.shape, (what, ours.shape, reference.shape)
    both_nan = numpy.isnan(ours) & numpy.isnan(reference)
    assert numpy.array_equal(numpy.isnan(ours), numpy.isnan(reference)), \
        (what, "empty cells differ", int(numpy.isnan(ours).sum()), int(numpy.isnan(reference).sum()))
    good = ~both_nan
    assert numpy.allclose(ours[good], reference[good], rtol=1e-9, atol=1e-9), \
        (what, float(numpy.max(numpy.abs(ours[good] - reference[good]))))
    return int(good.sum())


def check_colormap(path):
    data = json.load(open(path))
    nx, ny = data["nx"], data["ny"]
    x, y, c = gather(data["runs"], "x", "y", "c")
    keep = numpy.isfinite(x) & numpy.isfinite(y) & numpy.isfinite(c)
    x, y, c = x[keep], y[keep], c[keep]
    xr, yr = data["x_range"], data["y_range"]
    counts, _, _ = numpy.histogram2d(x, y, bins=[nx, ny], range=[xr, yr])
    sums, _, _ = numpy.histogram2d(x, y, bins=[nx, ny], range=[xr, yr], weights=c)
    with numpy.errstate(invalid="ignore", divide="ignore"):
        reference = numpy.where(counts > 0, sums / counts, numpy.nan).T.reshape(-1)
    filled = same(cells_of(data["cells"]), reference, "colour map")
    assert filled > 10, filled
    return filled


def check_xytable(path):
    data = json.load(open(path))
    xb = numpy.array(data["x_bins"], dtype=float)
    yb = numpy.array(data["y_bins"], dtype=float)
    x, y, v = gather(data["runs"], "x", "y", "v")
    keep = numpy.isfinite(x) & numpy.isfinite(y) & numpy.isfinite(v)
    x, y, v = x[keep], y[keep], v[keep]
    xe = numpy.concatenate([[xb[0]], (xb[:-1] + xb[1:]) / 2, [xb[-1]]])
    ye = numpy.concatenate([[yb[0]], (yb[:-1] + yb[1:]) / 2, [yb[-1]]])
    inside = (x >= xb[0]) & (x <= xb[-1]) & (y >= yb[0]) & (y <= yb[-1])
    stat = scipy.stats.binned_statistic_2d(x[inside], y[inside], v[inside], "mean", bins=[xe, ye]).statistic
    # Rows are the left (y) bins, columns the bottom (x) bins.
    reference = stat.T.reshape(-1)
    filled = same(cells_of(data["cells"]), reference, "X-Y table")
    assert filled > 3, filled
    return filled


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_ANALYSIS_OUT=out)
        done = subprocess.run([sys.argv[1]], env=env)
        if done.returncode != 0:
            sys.exit("test program failed")
        cm = check_colormap(os.path.join(out, "colormap.json"))
        xy = check_xytable(os.path.join(out, "xytable.json"))
        print("colour map: %d cells, X-Y table: %d cells equal the references" % (cm, xy))


if __name__ == "__main__":
    main()
