// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstddef>

namespace aurelith {

// A float file may hold NaN, infinities or values far beyond full scale; played
// as they are they reach the headphones as full-scale clicks or a square wave
// whatever the volume. Every decoded sample passes here before the mixer.
inline void makeSamplesSafe(float* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const float v = samples[i];
        samples[i] = std::isnan(v) ? 0.0f
                     : v > 1.0f    ? (std::isinf(v) ? 0.0f : 1.0f)
                     : v < -1.0f   ? (std::isinf(v) ? 0.0f : -1.0f)
                                   : v;
    }
}

} // namespace aurelith
