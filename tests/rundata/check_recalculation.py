"""Recalculates a run file written by rundata_tool independently: the raw
records read with h5py, the frequency words decoded (plain, packed and empty
words), the anti-alias loop over the sample times, numpy.interp onto the time
grid, the zero-phase filters with scipy.signal, then roller speed and power,
the brake torque of the load cells and the ambient correction factor. The
vectors the program dumped must agree within 1e-9 (relative to the vector's
magnitude) wherever both are finite.
Usage: check_recalculation.py <rundata_tool>"""
import math
import os
import subprocess
import sys
import tempfile

import h5py
import numpy as np
from scipy import signal

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'ambient'))
from check_correction_factor import reference as correction_reference  # noqa: E402

failures = []


def first_order(fs, fc):
    alpha = math.exp(-2 * math.pi * fc / fs)
    return [1 - alpha, 0.0], [1.0, -alpha]


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


def zero_phase(x, fs, fc, stages):
    """The program's zero-phase low-pass: first order (stages 1) or four equal
    sections, over each finite stretch. Like the program it gives no value
    while it settles: four time constants at the ends of the data, one sample
    less beside a gap."""
    b, a = first_order(fs, fc)
    settle = math.ceil(4 / (2 * math.pi * fc) * fs - 1e-9)
    out = np.full(len(x), np.nan)
    for start, stop in finite_runs(x):
        seg = x[start:stop]
        if stop - start <= 2 * settle:
            continue
        if stages == 1:
            out[start:stop] = signal.filtfilt(b, a, seg, padtype=None)
        else:
            sos = np.array([b + [0.0] + a + [0.0]] * stages)
            out[start:stop] = signal.sosfiltfilt(sos, seg, padtype=None)
        head = settle if start == 0 else settle - 1
        tail = settle if stop == len(x) else settle - 1
        out[start:start + head] = np.nan
        out[stop - tail:stop] = np.nan
    return out


def settling(fs, fc):
    return math.ceil(4 / (2 * math.pi * fc) * fs - 1e-9)


def anti_alias(data, times, fc):
    """The first-order loop over time-stamped samples, forward then backward."""
    d = list(data)
    k = -2 * math.pi * fc

    def feedback(dt):
        return math.exp(k * dt) if dt > 0 else 1.0
    state = d[0]
    for i in range(1, len(d)):
        alpha = feedback(times[i] - times[i - 1])
        if math.isfinite(state):
            d[i] = (1 - alpha) * d[i] + alpha * state
        state = d[i]
    state = d[-1]
    for i in range(len(d) - 2, -1, -1):
        alpha = feedback(times[i + 1] - times[i])
        if math.isfinite(state):
            d[i] = (1 - alpha) * d[i] + alpha * state
        state = d[i]
    return np.array(d)


def resample(times, values, grid):
    return np.interp(grid, times, values, left=np.nan, right=np.nan)


def diff(x, rate):
    out = np.full(len(x), np.nan)
    out[1:-1] = (x[2:] - x[:-2]) * (rate / 2)
    return out


def polynomial(c, x):
    if len(c) < 3:
        return np.zeros_like(x)
    return sum(c[i] * x ** i for i in range(min(len(c), 5)))


def compare(name, ours, want, minimum_share=0.8, margin=0):
    """`margin`: samples this close to where the program's vector has no
    value are left out: the restart of the program's filter at the end of the
    load-cell data settles a little differently from scipy's (about 2e-4 of
    the scale within the last 0.1 s, decaying tenfold every 0.06 s)."""
    both = np.isfinite(ours) & np.isfinite(want)
    if margin:
        gaps = np.flatnonzero(~np.isfinite(ours))
        for g in gaps:
            both[max(0, g - margin):g + margin + 1] = False
    scale = np.max(np.abs(want[np.isfinite(want)])) if np.isfinite(want).any() else 0.0
    if both.sum() < minimum_share * np.isfinite(want).sum() or both.sum() == 0:
        failures.append('%s: only %d of %d samples comparable' % (name, both.sum(), np.isfinite(want).sum()))
        return
    differences = np.where(both, np.abs(ours - want), 0.0)
    err = float(np.max(differences))
    where = int(np.argmax(differences))
    print('%-12s %7d samples, largest difference %.3g at sample %d of %d (scale %.4g)'
          % (name, both.sum(), err, where, len(want), scale))
    if err > 1e-9 * scale:
        failures.append('%s: difference %.3g above 1e-9 x %.4g' % (name, err, scale))


def words_of(dataset):
    data = dataset[()]
    if data.dtype.names:
        data = data[data.dtype.names[0]]
    return np.asarray(data).astype(np.uint32).ravel()


def main():
    with tempfile.TemporaryDirectory(prefix='zembo-recalc-') as folder:
        subprocess.run([sys.argv[1], folder], check=True)
        info = dict(line.split(' ', 1) for line in open(os.path.join(folder, 'run.txt')).read().splitlines())

        def ours(name):
            return np.fromfile(os.path.join(folder, name + '.f64'), dtype=np.float64)

        rate = int(info['rate'])
        with h5py.File(info['file'].strip(), 'r') as f:
            setup = f['/setup']

            def setting(name, default):
                if name not in setup:
                    return default
                values = np.asarray(setup[name][()]).ravel()
                return float(values[0]) if len(values) == 1 else [float(v) for v in values]

            length = float(np.asarray(f['/runInfo/runLength'][()]).ravel()[0])
            n = int(math.trunc(rate * length))
            grid = np.arange(n) * (1.0 / rate)
            compare('time', ours('time'), grid)

            # Frequency input 0: the words as the controller sent them.
            clock = setting('freqInputClockFrequency', 0.0)
            words = words_of(f['/frames/freq_1'])
            tick = float(words[0] & 0xFFFF) if words[0] & 0x80000000 else float(words[0])
            times, freqs = [], []
            for w in words[1:]:
                w = int(w)
                if w & 0x80000000:
                    pulses, ticks = (w >> 16) & 0x7FFF, w & 0xFFFF
                    valid = pulses > 0 and ticks > 0
                else:
                    pulses, ticks = 1, w
                    valid = 0 < w <= 0x3FFFC000
                if valid:
                    freq = clock / (ticks / pulses)
                    for k in range(pulses):
                        times.append(((k + 0.5) * ticks / pulses + tick) / clock)
                        freqs.append(freq)
                tick += ticks
            compare('raw times', ours('rawtimes'), np.array(times), 0.99)
            compare('raw freqs', ours('rawfreqs'), np.array(freqs), 0.99)
            filtered = anti_alias(freqs, times, rate / 4)
            frequency = zero_phase(resample(np.array(times), filtered, grid), rate,
                                   setting('freqInput_0_filter', rate), 4)
            compare('frequency', ours('frequency'), frequency)
            per_rotation = setting('freqInput_0_signalsPerRotation', math.inf)
            multiplier = setting('freqInput_0_multiplier', 1.0)
            omega = (2 * math.pi / per_rotation * multiplier) * ours('frequency')
            compare('omega', ours('omega'), omega)
            alpha = zero_phase(diff(ours('omega'), rate), rate, setting('freqInput_0_diffFilter', rate), 4)
            compare('alpha', ours('alpha'), alpha)

            # Load cells into the brake torque of roller 0.
            cells = int(info['loadcells'])
            table = f['/frames/loadCellV2']
            raw = table[()]
            raw = raw[raw.dtype.names[0]] if raw.dtype.names else raw
            raw = np.asarray(raw, dtype=np.float64).reshape(len(table), -1)
            fs = float(table.attrs['samplingFrequency'])
            cell_times = np.arange(raw.shape[0]) * (1.0 / fs)
            brakes = np.zeros(n)
            for i in range(cells):
                torque = raw[:, i] * setting('loadCell_%d_a' % i, 0.0) + setting('loadCell_%d_b' % i, 0.0)
                torque = zero_phase(torque, fs, rate / 4, 1)
                torque = zero_phase(resample(cell_times, torque, grid), rate, setting('loadCell_%d_filter' % i, rate), 4)
                if i == 0:
                    compare('load cell', ours('loadcell'), torque, margin=6 * settling(rate, setting('loadCell_0_filter', rate)))
                roller = int(setting('loadCell_%d_roller' % i, i // 2 + 1)) - 1
                direction = int(setting('loadCell_%d_direction' % i, 0))
                if roller == 0:
                    brakes += np.abs(torque) if direction == 0 else (-torque if direction == 2 else torque)
            compare('brakes', ours('brakes'), brakes, margin=6 * settling(rate, setting('loadCell_0_filter', rate)))

            # Roller 0.
            radius = setting('roller_0_diameter', 0.0) / 2
            inertia = setting('inertia_0', 0.0)
            loss = setting('roller_0_internalLossModel', [])
            loss = loss if isinstance(loss, list) else [loss]
            w, a = ours('omega'), ours('alpha')
            compare('roller speed', ours('rollerspeed'), radius * w)
            compare('roller power', ours('rollerpower'), w * (inertia * a + ours('brakes')) + polynomial(loss, w))

            # Ambient and the correction factor of the chosen standard.
            ambient = f['/frames/ambient'][()]
            stamps = np.asarray(ambient['timestamp'], dtype=np.float64) / 1000.0
            values = np.asarray(ambient['data'], dtype=np.float64).reshape(len(stamps), 3)
            kelvin = values[:, 1] + 273.15
            compare('temperature', ours('temperature'), resample(stamps, kelvin, grid))
            factors = [correction_reference(int(info['standard']), int(info['enginetype']), t, p, h / 100.0,
                                            float(info['efficiency']), float(info['exponent'])) - 1
                       for p, t, h in zip(values[:, 0], kelvin, values[:, 2])]
            compare('correction', ours('correction'), resample(stamps, np.array(factors), grid))

    if failures:
        for failure in failures:
            print('FAIL:', failure)
        sys.exit(1)
    print('recalculated vectors agree with the independent calculation')


if __name__ == '__main__':
    main()
