"""Checks the spectrum against numpy.fft.rfft, resampling and characteristic
reading against numpy.interp and bin finding against numpy.searchsorted.
Usage: check_spectrum_and_curves.py <numerics_tool>"""
import sys

import numpy as np

from numerics_ref import Tool


def check_fft(tool, rng):
    cases = [
        ('random 1000 at 250 Hz', rng.standard_normal(1000) * 3 + 1.5, 250.0),
        ('power of two', np.sin(2 * np.pi * 4 * np.arange(64) / 64) * 2 + 0.5, 64.0),
        ('odd length with offset', rng.standard_normal(4097) + 100.0, 1000.0),
        ('single sample', np.array([2.5]), 10.0),
        ('long', rng.standard_normal(200000), 48000.0),
    ]
    with_nan = rng.standard_normal(777)
    with_nan[[5, 300, 776]] = np.nan
    cases.append(('NaN samples', with_nan, 100.0))
    for name, x, rate in cases:
        for normalise in (0, 1):
            tool.put('in', x)
            tool.run('fft', tool.file('in'), tool.file('signal'), tool.file('freq'), tool.file('amp'), rate,
                     normalise)
            n = 1 << int(np.ceil(np.log2(len(x)))) if len(x) > 1 else 1
            ref = x.copy()
            if normalise:
                finite = np.isfinite(ref)
                ref = (ref - ref[finite].mean()) / finite.sum()
            ref = np.nan_to_num(ref, nan=0.0)
            spectrum = np.fft.rfft(ref, n=n)
            amp = tool.get('amp')
            freq = tool.get('freq')
            signal = tool.get('signal')
            assert len(amp) == n // 2 + 1 and len(freq) == n // 2 + 1 and len(signal) == n, name
            scale = np.max(np.abs(spectrum))
            # The stage rotations come from a half-angle recurrence whose
            # rounding grows with the length: about 1e-12 of the peak at 4096
            # points, 1e-8 at 2^18, 5e-7 at 2^20.
            tolerance = 1e-10 if n <= 4096 else 1e-6
            assert np.max(np.abs(amp - np.abs(spectrum))) <= tolerance * scale, (name, normalise)
            assert np.allclose(freq, np.fft.rfftfreq(n, 1 / rate), rtol=1e-14, atol=0), name
            # The signal holds the real part of the full transform.
            full = np.fft.fft(ref, n=n)
            assert np.max(np.abs(signal - full.real)) <= tolerance * scale, (name, normalise)


def check_resample(tool, rng):
    # Irregular time stamps starting after 0, as a recorded channel has them.
    x = np.cumsum(rng.uniform(0.0005, 0.004, 20000)) + 0.3
    y = np.cumsum(rng.standard_normal(len(x)))
    for rate in (500.0, 1000.0, 37.0):
        count = int((x[-1] + 1.0) * rate)
        tool.put('x', x)
        tool.put('y', y)
        t = np.arange(count) * (1.0 / rate)
        inside = (t >= x[0]) & (t < x[-1])
        for mode in (1, 0):
            tool.run('resample', tool.file('x'), tool.file('y'), tool.file('out'), rate, count, mode)
            out = tool.get('out')
            assert len(out) == count
            assert np.all(np.isnan(out[t < x[0]])) and np.all(np.isnan(out[t > x[-1]])), (rate, mode)
            if mode == 1:
                want = np.interp(t[inside], x, y)
            else:
                want = y[np.searchsorted(x, t[inside], side='right') - 1]
            assert np.max(np.abs(out[inside] - want)) <= 1e-9 * np.max(np.abs(y)), (rate, mode)

    # A grid point exactly on the last time stamp gets the last sample.
    x = np.array([0.0, 0.5, 1.0, 1.5, 2.0])
    y = np.array([1.0, 3.0, -2.0, 4.0, 8.0])
    tool.put('x', x)
    tool.put('y', y)
    for mode in (1, 0):
        tool.run('resample', tool.file('x'), tool.file('y'), tool.file('out'), 4.0, 12, mode)
        out = tool.get('out')
        t = np.arange(12) * 0.25
        assert out[8] == 8.0, out
        assert np.all(np.isnan(out[9:]))
        if mode == 1:
            assert np.allclose(out[:9], np.interp(t[:9], x, y))


def check_reader(tool, rng):
    x = np.sort(rng.uniform(-50, 50, 400))
    x = np.unique(x)
    y = rng.standard_normal(len(x)).cumsum()
    # A slowly moving query, jumps back and forth, and points outside the curve.
    queries = np.concatenate([np.linspace(-60, 60, 5000), rng.uniform(-70, 70, 3000), x[::7]])
    tool.put('x', x)
    tool.put('y', y)
    tool.put('q', queries)
    tool.run('reader', tool.file('x'), tool.file('y'), tool.file('q'), tool.file('out'))
    out = tool.get('out')
    want = np.interp(queries, x, y)
    assert np.max(np.abs(out - want)) <= 1e-12 * np.max(np.abs(y)), np.max(np.abs(out - want))


def check_bins(tool, rng):
    axis = np.unique(np.round(np.sort(rng.uniform(0, 8000, 40)), 1))
    mid = (axis[:-1] + axis[1:]) / 2
    queries = np.concatenate([rng.uniform(axis[0], axis[-1], 4000), np.linspace(axis[0], axis[-1], 3000), mid,
                              axis])
    tool.put('axis', axis)
    tool.put('q', queries)
    tool.run('bins', tool.file('axis'), tool.file('q'), tool.file('bins'), tool.file('pos'))
    bins = tool.get('bins').astype(int)
    pos = tool.get('pos')
    want = np.searchsorted(mid, queries, side='right')
    assert np.array_equal(bins, want), np.flatnonzero(bins != want)[:10]
    # Where inside the bin: 0 at the centre, +-0.5 at the boundaries.
    centre = axis[want]
    upper = np.where(want < len(axis) - 1, axis[np.minimum(want + 1, len(axis) - 1)], np.nan)
    lower = np.where(want > 0, axis[np.maximum(want - 1, 0)], np.nan)
    expected = np.where(queries >= centre, (queries - centre) / (upper - centre),
                        (queries - centre) / (centre - lower))
    expected[queries == centre] = 0.0
    last = (want == len(axis) - 1) & (queries > centre)
    first = (want == 0) & (queries < centre)
    expected[last] = np.inf
    expected[first] = -np.inf
    assert np.allclose(pos, expected.astype(np.float32), rtol=1e-6, atol=1e-6)
    assert np.all(np.abs(pos[np.isfinite(pos)]) <= 0.5)


def main():
    tool = Tool(sys.argv[1])
    rng = np.random.default_rng(20261212)
    check_fft(tool, rng)
    check_resample(tool, rng)
    check_reader(tool, rng)
    check_bins(tool, rng)
    print('spectrum, resampling, characteristics and bins agree with numpy')
    return 0


if __name__ == '__main__':
    sys.exit(main())
