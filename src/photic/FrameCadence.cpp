// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/FrameCadence.h"

#include "core/Value.h"

#include <algorithm>
#include <cmath>

namespace aurelith {

std::int64_t FrameGrid::nearest(double ms) const { return std::llround((ms - originMs) / periodMs); }

std::int64_t FrameGrid::firstFrom(double ms) const
{
    return static_cast<std::int64_t>(std::ceil((ms - originMs) / periodMs - 1e-9));
}

std::int64_t targetFrame(const FrameGrid& grid, double intendedMs, std::int64_t earliest)
{
    return std::max(grid.nearest(intendedMs), earliest);
}

double showablePhaseMs(double phaseMs, double framePeriodMs) { return std::max(phaseMs, framePeriodMs); }

std::string tooFastMessage(double wantedPerSecond, double shownPerSecond, double refreshHz)
{
    const auto rounded = [](double v) { return formatNumber(std::round(v * 10) / 10); };
    return "This screen shows " + rounded(refreshHz) + " pictures a second, too few for " + rounded(wantedPerSecond) +
           " flashes a second. The light flashes " + rounded(shownPerSecond) +
           " times a second instead; the sound is not changed.";
}

double stepTowards(double from, double to, double maxStep) { return from + std::clamp(to - from, -maxStep, maxStep); }

} // namespace aurelith
