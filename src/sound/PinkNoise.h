// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/PcmData.h"

#include <memory>

namespace aurelith {

// Pink noise that stands in for mask 1 when the user has no file of their own:
// a stereo loop with a -3 dB per octave spectrum, channels uncorrelated, made
// in the frequency domain so the loop has no seam. Generated once per rate on
// first use and shared afterwards.
struct PinkNoise {
    static constexpr long kFrames = 1L << 19; // about 12 s at 44.1 kHz
    static constexpr double kLowHz = 20.0;
    static constexpr double kHighHz = 20000.0;
    static constexpr double kRms = 0.1; // -20 dBFS, as pink noise files are usually made

    // Starts making the loop for this rate on another thread, so that the
    // first press that needs it does not wait the tens of milliseconds it takes.
    static void prepare(int sampleRate);
    // The loop for this rate, made here if prepare() was not called.
    static std::shared_ptr<const PcmData> loop(int sampleRate);
    // Builds a new loop; the same seed always gives the same noise.
    static std::shared_ptr<const PcmData> generate(int sampleRate, unsigned seed);
};

} // namespace aurelith
