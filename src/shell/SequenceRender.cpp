// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SequenceRender.h"

#include "app/App.h"
#include "core/ToneLimits.h"
#include "photic/StrobePlan.h"
#include "sequence/SequencePlayer.h"
#include "shell/Bindings.h"
#include "shell/OfflineSession.h"
#include "shell/RenderOutputs.h"
#include "shell/Startup.h"
#include "sound/GlideSynth.h"
#include "sound/MixerSoundSystem.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace aurelith {
namespace {

// A sequence on the offline mixer's gliding voices. The light follows the
// first binaural voice's plan, no block crossing a segment's end, so its beat
// and slope give the tones' phases exactly as the mixer makes them.
class SequenceSource : public RenderSource {
public:
    SequenceSource(MixerSoundSystem& sound, const sequence::Sequence& s, LightTrack* light, const StrobeState& strobe)
        : sound_(sound), player_(sound), sequence_(s), plan_(sequence::compilePlan(s, sound.deviceRate())),
          light_(light), strobe_(strobe)
    {
        for (const glide::Lane& lane : plan_.lanes)
            if (lane.kind == glide::LaneKind::binaural) {
                lane_ = &lane;
                break;
            }
    }
    bool start(double tones, double noise)
    {
        player_.setLevels(tones, noise);
        if (!player_.play(sequence_))
            return false;
        skipLatency(sound_);
        return true;
    }
    int rate() const override { return sound_.deviceRate(); }
    long long prepare(long long frame, long long most) override
    {
        if (!light_)
            return most;
        long long n = std::min<long long>(most, kLightBlock);
        double left = 0, right = 0, slope = 0;
        // Frames only move on: the segments behind stay behind.
        const std::vector<glide::Segment>* segments = lane_ ? &lane_->segments : nullptr;
        while (segments && next_ < segments->size() && (*segments)[next_].endFrame <= frame)
            ++next_;
        if (segments && next_ < segments->size()) {
            const glide::Segment& g = (*segments)[next_];
            if (g.startFrame > frame) {
                n = std::min(n, g.startFrame - frame); // silent up to here
            } else {
                // The mixer reaches a step over a smooth curve whose phase is a
                // straight ramp's by its end, so the light takes it as one.
                const glide::Segment* before = next_ > 0 ? &(*segments)[next_ - 1] : nullptr;
                const auto smooth = static_cast<std::int64_t>(GlideSynth::kSmoothSeconds * rate());
                const std::int64_t rampEnd = std::min(g.startFrame + smooth, g.endFrame);
                if (before && before->endFrame == g.startFrame && frame < rampEnd &&
                    (before->endLeftHz != g.startLeftHz || before->endRightHz != g.startRightHz)) {
                    const glide::Values to = glide::valuesAt(g, rampEnd);
                    const double f = static_cast<double>(frame - g.startFrame) /
                                     static_cast<double>(rampEnd - g.startFrame);
                    n = std::min(n, rampEnd - frame);
                    left = before->endLeftHz + f * (to.leftHz - before->endLeftHz);
                    right = before->endRightHz + f * (to.rightHz - before->endRightHz);
                    slope = (to.rightHz - to.leftHz - before->endRightHz + before->endLeftHz) * rate() /
                            static_cast<double>(rampEnd - g.startFrame);
                } else {
                    n = std::min(n, g.endFrame - frame);
                    const glide::Values v = glide::valuesAt(g, frame);
                    left = v.leftHz;
                    right = v.rightHz;
                    slope = (g.endRightHz - g.startRightHz - g.endLeftHz + g.startLeftHz) * rate() /
                            static_cast<double>(g.endFrame - g.startFrame);
                }
            }
        }
        light_->follow(strobePlan(strobe_, right - left), left, right, slope, frame);
        return n;
    }
    void render(float* stereo, int frames) override { sound_.render(stereo, frames); }

private:
    static constexpr long long kLightBlock = 4096;
    MixerSoundSystem& sound_;
    sequence::SequencePlayer player_;
    const sequence::Sequence& sequence_;
    glide::Plan plan_;
    const glide::Lane* lane_ = nullptr;
    std::size_t next_ = 0; // the lane's first segment not yet behind
    LightTrack* light_;
    StrobeState strobe_;
};

} // namespace

std::string renderSequenceToFile(const RenderRequest& request, const std::filesystem::path& dataFolder,
                                 const RenderProgress& progress)
{
    const sequence::Sequence& s = *request.sequence;
    const long long total = sequence::compilePlan(s, kSampleRate).lengthFrames;
    if (total <= 0)
        return "the sequence " + s.name + " has no length";
    RenderOutputs outputs(request, dataFolder, progress, total);
    if (std::string problem = outputs.prepare(); !problem.empty())
        return problem;
    outputs.tellSetAside();

    Form form;
    MixerSoundSystem sound; // no device: rendered offline
    QuietDialogs dialogs;
    App app(form, sound, dialogs, outputs.work());
    app.files.calls.fsync = [](int) { return 0; };
    bindHandlers(app);
    if (!startUp(app))
        return dialogs.shown.empty() ? "the sound could not be started" : dialogs.shown;
    if (request.toneVolume)
        form.setValue(ctl::scrToneVol, *request.toneVolume - 5000);
    if (request.maskVolume)
        form.setValue(ctl::scrMaskVol, *request.maskVolume - 5000);
    // The bars' hundredths of a dB, as the mixer takes them.
    const auto gain = [&form](std::string_view bar) { return std::pow(10.0, form.value(bar) / 2000.0); };
    SequenceSource source(sound, s, outputs.light(), app.state.strobe);
    if (!source.start(gain(ctl::scrToneVol), gain(ctl::scrMaskVol)))
        return "the sequence " + s.name + " cannot be played";
    return outputs.write(source);
}

} // namespace aurelith
