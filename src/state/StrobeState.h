// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <array>

namespace aurelith {

struct ColourPair {
    Value stim;
    Value back;
};

// On a display that tells when it shows frames: the moments the next
// stimulation and background changes are meant to be seen (on the display's
// clock), and how long before them each change is made.
struct FramePlan {
    bool on = false;
    double stimDueMs = 0;
    double backDueMs = 0;
    double leadMs = 0;
    bool toldTooFast = false; // said once a run
};

// Never started (nothing written yet), flashing, or halted.
enum class StrobeRun { never, on, off };

// The strobe, its colours and the Mode panel's lamps. Colours and the set index
// are read from data files and stay loosely typed: a file may hold anything.
// Owner: photic/ (photic/PhoticWrites.h); shell/ restores it.
struct StrobeState {
    Value lampOnColour = 255;
    Value lampOffColour = 16777215;
    StrobeRun strobeOn = StrobeRun::never;
    // Set once a ratio button was pressed: the strobe then uses lightSoundRatio.
    bool ratioMode = false;
    int lightSoundRatio = 0;
    Value colourSetIndex = 1;
    Value activeStimColour;
    Value activeBackColour;
    std::array<ColourPair, 16> colourSets; // set n at index n - 1
    int colourBank = 1;
    Colour dialogColour = 0; // the colour dialog opens on the colour last picked with it
    FramePlan frames;
    // The flash hazards the user was told of in this run, one bit each (photic/FlashHazards).
    unsigned hazardsTold = 0;
    // "Gentle Light": the panel passes smoothly between the two colours (photic/GentleLight).
    bool gentleLight = false;
};

} // namespace aurelith
