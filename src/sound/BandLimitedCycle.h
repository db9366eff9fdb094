// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/SoundSystem.h"
#include "sound/PcmData.h"

#include <memory>
#include <vector>

namespace aurelith {

// One cycle of a periodic sound, rebuilt from its harmonics below the device's
// Nyquist frequency and oversampled so that a cubic reader adds nothing that
// is not a harmonic. A tone file holds one cycle in few samples at high
// pitches (three at 15 kHz); read plainly, its images fold back as false tones.
struct BandLimitedCycle {
    std::vector<float> table; // power-of-two length, one cycle
    unsigned mask = 0;        // table.size() - 1
    // Not 0 when the cycle is this amplitude times sin(2 pi phase) and
    // nothing else: the mixer then computes it rather than reading the table.
    double sineAmplitude = 0;
    // No reading of the cycle is louder than this.
    float peak = 0;

    // Reads the cycle at phase in [0, 1).
    float at(double phase) const
    {
        const double x = phase * static_cast<double>(table.size());
        const auto i = static_cast<unsigned>(x);
        const float t = static_cast<float>(x - static_cast<double>(i));
        const float y0 = table[(i - 1) & mask], y1 = table[i & mask];
        const float y2 = table[(i + 1) & mask], y3 = table[(i + 2) & mask];
        // Four-point Lagrange interpolation, as a polynomial in t (fewer products).
        const float c1 = y2 - (1.0f / 3) * y0 - 0.5f * y1 - (1.0f / 6) * y3;
        const float c2 = 0.5f * (y0 + y2) - y1;
        const float c3 = (1.0f / 6) * (y3 - y0) + 0.5f * (y1 - y2);
        return ((c3 * t + c2) * t + c1) * t + y1;
    }
};

// Longest loop treated as one cycle of a tone (10 Hz at 48 kHz).
inline constexpr long kMaxCycleFrames = 4800;

// The first channel of `cycle` as a band-limited cycle for playing it at
// `fundamentalHz` on a device at `deviceRate`. A known wave is built as that
// waveform at the level the tone engine draws it; otherwise the loop's shape
// is recognised from its first harmonics where it can be. Recent results are
// reused: a scan rewrites the same tone many times. Window thread only.
std::shared_ptr<const BandLimitedCycle> bandLimitedCycle(const PcmData& cycle, double fundamentalHz, int deviceRate,
                                                         ToneWave wave = ToneWave::unknown);

} // namespace aurelith
