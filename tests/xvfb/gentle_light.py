# SPDX-License-Identifier: GPL-3.0-or-later
"""Judges the gentle light as aurelith_beatcheck saw it with "gentle": the
pixel's every value ("pixel" lines) against the recorded tones, on the
monotonic clock, with light_on_beat.py's recording and flash log readers.

usage: gentle_light.py OUTDIR LEFT_HZ RIGHT_HZ gentle count COUNT_HZ
(the driver's own arguments after the tones)

From 1 s after each press (the light takes up the beat), over each cycle of
the beat (the tones' difference) between two in-phase moments the panel takes at least 4 distinct
colours (a cycle, not a phase: a 10 Hz phase is only 3 frames at 60 Hz),
and the brightest frame around each in-phase moment starts within half a
frame and 2 ms of it. Over the count's 10 s at COUNT_HZ, the cycles per
second (a line through the times the light turns bright) are COUNT_HZ
within 0.2 %.
"""
import sys

import numpy as np

from light_on_beat import frame_period, heard_in_phase, read_flash_log, read_lines

SETTLE_MS = 1000
MIN_COLOURS = 4


def spans(pixels):
    """(start ms, how well it is known, brightness 0..765) of each value the pixel took."""
    rows = [((b + a) / 2e6, (a - b) / 2e6, (v >> 16 & 255) + (v >> 8 & 255) + (v & 255)) for b, a, v in pixels]
    return np.array(rows, float).reshape(-1, 3)


def judge_cycles(seen, moments, beat_hz, frame):
    """Distinct colours per cycle and the brightest frame's place, in one press."""
    ok = True
    beat_ms = 1000 / beat_hz
    cycles = [(m, n) for m, n in zip(moments[:-1], moments[1:])
              if abs(n - m - beat_ms) < 2 and m > seen[0, 0] and n < seen[-1, 0]]
    counts, offsets = [], []
    for m, n in cycles:
        # The value shown at m, and each one that starts within the cycle.
        inside = seen[(seen[:, 0] >= m) & (seen[:, 0] < n)]
        before = seen[seen[:, 0] < m][-1:]
        counts.append(len(set(np.concatenate([inside[:, 2], before[:, 2]]))))
        if counts[-1] < MIN_COLOURS and counts.count(counts[-1]) <= 3:
            print("  a cycle with %d colours: %s" % (counts[-1], " ".join(
                "%+.1f:%d" % (t - m, b) for t, _, b in np.concatenate([before, inside]))))
        around = seen[(seen[:, 0] >= m - beat_ms / 2) & (seen[:, 0] < m + beat_ms / 2)]
        brightest = around[np.argmax(around[:, 2])]
        offsets.append((brightest[0] - m, brightest[1]))
    if not cycles:
        print("FAIL: no whole cycle of the beat to judge")
        return False
    counts = np.array(counts)
    offsets = np.array(offsets)
    tolerance = frame / 2 + 2
    print("  %d cycles: distinct colours per cycle min %d, median %d; brightest frame minus in-phase moment:"
          " median %+.2f ms, worst %.2f ms (allowed %.2f)"
          % (len(cycles), counts.min(), np.median(counts), np.median(offsets[:, 0]),
             np.abs(offsets[:, 0]).max(), tolerance))
    if counts.min() < MIN_COLOURS:
        print("FAIL: a cycle of the %g Hz beat (%.1f frames) showed fewer than %d colours"
              % (beat_hz, beat_ms / frame, MIN_COLOURS))
        ok = False
    if (np.abs(offsets[:, 0]) - offsets[:, 1]).max() > tolerance:
        print("FAIL: a brightest frame lies more than half a frame + 2 ms from the in-phase moment")
        ok = False
    return ok


def main():
    folder, left_hz, right_hz = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
    beat_hz, count_hz = right_hz - left_hz, float(sys.argv[-1])
    flash = read_flash_log(folder + "/flash.csv")
    if len(flash) == 0 or not np.isfinite(flash[:, 1]).any():
        print("FAIL: no presented times: the gentle light is judged on X Present frames")
        return 1
    frame = frame_period(flash)
    events = read_lines(folder + "/events.txt")
    seen = spans(read_lines(folder + "/pixels.txt").get("pixel", []))
    moments, ok = heard_in_phase(folder, left_hz, right_hz)
    if moments is None:
        return 1
    print("display: frames of %.3f ms; %d pixel values seen, %d in-phase moments" % (frame, len(seen), len(moments)))
    ons = [e[0] / 1e6 for e in events.get("on", [])]
    offs = [e[0] / 1e6 for e in events.get("off", [])]
    for press, (on, off) in enumerate(zip(ons, offs), 1):
        print("press %d:" % press)
        ok = judge_cycles(seen[(seen[:, 0] > on + SETTLE_MS) & (seen[:, 0] < off)], moments, beat_hz, frame) and ok

    start, end = events["count"][0][0] / 1e6 + SETTLE_MS, offs[-1]
    bright = seen[(seen[:, 0] > start) & (seen[:, 0] < end) & (seen[:, 2] > 3 * 128)]
    previous = seen[np.searchsorted(seen[:, 0], bright[:, 0]) - 1, 2]
    turns = bright[previous <= 3 * 128, 0]  # the light turns bright once a cycle
    if len(turns) < 2 or turns[-1] - turns[0] < 9000:
        print("FAIL: fewer than 9 s of gentle light at %g Hz" % count_hz)
        return 1
    rate = 1000 / np.polyfit(np.arange(len(turns)), turns, 1)[0]
    print("%g Hz beat: %d cycles in %.2f s, %.4f cycles per second" % (count_hz, len(turns),
                                                                       (turns[-1] - turns[0]) / 1000, rate))
    if abs(rate - count_hz) > 0.002 * count_hz:
        print("FAIL: not %.3f +- %.3f cycles per second" % (count_hz, 0.002 * count_hz))
        ok = False
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
