#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Looks for clicks in a recording of tones retuned over a masking noise.

usage: clicks.py REC.wav

A click is a step in the waveform: it shows as a burst of energy in the
second difference (a high-pass that leaves the low tones almost nothing and
the noise its usual hiss). The second difference's energy is taken in 1 ms
frames; a frame more than THRESHOLD_DB above the median frame is a click.
Stretches next to dropouts (the server's own gaps, reported) are left out.
Prints the threshold and the loudest frame found; exits 1 on a click.
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from measure import read_wav  # noqa: E402

THRESHOLD_DB = 12.0
FRAME_S = 0.001
SETTLE_S = 0.3
DROPOUT_RUN = 4  # this many exact zeros in a row is the server's gap (an underrun), not ours
EDGE_S = 0.02


def main():
    samples, rate = read_wav(sys.argv[1])
    channels = samples.T
    frame = int(rate * FRAME_S)
    worst_db, worst_at, dropouts = -np.inf, 0.0, 0
    for ch in channels:
        x = np.asarray(ch, dtype=np.float64)
        loud = np.nonzero(np.abs(x) > 1e-3)[0]
        if len(loud) == 0:
            print("FAIL: the recording is silent")
            return 1
        start, end = loud[0] + int(SETTLE_S * rate), loud[-1] - int(SETTLE_S * rate)
        x = x[start:end]
        usable = np.ones(len(x), dtype=bool)
        zero = np.concatenate(([0], (x == 0).astype(np.int8), [0]))
        edges = np.flatnonzero(np.diff(zero))
        for a, b in zip(edges[::2], edges[1::2]):
            if b - a >= DROPOUT_RUN:
                dropouts += 1
                usable[max(0, a - int(EDGE_S * rate)):b + int(EDGE_S * rate)] = False
        hp = np.zeros(len(x))
        hp[1:-1] = x[2:] - 2 * x[1:-1] + x[:-2]
        n = len(x) // frame
        energy = (hp[:n * frame] ** 2).reshape(n, frame).mean(axis=1)
        keep = usable[:n * frame].reshape(n, frame).all(axis=1)
        energy = energy[keep]
        where = np.flatnonzero(keep)
        median = np.median(energy)
        ratio_db = 10 * np.log10(energy / median)
        i = int(np.argmax(ratio_db))
        if ratio_db[i] > worst_db:
            worst_db, worst_at = ratio_db[i], (start + where[i] * frame) / rate
    print(f"click threshold {THRESHOLD_DB:.1f} dB above the median 1 ms frame of the high-passed signal;"
          f" loudest frame {worst_db:.1f} dB at {worst_at:.3f} s; {dropouts} dropouts left out")
    if worst_db > THRESHOLD_DB:
        print("FAIL: a click")
        return 1
    print("no click")
    return 0


if __name__ == "__main__":
    sys.exit(main())
