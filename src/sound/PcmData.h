// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ToneLimits.h"

#include <vector>

namespace aurelith {

// A decoded sound file, shared read-only between the window's thread and the
// audio thread, so it must never change once built.
struct PcmData {
    int channels = 1; // 1 or 2
    int sampleRate = kSampleRate;
    long frames = 0;
    std::vector<float> samples; // frames * channels, interleaved
};

} // namespace aurelith
