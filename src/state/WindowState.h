// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "state/EventsState.h"
#include "state/FreqState.h"
#include "state/ScanState.h"
#include "state/StrobeState.h"
#include "state/ToneState.h"

namespace aurelith {

// What two subsystems really share.
// Owners: photic/ and scan/ (PhoticWrites.h, ScanWrites.h); shell/ restores it.
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
// per subsystem. Every folder reads them through App::state (const); a group is
// written only through its owner's <Folder>Writes.h (app/App.h).
struct WindowState {
    ToneState tone;
    StrobeState strobe;
    FreqState freq;
    ScanState scan;
    EventsState events;
    SharedState shared;
};

} // namespace aurelith
