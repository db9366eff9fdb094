// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace aurelith {

// The monotonic clock the outputs stamp their timing with.
inline std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What an output knows of its timing at one moment: which frame of the
// mixer's output reaches the ear at a monotonic time, and how far behind the
// mixer's render that is.
struct OutputTiming {
    std::int64_t monotonicNs = 0;
    double heardFrame = 0;      // frames of Mixer::framesRendered()'s count
    std::int64_t latencyNs = 0; // from the render of a frame to the ear
    bool estimated = false;     // guessed from the buffer size: no server timing
};

// A sound server's report on a stream: how many frames it had taken from it
// and how long the device still held them, as things stood at the moment the
// server stamped the report. A report reaches the program some time later (a
// loaded machine delays it by milliseconds), so it is true for its stamp, not
// for when it is read.
struct ServerReport {
    std::int64_t stampNs = 0; // monotonic
    double framesTaken = 0;   // since the stream began
    std::int64_t deviceDelayNs = 0;
};

// The output's timing from the last report: the frame heard at the report's
// own stamp, and the latency of the frames written by nowNs.
OutputTiming timingFromReport(const ServerReport& report, int rate, double firstFrame, double framesWritten,
                              std::int64_t nowNs);

// One thread publishes N numbers together, any other reads them. A sequence
// lock over atomics: the writer never waits and a reader never sees a torn
// set (it tries again, or gives up after a few tries).
template <int N>
class SeqSnapshot {
public:
    using Values = std::array<double, N>;
    // Sequentially consistent throughout: an odd count marks a write in
    // progress, and a reader that saw the same even count before and after
    // read one whole set (no fences, which ThreadSanitizer cannot follow).
    void publish(const Values& v)
    {
        const std::uint64_t s = sequence_.load(std::memory_order_relaxed);
        sequence_.store(s + 1);
        for (int i = 0; i < N; ++i)
            values_[i].store(v[i]);
        valid_.store(true);
        sequence_.store(s + 2);
    }
    bool read(Values& v) const // false before the first publish or after clear
    {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::uint64_t before = sequence_.load();
            if (before & 1)
                continue;
            const bool valid = valid_.load();
            Values r;
            for (int i = 0; i < N; ++i)
                r[i] = values_[i].load();
            if (sequence_.load() != before)
                continue;
            if (valid)
                v = r;
            return valid;
        }
        return false;
    }
    void clear()
    {
        const std::uint64_t s = sequence_.load(std::memory_order_relaxed);
        sequence_.store(s + 1);
        valid_.store(false);
        sequence_.store(s + 2);
    }

private:
    std::atomic<std::uint64_t> sequence_{0};
    std::atomic<bool> valid_{false};
    std::array<std::atomic<double>, N> values_{};
};

// The output's thread publishes its timing, the window's thread reads it.
class TimingSnapshot {
public:
    void publish(const OutputTiming& t)
    {
        values_.publish({static_cast<double>(t.monotonicNs), t.heardFrame, static_cast<double>(t.latencyNs),
                         t.estimated ? 1.0 : 0.0});
    }
    bool read(OutputTiming& t) const
    {
        SeqSnapshot<4>::Values v;
        if (!values_.read(v))
            return false;
        t = {static_cast<std::int64_t>(v[0]), v[1], static_cast<std::int64_t>(v[2]), v[3] != 0};
        return true;
    }
    void clear() { values_.clear(); }

private:
    SeqSnapshot<4> values_;
};

// The window's thread's view of the output's clock: a least-squares line
// through the snapshots of the last seconds, frames against monotonic time.
// One reading's jitter barely moves it, and its slope follows a device clock
// that runs some ppm off the monotonic one. A reading far off the line (the
// device changed, the server restarted) starts the line again from it, once
// the next reading confirms it.
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
    Reading stray_{}; // off the line, waiting for the next reading to agree
    bool hasStray_ = false;
};

} // namespace aurelith
