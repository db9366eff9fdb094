// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "photic/StrobePlan.h"
#include "sound/PartFile.h"

#include <filesystem>
#include <string>

namespace aurelith {

// The light the window would show beside a rendered sound, one CSV row per
// strobe phase: start in ms from the start of the file, colour #rrggbb,
// "stim" or "back"; with "Gentle Light" a fourth column, the light's mode
// "gentle": each row's colour is then the peak of a raised cosine that passes
// smoothly to the next row's. Worked out from the strobe's plan alone (the strobe never
// runs): each run of phases starts where the two tones are in phase, which a
// render knows exactly, as both start at the same frame and a retune keeps
// each tone's phase while its pitch changes.
class LightTrack {
public:
    LightTrack(std::filesystem::path file, int rate);

    std::string open() { return file_.open(); }
    // From `frame` on the tones are `left` and `right` Hz and the strobe shows `plan`.
    void retune(const StrobePlan& plan, double left, double right, long long frame);
    // As retune, for tones that glide, the beat moving on by beatSlope Hz a
    // second: a run already going keeps its phases up to the next in-phase
    // moment, where the next run starts.
    void follow(const StrobePlan& plan, double left, double right, double beatSlope, long long frame);
    // Writes the rows that start before `frame`.
    void advanceTo(long long frame);
    // The rows up to `frame`, ready for commitTogether.
    std::string finish(long long frame);
    PartFile& file() { return file_; }

private:
    static constexpr double kNever = 1e300;

    PartFile file_;
    int rate_;
    double left_ = 0, right_ = 0;
    double beatSlope_ = 0;  // Hz a frame, while a sequence glides
    double difference_ = 0; // the right tone's phase less the left's, in cycles
    long long frame_ = 0;
    double phaseFrames_ = 0;
    double nextStim_ = kNever, nextBack_ = kNever;
    std::string stimColour_, backColour_;
    std::string mode_; // "" for the square light, whose rows keep three columns
};

} // namespace aurelith
