// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Limiter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace aurelith {

void Limiter::configure(int deviceRate)
{
    deviceRate = std::clamp(deviceRate, 1000, 768000);
    lookAhead_ = std::max(1, static_cast<int>(std::lround(kLookAheadSeconds * deviceRate)));
    window_ = lookAhead_ + std::lround(kHoldSeconds * deviceRate);
    releaseCoefficient_ = 1.0 - std::exp(-1.0 / (kReleaseSeconds * deviceRate));
    delay_.assign(2 * static_cast<std::size_t>(lookAhead_), 0.0f);
    required_.assign(static_cast<std::size_t>(window_), 1.0f);
    minQueue_.assign(static_cast<std::size_t>(window_), 0);
    smoothed_.assign(static_cast<std::size_t>(lookAhead_), 1.0f);
    tail_.assign(2 * static_cast<std::size_t>(lookAhead_), 0.0f);
    minHead_ = minCount_ = 0;
    boxSum_ = lookAhead_;
    belowOne_ = 0;
    released_ = 1.0;
    frame_ = 0;
}

float Limiter::requiredGain(float left, float right) const
{
    const float peak = std::max(std::fabs(left), std::fabs(right));
    return peak > kCeiling ? kCeiling / peak : 1.0f;
}

// Minimum of the required gains over the look-ahead and the hold, kept as a
// monotonic queue of positions.
double Limiter::slidingMinimum(float need)
{
    const long w = window_;
    if (minCount_ > 0 && minQueue_[minHead_] <= frame_ - w) {
        minHead_ = (minHead_ + 1) % w;
        --minCount_;
    }
    required_[frame_ % w] = need;
    while (minCount_ > 0 && required_[minQueue_[(minHead_ + minCount_ - 1) % w] % w] >= need)
        --minCount_;
    minQueue_[(minHead_ + minCount_) % w] = frame_;
    ++minCount_;
    return required_[minQueue_[minHead_] % w];
}

// Eases back up, never above what the coming frames allow, and averages that
// over the look-ahead.
float Limiter::smoothedGain(double minimum, int slot)
{
    const int n = lookAhead_;
    released_ = std::min(minimum, released_ + (1.0 - released_) * releaseCoefficient_);
    if (released_ > 1.0 - 1e-9 && minimum == 1.0)
        released_ = 1.0;
    const float gainIn = static_cast<float>(released_);
    belowOne_ += (gainIn != 1.0f) - (smoothed_[slot] != 1.0f);
    boxSum_ += gainIn - smoothed_[slot];
    smoothed_[slot] = gainIn;
    if (belowOne_ == 0)
        boxSum_ = n; // no rounding drift carried into the next limiting
    return belowOne_ == 0 ? 1.0f : static_cast<float>(boxSum_ / n);
}

bool Limiter::passesThrough(const float* stereo, int frames, float bound) const
{
    if (frames < lookAhead_ || released_ != 1.0 || belowOne_ != 0)
        return false;
    // The hold: every required gain still in the window is 1 exactly when the
    // queue holds one position whose gain is 1.
    if (minCount_ > 1 || (minCount_ == 1 && required_[minQueue_[minHead_] % window_] != 1.0f))
        return false;
    // The bound is a sum of rounded products: a margin far above their rounding.
    if (bound * 1.0001f <= kCeiling)
        return true;
    bool quiet = true;
    for (int i = 0; i < 2 * frames; ++i)
        quiet &= std::fabs(stereo[i]) <= kCeiling; // false for NaN and infinities too
    return quiet;
}

// What process() does frame by frame when every required gain is 1, for a
// whole block: the output is the input n - 1 frames late, and the state ends
// as if each frame had gone through.
void Limiter::delayOnly(float* stereo, int frames)
{
    const int n = lookAhead_;
    const auto frameBytes = 2 * sizeof(float);
    std::copy(stereo + 2 * (frames - n), stereo + 2 * frames, tail_.begin());
    std::memmove(stereo + 2 * (n - 1), stereo, static_cast<std::size_t>(frames - n + 1) * frameBytes);
    for (int f = 0; f < n - 1; ++f) {
        const auto slot = static_cast<std::size_t>((frame_ + f + 1) % n);
        stereo[2 * f] = delay_[2 * slot];
        stereo[2 * f + 1] = delay_[2 * slot + 1];
    }
    for (int j = 0; j < n; ++j) {
        const auto slot = static_cast<std::size_t>((frame_ + frames - n + j) % n);
        delay_[2 * slot] = tail_[2 * static_cast<std::size_t>(j)];
        delay_[2 * slot + 1] = tail_[2 * static_cast<std::size_t>(j) + 1];
    }
    frame_ += frames;
    minHead_ = 0;
    minCount_ = 1;
    minQueue_[0] = frame_ - 1;
    required_[static_cast<std::size_t>((frame_ - 1) % window_)] = 1.0f;
}

void Limiter::process(float* stereo, int frames, float bound)
{
    if (passesThrough(stereo, frames, bound)) {
        delayOnly(stereo, frames);
        return;
    }
    const int n = lookAhead_;
    for (int f = 0; f < frames; ++f) {
        float left = stereo[2 * f], right = stereo[2 * f + 1];
        // Nothing that is not a number may reach the headphones.
        if (!std::isfinite(left))
            left = 0.0f;
        if (!std::isfinite(right))
            right = 0.0f;
        const int slot = static_cast<int>(frame_ % n);
        const float gain = smoothedGain(slidingMinimum(requiredGain(left, right)), slot);

        // The frame that entered n - 1 frames ago leaves now, under a gain
        // averaged from minima that all covered it.
        const int out = static_cast<int>((frame_ + 1) % n);
        const float delayedLeft = n == 1 ? left : delay_[2 * out];
        const float delayedRight = n == 1 ? right : delay_[2 * out + 1];
        delay_[2 * slot] = left;
        delay_[2 * slot + 1] = right;
        stereo[2 * f] = gain == 1.0f ? delayedLeft : delayedLeft * gain;
        stereo[2 * f + 1] = gain == 1.0f ? delayedRight : delayedRight * gain;
        ++frame_;
    }
}

} // namespace aurelith
