// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/SoundSystem.h"

#include <optional>

namespace aurelith {

// Where the beat of two tones is heard, counted from now on the clock that
// drives the window's timers.
struct HeardBeat {
    double nextInPhaseMs; // the next moment the two tones are in phase in the ears
    double periodMs;      // between such moments, as the device's clock plays them
};

// Offered by a sound system that knows when its output is heard, through
// SoundSystem::heardBeats(); the strobe asks it for the beat (see Strobe.cpp) and keeps its own timer grid when
// there is no answer.
class HeardBeatSource {
public:
    virtual ~HeardBeatSource() = default;
    // Of the two tone buffers; nothing while either is silent, they do not
    // beat, or the output tells no timing.
    virtual std::optional<HeardBeat> heardBeat(const SoundBuffer& left, const SoundBuffer& right) = 0;
    // Of the gliding voices a sequence plays (GlideVoices): its first
    // binaural voice, in phase where the two tones are as they slide, or else
    // its first isochronic voice, at its pulses' onsets; periodMs is the
    // period at that moment. Nothing while none sounds or the output tells no
    // timing.
    virtual std::optional<HeardBeat> glideHeardBeat() { return std::nullopt; }
    // A stimulation phase was painted offsetMs after the in-phase moment (or
    // the grid through it) it was scheduled for, as last heardBeat() told.
    virtual void notePaintedOnset(double offsetMs) { (void)offsetMs; }
};

} // namespace aurelith
