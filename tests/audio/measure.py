#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures a recording of the program playing a binaural beat.

usage: measure.py REC.wav TONE1_HZ TONE2_HZ BEAT_HZ
       measure.py purity REC.wav TONE_HZ MIN_DB

Finds where the sound is, takes 3 s of it (or 3 s in all of the stretches
between dropouts), measures both tones (FFT peak near each expected frequency,
refined by the slope of the demodulated phase) and the beat (their difference,
and the frequency of the mixed signal's envelope). Dropouts are reported.
Exits 1 unless every figure is within 0.05 Hz of what was expected.
"""
import struct
import sys

import numpy as np

TOLERANCE_HZ = 0.05
ANALYSED_S = 3.0
SETTLE_S = 0.25  # skip the start, where the stream may still be filling
EDGE_S = 0.05  # and the edges of a dropout
MIN_SEGMENT_S = 1.5
BLOCK_S = 0.01


def read_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a WAV file")
    pos, fmt, raw = 12, None, None
    while pos + 8 <= len(data):
        tag = data[pos:pos + 4]
        size = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = pos + 8
        if tag == b"fmt ":
            fmt = struct.unpack("<HHIIHH", data[body:body + 16])
            if fmt[0] == 0xFFFE:  # extensible: the real tag opens the sub-format
                fmt = (struct.unpack("<H", data[body + 24:body + 26])[0],) + fmt[1:]
        elif tag == b"data":
            # A recorder stopped early may leave the size unset: take what is there.
            end = body + size if 0 < size <= len(data) - body else len(data)
            raw = data[body:end]
            break
        pos = body + size + (size & 1)
    if fmt is None or raw is None:
        raise ValueError("no fmt or data chunk")
    kind, channels, rate, _, block, bits = fmt
    raw = raw[:len(raw) - len(raw) % block]
    if kind == 3 and bits == 32:
        x = np.frombuffer(raw, "<f4").astype(np.float64)
    elif kind == 1 and bits == 16:
        x = np.frombuffer(raw, "<i2") / 32768.0
    elif kind == 1 and bits == 32:
        x = np.frombuffer(raw, "<i4") / 2147483648.0
    elif kind == 1 and bits == 24:
        b = np.frombuffer(raw, np.uint8).reshape(-1, 3).astype(np.int32)
        x = ((b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)) << 8 >> 8) / 8388608.0
    else:
        raise ValueError("unsupported sample format %d/%d bits" % (kind, bits))
    return x.reshape(-1, channels), rate


def sounding_runs(x, rate):
    """(begin, end) samples of each run of 10 ms blocks within 20 dB of the loudest."""
    block = int(BLOCK_S * rate)
    count = len(x) // block
    if count == 0:
        return []
    blocks = x[:count * block].reshape(count, block, -1)
    level = np.sqrt((blocks ** 2).mean(axis=(1, 2)))
    if level.max() == 0:
        return []
    edges = np.diff(np.concatenate(([0], (level > 0.1 * level.max()).astype(int), [0])))
    return list(zip(np.flatnonzero(edges == 1) * block, np.flatnonzero(edges == -1) * block))


def pick_segments(runs, rate):
    """3 s of the longest unbroken run, or else every long enough run between dropouts.

    A loaded machine may starve the sound server for a moment; such a dropout says
    nothing about the pitch, so the clean stretches around it are measured instead.
    """
    settle, edge = int(SETTLE_S * rate), int(EDGE_S * rate)
    trimmed = [(b + (settle if i == 0 else edge), e - edge) for i, (b, e) in enumerate(runs)]
    trimmed = [(b, e) for b, e in trimmed if e > b]
    wanted = int(ANALYSED_S * rate)
    longest = max(trimmed, key=lambda r: r[1] - r[0], default=(0, 0))
    if longest[1] - longest[0] >= wanted:
        return [(longest[0], longest[0] + wanted)]
    usable = [(b, e) for b, e in trimmed if e - b >= MIN_SEGMENT_S * rate]
    return usable if sum(e - b for b, e in usable) >= wanted else []


def coarse_peak(x, rate, expected, search_hz=2.0):
    n = len(x)
    size = 1 << int(np.ceil(np.log2(8 * n)))
    spectrum = np.abs(np.fft.rfft(x * np.hanning(n), size))
    freqs = np.fft.rfftfreq(size, 1.0 / rate)
    band = np.flatnonzero(np.abs(freqs - expected) <= search_hz)
    k = band[np.argmax(spectrum[band])]
    a, b, c = np.log(spectrum[k - 1:k + 2] + 1e-300)
    offset = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c < 0 else 0.0
    return freqs[k] + offset * rate / size


def demodulate(x, rate, freq, window_s=1.0, hop_s=0.05):
    """Complex amplitude at freq in Hann windows sliding along x: (times, values)."""
    size = int(window_s * rate)
    hop = int(hop_s * rate)
    window = np.hanning(size)
    t = np.arange(len(x)) / rate
    z = x * np.exp(-2j * np.pi * freq * t)
    starts = np.arange(0, len(x) - size + 1, hop)
    values = np.array([np.dot(z[s:s + size], window) for s in starts]) * 2 / window.sum()
    return (starts + size / 2) / rate, values


def tone(x, rate, expected):
    """(frequency, amplitude) of the component near expected.

    The frequency follows the median phase advance between neighbouring windows,
    so a short stall of the sound server (a few lost milliseconds, too short to
    show as a dropout) shifts one or two steps and not the result.
    """
    f = coarse_peak(x, rate, expected)
    for _ in range(3):
        times, values = demodulate(x, rate, f, window_s=0.5)
        advance = np.angle(values[1:] * np.conj(values[:-1]))
        step = np.median(advance) / (2 * np.pi * (times[1] - times[0]))
        if abs(step) > 0.25:
            break  # nothing steady here: the phase follows leakage from elsewhere
        f += step
    _, values = demodulate(x, rate, f, window_s=0.5)
    return f, float(np.median(np.abs(values)))


def envelope(x):
    spectrum = np.fft.fft(x)
    n = len(x)
    gain = np.zeros(n)
    gain[0] = 1
    gain[1:(n + 1) // 2] = 2
    if n % 2 == 0:
        gain[n // 2] = 1
    env = np.abs(np.fft.ifft(spectrum * gain))
    return env - env.mean()


def db(amplitude):
    return 20 * np.log10(amplitude) if amplitude > 0 else float("-inf")


def measure_segment(x, rate, tones, beat):
    """Per tone: (frequency, amplitude) in each ear; and the envelope's beat frequency."""
    per_tone = [[tone(x[:, ch], rate, expected) for ch in (0, 1)] for expected in tones]
    beat_env, _ = tone(envelope(x[:, 0] + x[:, 1]), rate, beat)
    return per_tone, beat_env


def purity(path, hz, min_db):
    """Every component but the tone (and DC) at least min_db below it, in each ear.

    Measured in half-second windows, the second cleanest counting: a stall of
    the sound server for a few samples (too short to show as a dropout) smears
    the windows it falls in around the tone, which says nothing about what the
    program plays, and the program's steady tone is the same in every window.
    """
    x, rate = read_wav(path)
    runs = sounding_runs(x, rate)
    if not runs:
        print("FAIL: the recording is silent")
        return 1
    begin, end = max(runs, key=lambda r: r[1] - r[0])
    begin += int(SETTLE_S * rate)
    end -= int(EDGE_S * rate)
    size = rate // 2
    starts = range(begin, end - size + 1, size // 2)
    if len(starts) < 4:
        print("FAIL: less than 1.25 s of sound without dropouts")
        return 1
    window = np.kaiser(size, 20)  # side lobes far below what is measured
    freqs = np.fft.rfftfreq(size, 1.0 / rate)
    near = np.abs(freqs - hz) <= 30
    ok = True
    for ch, ear in ((0, "left"), (1, "right")):
        found = []
        for s in starts:
            spectrum = np.abs(np.fft.rfft(x[s:s + size, ch] * window))
            others = np.where(~near & (freqs > 20), spectrum, 0)
            worst = int(np.argmax(others))
            found.append((db(others[worst] / spectrum[near].max()), freqs[worst]))
        found.sort()
        level, where = found[1]
        good = level <= -min_db
        ok &= good
        smeared = sum(1 for f in found if f[0] > -min_db)
        print("%s ear: %g Hz tone, strongest other component %.1f dB at %.0f Hz (%d of %d windows smeared) %s"
              % (ear, hz, level, where, smeared, len(found), "ok" if good else "WRONG"))
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


def main(argv):
    if len(argv) == 5 and argv[1] == "purity":
        return purity(argv[2], float(argv[3]), float(argv[4]))
    if len(argv) != 5:
        print(__doc__.strip().splitlines()[2])
        return 2
    path, tones, beat = argv[1], (float(argv[2]), float(argv[3])), float(argv[4])
    x, rate = read_wav(path)
    if x.shape[1] < 2:
        print("FAIL: the recording is not stereo")
        return 1
    runs = sounding_runs(x, rate)
    if not runs:
        print("FAIL: the recording is silent")
        return 1
    print("recording: %.2f s at %d Hz; sound from %.2f s to %.2f s"
          % (len(x) / rate, rate, runs[0][0] / rate, runs[-1][1] / rate))
    for (_, gap_begin), (gap_end, _) in zip(runs, runs[1:]):
        print("note: the sound dropped out at %.2f s for %.2f s" % (gap_begin / rate, (gap_end - gap_begin) / rate))
    segments = pick_segments(runs, rate)
    if not segments:
        print("FAIL: less than %.1f s of sound without dropouts" % ANALYSED_S)
        return 1
    results = [measure_segment(x[b:e, :2], rate, tones, beat) for b, e in segments]
    weights = np.array([e - b for b, e in segments], float)
    weights /= weights.sum()
    # Weighted over the segments: [tone][channel][frequency or amplitude].
    per_tone = np.tensordot(weights, np.array([r[0] for r in results]), axes=1)
    beat_env = float(np.dot(weights, [r[1] for r in results]))
    print("measured %.2f s in %d stretch(es)" % (sum(e - b for b, e in segments) / rate, len(segments)))

    ok = True
    measured = []
    for expected, (left, right) in zip(tones, per_tone):
        freq, ear = (left[0], "left") if left[1] >= right[1] else (right[0], "right")
        measured.append(freq)
        good = abs(freq - expected) <= TOLERANCE_HZ
        ok &= good
        print("tone %g Hz: %.5f Hz, strongest in the %s ear (left %.1f dB, right %.1f dB) %s"
              % (expected, freq, ear, db(left[1]), db(right[1]), "ok" if good else "WRONG"))

    difference = abs(measured[1] - measured[0])
    for name, value in (("difference", difference), ("envelope", beat_env)):
        good = abs(value - beat) <= TOLERANCE_HZ
        ok &= good
        print("beat (%s): %.5f Hz %s" % (name, value, "ok" if good else "WRONG"))
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
