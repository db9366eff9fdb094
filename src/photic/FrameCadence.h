// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace aurelith {

// A display's frames: frame n reaches the screen at originMs + n x periodMs.
struct FrameGrid {
    double originMs = 0;
    double periodMs = 0;

    std::int64_t nearest(double ms) const;
    // The first frame at or after ms.
    std::int64_t firstFrom(double ms) const;
    double at(std::int64_t frame) const { return originMs + static_cast<double>(frame) * periodMs; }
};

// The frame a change meant for intendedMs goes on: the nearest, unless that
// is before `earliest` (already taken, or too soon to reach), then earliest.
// Each change placed on its nearest frame of a drift-free grid of moments
// makes every phase a whole number of frames, the rounding spread so that
// the mean is exact: 3, 4, 4, 4, 3, 4 ... frames for 3.83.
std::int64_t targetFrame(const FrameGrid& grid, double intendedMs, std::int64_t earliest);

// The shortest phase a screen shows is one frame: a phase shorter than that
// becomes one frame.
double showablePhaseMs(double phaseMs, double framePeriodMs);

// Said once when the flashes are too fast for the screen.
std::string tooFastMessage(double wantedPerSecond, double shownPerSecond, double refreshHz);

// From `from` towards `to` by at most maxStep.
double stepTowards(double from, double to, double maxStep);

} // namespace aurelith
