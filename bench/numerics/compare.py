"""Times the numeric kernels of bench_numerics against numpy/scipy on the
same inputs in the same run and prints the ratios (ours / reference; below 1
means ours is faster). Usage: compare.py <bench_numerics>"""
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy import signal
from scipy.optimize import lsq_linear, nnls

try:
    import crcmod
except ImportError:  # the CRC reference is optional
    crcmod = None


def best(repetitions, work, prepare=lambda: None):
    fastest = float('inf')
    for _ in range(repetitions):
        prepare()
        start = time.perf_counter()
        work()
        fastest = min(fastest, time.perf_counter() - start)
    return fastest


def main():
    exe = sys.argv[1]
    rng = np.random.default_rng(1)
    with tempfile.TemporaryDirectory(prefix='zembo-bench-') as folder:
        def put(name, values):
            np.asarray(values, dtype=np.float64).tofile(folder + '/' + name)

        def get(name):
            return np.fromfile(folder + '/' + name, dtype=np.float64)

        # Inputs.
        iir_in = rng.standard_normal(1_000_000).cumsum()
        put('iir4_in', iir_in)
        fft_in = rng.standard_normal(1 << 20)
        put('fft_in', fft_in)
        times = np.cumsum(rng.uniform(0.0005, 0.0015, 1_000_000))  # about 1 kHz, irregular
        values = rng.standard_normal(len(times)).cumsum()
        grid_count = int(times[-1] * 500) + 1
        put('resample_x', times)
        put('resample_y', values)
        put('resample_count', [grid_count])
        speed = np.sort(rng.uniform(3, 35, 5000))
        power = 40 * speed + 1.5 * speed ** 2 + 0.02 * speed ** 3 + 1e-5 * speed ** 4 + rng.normal(0, 25, 5000)
        put('fit_x', speed)
        put('fit_y', power)
        frame_words = rng.integers(0, 1 << 48, 1_000_000, dtype=np.uint64)
        put('crc_frames', frame_words.astype(np.float64))

        out = subprocess.run([exe, folder], check=True, capture_output=True, text=True).stdout
        ours = {}
        for line in out.splitlines():
            name, seconds, _ = line.split()
            ours[name] = float(seconds)

        rows = []

        # Zero-phase four-stage low-pass, 1 M samples.
        alpha = np.exp(-2 * np.pi * 3.0 / 500.0)
        sos = np.array([[1 - alpha, 0, 0, 1, -alpha, 0]] * 4)
        reference = signal.sosfiltfilt(sos, iir_in, padtype=None)
        got = get('iir4_out')
        valid = np.isfinite(got)
        same = np.allclose(got[valid], reference[valid], rtol=1e-9, atol=1e-9 * np.max(np.abs(iir_in)))
        t = best(5, lambda: signal.sosfiltfilt(sos, iir_in, padtype=None))
        rows.append(('IIR4::filterVectorInplace, 1 M samples', ours['iir4'], 'scipy.signal.sosfiltfilt', t, same))

        # Amplitude spectrum of 2^20 points.
        reference = np.abs(np.fft.rfft(fft_in))
        same = np.allclose(get('fft_out'), reference, rtol=0, atol=1e-6 * reference.max())
        t = best(5, lambda: np.abs(np.fft.rfft(fft_in)))
        rows.append(('FFT::calculate, 2^20 points', ours['fft'], 'numpy abs(fft.rfft)', t, same))

        # 1 M irregular samples onto a 500 Hz grid, NaN outside the data.
        grid = np.arange(grid_count) * (1 / 500.0)
        reference = np.interp(grid, times, values, left=np.nan, right=np.nan)
        got = get('resample_out')
        both = np.isfinite(reference) & np.isfinite(got)
        same = both.sum() > 0.99 * grid_count and np.allclose(got[both], reference[both], rtol=1e-12, atol=1e-9)
        t = best(5, lambda: np.interp(grid, times, values, left=np.nan, right=np.nan))
        rows.append(('Resampler::resampleToVector, 1 M onto 500 Hz', ours['resample'], 'numpy.interp', t, same))

        # Loss-model fit on 5000 points.
        def reference_fit():
            columns = np.column_stack([speed, speed ** 2, speed ** 3, speed ** 4])
            return nnls(columns, power)[0]
        columns = np.column_stack([speed, speed ** 2, speed ** 3, speed ** 4])
        coefficients = get('fit_out')
        same = np.max(np.abs(columns @ coefficients[1:] - columns @ reference_fit())) < 1e-6 * power.max()
        t = best(20, reference_fit)
        rows.append(('FitCurve (bounded fit), 5000 points', ours['fit'], 'scipy.optimize.nnls', t, same))
        t = best(5, lambda: lsq_linear(columns, power, bounds=(0, np.inf)))
        rows.append(('FitCurve (bounded fit), 5000 points', ours['fit'], 'scipy.optimize.lsq_linear', t, same))

        # CRC-8 of a controller frame (five bytes of six), per frame.
        if crcmod is not None:
            crc8 = crcmod.mkCrcFun(0x11D, initCrc=0x00, rev=False, xorOut=0x00)
            frames = [int(w).to_bytes(6, 'little') for w in frame_words[:200_000]]
            got = get('crc_out')[:200_000]
            same = all(int(c) == crc8(f[:5]) for c, f in zip(got[:20000], frames[:20000]))

            def crc_all():
                for f in frames:
                    crc8(f[:5])
            t = best(3, crc_all) / len(frames)
            rows.append(('Tools::crc8_frameOptimized, per frame', ours['crc8'], 'crcmod', t, same))

    print('Numerics: ours against numpy %s / scipy %s, same inputs, same run, best of several'
          % (np.__version__, __import__('scipy').__version__))
    print('%-46s %12s  %-26s %12s %8s  %s' % ('kernel', 'ours', 'reference', 'reference', 'ratio', 'result'))
    for name, mine, ref_name, ref, same in rows:
        def fmt(s):
            return '%9.1f ns' % (s * 1e9) if s < 1e-6 else ('%9.3f ms' % (s * 1e3))
        print('%-46s %12s  %-26s %12s %8.2f  %s' % (name, fmt(mine), ref_name, fmt(ref), mine / ref,
                                                   'same' if same else 'DIFFERS'))
    print('CRC-8 per frame: %.1f ns (goal: under 20 ns)' % (ours['crc8'] * 1e9))
    return 0


if __name__ == '__main__':
    sys.exit(main())
