"""Checks the filtered and unit-converted views of recorded channels against
scipy.signal: a zero-phase first-order low-pass (forward and backward), with
the samples the filter withholds while it settles left out.
Usage: check_vector_filter.py <vector_filter_tool>"""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy import signal


def finite_runs(values):
    finite = np.isfinite(values)
    runs, i, n = [], 0, len(values)
    while i < n:
        if finite[i]:
            j = i
            while j < n and finite[j]:
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    return runs


def withheld(n, nan_at, m):
    """Samples without a value: m at each edge (four time constants of
    settling) and m - 1 on either side of every missing input sample."""
    out = set(range(0, min(m, n))) | set(range(max(0, n - m), n))
    for k in nan_at:
        out |= set(range(max(0, k - (m - 1)), min(n, k + m)))
    return out


def run_case(tool, work, rate, tau, quantity, unit, factor, offset, n, nan_at, rng):
    x = rng.standard_normal(n).cumsum() + 20 * np.sin(np.arange(n) * 2 * math.pi / n * 3) + 300
    x[list(nan_at)] = np.nan
    src, filt, conv = (os.path.join(work, name) for name in ('in', 'filtered', 'translated'))
    x.tofile(src)
    subprocess.run([tool, src, filt, conv, str(rate), repr(tau), str(quantity), unit], check=True)
    ours = np.fromfile(filt)
    translated = np.fromfile(conv)
    assert len(ours) == n and len(translated) == n

    if tau == 0:
        assert np.array_equal(ours, x, equal_nan=True), 'unfiltered view differs from the samples'
    else:
        fc = 1 / (2 * math.pi * tau)
        alpha = math.exp(-2 * math.pi * fc / rate)
        b, a = [1 - alpha, 0.0], [1.0, -alpha]
        m = math.ceil(4 / (2 * math.pi * fc) * rate - 1e-9)
        missing = set(np.flatnonzero(np.isnan(ours)))
        assert missing == withheld(n, nan_at, m), (rate, tau, sorted(missing ^ withheld(n, nan_at, m))[:10])
        compared = 0
        for start, stop in finite_runs(x):
            want = signal.filtfilt(b, a, x[start:stop], padtype=None)
            got = ours[start:stop]
            valid = np.isfinite(got)
            if valid.any():
                err = np.max(np.abs(got[valid] - want[valid]))
                assert err <= 1e-9 * np.max(np.abs(x[start:stop])), (rate, tau, start, err)
                compared += int(valid.sum())
        assert compared > n // 2, (rate, tau, compared)

    expected = ours * factor + offset
    assert np.allclose(translated, expected, rtol=1e-14, atol=1e-12, equal_nan=True), (rate, tau, unit)


def main():
    tool = sys.argv[1]
    rng = np.random.default_rng(6)
    with tempfile.TemporaryDirectory(prefix='zembo-vector-') as work:
        cases = [
            # rate, tau, quantity, unit, factor, offset, n, missing samples
            # (filter times that put the settling between two samples, so the
            # count of withheld samples does not hang on rounding)
            (100.0, 0.0523, 2, 'km/h', 3.6, 0.0, 2000, []),
            (1000.0, 0.2113, 9, '°C', 1.0, -273.15, 20000, [5000, 5001, 15000]),
            (50.0, 1.037, 3, 'kW', 0.001, 0.0, 3000, [1500]),
            (200.0, 1.913, 11, 'RPM', 9.549296585513721, 0.0, 10000, [0, 9999]),
            (100.0, 0.0, 2, 'mph', 2.23693629, 0.0, 500, [100]),
        ]
        for case in cases:
            run_case(tool, work, *case, rng)
    print('recorded channel views agree with scipy.signal')
    return 0


if __name__ == '__main__':
    sys.exit(main())
