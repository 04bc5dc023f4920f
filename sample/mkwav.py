#!/usr/bin/env python3
"""Writes the three sample sounds into sample/files: short 8 kHz, 8-bit mono PCM
tones. The WAV files are committed; run this again only to change them."""
import math
import os
import struct

RATE = 8000
FADE = 0.012  # seconds of fade in and out on each note, so notes do not click

# name: list of (frequency in Hz, duration in seconds, loudness 0..1)
SOUNDS = {
    "linkup.wav": [(660, 0.12, 0.6), (880, 0.18, 0.6)],
    "fault.wav": [(220, 0.18, 0.7), (0, 0.04, 0), (185, 0.22, 0.7)],
    "finish.wav": [(523, 0.12, 0.55), (659, 0.12, 0.55), (784, 0.22, 0.55)],
}


def note_samples(freq, seconds, loud):
    n = int(RATE * seconds)
    fade = int(RATE * FADE)
    out = bytearray()
    for i in range(n):
        env = min(1.0, i / fade, (n - 1 - i) / fade) if fade else 1.0
        v = loud * env * math.sin(2 * math.pi * freq * i / RATE) if freq else 0.0
        out.append(max(0, min(255, 128 + round(127 * v))))
    return out


def wav_bytes(notes):
    data = bytearray()
    for freq, seconds, loud in notes:
        data += note_samples(freq, seconds, loud)
    if len(data) % 2:
        data.append(128)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)  # PCM, mono, 8 bits
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "files")
    for name, notes in SOUNDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(wav_bytes(notes))


if __name__ == "__main__":
    main()
