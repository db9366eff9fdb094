// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"

#include "sound/BandLimitedCycle.h"

#include <algorithm>
#include <cmath>

namespace aurelith {

namespace {

enum class PlayState : int { Stopped, Looping, Once };

// Aligned to its size, so every compiler stores it with one instruction
// (clang calls libatomic for a four-byte-aligned pair).
struct alignas(8) StereoGain {
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

struct RenderContext {
    int deviceRate;
    float fadeStep;   // envelope change per frame
    long graceFrames; // frames a stopped voice plays on
};

} // namespace

class Mixer::Voice {
public:
    explicit Voice(std::shared_ptr<const PcmData> pcm)
        : data(std::move(pcm)), periodic(data->channels == 1 && data->frames <= kMaxCycleFrames),
          rate(data->sampleRate)
    {
    }
    explicit Voice(std::shared_ptr<StreamSource> source) : stream(std::move(source)), rate(0.0) {}

    const std::shared_ptr<const PcmData> data;
    const std::shared_ptr<StreamSource> stream;
    const bool periodic = false;
    std::atomic<PlayState> state{PlayState::Stopped};
    std::atomic<StereoGain> gain{StereoGain{1.0f, 1.0f}};
    std::atomic<double> rate;

    // Window's thread only.
    int volume = 0;
    int pan = 0;
    std::string key;
    // Set by the window's thread before the voice first plays, read-only after.
    std::shared_ptr<const BandLimitedCycle> cycle;
    bool cycleBuilt = false;

    // Set by the window's thread before the voice is added; cleared by the
    // audio thread when the predecessor is freed.
    Voice* predecessor = nullptr;

    // Audio thread only.
    bool sounding = false;   // heard now, perhaps fading
    bool retiring = false;   // removed by the window; freed once silent
    bool supplanted = false; // a successor took over: silent for good

    bool wanted() const
    {
        return !retiring && !supplanted && state.load(std::memory_order_acquire) != PlayState::Stopped;
    }

    // Audio thread: starts sounding, from where a sounding predecessor is when
    // it is the same kind of sound, else from silence.
    void begin()
    {
        Voice* p = predecessor;
        if (p && p->sounding && continues(*p)) {
            position = p->position;
            level = p->level;
            graceLeft = 0;
            p->sounding = false;
            p->supplanted = true;
            p->level = 0.0f;
        } else {
            level = 0.0f;
        }
        sounding = true;
    }

    // Audio thread: adds this voice's next frames to out.
    void mixInto(float* out, int frames, const RenderContext& ctx)
    {
        if (!sounding)
            return;
        const PlayState requested = state.load(std::memory_order_acquire);
        const bool isWanted = wanted();
        if (isWanted) {
            graceLeft = ctx.graceFrames;
            looping = requested == PlayState::Looping;
        }
        const StereoGain g = gain.load(std::memory_order_relaxed);
        for (int done = 0; done < frames && sounding; done += kChunk) {
            const int n = std::min(kChunk, frames - done);
            const int produced = produce(scratch.data(), n, ctx.deviceRate);
            float* o = out + 2 * done;
            for (int i = 0; i < produced; ++i) {
                const bool on = isWanted || graceLeft > 0;
                if (!isWanted && graceLeft > 0)
                    --graceLeft;
                level = on ? std::min(1.0f, level + ctx.fadeStep) : std::max(0.0f, level - ctx.fadeStep);
                o[2 * i] += scratch[2 * i] * g.left * level;
                o[2 * i + 1] += scratch[2 * i + 1] * g.right * level;
                if (!on && level == 0.0f) {
                    sounding = false; // faded out; a later play goes on from here
                    rewind(produced - i - 1, ctx.deviceRate);
                    return;
                }
            }
            if (produced < n) {
                // A one-shot ran off its end.
                sounding = false;
                level = 0.0f;
                position = 0.0;
                PlayState expected = PlayState::Once;
                // The window may have restarted it meanwhile; that request wins.
                state.compare_exchange_strong(expected, PlayState::Stopped);
            }
        }
    }

private:
    static constexpr int kChunk = 256;

    bool continues(const Voice& p) const
    {
        if (stream || p.stream)
            return stream == p.stream;
        if (cycle && p.cycle)
            return true; // a phase, whatever the waveform
        return !cycle && !p.cycle && data->frames == p.data->frames && data->channels == p.data->channels;
    }

    // Takes back frames produced but not heard (a stream cannot give them back).
    void rewind(int frames, int deviceRate)
    {
        if (stream || frames <= 0)
            return;
        const double r = rate.load(std::memory_order_relaxed) / deviceRate;
        if (cycle) {
            position -= frames * r / static_cast<double>(data->frames);
            position -= std::floor(position);
        } else {
            const auto count = static_cast<double>(data->frames);
            position = std::fmod(position - frames * r, count);
            if (position < 0)
                position += count;
        }
    }

    // Writes n stereo frames of the raw sound; fewer when a one-shot ends.
    int produce(float* dst, int n, int deviceRate)
    {
        if (stream) {
            stream->pull(dst, n);
            return n;
        }
        if (cycle)
            return produceCycle(dst, n, deviceRate);
        return data->channels == 1 ? produceSampled<1>(dst, n, deviceRate) : produceSampled<2>(dst, n, deviceRate);
    }

    // A periodic tone: phase in cycles through a double accumulator, so the
    // pitch is exact over hours.
    int produceCycle(float* dst, int n, int deviceRate)
    {
        const double step = rate.load(std::memory_order_relaxed) / static_cast<double>(data->frames) / deviceRate;
        for (int i = 0; i < n; ++i) {
            const float v = cycle->at(position);
            dst[2 * i] = v;
            dst[2 * i + 1] = v;
            position += step;
            if (position >= 1.0) {
                if (!looping)
                    return i + 1;
                position -= std::floor(position);
            }
        }
        return n;
    }

    template <int Channels>
    int produceSampled(float* dst, int n, int deviceRate)
    {
        const double step = rate.load(std::memory_order_relaxed) / deviceRate;
        const float* s = data->samples.data();
        const long count = data->frames;
        // Past the last frame a loop interpolates into its first, a one-shot holds.
        const long afterLast = looping ? 0 : count - 1;
        for (int i = 0; i < n; ++i) {
            const long i0 = static_cast<long>(position);
            const long i1 = i0 + 1 < count ? i0 + 1 : afterLast;
            const float frac = static_cast<float>(position - static_cast<double>(i0));
            const float a0 = s[i0 * Channels], a1 = s[i1 * Channels];
            const float left = a0 + (a1 - a0) * frac;
            float right = left;
            if constexpr (Channels == 2) {
                const float b0 = s[i0 * 2 + 1], b1 = s[i1 * 2 + 1];
                right = b0 + (b1 - b0) * frac;
            }
            dst[2 * i] = left;
            dst[2 * i + 1] = right;
            position += step;
            if (position >= static_cast<double>(count)) {
                if (!looping)
                    return i + 1;
                position = std::fmod(position, static_cast<double>(count));
            }
        }
        return n;
    }

    std::array<float, 2 * kChunk> scratch{};
    double position = 0.0; // frames of the data, or cycles of a periodic tone
    float level = 0.0f;    // fade envelope 0 ... 1
    long graceLeft = 0;
    bool looping = true;
};

static_assert(std::atomic<StereoGain>::is_always_lock_free);
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<PlayState>::is_always_lock_free);

Mixer::Mixer(int deviceRate) : deviceRate_(deviceRate)
{
    limiter_.configure(deviceRate);
}

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
        limiter_.configure(framesPerSecond);
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

Mixer::Voice* Mixer::addVoice(std::shared_ptr<const PcmData> data, const std::string& continuityKey)
{
    collectGarbage();
    const bool usable = data && data->frames > 0 && data->sampleRate > 0
        && (data->channels == 1 || data->channels == 2)
        && data->samples.size() >= static_cast<std::size_t>(data->frames * data->channels);
    if (!usable || outstanding_ >= kMaxVoices) {
        return nullptr;
    }
    return add(new Voice(std::move(data)), continuityKey);
}

Mixer::Voice* Mixer::addVoice(std::shared_ptr<StreamSource> stream, const std::string& continuityKey)
{
    collectGarbage();
    if (!stream || outstanding_ >= kMaxVoices) {
        return nullptr;
    }
    return add(new Voice(std::move(stream)), continuityKey);
}

Mixer::Voice* Mixer::add(Voice* voice, const std::string& continuityKey)
{
    if (!continuityKey.empty()) {
        voice->key = continuityKey;
        Voice*& latest = byKey_[continuityKey];
        voice->predecessor = latest;
        latest = voice;
    }
    ++outstanding_;
    commands_.push({CommandKind::Add, voice});
    collectGarbage();
    return voice;
}

void Mixer::removeVoice(Voice* voice)
{
    if (voice) {
        // The key keeps pointing at it: a replacement added next takes over
        // from it while it still sounds.
        voice->state.store(PlayState::Stopped, std::memory_order_release);
        commands_.push({CommandKind::Remove, voice});
    }
    collectGarbage();
}

void Mixer::play(Voice* voice, bool looping)
{
    collectGarbage();
    if (voice->periodic && !voice->cycleBuilt) {
        // Built here, before the audio thread can see the voice playing.
        const double hz = voice->rate.load(std::memory_order_relaxed) / static_cast<double>(voice->data->frames);
        voice->cycle = bandLimitedCycle(*voice->data, hz, deviceRate());
        voice->cycleBuilt = true;
    }
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
        if (!voice->key.empty()) {
            auto it = byKey_.find(voice->key);
            if (it != byKey_.end() && it->second == voice)
                byKey_.erase(it);
        }
        delete voice;
        --outstanding_;
    }
}

void Mixer::render(float* interleavedStereo, int frames)
{
    applyCommands();
    std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
    const int rate = deviceRate_.load(std::memory_order_relaxed);
    const RenderContext ctx{rate, static_cast<float>(1.0 / (kFadeSeconds * rate)),
                            std::lround(kGraceSeconds * rate)};
    // Successors take over before anything is mixed, so no period holds both.
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i]->wanted() && !active_[i]->sounding)
            active_[i]->begin();
    }
    for (int i = 0; i < activeCount_; ++i) {
        active_[i]->mixInto(interleavedStereo, frames, ctx);
    }
    for (int i = activeCount_ - 1; i >= 0; --i) {
        if (active_[i]->retiring && !active_[i]->sounding)
            release(i);
    }
    limiter_.process(interleavedStereo, frames);
}

void Mixer::applyCommands()
{
    Command command{};
    while (commands_.pop(command)) {
        if (command.kind == CommandKind::Add) {
            // A predecessor already handed back may be freed by now; only the
            // address is compared here, never followed.
            Voice*& p = command.voice->predecessor;
            if (p && std::find(active_.begin(), active_.begin() + activeCount_, p) == active_.begin() + activeCount_)
                p = nullptr;
            active_[activeCount_++] = command.voice;
        } else {
            retire(command.voice);
        }
    }
}

void Mixer::retire(Voice* voice)
{
    voice->retiring = true;
    if (voice->sounding)
        return; // freed when it has faded out
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i] == voice) {
            release(i);
            return;
        }
    }
}

void Mixer::release(int index)
{
    Voice* voice = active_[index];
    std::copy(active_.begin() + index + 1, active_.begin() + activeCount_, active_.begin() + index);
    --activeCount_;
    for (int i = 0; i < activeCount_; ++i) {
        if (active_[i]->predecessor == voice)
            active_[i]->predecessor = nullptr;
    }
    garbage_.push(voice);
}

} // namespace aurelith
