"""MIDI library against mido in one run: a 16-track, 800,000-event file is
read, note-paired and time-analysed by us and loaded with absolute times
computed by mido; written by us and saved by mido. Then the track player's
note-on lateness against plain QTimers aimed at the same instants."""
import os
import random
import subprocess
import sys
import tempfile
import time

import mido

TOOL = sys.argv[1]


def best(repeats, work):
    fastest = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        work()
        fastest = min(fastest, time.perf_counter() - start)
    return fastest


with tempfile.TemporaryDirectory() as folder:
    rng = random.Random(800000)
    mid = mido.MidiFile(type=1, ticks_per_beat=480)
    for t in range(16):
        track = mido.MidiTrack()
        mid.tracks.append(track)
        if t == 0:
            track.append(mido.MetaMessage("set_tempo", tempo=500000))
        for _ in range(25000):
            key = rng.randint(30, 90)
            track.append(mido.Message("note_on", channel=t, note=key, velocity=90, time=rng.randint(0, 40)))
            track.append(mido.Message("note_off", channel=t, note=key, velocity=0, time=rng.randint(1, 40)))
    path = os.path.join(folder, "big.mid")
    mid.save(path)
    del mid

    def mido_read():
        m = mido.MidiFile(path)
        for track in m.tracks:
            tick = 0
            absolute = []
            for msg in track:
                tick += msg.time
                absolute.append(tick)
        sum(msg.time for msg in m)  # seconds through the tempo map

    loaded = mido.MidiFile(path)
    # mido takes about a minute for this file: once is enough.
    mido_read_s = best(1, mido_read)
    mido_write_s = best(1, lambda: loaded.save(os.path.join(folder, "mido.mid")))
    out = subprocess.run([TOOL, "file", path], check=True, capture_output=True, text=True).stdout
    ours = dict(line.split() for line in out.splitlines())
    ours_read = float(ours["ours_read_s"])
    ours_write = float(ours["ours_write_s"])
    print("read + pairing + times: ours %.3f s, mido %.3f s, mido/ours %.1f" % (ours_read, mido_read_s, mido_read_s / ours_read))
    print("write:                  ours %.3f s, mido %.3f s, mido/ours %.1f" % (ours_write, mido_write_s, mido_write_s / ours_write))

print(subprocess.run([TOOL, "player"], check=True, capture_output=True, text=True).stdout, end="")
