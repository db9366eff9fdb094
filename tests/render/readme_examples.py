# SPDX-License-Identifier: GPL-3.0-or-later
# Checks one rendered README example against its own options.
import subprocess
import sys

import numpy as np

folder, args = sys.argv[1], sys.argv[2:]
opt = {args[i].lstrip("-"): args[i + 1] for i in range(0, len(args) - 1) if args[i].startswith("--")}
raw = subprocess.run(["sox", f"{folder}/{opt['render']}", "-t", "f32", "-"], capture_output=True, check=True).stdout
x = np.frombuffer(raw, dtype=np.float32).reshape(-1, 2)
rate, failed = 44100, []


def db(v):
    return 10 * np.log10(max(float(v), 1e-30))


# A second anywhere that is all but silent is sound the text never promised.
for start in range(0, len(x) - rate + 1, rate):
    if db(np.mean(x[start:start + rate] ** 2)) < -80:
        failed.append(f"silence from {start / rate:.0f} s")
        break
# The first minute: each ear's strongest tone is the one it is named for.
head = x[: 60 * rate]
spectrum = np.abs(np.fft.rfft(head * np.hanning(len(head))[:, None], axis=0)) ** 2
freqs = np.fft.rfftfreq(len(head), 1 / rate)
for ch, name in ((0, "left"), (1, "right")):
    want = float(opt.get(name, 160 if name == "left" else 170))
    got = freqs[np.argmax(spectrum[:, ch])]
    if abs(got - want) > 0.1:
        failed.append(f"{name} ear's strongest tone is {got:.2f} Hz, not {want} Hz")
    other = float(opt.get("right" if name == "left" else "left", 0))
    near = lambda f: spectrum[np.abs(freqs - f) < 1, ch].sum()
    if "tone-mod" not in opt and "mask" not in opt and db(near(want)) - db(near(other)) < 45:
        failed.append(f"{name} ear hears the other tone")
# A mask must be heard: everything but the tones within 20 dB of them.
if "mask" in opt:
    tones = np.zeros(len(freqs), bool)
    for f in (float(opt["left"]), float(opt["right"])):
        for k in range(1, 40):
            tones |= np.abs(freqs - k * f) < 3
    rest, peak = spectrum[~tones].sum(), spectrum[tones].sum()
    if db(rest) < db(peak) - 20:
        failed.append(f"the mask is {db(peak) - db(rest):.0f} dB below the tones")
for why in failed:
    print(f"FAIL: {' '.join(args)}: {why}")
sys.exit(1 if failed else 0)
