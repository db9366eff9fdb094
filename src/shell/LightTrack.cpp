// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/LightTrack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aurelith {
namespace {

std::string hex(const Value& colour)
{
    const Colour c = colour.colour().value_or(0); // as the window paints it: 0x00BBGGRR
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(c & 0xFF),
                  static_cast<unsigned>((c >> 8) & 0xFF), static_cast<unsigned>((c >> 16) & 0xFF));
    return text;
}

} // namespace

LightTrack::LightTrack(std::filesystem::path file, int rate) : file_(std::move(file), "the light track "), rate_(rate)
{
}

void LightTrack::retune(const StrobePlan& plan, double left, double right, long long frame)
{
    advanceTo(frame);
    left_ = left;
    right_ = right;
    stimColour_ = hex(plan.stim);
    backColour_ = hex(plan.back);
    mode_ = plan.gentle ? ",gentle" : "";
    if (!plan.flashes) {
        nextStim_ = nextBack_ = kNever;
        return;
    }
    phaseFrames_ = plan.phaseMs * rate_ / 1000;
    nextStim_ = static_cast<double>(frame) + secondsToInPhase(difference_, right_ - left_) * rate_;
    if (nextBack_ > nextStim_)
        nextBack_ = kNever; // the background of a cut phase gives way to the new run
}

void LightTrack::follow(const StrobePlan& plan, double left, double right, long long frame)
{
    if (nextStim_ >= kNever || !plan.flashes) {
        retune(plan, left, right, frame);
        return;
    }
    advanceTo(frame);
    left_ = left;
    right_ = right;
    stimColour_ = hex(plan.stim);
    backColour_ = hex(plan.back);
    mode_ = plan.gentle ? ",gentle" : "";
    phaseFrames_ = plan.phaseMs * rate_ / 1000;
    const double inPhase = static_cast<double>(frame) + secondsToInPhase(difference_, right_ - left_) * rate_;
    // Half a phase of slack: with one flash a beat the run's next phase and
    // the in-phase moment are the same one, a little apart while the beat moves.
    if (!(nextStim_ < inPhase - phaseFrames_ / 2))
        nextStim_ = inPhase;
}

void LightTrack::advanceTo(long long frame)
{
    while (std::min(nextStim_, nextBack_) < static_cast<double>(frame)) {
        const bool stim = nextStim_ <= nextBack_;
        const double at = stim ? nextStim_ : nextBack_;
        char row[64];
        const int n = std::snprintf(row, sizeof row, "%.3f,%s,%s%s\n", at * 1000 / rate_,
                                    (stim ? stimColour_ : backColour_).c_str(), stim ? "stim" : "back", mode_.c_str());
        file_.write(row, static_cast<std::size_t>(n));
        if (stim) {
            nextBack_ = at + phaseFrames_;
            nextStim_ = at + 2 * phaseFrames_;
        } else {
            nextBack_ = kNever;
        }
    }
    difference_ += (right_ - left_) * static_cast<double>(frame - frame_) / rate_;
    difference_ -= std::floor(difference_);
    frame_ = frame;
}

std::string LightTrack::finish(long long frame)
{
    advanceTo(frame);
    return file_.finish();
}

} // namespace aurelith
