"""Files our MIDI library writes, read by mido: the files built with every
adder, with mergeTracks and with splitTracksByChannel match the expected
messages one by one, and every corpus file made by mido, read and written
again by us, reads back in mido message by message (the end of track
right behind the last other event)."""
import os
import random
import subprocess
import sys
import tempfile

import mido

from midi_corpus import corpus

TOOL = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def absolute(track):
    tick = 0
    rows = []
    for msg in track:
        tick += msg.time
        rows.append((tick, bytes(msg.bin()).hex()))
    return rows


def meta(kind, text):
    return "ff%02x%02x%s" % (kind, len(text), text.encode("latin-1").hex())


EOT = "ff2f00"
expected = {
    "adders.mid": (480, [
        [(0, "ff51030927c0"), (0, "ff580406031808"), (0, meta(1, "text")), (0, meta(2, "copyright")),
         (20, meta(6, "marker")), (30, meta(7, "cue")), (30, EOT)],
        [(0, meta(3, "track name")), (0, meta(4, "instrument")), (0, "c228"), (0, "b20764"), (0, "923c5a"),
         (10, meta(5, "la")), (240, "823c40"), (240, "923e5a"), (480, "b2407f"), (480, "923e00"),
         (500, "e20040"), (510, "e27f7f"), (520, "ef0000"), (530, "e30060"),
         (600, "b20602"), (600, "b22632"), (600, "b26400"), (600, "b26500"),
         (700, "b20618"), (700, "b22600"), (700, "b26400"), (700, "b26500"),
         (800, "f0431200f7"), (900, "ff5103068a1b"), (960, "b24000"), (960, EOT)],
    ]),
    "merged.mid": (120, [
        [(0, meta(3, "track 0")), (0, meta(3, "track 1")), (10, "903c64"), (20, "913d64"),
         (100, "903c00"), (110, "913d00"), (110, EOT)],
        [(0, meta(3, "track 2")), (30, "923e64"), (120, "923e00"), (120, EOT)],
    ]),
    "bychannel.mid": (120, [[(0, "ff51030a2c2b"), (120, meta(6, "end")), (120, EOT)],
                            [(0, "903c64"), (120, "903c00"), (120, EOT)]]
                      + [[(0, EOT)]] * 8
                      + [[(0, "992464"), (120, "992400"), (120, EOT)]]),
}

with tempfile.TemporaryDirectory() as folder:
    subprocess.run([TOOL, "edits", folder], check=True, capture_output=True)
    for name, (tpq, tracks) in expected.items():
        try:
            mid = mido.MidiFile(os.path.join(folder, name))
        except Exception as error:  # noqa: BLE001 - any refusal is the failure
            check(False, "%s: mido refuses it: %s" % (name, error))
            continue
        check(mid.ticks_per_beat == tpq, "%s: tpq %d" % (name, mid.ticks_per_beat))
        check(mid.type == (0 if len(tracks) == 1 else 1), "%s: format %d" % (name, mid.type))
        check(len(mid.tracks) == len(tracks), "%s: %d tracks, want %d" % (name, len(mid.tracks), len(tracks)))
        for t, (got, want) in enumerate(zip(mid.tracks, tracks)):
            got = absolute(got)
            if got != want:
                check(False, "%s track %d:\n  got  %s\n  want %s" % (name, t, got, want))

    rng = random.Random(4141)
    for n, (form, count) in enumerate([(0, 1), (1, 2), (1, 4), (1, 3)]):
        original = corpus(rng, form, count)
        source = os.path.join(folder, "corpus%d.mid" % n)
        original.save(source)
        ours = os.path.join(folder, "ours%d.mid" % n)
        subprocess.run([TOOL, "write", source, ours], check=True)
        again = mido.MidiFile(ours)
        before = mido.MidiFile(source)
        check(again.type == before.type and again.ticks_per_beat == before.ticks_per_beat,
              "corpus %d: header" % n)
        check(len(again.tracks) == len(before.tracks), "corpus %d: track count" % n)
        for t, (a, b) in enumerate(zip(again.tracks, before.tracks)):
            # The end of track moves right behind the last other event.
            a, b = absolute(a), absolute(b)
            if a[:-1] != b[:-1]:
                check(False, "corpus %d track %d differs" % (n, t))
            check(a[-1] == (b[-2][0], EOT), "corpus %d track %d: end of track %s" % (n, t, a[-1:]))

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("all MIDI writing checks passed")
