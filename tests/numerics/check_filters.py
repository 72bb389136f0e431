"""Checks the zero-phase filters and the band-pass against scipy.signal.
Usage: check_filters.py <numerics_tool>"""
import math
import sys

import numpy as np
from scipy import signal

from numerics_ref import Tool, finite_runs


def first_order(fs, fc):
    alpha = math.exp(-2 * math.pi * fc / fs)
    return [1 - alpha, 0.0], [1.0, -alpha]


def settling_count(fs, fc):
    """Samples withheld at each edge: the smallest m with m/fs >= 4/(2 pi fc)."""
    return math.ceil(4 / (2 * math.pi * fc) * fs - 1e-9)


def expected_nan(n, nan_at, m):
    """NaN indices of the zero-phase IIR pair: m at each edge and m - 1 on
    either side of every input NaN."""
    out = set(range(0, m)) | set(range(n - m, n))
    for k in nan_at:
        out |= set(range(max(0, k - (m - 1)), min(n, k + m)))
    return out


def check_iir(tool, kernel, fs, fc, n, nan_at, rng):
    x = rng.standard_normal(n).cumsum() + 5 * np.sin(np.arange(n) * 0.05)
    x[list(nan_at)] = np.nan
    tool.put('in', x)
    tool.run(kernel, tool.file('in'), tool.file('out'), fs, fc)
    ours = tool.get('out')
    assert len(ours) == n
    m = settling_count(fs, fc)
    nan_set = set(np.flatnonzero(np.isnan(ours)))
    assert nan_set == expected_nan(n, nan_at, m), (kernel, fs, fc, sorted(nan_set ^ expected_nan(n, nan_at, m))[:10])

    b, a = first_order(fs, fc)
    sos = np.array([b + [0.0] + a + [0.0]] * 4)
    for start, stop in finite_runs(x):
        seg = x[start:stop]
        if kernel == 'iir':
            want = signal.filtfilt(b, a, seg, padtype=None)
        else:
            want = signal.sosfiltfilt(sos, seg, padtype=None)
        got = ours[start:stop]
        valid = np.isfinite(got)
        if valid.any():
            err = np.max(np.abs(got[valid] - want[valid]))
            assert err <= 1e-10 * np.max(np.abs(seg)), (kernel, fs, fc, start, err)
    return m


def check_iir_examples(tool):
    # 1000 samples of 1.0 at 100 Hz with a 1 Hz cut-off: 64 samples lost at
    # each edge, and 437..563 around a NaN at 500.
    for kernel in ('iir', 'iir4'):
        x = np.ones(1000)
        tool.put('in', x)
        tool.run(kernel, tool.file('in'), tool.file('out'), 100, 1)
        ours = tool.get('out')
        assert set(np.flatnonzero(np.isnan(ours))) == set(range(0, 64)) | set(range(936, 1000)), kernel
        assert np.all(np.abs(ours[64:936] - 1.0) < 1e-12), kernel
        x[500] = np.nan
        tool.put('in', x)
        tool.run(kernel, tool.file('in'), tool.file('out'), 100, 1)
        ours = tool.get('out')
        assert set(np.flatnonzero(np.isnan(ours))) == (set(range(0, 64)) | set(range(437, 564))
                                                       | set(range(936, 1000))), kernel


def check_variable_sampling(tool, rng):
    fs, fc, n = 200.0, 2.5, 3000
    x = rng.standard_normal(n).cumsum()
    t = np.arange(n) / fs
    b, a = first_order(fs, fc)
    # Uniform steps: the fixed-rate zero-phase filter over the full length.
    tool.put('data', x)
    tool.put('time', t)
    tool.run('vsiir', tool.file('data'), tool.file('time'), tool.file('out'), fc)
    ours = tool.get('out')
    want = signal.filtfilt(b, a, x, padtype=None)
    assert np.max(np.abs(ours - want)) <= 1e-9 * np.max(np.abs(x)), np.max(np.abs(ours - want))

    # A NaN splits the data: each side is filtered on its own, only the NaN is lost.
    y = x.copy()
    y[1200] = np.nan
    tool.put('data', y)
    tool.run('vsiir', tool.file('data'), tool.file('time'), tool.file('out'), fc)
    ours = tool.get('out')
    assert list(np.flatnonzero(np.isnan(ours))) == [1200]
    for start, stop in finite_runs(y):
        want = signal.filtfilt(b, a, y[start:stop], padtype=None)
        assert np.max(np.abs(ours[start:stop] - want)) <= 1e-9 * np.max(np.abs(x))

    # Seven stages: the cascade of seven equal sections.
    tool.put('data', x)
    tool.run('vsiirn', tool.file('data'), tool.file('time'), tool.file('out'), fc)
    ours = tool.get('out')
    sos = np.array([b + [0.0] + a + [0.0]] * 7)
    want = signal.sosfiltfilt(sos, x, padtype=None)
    assert np.max(np.abs(ours - want)) <= 1e-9 * np.max(np.abs(x)), np.max(np.abs(ours - want))


def check_biquad(tool, rng):
    for fs, f0, q in ((48000, 6000, 1.0), (48000, 1200, 8.0), (44100, 9000, 3.0)):
        n = 48000
        tt = np.arange(n) / fs
        x = (0.3 * np.sin(2 * np.pi * f0 * tt) + 0.2 * rng.standard_normal(n)).astype(np.float32)
        tool.put('in', x, np.float32)
        tool.run('biquad', tool.file('in'), tool.file('out'), fs, f0, q)
        ours = tool.get('out', np.float32).astype(np.float64)
        # The constant 0 dB peak band-pass, designed in double precision.
        w0 = 2 * np.pi * f0 / fs
        alpha = np.sin(w0) / (2 * q)
        b = [alpha, 0.0, -alpha]
        a = [1 + alpha, -2 * np.cos(w0), 1 - alpha]
        want = signal.lfilter(b, a, x.astype(np.float64))
        err = np.max(np.abs(ours - want))
        assert err <= 4e-6 * np.max(np.abs(x)) * max(q, 1.0), (fs, f0, q, err)

        # Unit gain at the centre frequency once settled.
        sine = np.sin(2 * np.pi * f0 * tt).astype(np.float32)
        tool.put('in', sine, np.float32)
        tool.run('biquad', tool.file('in'), tool.file('out'), fs, f0, q)
        settled = tool.get('out', np.float32)[n // 2:]
        gain = np.max(np.abs(settled))
        assert abs(gain - 1.0) < 2e-3, (fs, f0, q, gain)


def main():
    tool = Tool(sys.argv[1])
    rng = np.random.default_rng(20261211)
    check_iir_examples(tool)
    for kernel in ('iir', 'iir4'):
        for fs, fc, n, nan_at in ((100, 1, 1000, [500]), (500, 3.7, 20000, [7000, 7001, 12000]),
                                  (10, 0.45, 600, []), (1000, 50, 5000, [0, 2500, 4999])):
            check_iir(tool, kernel, fs, fc, n, nan_at, rng)
    check_variable_sampling(tool, rng)
    check_biquad(tool, rng)
    print('filters agree with scipy.signal')
    return 0


if __name__ == '__main__':
    sys.exit(main())
