"""The audio input's knock detector as a model written from its rules, for
check_knock.py and check_audio_program.py: scipy.signal.lfilter in float32
with the band-pass coefficients, the first-order level filter in double, the
upward crossing of the threshold with a 240-sample hold-off that starts again
every block, and clipping at |x| > 0.95."""
import math

import numpy as np
import scipy.signal

FS = 48000
BLOCK = 2048


def bandpass(frequency, q):
    w0 = np.float32(2.0 * math.pi * frequency / FS)
    sine, cosine = np.sin(w0), np.cos(w0)
    alpha = np.float32(sine / (np.float32(2.0) * np.float32(q)))
    b = np.array([alpha, 0.0, -alpha], dtype=np.float32)
    a = np.array([np.float32(1.0) + alpha, np.float32(-2.0) * cosine, np.float32(1.0) - alpha], dtype=np.float32)
    return b, a


def model(signal, frequency=6000.0, q=2.3, gain=1.0, cutoff=4000.0, threshold=float("nan"), flush=()):
    """Per block: (flushed, M, knock level, knocks, clipping); flushed blocks are not filtered.
    `threshold` is one value for all blocks or a list with one per block."""
    b, a = bandpass(frequency, q)
    zi = np.zeros(2, dtype=np.float32)
    k = math.exp(-2.0 * math.pi * cutoff / FS)
    settle = 4.0 / (2.0 * math.pi * cutoff)
    state, elapsed = float("nan"), 0.0
    blocks = []
    for n in range(len(signal) // BLOCK):
        thr = float(np.float32(threshold[n] if hasattr(threshold, "__len__") else threshold))
        raw = signal[n * BLOCK:(n + 1) * BLOCK]
        if n in flush:
            blocks.append((True, None, None, 0, False))
            continue
        x = (raw.astype(np.float32) / np.float32(32767.0)).astype(np.float32)
        clipping = bool(np.any(x > np.float32(0.95)) or np.any(x < np.float32(-0.95)))
        y, zi = scipy.signal.lfilter(b, a, x, zi=zi)
        y = y.astype(np.float32)
        g = (y.astype(np.float64) * gain).astype(np.float32)
        hold, knocks, maximum = 0, 0, float("nan")
        for value in np.abs(g.astype(np.float64)):
            previous = state if elapsed >= settle else float("nan")
            state = (1.0 - k) * value + k * state if math.isfinite(state) else value
            if elapsed >= settle:
                level = state
            else:
                level = float("nan")
                elapsed += 1.0 / FS
            if hold > 0:
                hold -= 1
            elif previous <= thr < level:
                knocks += 1
                hold = 240
            if level > maximum or math.isnan(maximum):
                maximum = level
        knock_level = float(np.float32(maximum) - np.float32(thr)) if math.isfinite(thr) else float("nan")
        blocks.append((False, maximum, knock_level, knocks, clipping))
    return blocks


def burst(signal, at, amplitude=0.5, decay=48.0, length=600):
    t = np.arange(length)
    part = amplitude * np.exp(-t / decay) * np.sin(2 * math.pi * 6000.0 * t / FS)
    end = min(len(signal), at + length)
    signal[at:end] += part[:end - at]


def to_int16(signal):
    return np.clip(np.round(signal * 32767.0), -32767, 32767).astype(np.int16)


def close(a, b):
    return abs(a - b) <= 1e-4 * max(abs(a), abs(b)) + 1e-7
