// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string>
#include <vector>

namespace aurelith {

// What photosensitivity research counts against a flashing pair of colours.
enum class FlashHazard {
    redBlue,         // saturated red alternating with saturated blue
    saturatedRed,    // a phase in saturated red: R / (R + G + B) >= 0.8
    brightnessFlash, // a luminance change that counts as a flash, 3 or more a second
    provocativeRate, // 15 to 25 flashes a second
};

struct FlashAssessment {
    bool saturatedRed = false;
    bool redBlue = false;
    double contrast = 1; // (lighter + 0.05) / (darker + 0.05), 1 ... 21
    bool brightnessFlash = false;
    bool provocativeRate = false;
    std::vector<FlashHazard> hazards() const;
};

// Relative luminance of a 0x00BBGGRR colour: sRGB linearised, 0 (black) ... 1 (white).
double relativeLuminance(Colour colour);
// Red makes up at least 80 % of the colour (and it is not black).
bool isSaturatedRed(Colour colour);
// The same for blue.
bool isSaturatedBlue(Colour colour);
// The pair as it alternates, flashesPerSecond full cycles (stimulation and
// background) a second.
FlashAssessment assessFlash(Colour stim, Colour back, double flashesPerSecond);

// The plain words the user is told for one hazard of this assessment.
std::string hazardNotice(FlashHazard hazard, const FlashAssessment& assessment, double flashesPerSecond);

// The hazards of the sixteen first-run colour sets, for the Disclaimer.
std::string defaultSetHazardsText();

// While the strobe flashes: tells the user, without stopping anything, of each
// hazard of the current pair and rate not yet told in this run.
void noticeFlashHazards(App& app);

} // namespace aurelith
