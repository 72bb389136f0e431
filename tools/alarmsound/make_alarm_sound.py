#!/usr/bin/python3
"""Writes the program's alarm sound: two short tones, high then low, 16-bit mono.

Usage: make_alarm_sound.py OUTPUT.wav
The sound restarts every 500 ms while an alarm sounds, so it lasts 400 ms.
"""
import math
import struct
import sys
import wave

RATE = 22050


def tone(frequency, seconds, volume=0.6):
    count = int(RATE * seconds)
    fade = int(RATE * 0.005)
    samples = []
    for i in range(count):
        envelope = min(1.0, i / fade, (count - 1 - i) / fade)
        samples.append(volume * envelope * math.sin(2 * math.pi * frequency * i / RATE))
    return samples


def main():
    samples = tone(1320, 0.18) + [0.0] * int(RATE * 0.02) + tone(880, 0.2)
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))


if __name__ == "__main__":
    main()
