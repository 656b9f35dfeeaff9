#!/usr/bin/env python3
"""Writes the station's default start and stop sounds (resources/start.wav, resources/stopp.wav).

The start is a rising double beep, the stop one lower, longer beep, so the operator can tell
them apart without looking. Both are 16-bit PCM mono at 22050 Hz; the output is deterministic,
so running the script again reproduces the committed files byte for byte.

Usage: python3 scripts/make-sounds.py [output folder]   (default: resources/ beside this script)
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050
AMPLITUDE = 0.6 * 32767
FADE_SECONDS = 0.006  # short ramps at both ends; a hard edge clicks on most speakers


def tone(frequency, seconds):
    """One beep: a sine with a little second harmonic so it carries on small laptop speakers."""
    count = int(RATE * seconds)
    fade = int(RATE * FADE_SECONDS)
    samples = []
    for i in range(count):
        t = i / RATE
        value = 0.8 * math.sin(2 * math.pi * frequency * t) + 0.2 * math.sin(4 * math.pi * frequency * t)
        envelope = min(1.0, i / fade, (count - 1 - i) / fade)
        samples.append(value * envelope * AMPLITUDE)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write_wave(path, samples):
    frames = b"".join(struct.pack("<h", max(-32768, min(32767, round(s)))) for s in samples)
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources"
    folder.mkdir(parents=True, exist_ok=True)
    write_wave(folder / "start.wav", tone(880, 0.09) + silence(0.04) + tone(1320, 0.12))
    write_wave(folder / "stopp.wav", tone(440, 0.30))


if __name__ == "__main__":
    main()
