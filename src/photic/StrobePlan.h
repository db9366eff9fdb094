// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "state/StrobeState.h"

namespace aurelith {

// A light/sound ratio: the constant of the phase formula and the multiplier
// shown as flashes per second (display only, rounded as the window shows it).
struct LightSoundRatio {
    double k;
    double multiplier;
};
// The ratio the strobe uses: the chosen one in ratio mode, else one flash per beat.
LightSoundRatio lightSoundRatioOf(const StrobeState& strobe);

// What the strobe shows for a beat, worked out without starting it: each
// colour stays on for `phaseMs` (unrounded), stimulation first, each run of
// phases starting where the two tones are in phase. Below a 1 Hz beat (or
// with the left tone the higher) it does not flash.
struct StrobePlan {
    bool flashes = false;
    double phaseMs = 0;
    Value stim;
    Value back;
    bool gentle = false; // "Gentle Light": a raised cosine between the two colours
};
StrobePlan strobePlan(const StrobeState& strobe, double beatHz);

// Seconds until two tones are next in phase, when the right one's phase is
// `apartCycles` ahead of the left one's and the beat is beatHz.
double secondsToInPhase(double apartCycles, double beatHz);

} // namespace aurelith
