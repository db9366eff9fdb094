// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace aurelith {

// Keeps the mixed sum below full scale without clipping it. The gain needed
// to keep each frame under the ceiling is found a short while ahead and held
// for a while after the loudest frame has passed, so a beating pair of tones
// (whose sum peaks once per beat) gets one steady gain instead of a gain that
// pumps at the beat, which would add sidebands. After the hold the gain eases
// back up over about 100 ms; it is smoothed over the look-ahead so it is
// always low enough when a peak arrives. A sum that never reaches the ceiling
// passes bit for bit, only delayed by the look-ahead. No allocation after
// configure().
class Limiter {
public:
    static constexpr float kCeiling = 0.999f; // just below full scale
    static constexpr double kLookAheadSeconds = 0.002;
    // Longer than the slowest beat's period (0.5 Hz).
    static constexpr double kHoldSeconds = 2.5;
    static constexpr double kReleaseSeconds = 0.1;

    // Window's thread, before the audio thread runs.
    void configure(int deviceRate);
    int latencyFrames() const { return lookAhead_ - 1; }
    // Audio thread: limits interleaved stereo in place. `bound`, when the
    // caller knows one, is at least every sample's magnitude: a block it
    // keeps under the ceiling needs no looking at.
    void process(float* stereo, int frames, float bound = std::numeric_limits<float>::infinity());

private:
    float requiredGain(float left, float right) const;
    // Nothing limited now nor within the hold, and every frame of `stereo`
    // (at least a look-ahead long) finite and under the ceiling: the block
    // only passes through the delay line.
    bool passesThrough(const float* stereo, int frames, float bound) const;
    void delayOnly(float* stereo, int frames);
    double slidingMinimum(float need);
    float smoothedGain(double minimum, int slot);

    int lookAhead_ = 1;
    long window_ = 1; // frames the minimum looks back over: look-ahead and hold
    double releaseCoefficient_ = 0.0;
    // Delay line of input frames, the minimum filter over required gains (a
    // monotonic queue of positions), and the box average of the released gain.
    std::vector<float> delay_;
    std::vector<float> required_;
    std::vector<long> minQueue_;
    long minHead_ = 0, minCount_ = 0;
    std::vector<float> smoothed_;
    std::vector<float> tail_; // the last look-ahead of a block passed through
    double boxSum_ = 0;
    int belowOne_ = 0; // entries in the box that are not exactly 1
    double released_ = 1.0;
    long frame_ = 0;
};

} // namespace aurelith
