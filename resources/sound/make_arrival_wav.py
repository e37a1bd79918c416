#!/usr/bin/env python3
"""Writes arrival.wav, the program's own arrival chime: PCM, mono, 8 bits, 11025 Hz, 1.7 s.

Two bell-like tones (a rising fourth) with soft harmonics and an exponential decay."""
import math
import struct
import wave

RATE = 11025
SECONDS = 1.7


def tone(t, start, freq, length):
    if t < start:
        return 0.0
    x = t - start
    env = math.exp(-x * 3.2 / length) * min(1.0, x / 0.01)
    return env * (math.sin(2 * math.pi * freq * x) + 0.35 * math.sin(4 * math.pi * freq * x) +
                  0.12 * math.sin(6 * math.pi * freq * x))


def main():
    frames = bytearray()
    n = int(RATE * SECONDS)
    for i in range(n):
        t = i / RATE
        v = 0.34 * tone(t, 0.0, 784.0, 1.2) + 0.34 * tone(t, 0.28, 1046.5, 1.4)
        fade = min(1.0, (n - i) / (RATE * 0.05))
        v = max(-1.0, min(1.0, v * fade))
        frames.append(int(round(128 + 127 * v)))
    with wave.open("arrival.wav", "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
