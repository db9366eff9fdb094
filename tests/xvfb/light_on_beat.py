# SPDX-License-Identifier: GPL-3.0-or-later
"""Judges what aurelith_beatcheck saw: the recorded sound and the flash surface's
pixel, both on the monotonic clock.

usage: light_on_beat.py OUTDIR LEFT_HZ RIGHT_HZ [count [BEAT_HZ]]
       light_on_beat.py OUTDIR CARRIER_HZ CARRIER_HZ slide

The recording's time axis comes from its chunk stamps (a line fitted through
them), checked against a probe tone whose onset time its own playback stream
told. The tones' in-phase moments are where the phases of the left tone (in
the left channel) and the right tone (in the right channel) are equal; every
stimulation onset in the 2 s after each "ColorOn" must lie within 10 ms of
one. With "count", the flashes per second over 10 s at the 6 Hz beat (or
BEAT_HZ) as well.

Where the flash log (flash.csv) has presented times (the X server has the
Present extension), the onsets must lie within half a frame and 2 ms of the
beat; each colour change the sampler saw within 1 ms of a presented time
and each presented time within 2 ms of a change seen; and in the count's
10 s each phase lasts the whole frames just below or above its length, the
onsets' rate the beat within 0.1 %, and at most 5 % of the changes missed
their target frame.

With "slide" (a sequence whose beat slides from 10 Hz to 6 Hz over its first
minute, both tones read at the carrier), every onset while the strobe was on
must lie within 10 ms of an in-phase moment; the beat changes, so a gap or a
jump of the sound is judged against the neighbouring in-phase moments, and the
recorded beat must start near 10 Hz and end near 6 Hz. The driver's CPU time
over the slide is printed; the program's own is measured by bench/cost.sh.
"""
import sys

import numpy as np

RATE = 44100
TOLERANCE_MS = 10.0
PROBE_TOLERANCE_MS = 2.0
MISSED_SHARE = 0.05  # of the presented changes in the count
WINDOW = 2205  # 50 ms per phase reading
HOP = 441      # one reading every 10 ms


def read_lines(path):
    rows = {}
    with open(path) as f:
        for line in f:
            key, *values = line.split()
            rows.setdefault(key, []).append([int(v) for v in values])
    return rows


def capture_clock(chunks):
    """Monotonic ms of each frame: a least-squares line through the stamps."""
    frames = np.array([c[0] for c in chunks], float)
    ns = np.array([c[1] for c in chunks], float)
    keep = np.ones(len(frames), bool)
    for _ in range(3):  # a chunk delivered late is a stamp off the line, not a slower clock
        slope, offset = np.polyfit(frames[keep], ns[keep], 1)
        residual = ns - (slope * frames + offset)
        keep = np.abs(residual) < 3 * np.median(np.abs(residual)) + 0.5e6
    print("recording: %d chunks, %.1f s, stamps within %.2f ms of the line (median %.2f), %d dropped,"
          " rate %.2f frames/s" % (len(chunks), (ns[-1] - ns[0]) / 1e9, np.abs(residual[keep]).max() / 1e6,
                                   np.median(np.abs(residual)) / 1e6, np.count_nonzero(~keep), 1e9 / slope))
    return lambda frame: (slope * np.asarray(frame, float) + offset) / 1e6


def tone_phase(x, hz):
    """The tone's phase (radians, on the frame count) at each reading's centre, and its amplitude."""
    window = np.hanning(WINDOW)
    starts = np.arange(0, len(x) - WINDOW, HOP)
    n = np.arange(WINDOW)
    phases, amplitudes = [], []
    for s in starts:
        z = np.sum(window * x[s:s + WINDOW] * np.exp(-2j * np.pi * hz * (s + n) / RATE))
        amplitudes.append(abs(z))
        centre = s + WINDOW / 2
        phases.append(np.angle(z) + 2 * np.pi * hz * centre / RATE)
    return starts + WINDOW / 2, np.array(phases), np.array(amplitudes)


def in_phase_frames(audio, left_hz, right_hz, floor=0.5):
    """Frames at which the two tones are in phase, where both sound (above
    floor of their loudest). A tone a few Hz off the frequency it is read at
    still gives its phase: the phases are only compared, reading by reading."""
    centres, left, a = tone_phase(audio[:, 0], left_hz)
    _, right, b = tone_phase(audio[:, 1], right_hz)
    sounding = (a > floor * a.max()) & (b > floor * b.max())
    frames = []
    # Runs of readings where both sound; the difference unwrapped within each.
    edges = np.flatnonzero(np.diff(np.concatenate([[0], sounding.astype(int), [0]])))
    for begin, end in zip(edges[::2], edges[1::2]):
        if end - begin < 3:
            continue
        turns = np.unwrap(left[begin:end] - right[begin:end]) / (2 * np.pi)
        c = centres[begin:end]
        for k in range(int(np.ceil(turns.min())), int(np.floor(turns.max())) + 1):
            i = np.searchsorted(turns, k) if turns[-1] > turns[0] else np.searchsorted(-turns, -k)
            if 0 < i < len(turns):
                t = (k - turns[i - 1]) / (turns[i] - turns[i - 1])
                frames.append(c[i - 1] + t * (c[i] - c[i - 1]))
    return np.sort(np.array(frames))


def onsets(pixels):
    """Monotonic ms of each change to the stimulation colour: the middle of the
    two samples around it, and half their distance (how well it is known)."""
    rows = np.array([(before + at, at - before) for before, at, bright in pixels if bright == 1], float)
    return (rows[:, 0] / 2e6, rows[:, 1] / 2e6) if len(rows) else (np.array([]), np.array([]))


def read_flash_log(path):
    """(intended, presented or nan, frames or 0, stimulation?, missed?) per row."""
    rows = []
    try:
        with open(path) as f:
            next(f)
            for line in f:
                intended, presented, frames, colour, missed = line.strip().split(",")
                rows.append((float(intended), float(presented) if presented else np.nan, int(frames or 0),
                             colour.lower() == "#ffffff", missed == "yes"))
    except (OSError, StopIteration):
        pass
    return np.array(rows, float).reshape(-1, 5)


def outside(times, brackets):
    """How far each time lies outside its (earliest, latest) bracket, 0 inside."""
    return np.maximum(0, np.maximum(brackets[:, 0] - times, times - brackets[:, 1]))


def judge_presented(flash, pixels, start, end, beat_hz):
    """The presented times against the sampler, the frames, the rate."""
    ok = True
    rows = flash[(flash[:, 1] > start) & (flash[:, 1] < end)]
    every_change = np.array([(b / 1e6, a / 1e6) for b, a, _ in pixels.get("change", [])], float).reshape(-1, 2)
    changes = every_change[(every_change[:, 0] > start) & (every_change[:, 1] < end)]  # wholly inside the run
    presented = np.sort(rows[:, 1])
    # Each side is matched against the other's every entry: at the run's ends
    # a change's bracket (wide on a busy machine) may reach past the window
    # its presented time lies in.
    every_presented = np.sort(flash[np.isfinite(flash[:, 1]), 1])
    if len(every_presented) < 2 or len(every_change) < 2:
        print("FAIL: %d presented times and %d changes seen" % (len(every_presented), len(every_change)))
        return False
    # Each change seen: a presented time within 1 ms of its bracket.
    i = np.clip(np.searchsorted(every_presented, changes[:, 0]), 1, len(every_presented) - 1)
    gap = np.minimum(outside(every_presented[i], changes), outside(every_presented[i - 1], changes))
    print("presented: %d changes seen, %d presented; seen change to the nearest presented time: worst %.2f ms"
          % (len(changes), len(presented), gap.max() if len(gap) else -1))
    if len(gap) == 0 or gap.max() > 1.0:
        print("FAIL: a change seen lies more than 1 ms from a presented time")
        ok = False
    j = np.clip(np.searchsorted(every_change[:, 0], presented), 1, len(every_change) - 1)
    back = np.minimum(outside(presented, every_change[j]), outside(presented, every_change[j - 1]))
    print("flash log: presented time to the nearest change seen: worst %.2f ms" % back.max())
    if back.max() > 2.0:
        print("FAIL: a presented time in the flash log lies more than 2 ms from what the sampler saw")
        ok = False
    if beat_hz is None:
        return ok
    # The count's beat sweeps every moment between two frames: a change made
    # too close to its frame for the server shows up here as a miss, whatever
    # the presses' beat happened to fall on. A few may be load.
    missed = np.count_nonzero(rows[:, 4])
    print("target frames missed: %d of %d" % (missed, len(rows)))
    if missed > MISSED_SHARE * len(rows):
        print("FAIL: more than %d %% of the changes missed their target frame" % (MISSED_SHARE * 100))
        ok = False
    frames = rows[:-1, 2]
    cumulative = np.concatenate([[0], np.cumsum(frames)])
    period = np.polyfit(cumulative, rows[:, 1], 1)[0]
    length = 500 / beat_hz / period
    allowed = (frames == np.floor(length)) | (frames == np.ceil(length))
    print("phases: %s frames of %.3f ms (%.3f frames each), %d of %d whole frames below or above"
          % (" ".join("%d" % f for f in frames[:24]), period, length, np.count_nonzero(allowed), len(frames)))
    if not allowed.all():
        print("FAIL: a phase lasts other than the whole frames below or above its length")
        ok = False
    onsets = rows[rows[:, 3] == 1, 1]
    rate = 1000 / np.polyfit(np.arange(len(onsets)), onsets, 1)[0]
    print("presented onsets: %.4f per second for a %.2f Hz beat (%+.3f %%)" % (rate, beat_hz, (rate / beat_hz - 1) * 100))
    if abs(rate / beat_hz - 1) > 0.001:
        print("FAIL: the mean rate is not the beat within 0.1 %")
        ok = False
    return ok


def heard_in_phase(folder, left_hz, right_hz, floor=0.5):
    """The in-phase moments of the recorded tones (monotonic ms), once the
    recording's stamps were checked against the probe; and whether they held."""
    log = read_lines(folder + "/monitor.txt")
    heard_ms = capture_clock(log["chunk"])
    audio = np.fromfile(folder + "/monitor.raw", dtype="<i2").reshape(-1, 2).astype(float)
    ok = True

    # The stamps against the probe: its first loud frame, and when its stream said.
    probe = audio[:, 0]
    first = np.flatnonzero(np.abs(probe) > 1000)
    readings = [p[0] for p in log.get("probe", [[0]])]
    told = np.median(readings[len(readings) // 2:]) / 1e6
    if len(first) == 0 or "probe" not in log:
        print("FAIL: the probe tone was not recorded")
        return None, False
    # The 1 kHz sine's first sample above 1000 of 8000 comes 0.02 ms after its start.
    error = heard_ms(first[0]) - told
    print("probe onset: recorded %+.2f ms from where its stream heard it (its readings spread %.2f ms)"
          % (error, (max(readings) - min(readings)) / 1e6))
    if abs(error) > PROBE_TOLERANCE_MS:
        print("FAIL: the recording's time stamps are off")
        ok = False

    return heard_ms(in_phase_frames(audio, left_hz, right_hz, floor)), ok


def frame_period(flash):
    """The display's frame (ms) from the flash log's presented times."""
    times = flash[np.isfinite(flash[:, 1])]
    return np.median(np.diff(times[:, 1]) / np.maximum(times[:-1, 2], 1))


def summary(values):
    v = np.abs(values)
    return "median %.1f ms, worst %.1f ms" % (np.median(v), v.max())


def judge_slide(folder, carrier_hz):
    """Every onset of the sliding strobe against the in-phase moments of the
    sliding tones, and the program's CPU time while it played."""
    # Silence comes before the slide, and its fade-in rises from nothing while
    # the strobe already flashes: the tones are read from a thousandth of
    # their full level (a recording without noise keeps their phase there).
    moments, ok = heard_in_phase(folder, carrier_hz, carrier_hz, floor=0.001)
    events = read_lines(folder + "/events.txt")
    on, off = events["on"][0][0] / 1e6, events["off"][0][0] / 1e6
    if moments is not None:
        moments = moments[moments > on]
    if moments is None or len(moments) < 20:
        print("FAIL: the sliding tones were not recorded")
        return False
    flashes, margin = onsets(read_lines(folder + "/pixels.txt").get("change", []))
    inside = (flashes > on) & (flashes < off)
    seen, margin = flashes[inside], margin[inside]
    intervals = np.diff(moments)
    # Each interval against the median of its neighbours: the beat's own
    # slide moves it by well under a millisecond a beat.
    local = np.array([np.median(intervals[max(0, k - 4):k + 5]) for k in range(len(intervals))])
    rate = lambda a, b: 1000 / np.median(intervals[(moments[1:] > on + a) & (moments[1:] < on + b)])
    print("recorded beat: %.3f Hz in the first 2 s, %.3f Hz at 30 s, %.3f Hz from 61 s to 64 s"
          % (rate(0, 2000), rate(29000, 31000), rate(61000, 64000)))
    if not (9.6 < rate(0, 2000) <= 10.01 and abs(rate(61000, 64000) - 6) < 0.02):
        print("FAIL: the recorded beat did not slide from 10 Hz to 6 Hz")
        ok = False
    k = np.clip(np.searchsorted(moments, seen), 1, len(moments) - 1)
    nearest, before = moments[k], moments[k - 1]
    offsets = np.where(np.abs(seen - nearest) < np.abs(seen - before), seen - nearest, seen - before)
    # As for the presses: onsets in a gap of the sound, or in the 1.5 s after
    # it jumped, are reported and not judged, up to a share.
    gap = intervals[k - 1] > 1.5 * local[k - 1]
    # Onsets before the first readable in-phase moment or after the last have
    # no moment on one side to be judged against.
    unread = (seen < moments[0] - local[0] / 2) | (seen > moments[-1] + local[-1] / 2)
    gap &= ~unread
    # The first interval, read where the fade-in is a few thousandths of its
    # full level, carries the ramp's bias (about 2 ms): not a jump of the sound.
    jumps = moments[2:][np.abs(intervals[1:] - local[1:]) > 2]
    after = np.array([((s > jumps) & (s < jumps + 1500)).any() for s in seen], bool) & ~(gap | unread)
    print("slide: %d onsets in %.1f s; not judged: %d before or after the tones could be read, %d in gaps"
          " of the sound, %d after its jumps"
          % (len(seen), (off - on) / 1000, np.count_nonzero(unread), np.count_nonzero(gap), np.count_nonzero(after)))
    if len(seen) < 400 or np.count_nonzero(gap | after | unread) > len(seen) / 10:
        print("FAIL: too few onsets, or too many not judged")
        return False
    judged = ~(gap | after | unread)
    offsets, margin, seen = offsets[judged], margin[judged], seen[judged]
    worst = int(np.argmax(np.abs(offsets)))
    print("slide: light minus beat: %s (mean %+.1f ms; worst %.1f s into the slide)"
          % (summary(offsets), np.mean(offsets), (seen[worst] - on) / 1000))
    if (np.abs(offsets) - margin).max() > TOLERANCE_MS:
        print("FAIL: an onset lies more than %.1f ms from the sliding beat" % TOLERANCE_MS)
        ok = False
    cpu, wall = events["cpu"][0]
    print("driver CPU while the slide played: %.2f %% of one core over %.1f s" % (100 * cpu / wall, wall / 1e9))
    return ok


def main():
    if sys.argv[4:5] == ["slide"]:
        ok = judge_slide(sys.argv[1], float(sys.argv[2]))
        print("PASS" if ok else "FAIL")
        return 0 if ok else 1
    folder, left_hz, right_hz = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
    args = [a for a in sys.argv[4:] if a != "paint"]
    count = len(args) > 0 and args[0] == "count"
    count_beat = float(args[1]) if len(args) > 1 else 6.0
    flash = read_flash_log(folder + "/flash.csv")
    present = len(flash) > 0 and np.isfinite(flash[:, 1]).any()
    tolerance = TOLERANCE_MS
    if present:
        frame = frame_period(flash)
        tolerance = frame / 2 + 2
        print("display: Present, frames of %.2f ms: onsets within %.1f ms of the beat" % (frame, tolerance))
    events = read_lines(folder + "/events.txt")
    pixels = read_lines(folder + "/pixels.txt")
    moments, ok = heard_in_phase(folder, left_hz, right_hz)
    if moments is None:
        return 1
    flashes, uncertain = onsets(pixels.get("change", []))
    print("pixel: %d samples, %d stimulation onsets; %d in-phase moments recorded"
          % (pixels["samples"][0][0], len(flashes), len(moments)))
    ons = [e[0] / 1e6 for e in events.get("on", [])]
    offs = [e[0] / 1e6 for e in events.get("off", [])]
    every = []
    for press, (on, off) in enumerate(zip(ons, offs), 1):
        inside = (flashes > on) & (flashes < off)
        inside &= flashes <= flashes[inside][0] + 2000 if inside.any() else inside
        seen, margin = flashes[inside], uncertain[inside]
        if len(seen) < 17 or len(moments) == 0:
            print("FAIL: press %d: %d onsets in 2 s" % (press, len(seen)))
            ok = False
            continue
        nearest = moments[np.clip(np.searchsorted(moments, seen), 1, len(moments) - 1)]
        before = moments[np.clip(np.searchsorted(moments, seen) - 1, 0, len(moments) - 1)]
        offsets = np.where(np.abs(seen - nearest) < np.abs(seen - before), seen - nearest, seen - before)
        # An onset between in-phase moments more than a beat and a half apart
        # fell in a gap of the recorded sound (a dropout): there was no beat to
        # be on. A few are reported, not judged; more than one in ten fails.
        beat_ms = 1000 / abs(right_hz - left_hz)
        heard = (nearest - before < 1.5 * beat_ms) & (seen > before - beat_ms) & (seen < nearest + beat_ms)
        if np.count_nonzero(~heard):
            print("press %d: %d onsets in gaps of the recorded sound, not judged" % (press, np.count_nonzero(~heard)))
        if np.count_nonzero(~heard) > len(seen) / 10:
            print("FAIL: press %d: the sound had gaps around %d onsets" % (press, np.count_nonzero(~heard)))
            ok = False
        # After the sound itself jumped (the server ran dry, so the tones came
        # back later than their clock), the light takes up the new beat in
        # bounded steps: onsets in the 1.5 s after such a jump are reported,
        # not judged. A jump is an interval between in-phase moments more
        # than 2 ms from the beat's period.
        intervals = np.diff(moments)
        jumps = moments[1:][np.abs(intervals - np.median(intervals)) > 2]
        after = np.array([((s > jumps) & (s < jumps + 1500)).any() for s in seen], bool)
        if np.count_nonzero(after & heard):
            print("press %d: %d onsets within 1.5 s after a jump of the recorded sound, not judged"
                  % (press, np.count_nonzero(after & heard)))
        if np.count_nonzero(after & heard) > len(seen) / 3:
            print("FAIL: press %d: the sound jumped too often to judge the light" % press)
            ok = False
        heard &= ~after
        seen, margin, offsets = seen[heard], margin[heard], offsets[heard]
        every.extend(offsets)
        worst = int(np.argmax(np.abs(offsets)))
        print("press %d: %d onsets, light minus beat: %s (mean %+.1f ms; worst at onset %d, %.0f ms after the press)"
              % (press, len(seen), summary(offsets), np.mean(offsets), worst + 1, seen[worst] - on))
        # The sampler may have been held up around an onset: only an onset
        # whose whole bracket lies beyond the tolerance is surely off the beat.
        if (np.abs(offsets) - margin).max() > tolerance:
            print("FAIL: press %d: an onset lies more than %.1f ms from the beat" % (press, tolerance))
            ok = False
        if present:
            ok = judge_presented(flash, pixels, on, off, None) and ok
    if every:
        print("all presses: %s" % summary(np.array(every)))

    if count:
        start, end = events["count"][0][0] / 1e6, offs[-1]
        seen = flashes[(flashes > start) & (flashes < end)]
        rate = (len(seen) - 1) / (seen[-1] - seen[0]) * 1000 if len(seen) > 1 else 0
        if len(seen) < 2 or seen[-1] - seen[0] < 10000:
            print("FAIL: fewer than 10 s of flashing at %g Hz" % count_beat)
            ok = False
        changes = np.array([(b + a) / 2e6 for b, a, _ in pixels["change"]])
        changes = changes[(changes >= seen[0]) & (changes <= seen[-1])] if len(seen) else changes
        phases = np.diff(changes)
        print("%g Hz beat: %d onsets in %.2f s, %.4f flashes per second; phases median %.2f ms"
              % (count_beat, len(seen), (seen[-1] - seen[0]) / 1000 if len(seen) else 0, rate, np.median(phases) if len(phases) else 0))
        if present:
            ok = judge_presented(flash, pixels, seen[0] - 1, seen[-1] + 1, count_beat) and ok
        elif abs(rate - count_beat) > 0.002 * count_beat or len(phases) == 0 or \
                abs(np.median(phases) - 500 / count_beat) > 3:
            print("FAIL: not %.3f +- 0.2 %% flashes per second in phases of %.1f ms"
                  % (count_beat, 500 / count_beat))
            ok = False

    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
