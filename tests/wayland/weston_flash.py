# SPDX-License-Identifier: GPL-3.0-or-later
"""Judges a run of aurelith_beatcheck under Weston: the flash log's presented
times against the heard beat.

usage: weston_flash.py LIGHT_ON_BEAT_PY OUTDIR LEFT_HZ RIGHT_HZ BEAT_HZ

Over the 20 s of flashing, at least 95 % of the phases have a presented
time; each stimulation onset's presented time lies within half a frame and
2 ms of its intended moment (the program's in-phase moment as heard), and
the onsets as a whole lie on the in-phase moments of the recorded tones
(their median within the same bound). Onsets just after a jump of the
recorded sound are counted, not judged, as in light_on_beat.py. Printed too: where the onsets would
lie without the delay correction, a whole commit-to-present delay later.
"""
import os
import re
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(sys.argv[1])))
import light_on_beat as lob  # noqa: E402  (the recording's clock and its in-phase moments)


def display_line(program_log):
    """The frame period and the commit-to-present delay of the program's last "light on the beat" line."""
    found = re.findall(r"light on the beat:.*frame ([0-9.]+) ms, commit to present ([0-9.]+) ms",
                       open(program_log).read())
    return (float(found[-1][0]), float(found[-1][1])) if found else (None, None)


def main():
    folder, left_hz, right_hz, beat_hz = sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), float(sys.argv[5])
    ok = True
    events = lob.read_lines(folder + "/events.txt")
    start, end = events["count"][0][0] / 1e6, events["off"][-1][0] / 1e6
    flash = lob.read_flash_log(folder + "/flash.csv")
    rows = flash[(flash[:, 0] > start) & (flash[:, 0] < end)]
    shown = np.isfinite(rows[:, 1])
    span = (rows[-1, 0] - rows[0, 0]) / 1000 if len(rows) else 0
    print("flash log: %d phases over %.1f s, %d with a presented time (%.1f %%)"
          % (len(rows), span, np.count_nonzero(shown), 100 * np.count_nonzero(shown) / max(len(rows), 1)))
    if span < 19 or np.count_nonzero(shown) < 0.95 * len(rows):
        print("FAIL: fewer than 95 % of 20 s of phases have a presented time")
        return 1

    times = rows[shown]
    # The display's frame as the compositor reports it (a compositor that
    # repaints on demand shows phases of any length, so the log's frames are rounded).
    frame, delay = display_line(folder + "/program.log")
    if frame is None:
        print("FAIL: the program's log gives no frame period nor commit-to-present delay")
        return 1
    tolerance = frame / 2 + 2
    onsets = times[times[:, 3] == 1]
    offsets = onsets[:, 1] - onsets[:, 0]
    print("onsets: %d presented, minus their moments as heard: median %+.1f ms, worst %+.1f ms (allowed %.1f: half"
          " a frame of %.2f ms and 2 ms)" % (len(onsets), np.median(offsets), offsets[np.argmax(np.abs(offsets))],
                                             tolerance, frame))
    late = offsets + delay
    print("without the delay correction (committed at the moment, %.1f ms commit to present): median %+.1f ms,"
          " worst %+.1f ms" % (delay, np.median(late), late[np.argmax(np.abs(late))]))

    # The moments as heard against the recorded tones: the clock conversion and
    # the heard clock together put the light on the beat one really hears.
    log = lob.read_lines(folder + "/monitor.txt")
    heard_ms = lob.capture_clock(log["chunk"])
    audio = np.fromfile(folder + "/monitor.raw", dtype="<i2").reshape(-1, 2).astype(float)
    moments = heard_ms(lob.in_phase_frames(audio, left_hz, right_hz))
    if len(moments) < 2:
        print("FAIL: no in-phase moments recorded")
        return 1
    i = np.clip(np.searchsorted(moments, onsets[:, 1]), 1, len(moments) - 1)
    recorded = np.where(np.abs(onsets[:, 1] - moments[i]) < np.abs(onsets[:, 1] - moments[i - 1]),
                        onsets[:, 1] - moments[i], onsets[:, 1] - moments[i - 1])
    print("onsets minus the recorded in-phase moments: median %+.1f ms, 90 %% within %.1f ms"
          % (np.median(recorded), np.percentile(np.abs(recorded), 90)))
    if abs(np.median(recorded)) > tolerance:
        print("FAIL: the onsets are not on the recorded beat")
        ok = False

    # As in light_on_beat.py: after the recorded sound itself jumped (the
    # server ran dry, so the tones came back later than their clock), the
    # light takes up the new beat in bounded steps; onsets in the 1.5 s after
    # such a jump are reported, not judged, and more than a third so excluded fails.
    intervals = np.diff(moments)
    jumps = moments[1:][np.abs(intervals - np.median(intervals)) > 2]
    after = np.array([((t > jumps) & (t < jumps + 1500)).any() for t in onsets[:, 1]], bool)
    if after.any():
        print("%d onsets within 1.5 s after a jump of the recorded sound, not judged" % np.count_nonzero(after))
    if np.count_nonzero(after) > len(onsets) / 3:
        print("FAIL: the sound jumped too often to judge the light")
        ok = False
    judged = offsets[~after]
    if len(onsets) < 0.9 * beat_hz * 20 or len(judged) == 0 or np.abs(judged).max() > tolerance:
        print("FAIL: an onset's presented time lies more than %.1f ms from its moment as heard" % tolerance)
        ok = False
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
