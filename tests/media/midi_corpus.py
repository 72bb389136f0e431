"""Random MIDI files made with mido for the checks of our MIDI library:
formats 0 and 1, several tracks, tempo changes in track 0 and in the last
track, running status (mido writes it), note-ons of velocity 0, sysex, text
metas with non-ASCII bytes and 200-byte contents, time and key signatures,
pitch bend, sustain, overlapping notes of one key."""
import mido


def text_bytes(rng, n):
    # Printable and non-ASCII bytes, no line ends or quotes.
    return "".join(chr(rng.choice(list(range(0x20, 0x7f)) + list(range(0xa0, 0x100)))).replace('"', "x")
                   for _ in range(n))


def corpus(rng, form, tracks):
    mid = mido.MidiFile(type=form, ticks_per_beat=rng.choice([96, 120, 480, 960]))
    for t in range(tracks):
        track = mido.MidiTrack()
        mid.tracks.append(track)
        if t == 0:
            track.append(mido.MetaMessage("set_tempo", tempo=rng.randint(300000, 900000), time=0))
            track.append(mido.MetaMessage("time_signature", numerator=6, denominator=8, time=0))
            track.append(mido.MetaMessage("key_signature", key=rng.choice(["C", "F#m", "Bb"]), time=0))
        track.append(mido.MetaMessage("track_name", name=text_bytes(rng, rng.choice([5, 200])), time=0))
        track.append(mido.MetaMessage("text", text=text_bytes(rng, 200), time=rng.randint(0, 50)))
        track.append(mido.Message("sysex", data=[rng.randint(0, 127) for _ in range(rng.randint(1, 20))], time=3))
        channel = t % 16
        for n in range(rng.randint(20, 60)):
            key = rng.randint(30, 90)
            delta = rng.choice([0, 0, 1, 10, 120, 200, 1000])
            track.append(mido.Message("note_on", channel=channel, note=key, velocity=rng.randint(1, 127), time=delta))
            if rng.random() < 0.3:
                track.append(mido.Message("pitchwheel", channel=channel, pitch=rng.randint(-8192, 8191), time=rng.randint(0, 30)))
            if rng.random() < 0.2:
                track.append(mido.Message("control_change", channel=channel, control=64, value=rng.choice([0, 127]), time=0))
            if (t == 0 or t == tracks - 1) and rng.random() < 0.15:
                track.append(mido.MetaMessage("set_tempo", tempo=rng.randint(200000, 1500000), time=rng.randint(0, 100)))
            # Note-ons of velocity 0 and note-offs both end notes; repeated
            # keys pair last in, first out.
            off = rng.choice(["note_on", "note_off"])
            if off == "note_on":
                track.append(mido.Message("note_on", channel=channel, note=key, velocity=0, time=rng.randint(0, 400)))
            else:
                track.append(mido.Message("note_off", channel=channel, note=key, velocity=rng.randint(0, 127), time=rng.randint(0, 400)))
        if rng.random() < 0.5:
            # Two overlapping notes of one key.
            track.append(mido.Message("note_on", channel=channel, note=64, velocity=80, time=5))
            track.append(mido.Message("note_on", channel=channel, note=64, velocity=81, time=7))
            track.append(mido.Message("note_off", channel=channel, note=64, velocity=0, time=11))
            track.append(mido.Message("note_off", channel=channel, note=64, velocity=0, time=13))
        track.append(mido.MetaMessage("end_of_track", time=rng.randint(0, 50)))
    return mid
