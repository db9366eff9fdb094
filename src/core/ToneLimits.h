// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aurelith {

// The tones the program plays, in Hz, both ends allowed.
inline constexpr double kLowestTone = 10;
inline constexpr double kHighestTone = 15600;
inline constexpr bool isToneFrequency(double hz) { return hz >= kLowestTone && hz <= kHighestTone; }

// The sample rate of the tone files, of renders and of the output asked for.
inline constexpr int kSampleRate = 44100;

} // namespace aurelith
