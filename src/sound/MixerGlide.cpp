// SPDX-License-Identifier: GPL-3.0-or-later
// The sound system's gliding voices: plans checked and made ready on the
// window's thread, sent to the mixer's GlideChannel, and their beat carried
// to the ear by the output's fitted clock.
#include "sound/MaskStream.h"
#include "sound/MixerSoundSystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace aurelith {
namespace {

bool finite(const glide::Segment& g)
{
    for (double v : {g.startLeftHz, g.endLeftHz, g.startRightHz, g.endRightHz, g.startLevel, g.endLevel, g.startPulseHz,
                     g.endPulseHz})
        if (!std::isfinite(v))
            return false;
    return true;
}

// Whatever reaches the audio thread is in order: a bad plan is refused here.
bool usable(const glide::Plan& plan, int rate)
{
    if (plan.deviceRate != rate || plan.lengthFrames <= 0 || plan.fadeOutFrames < 0 ||
        plan.lanes.size() > static_cast<std::size_t>(glide::kMaxLanes))
        return false;
    for (const glide::Lane& lane : plan.lanes) {
        std::int64_t previousEnd = 0;
        for (const glide::Segment& g : lane.segments) {
            if (g.startFrame < previousEnd || g.endFrame < g.startFrame || !finite(g))
                return false;
            previousEnd = g.endFrame;
        }
    }
    return true;
}

// The next moment, after frame x of a phase d0 + r0 t + s t^2 / 2 (t = x - x0),
// at which the phase is whole; counted from x, in frames.
double framesToWhole(double d, double r, double s)
{
    const double whole = r > 0 ? std::ceil(d) : std::floor(d);
    const double gap = whole - d;
    const double disc = r * r + 2 * s * gap;
    if (s == 0 || disc < 0)
        return gap / r; // the slide turns before then: the straight line is the best guess
    return 2 * gap / (r + std::copysign(std::sqrt(disc), r));
}

} // namespace

int MixerSoundSystem::glideRate() const { return mixer_ ? mixer_->deviceRate() : 0; }

std::shared_ptr<const GlideProgram> MixerSoundSystem::glideProgram(std::shared_ptr<const glide::Plan> plan)
{
    if (!mixer_ || !plan || !usable(*plan, mixer_->deviceRate()))
        return nullptr;
    auto program = std::make_shared<GlideProgram>();
    bool mixes = false;
    for (const glide::Lane& lane : plan->lanes) {
        program->tables[static_cast<std::size_t>(lane.wave)] = GlideWaveTables::forWave(lane.wave);
        mixes = mixes || lane.kind == glide::LaneKind::mix;
    }
    // The filters take some milliseconds to design: once per rate, not per edit.
    if (glideNoiseRate_ != mixer_->deviceRate()) {
        for (auto colour : {glide::NoiseColour::white, glide::NoiseColour::pink, glide::NoiseColour::brown})
            glideNoise_[static_cast<std::size_t>(colour)] = GlideNoise::shape(colour, mixer_->deviceRate());
        glideNoiseRate_ = mixer_->deviceRate();
    }
    program->noise = glideNoise_;
    if (mixes && !plan->mixFile.empty()) {
        // An edit of the same sequence goes on with the stream where it is.
        if (!glideMix_ || glideMixPath_ != plan->mixFile) {
            glideMix_.reset();
            std::unique_ptr<MaskStream> stream = MaskStream::open(plan->mixFile, mixer_->deviceRate());
            if (stream && stream->start())
                glideMix_ = std::move(stream);
            glideMixPath_ = plan->mixFile;
        }
        program->mix = glideMix_;
    }
    program->plan = std::move(plan);
    return program;
}

bool MixerSoundSystem::sendGlide(GlideRequest::Kind kind, std::shared_ptr<const GlideProgram> program,
                                 std::int64_t frame)
{
    if (!mixer_)
        return false;
    auto request = std::make_unique<GlideRequest>();
    request->kind = kind;
    request->program = std::move(program);
    request->frame = frame;
    request->play = glidePlays_;
    mixer_->glide().send(std::move(request));
    return true;
}

bool MixerSoundSystem::playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame)
{
    auto program = glideProgram(std::move(plan));
    if (!program)
        return false;
    ensureOutput();
    ++glidePlays_;
    glideActive_ = true;
    return sendGlide(GlideRequest::Kind::play, std::move(program), fromFrame);
}

bool MixerSoundSystem::replaceGlide(std::shared_ptr<const glide::Plan> plan)
{
    auto program = glideProgram(std::move(plan));
    return program && sendGlide(GlideRequest::Kind::replace, std::move(program), 0);
}

void MixerSoundSystem::seekGlide(std::int64_t frame) { sendGlide(GlideRequest::Kind::seek, nullptr, frame); }

void MixerSoundSystem::stopGlide()
{
    glideActive_ = false;
    sendGlide(GlideRequest::Kind::stop, nullptr, 0);
}

std::int64_t MixerSoundSystem::glidePosition() const { return mixer_ ? mixer_->glide().position() : 0; }

bool MixerSoundSystem::glideFinished()
{
    if (!mixer_)
        return false;
    mixer_->glide().collect();
    const bool ended = glidePlays_ > 0 && mixer_->glide().endedPlay() == glidePlays_;
    glideActive_ = glideActive_ && !ended;
    return ended;
}

void MixerSoundSystem::setGlideLevels(double tones, double noise)
{
    if (mixer_)
        mixer_->glide().setLevels(static_cast<float>(std::clamp(tones, 0.0, 1.0)),
                                  static_cast<float>(std::clamp(noise, 0.0, 1.0)));
}

std::optional<HeardBeat> MixerSoundSystem::glideHeardBeat()
{
    OutputTiming timing;
    if (!mixer_ || !outputOpen_ || !output_->timing(timing))
        return std::nullopt;
    heardClock_.add(timing);
    SeqSnapshot<4>::Values b{}; // {frame, phase, cycles a frame, their change a frame}
    if (!mixer_->glide().beat(b) || b[2] == 0)
        return std::nullopt;
    const double delay = mixer_->latencyFrames();
    const double nowNs = static_cast<double>(monotonicNs_ ? monotonicNs_()
                                                          : std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                                std::chrono::steady_clock::now().time_since_epoch())
                                                                .count());
    const double frame = heardClock_.frameHeardAt(nowNs) - delay;
    const double t = frame - b[0];
    const double phase = b[1] + t * (b[2] + 0.5 * b[3] * t);
    const double rate = b[2] + b[3] * t;
    if (rate == 0)
        return std::nullopt;
    const double ahead = framesToWhole(phase, rate, b[3]);
    const double rateThen = rate + b[3] * ahead;
    if (!std::isfinite(ahead) || rateThen == 0)
        return std::nullopt;
    return HeardBeat{(heardClock_.heardAtNs(frame + ahead + delay) - nowNs) / 1e6,
                     1e3 / std::abs(rateThen) / heardClock_.rate()};
}

} // namespace aurelith
