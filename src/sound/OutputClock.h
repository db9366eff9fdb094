// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace aurelith {

// What an output knows of its timing at one moment: which frame of the
// mixer's output reaches the ear at a monotonic time, and how far behind the
// mixer's render that is.
struct OutputTiming {
    std::int64_t monotonicNs = 0;
    double heardFrame = 0;      // frames of Mixer::framesRendered()'s count
    std::int64_t latencyNs = 0; // from the render of a frame to the ear
    bool estimated = false;     // guessed from the buffer size: no server timing
};

// The output's thread publishes, the window's thread reads. A sequence lock
// over atomics: the writer never waits and a reader never sees a torn
// snapshot (it tries again, or gives up after a few tries).
class TimingSnapshot {
public:
    void publish(const OutputTiming& t);
    bool read(OutputTiming& t) const; // false before the first publish
    void clear();

private:
    std::atomic<std::uint64_t> sequence_{0};
    std::atomic<bool> valid_{false};
    std::atomic<std::int64_t> monotonicNs_{0};
    std::atomic<double> heardFrame_{0};
    std::atomic<std::int64_t> latencyNs_{0};
    std::atomic<bool> estimated_{false};
};

// The window's thread's view of the output's clock: a least-squares line
// through the snapshots of the last seconds, frames against monotonic time.
// One reading's jitter barely moves it, and its slope follows a device clock
// that runs some ppm off the monotonic one. A reading far off the line (the
// device changed, the server restarted) starts the line again from it.
class HeardClock {
public:
    static constexpr double kWindowSeconds = 8.0;
    // A reading further than this from the line is a new timing, not jitter.
    static constexpr double kJumpSeconds = 0.004;
    // Readings closer together than this add little but weight: one is kept.
    static constexpr double kSpacingSeconds = 0.05;

    explicit HeardClock(int nominalRate);

    // Readings older than the last one are ignored.
    void add(const OutputTiming& t);
    void reset();
    bool valid() const { return count_ > 0; }
    // The device's frames per second of the monotonic clock.
    double rate() const { return rate_; }
    double ppm() const { return (rate_ / nominalRate_ - 1.0) * 1e6; }
    std::int64_t latencyNs() const { return latencyNs_; }
    // The monotonic moment (ns) at which the output frame is heard, and back.
    double heardAtNs(double frame) const;
    double frameHeardAt(double monotonicNs) const;
    // How many times the line was started again from a jump.
    int jumps() const { return jumps_; }

private:
    struct Reading {
        double ns;
        double frame;
    };
    void fit();

    double nominalRate_;
    static constexpr int kCapacity = 256;
    std::array<Reading, kCapacity> readings_{};
    int first_ = 0;
    int count_ = 0;
    double rate_;
    double anchorNs_ = 0;    // a point of the line
    double anchorFrame_ = 0; // and its frame
    std::int64_t latencyNs_ = 0;
    int jumps_ = 0;
};

} // namespace aurelith
