#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the fundamental frequency (Hz) of the loudest sound in a 16-bit WAV
file after a given time (seconds, default 0), found by autocorrelation over a
short window after its loudest point. Exit status 1 when it is silent."""
import array
import sys
import wave


def main(path, after=0.0, low=50.0, high=2000.0):
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        if width != 2:
            sys.exit("not 16-bit")
        data = array.array("h", w.readframes(w.getnframes()))
    mono = [sum(data[i:i + channels]) / channels for i in range(0, len(data), channels)]
    block = rate // 50
    best, best_at = 0.0, 0
    for start in range(int(after * rate), max(1, len(mono) - block), block):
        energy = sum(x * x for x in mono[start:start + block]) / block
        if energy > best:
            best, best_at = energy, start
    if best ** 0.5 < 30:
        print("silent")
        sys.exit(1)
    start = best_at + rate // 20
    seg = mono[start:start + rate // 5]
    mean = sum(seg) / len(seg)
    seg = [x - mean for x in seg]
    lags = range(int(rate / high), int(rate / low))
    corr = []
    for lag in lags:
        corr.append(sum(seg[i] * seg[i + lag] for i in range(len(seg) - lag)) / (len(seg) - lag))
    peak = max(corr)
    # The first lag whose correlation comes close to the best one is the period;
    # later peaks are its multiples.
    for i in range(1, len(corr) - 1):
        if corr[i] >= 0.9 * peak and corr[i] >= corr[i - 1] and corr[i] >= corr[i + 1]:
            lag = lags[i]
            # Parabolic interpolation around the peak.
            a, b, c = corr[i - 1], corr[i], corr[i + 1]
            shift = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0.0
            print(f"{rate / (lag + shift):.2f}")
            return
    print("no pitch")
    sys.exit(1)


if __name__ == "__main__":
    main(sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 0.0)
