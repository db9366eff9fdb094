// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The gliding voices' sources: a sine computed from an exact phase, tables of
// the other waveforms at every band limit a glide passes through, and noise
// of three colours. Everything here that runs on the audio thread only reads
// what was made ahead.

#include "ports/GlideVoices.h"
#include "sound/BandLimitedCycle.h"

#include <array>
#include <cstdint>
#include <memory>

namespace aurelith {

// dst[j] = (level + levelStep j) sin(2 pi (phase + c1 j + c2 j^2 / 2)) for j
// in [0, n): a tone whose frequency (c1 + c2 j cycles a frame) and level move
// linearly, its phase computed afresh for each frame in double precision.
void sineChirp(float* dst, int n, double phase, double c1, double c2, float level, float levelStep);

// One waveform, band-limited at octave steps of its number of harmonics, so a
// tone gliding over the whole range never folds a harmonic back below Nyquist.
class GlideWaveTables {
public:
    static constexpr int kLevels = 11; // 1 ... 1024 harmonics
    // Window's thread; made once per waveform. None for a sine.
    static std::shared_ptr<const GlideWaveTables> forWave(glide::Wave wave);
    // The table for a stretch whose highest frequency is maxCyclesPerFrame;
    // -1 when even the fundamental passes Nyquist.
    static int levelFor(double maxCyclesPerFrame);
    // The waveform (peak about 1) at phase in [0, 1) for a tone of
    // cyclesPerFrame (at most the stretch's highest): every harmonic below
    // Nyquist, the top octave of them faded in and out with the frequency so
    // a glide has no step.
    float at(double phase, double cyclesPerFrame, int level) const;

private:
    std::array<BandLimitedCycle, kLevels> levels_;
};

// Noise whose power falls 0, 3 or 6 dB an octave, at kRms whatever its
// colour; the two ears' noises are independent and filtered side by side.
class GlideNoise {
public:
    static constexpr double kRms = 0.25;
    static constexpr int kSections = 8;
    // A colour's filter at a rate: first-order sections y = x - zero x' + pole y'.
    struct Shape {
        std::array<float, kSections> pole{}, zero{};
        int sections = 0;
        float gain = 1;
        float peak = 1; // no value is louder (the filter's gain to a worst-case input)
    };
    // Window's thread (it sums the filter's response over the spectrum and
    // follows its impulse response).
    static Shape shape(glide::NoiseColour colour, int deviceRate);

    void reset(std::uint32_t seed);
    // Audio thread: the next n values of each ear.
    void fill(const Shape& shape, float* left, float* right, int n);

private:
    using Pair = float __attribute__((vector_size(8)));
    using Seeds = std::uint32_t __attribute__((vector_size(8)));
    Pair next()
    {
        // xorshift32 in each ear: cheap, and far longer than any sequence.
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        using Signed = std::int32_t __attribute__((vector_size(8)));
        return __builtin_convertvector(reinterpret_cast<Signed&>(state_), Pair) * (1.0f / 2147483648.0f);
    }
    Seeds state_ = {1, 2};
    std::array<Pair, kSections> x1_{}, y1_{};
};

} // namespace aurelith
