// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/OutputClock.h"

#include <algorithm>
#include <cmath>

namespace aurelith {

OutputTiming timingFromReport(const ServerReport& report, int rate, double firstFrame, double framesWritten,
                              std::int64_t nowNs)
{
    OutputTiming t;
    t.monotonicNs = report.stampNs;
    t.heardFrame = firstFrame + report.framesTaken - static_cast<double>(report.deviceDelayNs) * 1e-9 * rate;
    const double heardNow = t.heardFrame + static_cast<double>(nowNs - report.stampNs) * 1e-9 * rate;
    t.latencyNs = std::max<std::int64_t>(0, std::llround((firstFrame + framesWritten - heardNow) / rate * 1e9));
    return t;
}

HeardClock::HeardClock(int nominalRate) : nominalRate_(nominalRate), rate_(nominalRate) {}

void HeardClock::reset()
{
    count_ = 0;
    first_ = 0;
    rate_ = nominalRate_;
    hasStray_ = false;
}

void HeardClock::add(const OutputTiming& t)
{
    const double ns = static_cast<double>(t.monotonicNs);
    if (count_ > 0) {
        const Reading& last = readings_[(first_ + count_ - 1) % kCapacity];
        if (ns <= last.ns || (hasStray_ && ns <= stray_.ns))
            return;
        // Far off the line: the timing itself changed (an underflow, a new
        // device), so the old readings would only drag the line towards what
        // is no longer true. A lone reading off the line is a report held up
        // on a loaded server: the line starts again only when the next
        // reading agrees with it.
        if (std::abs(heardAtNs(t.heardFrame) - ns) > kJumpSeconds * 1e9) {
            const bool confirmed = hasStray_ && std::abs(stray_.ns + (t.heardFrame - stray_.frame) / rate_ * 1e9 -
                                                         ns) <= kJumpSeconds * 1e9;
            if (!confirmed) {
                stray_ = {ns, t.heardFrame};
                hasStray_ = true;
                return;
            }
            ++jumps_;
            readings_[0] = stray_;
            count_ = 1;
            first_ = 0;
        } else if (ns - last.ns < kSpacingSeconds * 1e9) {
            latencyNs_ = t.latencyNs;
            return;
        }
    }
    // Readings older than the window go, and the oldest when it is full.
    while (count_ > 0 && (ns - readings_[first_].ns > kWindowSeconds * 1e9 || count_ == kCapacity)) {
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
    hasStray_ = false;
    readings_[(first_ + count_) % kCapacity] = {ns, t.heardFrame};
    ++count_;
    latencyNs_ = t.latencyNs;
    fit();
}

void HeardClock::fit()
{
    // Centred sums keep the precision: the frames run into the hundreds of
    // millions and the nanoseconds far beyond.
    const Reading& origin = readings_[first_];
    double meanNs = 0, meanFrame = 0;
    for (int i = 0; i < count_; ++i) {
        const Reading& r = readings_[(first_ + i) % kCapacity];
        meanNs += r.ns - origin.ns;
        meanFrame += r.frame - origin.frame;
    }
    meanNs = origin.ns + meanNs / count_;
    meanFrame = origin.frame + meanFrame / count_;
    double sxx = 0, sxy = 0;
    for (int i = 0; i < count_; ++i) {
        const Reading& r = readings_[(first_ + i) % kCapacity];
        const double x = (r.ns - meanNs) * 1e-9;
        sxx += x * x;
        sxy += x * (r.frame - meanFrame);
    }
    const double spanSeconds = (readings_[(first_ + count_ - 1) % kCapacity].ns - readings_[first_].ns) * 1e-9;
    // A slope from less than a second of readings is mostly jitter: keep the
    // last rate until the readings span enough. A device is never 1 % off.
    if (count_ >= 3 && spanSeconds >= 1.0) {
        const double slope = sxy / sxx;
        if (std::abs(slope / nominalRate_ - 1.0) < 0.01)
            rate_ = slope;
    }
    anchorNs_ = meanNs;
    anchorFrame_ = meanFrame;
}

double HeardClock::heardAtNs(double frame) const { return anchorNs_ + (frame - anchorFrame_) / rate_ * 1e9; }

double HeardClock::frameHeardAt(double monotonicNs) const
{
    return anchorFrame_ + (monotonicNs - anchorNs_) * 1e-9 * rate_;
}

} // namespace aurelith
