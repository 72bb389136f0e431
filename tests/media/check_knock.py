"""The knock detector of an audio input against a model written here from the
rules: scipy.signal.lfilter in float32 with the band-pass coefficients, the
first-order level filter, the upward crossing of the engine-noise threshold
with its 240-sample hold-off (restarted every block), clipping at |x| > 0.95,
the dropped block after a flush, and the filtered playback limited to full
scale. knock_tool runs the program's capture-thread code over the same signal."""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
import scipy.signal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from knock_model import bandpass, burst, close, model, to_int16  # noqa: E402

TOOL = sys.argv[1]
FS = 48000
BLOCK = 2048
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def run_tool(samples, folder, *options):
    path = os.path.join(folder, "in.raw")
    samples.astype("<i2").tofile(path)
    subprocess.run([TOOL, path, folder] + list(options), check=True)
    rows = []
    with open(os.path.join(folder, "blocks.txt")) as f:
        for line in f:
            parts = line.split()
            rows.append((parts[0] == "1",) + tuple(float(p) for p in parts[1:]))
    saved = np.fromfile(os.path.join(folder, "saved.raw"), dtype="<i2")
    playback = np.fromfile(os.path.join(folder, "playback.raw"), dtype="<i2")
    return rows, saved, playback


rng = np.random.default_rng(39)
BLOCKS = 60
signal = rng.normal(0.0, 0.01, BLOCKS * BLOCK)
burst(signal, 3 * BLOCK + 500)                     # one knock
burst(signal, 6 * BLOCK + 300, decay=20.0)        # two short bursts 2 ms apart: counted once
burst(signal, 6 * BLOCK + 300 + 100, decay=20.0)
burst(signal, 9 * BLOCK + 300, decay=20.0)         # 6 ms apart: counted twice
burst(signal, 9 * BLOCK + 300 + 288, decay=20.0)
burst(signal, 13 * BLOCK - 40, decay=150.0)        # across a block start: counted again there
burst(signal, 25 * BLOCK + 1000, amplitude=0.03)   # below the threshold: no knock
samples = to_int16(signal)
samples[40 * BLOCK + 700] = 31129                  # clipping
samples[44 * BLOCK + 100] = 31128                  # just not
samples[44 * BLOCK + 900] = -31128
samples[47 * BLOCK + 1200] = -31129
FLUSH = {20}
THRESHOLD = 0.02 + (0.05 - 0.02) * 500.0 / 1000.0

with tempfile.TemporaryDirectory() as folder:
    rows, saved, _ = run_tool(samples, folder, "speed=500", "noise=0:0.02,1000:0.05", "flush=20")
    expected = model(samples, threshold=THRESHOLD, flush=FLUSH)
    check(len(rows) == BLOCKS, "%d blocks processed" % len(rows))
    count = 0
    for n, (row, want) in enumerate(zip(rows, expected)):
        flushed, level, peak, knock_level, knock_count, alarms, running = row
        if want[0]:
            check(level == -1e300 and knock_count == -1e300 and alarms == 0,
                  "block %d after a flush is dropped: %s" % (n, row))
            count = 0
            continue
        count += want[3]
        check(close(level, want[1]), "block %d level %r, model %r" % (n, level, want[1]))
        check(close(knock_level, want[2]), "block %d knock level %r, model %r" % (n, knock_level, want[2]))
        check(knock_count == count, "block %d knock count %r, model %r" % (n, knock_count, count))
        check(alarms == (1 if want[4] else 0), "block %d clipping alarm %d, model %s" % (n, alarms, want[4]))
        check(peak >= level - 1e-12, "block %d peak %r below level %r" % (n, peak, level))
    per_block = [w[3] for w in expected]
    print("knocks per block:", {n: c for n, c in enumerate(per_block) if c})
    check(per_block[3] == 1 and per_block[6] == 1 and per_block[9] == 2, "the burst rules: %s" % per_block[:10])
    check(per_block[12] >= 1 and per_block[13] >= 1, "a burst across a block start counts in both blocks")
    check(per_block[25] == 0, "a burst below the threshold is no knock")
    check([n for n, w in enumerate(expected) if w[4]] == [40, 47], "clipping blocks")
    # The recording: every processed block in order, the flushed one left out.
    kept = np.concatenate([samples[n * BLOCK:(n + 1) * BLOCK] for n in range(BLOCKS) if n not in FLUSH])
    check(np.array_equal(saved, kept), "recorded blocks equal the input without the flushed one")

    # No engine speed, or no characteristic: no threshold, no knock, knock level NaN; the level still comes.
    for options in (["noise=0:0.02,1000:0.05"], ["speed=500", "noise="]):
        rows, _, _ = run_tool(samples, folder, *options)
        plain = model(samples)
        check(all(r[4] == 0 for r in rows), "%s: no knocks" % options)
        check(all(math.isnan(r[3]) for r in rows), "%s: knock level NaN" % options)
        check(all(close(r[1], w[1]) for r, w in zip(rows, plain)), "%s: levels as the model" % options)

    # Filtered and amplified playback: the band-pass times the gain, limited to full scale.
    noise = to_int16(rng.normal(0.0, 0.15, 40 * BLOCK))
    for gain, q in ((100.0, 2.3), (3.0, 20.0)):
        _, _, playback = run_tool(noise, folder, "playback=2", "frequency=7000", "q=%g" % q, "gain=%g" % gain)
        b, a = bandpass(7000.0, q)
        y = scipy.signal.lfilter(b, a, (noise.astype(np.float32) / np.float32(32767.0)).astype(np.float32))
        g = (y.astype(np.float32).astype(np.float64) * gain).astype(np.float32)
        want = np.trunc(np.clip(g, -1.0, 1.0) * np.float32(32767.0)).astype(np.int16)
        check(len(playback) == len(noise), "gain %g: one playback block per block" % gain)
        differences = np.abs(playback.astype(int) - want.astype(int))
        check(differences.max() <= 1, "gain %g: playback as lfilter x gain, off by %d" % (gain, differences.max()))
        if gain == 100.0:
            check(playback.max() == 32767 and playback.min() == -32767, "gain 100 is limited to +-32767")
        else:
            blocks_in = noise.reshape(-1, BLOCK).astype(np.float64)
            blocks_out = playback.reshape(-1, BLOCK).astype(np.float64)
            cross = np.abs(np.sum(np.fft.rfft(blocks_out) * np.conj(np.fft.rfft(blocks_in)), axis=0))
            peak = np.argmax(cross) * FS / BLOCK
            check(abs(peak - 7000.0) <= FS / BLOCK, "white-noise response peaks at %.1f Hz" % peak)

if failures:
    sys.exit("%d checks failed" % len(failures))
print("knock detector, recording hand-over and filtered playback agree with the model")
