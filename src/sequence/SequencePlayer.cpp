// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/SequencePlayer.h"

#include "sound/MixerSoundSystem.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace aurelith::sequence {
namespace {

std::int64_t frameOf(double seconds, int rate) { return std::llround(std::max(0.0, seconds) * rate); }

glide::LaneKind laneKind(VoiceKind kind)
{
    switch (kind) {
    case VoiceKind::binaural: return glide::LaneKind::binaural;
    case VoiceKind::monaural: return glide::LaneKind::monaural;
    case VoiceKind::isochronic: return glide::LaneKind::isochronic;
    case VoiceKind::tone: return glide::LaneKind::tone;
    case VoiceKind::mix: return glide::LaneKind::mix;
    default: return glide::LaneKind::noise;
    }
}

glide::NoiseColour colourOf(VoiceKind kind)
{
    return kind == VoiceKind::whiteNoise   ? glide::NoiseColour::white
           : kind == VoiceKind::brownNoise ? glide::NoiseColour::brown
                                           : glide::NoiseColour::pink;
}

glide::Wave waveOf(Waveform w)
{
    switch (w) {
    case Waveform::square: return glide::Wave::square;
    case Waveform::triangle: return glide::Wave::triangle;
    case Waveform::sawtooth: return glide::Wave::sawtooth;
    default: return glide::Wave::sine;
    }
}

// A point's values in the sound's terms: two tones for a pair, one tone (both
// "ears" alike) and a pulse rate for the rest.
glide::Values valuesOf(VoiceKind kind, const Point& p)
{
    const bool pair = kind == VoiceKind::binaural || kind == VoiceKind::monaural;
    return {pair ? leftHz(p) : p.carrierHz, pair ? rightHz(p) : p.carrierHz, std::clamp(p.level, 0.0, 1.0),
            kind == VoiceKind::isochronic ? p.beatHz : 0.0};
}

} // namespace

glide::Plan compilePlan(const Sequence& sequence, int deviceRate)
{
    glide::Plan plan;
    plan.deviceRate = deviceRate;
    plan.lengthFrames = frameOf(sequence.lengthSeconds, deviceRate);
    plan.fadeOutFrames = std::min(plan.lengthFrames, frameOf(sequence.fadeOutSeconds, deviceRate));
    plan.mixFile = sequence.mixFile;
    for (const Voice& voice : sequence.voices) {
        glide::Lane lane;
        lane.kind = laneKind(voice.kind);
        lane.wave = waveOf(voice.waveform);
        lane.colour = colourOf(voice.kind);
        for (std::size_t i = 0; i < voice.points.size(); ++i) {
            const Point& a = voice.points[i];
            const bool last = i + 1 == voice.points.size();
            glide::Segment g;
            g.startFrame = std::min(frameOf(a.seconds, deviceRate), plan.lengthFrames);
            g.endFrame = last ? plan.lengthFrames
                              : std::clamp(frameOf(voice.points[i + 1].seconds, deviceRate), g.startFrame,
                                           plan.lengthFrames);
            if (g.endFrame <= g.startFrame)
                continue;
            const glide::Values from = valuesOf(voice.kind, a);
            const glide::Values to = last || a.join == Join::step ? from : valuesOf(voice.kind, voice.points[i + 1]);
            g.startLeftHz = from.leftHz;
            g.endLeftHz = to.leftHz;
            g.startRightHz = from.rightHz;
            g.endRightHz = to.rightHz;
            g.startLevel = from.level;
            g.endLevel = to.level;
            g.startPulseHz = from.pulseHz;
            g.endPulseHz = to.pulseHz;
            lane.segments.push_back(g);
        }
        plan.lanes.push_back(std::move(lane));
    }
    return plan;
}

bool SequencePlayer::play(const Sequence& sequence, double fromSeconds)
{
    const int rate = voices_.glideRate();
    if (rate <= 0 || !voices_.playGlide(std::make_shared<const glide::Plan>(compilePlan(sequence, rate)),
                                        frameOf(fromSeconds, rate)))
        return false;
    sequence_ = sequence;
    rate_ = rate;
    playing_ = true;
    return true;
}

bool SequencePlayer::replace(const Sequence& sequence)
{
    if (!playing_ || !voices_.replaceGlide(std::make_shared<const glide::Plan>(compilePlan(sequence, rate_))))
        return false;
    sequence_ = sequence;
    return true;
}

void SequencePlayer::seek(double seconds)
{
    if (playing_)
        voices_.seekGlide(frameOf(std::min(seconds, length()), rate_));
}

void SequencePlayer::stop()
{
    if (playing_)
        voices_.stopGlide();
    playing_ = false;
    sequence_.reset();
}

double SequencePlayer::position() const
{
    return playing_ && rate_ > 0 ? static_cast<double>(voices_.glidePosition()) / rate_ : 0.0;
}

std::optional<TonePair> SequencePlayer::currentPair() const
{
    if (!sequence_)
        return std::nullopt;
    const auto voice = std::find_if(sequence_->voices.begin(), sequence_->voices.end(),
                                    [](const Voice& v) { return v.kind == VoiceKind::binaural; });
    if (voice == sequence_->voices.end())
        return std::nullopt;
    const Point p = valueAt(*voice, position());
    return TonePair{leftHz(p), rightHz(p), p.beatHz};
}

bool SequencePlayer::finished()
{
    if (!playing_ || !voices_.glideFinished())
        return false;
    playing_ = false;
    sequence_.reset();
    return true;
}

int renderRate() { return MixerSoundSystem::kOfflineRate; }

bool renderSequence(const Sequence& sequence, double tones, double noise,
                    const std::function<bool(const float* stereo, int frames)>& sink, std::string& error)
{
    MixerSoundSystem sound;
    if (!sound.createDevice(error))
        return false;
    SequencePlayer player(sound);
    player.setLevels(tones, noise);
    if (!player.play(sequence)) {
        error = "the sequence cannot be played";
        return false;
    }
    // The limiter's look-ahead delays everything: its first frames are not the sequence's.
    std::int64_t skip = sound.latencyFrames();
    std::int64_t left = compilePlan(sequence, sound.deviceRate()).lengthFrames;
    constexpr int kBlock = 4096;
    std::vector<float> block(2 * kBlock);
    while (left > 0) {
        const int n = static_cast<int>(std::min<std::int64_t>(kBlock, left + skip));
        sound.render(block.data(), n);
        const int dropped = static_cast<int>(std::min<std::int64_t>(skip, n));
        skip -= dropped;
        left -= n - dropped;
        if (n > dropped && !sink(block.data() + 2 * dropped, n - dropped)) {
            error = "stopped";
            return false;
        }
    }
    return true;
}

} // namespace aurelith::sequence
