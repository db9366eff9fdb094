// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"

#include <algorithm>
#include <cmath>

namespace aurelith {

namespace {

enum class PlayState : int { Stopped, Looping, Once };

struct StereoGain {
    float left;
    float right;
};

float gainOf(int hundredthsDb)
{
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

StereoGain gainsFor(int volume, int pan)
{
    const float level = gainOf(volume);
    return {level * gainOf(std::min(0, -pan)), level * gainOf(std::min(0, pan))};
}

} // namespace

class Mixer::Voice {
public:
    explicit Voice(std::shared_ptr<const PcmData> pcm)
        : data(std::move(pcm)), rate(data->sampleRate)
    {
    }
    explicit Voice(std::shared_ptr<StreamSource> source)
        : stream(std::move(source)), rate(0.0), scratch(2 * kStreamChunk)
    {
    }

    // Audio thread: adds this voice's next frames to out.
    void mixInto(float* out, int frames, int deviceRate)
    {
        const PlayState playState = state.load(std::memory_order_acquire);
        if (playState == PlayState::Stopped) {
            return;
        }
        const StereoGain g0 = gain.load(std::memory_order_relaxed);
        if (stream) {
            for (int done = 0; done < frames; done += kStreamChunk) {
                const int n = std::min(kStreamChunk, frames - done);
                stream->pull(scratch.data(), n);
                for (int i = 0; i < n; ++i) {
                    out[2 * (done + i)] += scratch[2 * i] * g0.left;
                    out[2 * (done + i) + 1] += scratch[2 * i + 1] * g0.right;
                }
            }
            return;
        }
        const bool looping = playState == PlayState::Looping;
        const double step = rate.load(std::memory_order_relaxed) / deviceRate;
        const StereoGain g = gain.load(std::memory_order_relaxed);
        const bool ended = data->channels == 1 ? mix<1>(out, frames, step, g, looping)
                                               : mix<2>(out, frames, step, g, looping);
        if (ended) {
            position = 0.0;
            PlayState expected = PlayState::Once;
            // The window may have restarted it meanwhile; that request wins.
            state.compare_exchange_strong(expected, PlayState::Stopped);
        }
    }

    static constexpr int kStreamChunk = 1024;
    const std::shared_ptr<const PcmData> data;
    const std::shared_ptr<StreamSource> stream;
    std::atomic<PlayState> state{PlayState::Stopped};
    std::atomic<StereoGain> gain{StereoGain{1.0f, 1.0f}};
    std::atomic<double> rate;
    // Window's thread only.
    int volume = 0;
    int pan = 0;

private:
    std::vector<float> scratch; // stream voices: one chunk, allocated up front
    // Returns true when a one-shot voice ran off its end.
    template <int Channels>
    bool mix(float* out, int frames, double step, StereoGain g, bool looping)
    {
        const float* s = data->samples.data();
        const long count = data->frames;
        // Past the last frame a loop interpolates into its first, a one-shot holds.
        const long afterLast = looping ? 0 : count - 1;
        double pos = position;
        for (int f = 0; f < frames; ++f) {
            const long i0 = static_cast<long>(pos);
            const long i1 = i0 + 1 < count ? i0 + 1 : afterLast;
            const float frac = static_cast<float>(pos - static_cast<double>(i0));
            const float a0 = s[i0 * Channels];
            const float a1 = s[i1 * Channels];
            const float left = a0 + (a1 - a0) * frac;
            float right = left;
            if constexpr (Channels == 2) {
                const float b0 = s[i0 * 2 + 1];
                const float b1 = s[i1 * 2 + 1];
                right = b0 + (b1 - b0) * frac;
            }
            out[2 * f] += left * g.left;
            out[2 * f + 1] += right * g.right;
            pos += step;
            if (pos >= static_cast<double>(count)) {
                if (!looping) {
                    return true;
                }
                pos = std::fmod(pos, static_cast<double>(count));
            }
        }
        position = pos;
        return false;
    }

    double position = 0.0; // audio thread only, in frames of the data
};

static_assert(std::atomic<StereoGain>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<PlayState>::is_always_lock_free);

Mixer::Mixer(int deviceRate) : deviceRate_(deviceRate) {}

Mixer::~Mixer()
{
    applyCommands();
    for (int i = 0; i < activeCount_; ++i) {
        delete active_[i];
    }
    activeCount_ = 0;
    collectGarbage();
}

void Mixer::setDeviceRate(int framesPerSecond)
{
    if (framesPerSecond > 0) {
        deviceRate_.store(framesPerSecond, std::memory_order_relaxed);
    }
}

int Mixer::deviceRate() const
{
    return deviceRate_.load(std::memory_order_relaxed);
}

void Mixer::attachAudioThread(int rate)
{
    collectGarbage();
    setDeviceRate(rate);
    attached_ = true;
}

void Mixer::detachAudioThread()
{
    attached_ = false;
    collectGarbage();
}

Mixer::Voice* Mixer::addVoice(std::shared_ptr<const PcmData> data)
{
    collectGarbage();
    const bool usable = data && data->frames > 0 && data->sampleRate > 0
        && (data->channels == 1 || data->channels == 2)
        && data->samples.size() >= static_cast<std::size_t>(data->frames * data->channels);
    if (!usable || outstanding_ >= kMaxVoices) {
        return nullptr;
    }
    auto* voice = new Voice(std::move(data));
    ++outstanding_;
    commands_.push({CommandKind::Add, voice});
    collectGarbage();
    return voice;
}

Mixer::Voice* Mixer::addVoice(std::shared_ptr<StreamSource> stream)
{
    collectGarbage();
    if (!stream || outstanding_ >= kMaxVoices) {
        return nullptr;
    }
    auto* voice = new Voice(std::move(stream));
    ++outstanding_;
    commands_.push({CommandKind::Add, voice});
    collectGarbage();
    return voice;
}

void Mixer::removeVoice(Voice* voice)
{
    if (voice) {
        voice->state.store(PlayState::Stopped, std::memory_order_release);
        commands_.push({CommandKind::Remove, voice});
    }
    collectGarbage();
}

void Mixer::play(Voice* voice, bool looping)
{
    collectGarbage();
    voice->state.store(looping ? PlayState::Looping : PlayState::Once, std::memory_order_release);
}

void Mixer::stop(Voice* voice)
{
    collectGarbage();
    voice->state.store(PlayState::Stopped, std::memory_order_release);
}

bool Mixer::isPlaying(const Voice* voice) const
{
    return voice->state.load(std::memory_order_acquire) != PlayState::Stopped;
}

void Mixer::setVolume(Voice* voice, int hundredthsDb)
{
    collectGarbage();
    voice->volume = std::clamp(hundredthsDb, -10000, 0);
    voice->gain.store(gainsFor(voice->volume, voice->pan), std::memory_order_relaxed);
}

void Mixer::setPan(Voice* voice, int hundredthsDb)
{
    collectGarbage();
    voice->pan = std::clamp(hundredthsDb, -10000, 10000);
    voice->gain.store(gainsFor(voice->volume, voice->pan), std::memory_order_relaxed);
}

void Mixer::setRate(Voice* voice, double framesPerSecond)
{
    collectGarbage();
    if (std::isfinite(framesPerSecond) && framesPerSecond > 0.0) {
        voice->rate.store(framesPerSecond, std::memory_order_relaxed);
    }
}

double Mixer::rate(const Voice* voice) const
{
    return voice->rate.load(std::memory_order_relaxed);
}

void Mixer::collectGarbage()
{
    // Offline, this thread is also the one that renders, so it may take the
    // audio side's part; otherwise voices would pile up in the queue unheard.
    if (!attached_) {
        applyCommands();
    }
    Voice* voice = nullptr;
    while (garbage_.pop(voice)) {
        delete voice;
        --outstanding_;
    }
}

void Mixer::render(float* interleavedStereo, int frames)
{
    applyCommands();
    std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
    const int rate = deviceRate_.load(std::memory_order_relaxed);
    for (int i = 0; i < activeCount_; ++i) {
        active_[i]->mixInto(interleavedStereo, frames, rate);
    }
    clip(interleavedStereo, 2 * frames);
}

void Mixer::applyCommands()
{
    Command command{};
    while (commands_.pop(command)) {
        if (command.kind == CommandKind::Add) {
            active_[activeCount_++] = command.voice;
        } else {
            removeActive(command.voice);
            garbage_.push(command.voice);
        }
    }
}

void Mixer::removeActive(Voice* voice)
{
    Voice** end = active_.data() + activeCount_;
    Voice** kept = std::remove(active_.data(), end, voice);
    activeCount_ = static_cast<int>(kept - active_.data());
}

void Mixer::clip(float* samples, int count)
{
    for (int i = 0; i < count; ++i) {
        samples[i] = std::clamp(samples[i], -1.0f, 1.0f);
    }
}

} // namespace aurelith
