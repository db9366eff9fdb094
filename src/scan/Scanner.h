// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

inline constexpr const char* kScanTimeMessage =
    "You must first pick a Scantime (Time Per Freq.),(Pull Down Menu) and a Scan direction : ScanUp or ScanDn "
    "buttons, And a scan freq limit if desired with the Up/DW Limit and enter Buttons.";
inline constexpr const char* kScannerTitle = "Freq Scanner";

// Starts a scan from the pair on show (ScanOn).
void scanOn(App& app);
// One tick of tmrScan: moves the boxes to the pending pair and retunes once per
// whole hertz of beat.
void scanStep(App& app);
// Ends the scan and hands the borrowed displays back to the colour section (ScanOff).
void scanOff(App& app);

void bindScanner(App& app);

} // namespace aurelith
