// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

namespace aurelith {

// Interleaved stereo frames passed from one producer thread to one consumer
// thread. Sized once; afterwards neither end locks or allocates, so the audio
// thread can be the consumer.
class StereoRing {
public:
    // capacityFrames must be a power of two.
    explicit StereoRing(std::size_t capacityFrames) : samples_(2 * capacityFrames), mask_(capacityFrames - 1) {}

    std::size_t capacity() const { return mask_ + 1; }

    // Producer: frames that fit now.
    std::size_t space() const
    {
        return capacity() - (tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire));
    }

    // Producer: copies up to `frames` frames and returns how many it took.
    std::size_t write(const float* stereo, std::size_t frames)
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t n = std::min(frames, capacity() - (tail - head_.load(std::memory_order_acquire)));
        copyIn(stereo, n, tail);
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }

    // Consumer: frames ready to read.
    std::size_t available() const
    {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_relaxed);
    }

    // Consumer: copies up to `frames` frames out and returns how many there were.
    std::size_t read(float* stereo, std::size_t frames)
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t n = std::min(frames, tail_.load(std::memory_order_acquire) - head);
        copyOut(stereo, n, head);
        head_.store(head + n, std::memory_order_release);
        return n;
    }

private:
    // A copy wraps round the end of the ring at most once.
    void copyIn(const float* from, std::size_t frames, std::size_t at)
    {
        const std::size_t start = at & mask_;
        const std::size_t first = std::min(frames, capacity() - start);
        float* ring = samples_.data();
        std::copy(from, from + 2 * first, ring + 2 * start);
        std::copy(from + 2 * first, from + 2 * frames, ring);
    }
    void copyOut(float* to, std::size_t frames, std::size_t at) const
    {
        const std::size_t start = at & mask_;
        const std::size_t first = std::min(frames, capacity() - start);
        const float* ring = samples_.data();
        std::copy(ring + 2 * start, ring + 2 * (start + first), to);
        std::copy(ring, ring + 2 * (frames - first), to + 2 * first);
    }

    std::vector<float> samples_;
    const std::size_t mask_;
    // Separate cache lines so the two threads do not fight over one.
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

} // namespace aurelith
