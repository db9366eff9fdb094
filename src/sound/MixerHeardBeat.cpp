// SPDX-License-Identifier: GPL-3.0-or-later
// When the two tones are in phase as heard: their phases on the mixer's frame
// count, carried to the ear by the output's fitted clock.
#include "sound/MixerSoundSystem.h"
#include "sound/MixerVoice.h"

#include <chrono>
#include <cmath>

namespace aurelith {
namespace {

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::optional<HeardBeat> MixerSoundSystem::heardBeat(const SoundBuffer& left, const SoundBuffer& right)
{
    AURELITH_VERIFY_THREAD(window_, "the sound system");
    const auto* a = dynamic_cast<const MixerSoundBuffer*>(&left);
    const auto* b = dynamic_cast<const MixerSoundBuffer*>(&right);
    OutputTiming timing;
    if (!a || !b || !mixer_ || !outputOpen_ || !output_->timing(timing) || !a->isPlaying() || !b->isPlaying())
        return std::nullopt;
    heardClock_.add(timing);
    SeqSnapshot<3>::Values pa{}, pb{}; // {frame, cycles, cycles per frame}
    if (!a->voice()->phaseStamp.read(pa) || !b->voice()->phaseStamp.read(pb))
        return std::nullopt;
    const double beat = pa[2] - pb[2]; // cycles of difference per frame
    if (beat == 0)
        return std::nullopt;
    // The limiter delays every voice by its look-ahead on the way out.
    const double delay = mixer_->latencyFrames();
    const double nowNs = static_cast<double>(monotonicNs_ ? monotonicNs_() : steadyNs());
    const double frame = heardClock_.frameHeardAt(nowNs) - delay;
    // The difference of the two phases at that frame; in phase where it is whole.
    const double difference = pa[1] + pa[2] * (frame - pa[0]) - (pb[1] + pb[2] * (frame - pb[0]));
    const double toWhole = beat > 0 ? std::ceil(difference) - difference : std::floor(difference) - difference;
    const double inPhaseFrame = frame + toWhole / beat;
    return HeardBeat{(heardClock_.heardAtNs(inPhaseFrame + delay) - nowNs) / 1e6,
                     1e3 / std::abs(beat) / heardClock_.rate()};
}

} // namespace aurelith
