// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "events/EventsState.h"
#include "freq/FreqState.h"
#include "photic/StrobeState.h"
#include "scan/ScanState.h"
#include "tone/ToneState.h"

namespace aurelith {

// What two subsystems really share; written by photic/, scan/ and shell/.
struct SharedState {
    // The strobe's phase in whole milliseconds, and the scanner's time per step:
    // choosing a scan time sets the phase shown, a strobe start sets the scan time.
    double durationMs = 0;
    // The beat the strobe last started on, and the number of passes of a scanner step.
    double beatFreq = 0;
    // A scanner step's pass counter; the strobe's start counts it past the beat,
    // which ends the passes of a step under way.
    double scanLoopCounter = 0;
};

// The variables the window's handlers share, with their start values, one group
// per subsystem, each written only in the folder that declares it.
struct WindowState {
    ToneState tone;
    StrobeState strobe;
    FreqState freq;
    ScanState scan;
    EventsState events;
    SharedState shared;
};

} // namespace aurelith
