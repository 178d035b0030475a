#!/usr/bin/env python3
"""Reads a mono 16-bit little-endian recording and prints its tones: one
line "FREQUENCY START END" (Hz, seconds) per stretch of one steady tone,
"silence START END" for the quiet stretches between and after them.

Usage: tone_segments.py RECORDING.raw RATE
"""
import sys

import numpy as np

WINDOW = 0.05   # seconds per analysis window
MIN_PART = 0.2  # shorter stretches are noise at a tone's edge


def main():
    raw, rate = sys.argv[1], int(sys.argv[2])
    samples = np.fromfile(raw, dtype="<i2").astype(np.float64) / 32768.0
    n = int(rate * WINDOW)
    peaks = []  # per window: the strongest frequency, 0 when quiet
    for i in range(0, len(samples) - n + 1, n):
        w = samples[i:i + n]
        if np.sqrt(np.mean(w * w)) < 0.01:
            peaks.append(0.0)
            continue
        spectrum = np.abs(np.fft.rfft(w * np.hanning(n), 8 * n))
        peaks.append(np.argmax(spectrum) * rate / (8 * n))
    # Stretches of windows with the same tone (within 3 %) or all quiet.
    parts = []
    for k, f in enumerate(peaks):
        last = parts[-1] if parts else None
        if last and (f == 0) == (last[0][0] == 0) and (f == 0 or abs(f - np.median(last[0])) <= 0.03 * f):
            last[0].append(f)
            last[2] = k + 1
        else:
            parts.append([[f], k, k + 1])
    parts = [p for p in parts if (p[2] - p[1]) * WINDOW >= MIN_PART]
    merged = []
    for p in parts:
        f = float(np.median(p[0]))
        if merged and ((f == 0 and merged[-1][0] == 0) or (f > 0 and abs(merged[-1][0] - f) <= 0.03 * f)):
            merged[-1][2] = p[2]
        else:
            merged.append([f, p[1], p[2]])
    for f, start, end in merged:
        name = "silence" if f == 0 else str(int(round(f)))
        print(f"{name} {start * WINDOW:.2f} {end * WINDOW:.2f}")


if __name__ == "__main__":
    main()
