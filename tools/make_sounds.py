#!/usr/bin/env python3
"""Synthesizes the sounds delivered beside the executable into assets/delivered/:
back.wma (background music, about half a minute), begin.wav (the rolling
drum of a press) and end.wav (the fanfare at its end).

Uses only the standard library for the tones and Debian's ffmpeg to encode
the music as WMA. The results are committed; run this again only to change
the sounds.
"""
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import wave

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "assets", "delivered")


def freq(semitones_from_a4):
    return 440.0 * 2.0 ** (semitones_from_a4 / 12.0)


def tone(f, t, bright=0.3):
    """A soft organ-like tone: fundamental with a little of its harmonics."""
    w = 2.0 * math.pi * f * t
    return math.sin(w) + bright * math.sin(2 * w) + bright * 0.4 * math.sin(3 * w)


def write_wav(path, samples, rate):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = 0.8 * 32767 / peak
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", int(s * scale)) for s in samples))


def music(rate=22050, seconds=32.0):
    # C major, a melody of sixteen quarter-beat notes over a four-bar bass.
    c5 = 3  # semitones from A4
    melody = [0, 4, 7, 12, 9, 7, 4, 7, 5, 9, 12, 9, 7, 4, 2, 4]
    bass = [-12, -15, -19, -17]  # C, A, F, G below middle C (relative to C5 - 12)
    note = 0.25
    out = []
    for i in range(int(rate * seconds)):
        t = i / rate
        k = int(t / note)
        u = (t - k * note) / note
        env = math.sin(math.pi * u) ** 0.6
        s = 0.55 * env * tone(freq(c5 + melody[k % 16]), t)
        b = int(t / 2.0)
        ub = (t - b * 2.0) / 2.0
        benv = math.sin(math.pi * ub) ** 0.5
        s += 0.45 * benv * (tone(freq(c5 - 12 + bass[b % 4]), t, 0.2) + 0.6 * tone(freq(c5 - 12 + bass[b % 4] + 7), t, 0.1))
        fade = min(1.0, t / 0.5, (seconds - t) / 1.5)
        out.append(s * fade)
    return out


def drum_roll(rate=22050, seconds=2.5):
    rnd = random.Random(7)
    out = []
    hit = 1.0 / 18.0
    for i in range(int(rate * seconds)):
        t = i / rate
        u = (t % hit) / hit
        grow = 0.35 + 0.65 * t / seconds
        snare = rnd.uniform(-1.0, 1.0) * math.exp(-9.0 * u)
        body = math.sin(2 * math.pi * (180 + 120 * t / seconds) * t) * math.exp(-6.0 * u)
        fade = min(1.0, (seconds - t) / 0.05)
        out.append(grow * (0.6 * snare + 0.5 * body) * fade)
    return out


def fanfare(rate=22050, seconds=2.5):
    c5 = 3
    steps = [(0.00, [0]), (0.15, [4]), (0.30, [7]), (0.45, [12, 7, 4, 0])]
    out = []
    for i in range(int(rate * seconds)):
        t = i / rate
        s = 0.0
        for start, notes in steps:
            if t < start:
                continue
            u = t - start
            last = notes is steps[-1][1]
            env = min(1.0, u / 0.01) * (math.exp(-1.2 * u) if last else math.exp(-12.0 * u))
            for n in notes:
                s += env * tone(freq(c5 + n), t, 0.5)
        fade = min(1.0, (seconds - t) / 0.3)
        out.append(s * fade)
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    write_wav(os.path.join(OUT, "begin.wav"), drum_roll(), 22050)
    write_wav(os.path.join(OUT, "end.wav"), fanfare(), 22050)
    with tempfile.TemporaryDirectory() as tmp:
        raw = os.path.join(tmp, "back.wav")
        write_wav(raw, music(), 22050)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", raw, "-c:a", "wmav2", "-b:a", "64k",
                        os.path.join(OUT, "back.wma")], check=True)
    print("sounds written to", OUT)


if __name__ == "__main__":
    sys.exit(main())
