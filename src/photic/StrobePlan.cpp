// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/StrobePlan.h"

#include "photic/Strobe.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace aurelith {
namespace {

constexpr std::array<LightSoundRatio, 10> kRatios = {{
    {1000, 1},
    {900, 1.11},
    {800, 1.25},
    {700, 1.4},
    {600, 1.66},
    {500, 2},
    {400, 2.5},
    {300, 3.3},
    {200, 5},
    {100, 10},
}};

} // namespace

LightSoundRatio lightSoundRatioOf(const StrobeState& s)
{
    return s.ratioMode && s.lightSoundRatio >= 0 && s.lightSoundRatio <= 9
               ? kRatios[static_cast<std::size_t>(s.lightSoundRatio)]
               : kRatios[0];
}

StrobePlan strobePlan(const StrobeState& strobe, double beatHz)
{
    StrobePlan plan;
    plan.stim = strobe.activeStimColour;
    plan.back = strobe.activeBackColour;
    plan.gentle = strobe.gentleLight;
    // As ColorOn: the timers run only from a 1 Hz beat on.
    if (beatHz >= 1) {
        plan.phaseMs = flashPhaseMs(beatHz, lightSoundRatioOf(strobe).k);
        plan.flashes = plan.phaseMs > 0;
    }
    return plan;
}

double secondsToInPhase(double apartCycles, double beatHz) { return (std::ceil(apartCycles) - apartCycles) / beatHz; }

} // namespace aurelith
