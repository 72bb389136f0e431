"""The text form, base64 and hex dump of our MIDI library against Python:
every corpus file listed with comments converts back to the same file (tempo
values pass through their printed beats per minute), base64 equals Python's
base64 with and without line ends, and the hex dump equals Python's
formatting for several widths."""
import base64
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


def run(*args):
    return subprocess.run([TOOL] + list(args), check=True, capture_output=True).stdout


def messages(path):
    rows = []
    for t, track in enumerate(mido.MidiFile(path).tracks):
        tick = 0
        for msg in track:
            tick += msg.time
            rows.append((t, tick, msg))
    return rows


def same(a, b):
    if a.type == "set_tempo" and b.type == "set_tempo":
        # Six significant digits of beats per minute.
        return abs(a.tempo - b.tempo) <= 1e-5 * a.tempo + 1
    return bytes(a.bin()) == bytes(b.bin())


def hex_dump(data, width):
    if width < 0:
        width = 25
    parts = ["%02x" % b for b in data]
    if width == 0:
        return " ".join(parts)
    lines = [" ".join(parts[i:i + width]) for i in range(0, len(parts), width)]
    return "\n".join(lines) + "\n"


with tempfile.TemporaryDirectory() as folder:
    rng = random.Random(108)
    for n, (form, count) in enumerate([(0, 1), (1, 2), (1, 4), (1, 3)]):
        source = os.path.join(folder, "c%d.mid" % n)
        corpus(rng, form, count).save(source)
        ours = os.path.join(folder, "ours%d.mid" % n)
        run("write", source, ours)
        text = os.path.join(folder, "c%d.txt" % n)
        run("binasc", source, text)
        back = os.path.join(folder, "back%d.mid" % n)
        run("fromtext", text, back)
        with open(ours, "rb") as f:
            data = f.read()
        with open(back, "rb") as f:
            again = f.read()
        a, b = messages(ours), messages(back)
        check(len(data) == len(again), "corpus %d: %d bytes back, %d written" % (n, len(again), len(data)))
        check(len(a) == len(b), "corpus %d: message count" % n)
        for (ta, ka, ma), (tb, kb, mb) in zip(a, b):
            if ta != tb or ka != kb or not same(ma, mb):
                check(False, "corpus %d: %s@%d/%d back as %s@%d/%d" % (n, ma, ka, ta, mb, kb, tb))
                break
        with open(text, encoding="latin-1") as f:
            listing = f.read()
        check(listing.startswith('"MThd"\t\t\t; MIDI header chunk marker\n4\'6\t\t\t; bytes to follow in header chunk\n'),
              "corpus %d listing starts: %r" % (n, listing[:80]))
        check(";;; TRACK 0 ----------------------------------\n" in listing, "corpus %d: track line" % n)

        for width in (0, 4, 5, 76):
            got = run("base64", source, str(width)).decode()
            plain = base64.b64encode(data).decode()
            want = plain if width <= 0 else "".join(plain[i:i + width] + "\n" for i in range(0, len(plain), width))
            check(got == want, "corpus %d: base64 width %d" % (n, width))
        encoded = os.path.join(folder, "c%d.b64" % n)
        with open(encoded, "w") as f:
            f.write(base64.encodebytes(data).decode())
        roundtrip = os.path.join(folder, "b64%d.mid" % n)
        run("frombase64", encoded, roundtrip)
        with open(roundtrip, "rb") as f:
            check(f.read() == data, "corpus %d: base64 with line ends read back" % n)

        for width in (0, 2, 25, -1, 7):
            got = run("hex", source, str(width)).decode()
            check(got == hex_dump(data, width), "corpus %d: hex width %d" % (n, width))

    # A file without tempo messages comes back byte for byte.
    plain = mido.MidiFile(type=1)
    track = mido.MidiTrack()
    plain.tracks.append(track)
    track.append(mido.MetaMessage("text", text='quote " and \xe9', time=0))
    track.append(mido.MetaMessage("lyrics", text="two\nlines", time=0))
    track.append(mido.MetaMessage("marker", text="ends in a backslash \\", time=0))
    track.append(mido.Message("note_on", note=60, velocity=100, time=10))
    track.append(mido.Message("note_off", note=60, velocity=0, time=200))
    track.append(mido.Message("sysex", data=[1, 2, 3], time=0))
    path = os.path.join(folder, "plain.mid")
    plain.save(path)
    run("write", path, path + ".ours")
    run("binasc", path, path + ".txt")
    run("fromtext", path + ".txt", path + ".back")
    with open(path + ".ours", "rb") as f, open(path + ".back", "rb") as g:
        check(f.read() == g.read(), "file without tempo: bytes differ after the text form")

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("all MIDI text checks passed")
