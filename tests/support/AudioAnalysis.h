// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace aurelith {

// One channel of interleaved stereo (ch 0 = left, 1 = right).
std::vector<float> channel(const std::vector<float>& interleaved, int ch);

// Root-mean-square level in dB relative to 1.0; -infinity for silence.
double rmsDb(const std::vector<float>& samples);

// The frequency of the strongest component near guessHz, to better than 1e-3 Hz
// on a few seconds of a clean periodic signal. The guess must lie within two
// DFT bins (sampleRate / size) of the truth.
double measureFrequency(const std::vector<float>& mono, double sampleRate, double guessHz);

// Peak amplitude of the component near freqHz, in dB (a full-scale sine is 0 dB).
double toneLevelDb(const std::vector<float>& mono, double sampleRate, double freqHz);

// Magnitudes of bins 0 ... n/2 of all n samples, scaled so that a sine of
// amplitude A on a bin reads A.
std::vector<double> amplitudeSpectrum(const std::vector<float>& x);

// Welch's sum of Hann-windowed periodograms over half-overlapping segments of
// n samples: the power of bins 0 ... n/2.
std::vector<double> welchPower(const std::vector<float>& x, std::size_t n);

// The strongest component of `mono` that is not a harmonic (DC excluded) of
// any of `fundamentals`, in dB relative to the strongest of the fundamentals
// themselves. Blackman-Harris window over the longest power-of-two stretch,
// so leakage stays near -90 dB.
double foreignComponentsDb(const std::vector<float>& mono, double sampleRate, const std::vector<double>& fundamentals);

// The strongest component further than bandHz from every one of `tones`, in
// dB relative to the strongest within that band (Blackman-Harris window):
// what a click or a glitch adds beside the tones.
double strayBeyondDb(const std::vector<float>& mono, double sampleRate, const std::vector<double>& tones,
                     double bandHz);

} // namespace aurelith
