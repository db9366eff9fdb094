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
    beatSlope_ = 0;
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

// Frames until the phase difference next reaches a whole turn, the beat moving
// on by `slope` Hz a frame: the root of slope/2 d^2 + beat d = turn (in Hz frames).
double framesToInPhase(double apartCycles, double beatHz, double slope, int rate)
{
    const double turn = (std::ceil(apartCycles) - apartCycles) * rate;
    const double root = beatHz * beatHz + 2 * slope * turn;
    if (root < 0 || beatHz + std::sqrt(root) <= 0)
        return 1e300; // the beat stops first
    return 2 * turn / (beatHz + std::sqrt(root));
}

void LightTrack::follow(const StrobePlan& plan, double left, double right, double beatSlope, long long frame)
{
    const bool running = nextStim_ < kNever && plan.flashes;
    if (running) {
        advanceTo(frame);
        left_ = left;
        right_ = right;
        stimColour_ = hex(plan.stim);
        backColour_ = hex(plan.back);
        mode_ = plan.gentle ? ",gentle" : "";
        phaseFrames_ = plan.phaseMs * rate_ / 1000;
    } else {
        retune(plan, left, right, frame);
    }
    beatSlope_ = beatSlope / rate_;
    if (!plan.flashes)
        return;
    const double inPhase = static_cast<double>(frame) + framesToInPhase(difference_, right_ - left_, beatSlope_, rate_);
    // Half a phase of slack: with one flash a beat the run's next phase and
    // the in-phase moment are the same one, a little apart while the beat moves.
    if (!running || !(nextStim_ < inPhase - phaseFrames_ / 2))
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
    const auto frames = static_cast<double>(frame - frame_);
    difference_ += (right_ - left_ + beatSlope_ * frames / 2) * frames / rate_;
    right_ += beatSlope_ * frames;
    difference_ -= std::floor(difference_);
    frame_ = frame;
}

std::string LightTrack::finish(long long frame)
{
    advanceTo(frame);
    return file_.finish();
}

} // namespace aurelith
