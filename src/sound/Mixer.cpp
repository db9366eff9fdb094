// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer's window side: creates and frees voices, and hands them to the
// audio side through the command queue.
#include "sound/Mixer.h"

#include "core/Contract.h"
#include "sound/MixerVoice.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace aurelith {

using mixing::PlayState;

namespace {

float gainOf(int hundredthsDb) { return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0)); }

mixing::StereoGain gainsFor(int volume, int pan)
{
    const float level = gainOf(volume);
    return {level * gainOf(std::min(0, -pan)), level * gainOf(std::min(0, pan))};
}

} // namespace

Mixer::Mixer(int deviceRate) : deviceRate_(deviceRate)
{
    audio_.configure(deviceRate);
    glide_.configure(deviceRate);
}

Mixer::~Mixer()
{
    // A thread still rendering may read any voice: better leaked than freed under it.
    if (!detachedHere())
        return;
    audio_.freeAll();
    collectGarbage();
}

void Mixer::checkWindowThread() const { AURELITH_VERIFY_THREAD(window_, "the mixer's window side"); }

bool Mixer::detachedHere() const
{
    checkWindowThread();
    AURELITH_VERIFY(!attached_ && "only with no audio thread attached") { return false; }
    return true;
}

void Mixer::send(Command command)
{
    // Never full: it holds at most an Add and a Remove per outstanding voice.
    [[maybe_unused]] const bool sent = toAudio_.push(command);
    assert(sent);
}

void Mixer::setDeviceRate(int framesPerSecond)
{
    // The limiter is the audio thread's while one is attached: the old rate stays.
    if (!detachedHere())
        return;
    if (framesPerSecond > 0) {
        deviceRate_.store(framesPerSecond, std::memory_order_relaxed);
        audio_.configure(framesPerSecond);
        glide_.configure(framesPerSecond);
    }
}

int Mixer::deviceRate() const { return deviceRate_.load(std::memory_order_relaxed); }

void Mixer::attachAudioThread(int rate)
{
    collectGarbage();
    setDeviceRate(rate);
    audio_.attach();
    attached_ = true;
}

void Mixer::detachAudioThread()
{
    checkWindowThread();
    attached_ = false;
    audio_.detach(window_.owner());
    collectGarbage();
}

Mixer::Voice* Mixer::addVoice(std::shared_ptr<const PcmData> data, const std::string& continuityKey, ToneWave wave)
{
    collectGarbage();
    const bool usable = data && data->frames > 0 && data->sampleRate > 0 &&
                        (data->channels == 1 || data->channels == 2) &&
                        data->samples.size() >= static_cast<std::size_t>(data->frames * data->channels);
    if (!usable || outstanding_ >= kMaxVoices) {
        return nullptr;
    }
    auto* voice = new Voice(std::move(data));
    voice->wave = wave;
    return add(voice, continuityKey);
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
    send({CommandKind::Add, voice});
    collectGarbage();
    return voice;
}

void Mixer::removeVoice(Voice* voice)
{
    if (voice) {
        // The key keeps pointing at it: a replacement added next takes over
        // from it while it still sounds.
        voice->state.store(PlayState::Stopped, std::memory_order_release);
        send({CommandKind::Remove, voice});
    }
    collectGarbage();
}

void Mixer::play(Voice* voice, bool looping)
{
    checkWindowThread();
    if (voice->periodic && !voice->cycleBuilt) {
        // Built here, before the audio thread can see the voice playing.
        const double hz = voice->rate.load(std::memory_order_relaxed) / static_cast<double>(voice->data->frames);
        voice->cycle = bandLimitedCycle(*voice->data, hz, deviceRate(), voice->wave);
        voice->cycleBuilt = true;
    }
    voice->state.store(looping ? PlayState::Looping : PlayState::Once, std::memory_order_release);
}

void Mixer::stop(Voice* voice)
{
    checkWindowThread();
    voice->state.store(PlayState::Stopped, std::memory_order_release);
}

bool Mixer::isPlaying(const Voice* voice) const
{
    checkWindowThread();
    return voice->state.load(std::memory_order_acquire) != PlayState::Stopped;
}

void Mixer::setVolume(Voice* voice, int hundredthsDb)
{
    checkWindowThread();
    voice->volume = std::clamp(hundredthsDb, -10000, 0);
    voice->gain.store(gainsFor(voice->volume, voice->pan), std::memory_order_relaxed);
}

void Mixer::setPan(Voice* voice, int hundredthsDb)
{
    checkWindowThread();
    voice->pan = std::clamp(hundredthsDb, -10000, 10000);
    voice->gain.store(gainsFor(voice->volume, voice->pan), std::memory_order_relaxed);
}

void Mixer::setRate(Voice* voice, double framesPerSecond)
{
    checkWindowThread();
    if (std::isfinite(framesPerSecond) && framesPerSecond > 0.0) {
        voice->rate.store(framesPerSecond, std::memory_order_relaxed);
    }
}

double Mixer::rate(const Voice* voice) const
{
    checkWindowThread();
    return voice->rate.load(std::memory_order_relaxed);
}

void Mixer::collectGarbage()
{
    checkWindowThread();
    // Offline, this thread is also the one that renders, so it may take the
    // audio side's part; otherwise voices would pile up in the queue unheard.
    if (!attached_) {
        audio_.applyCommands();
    }
    Voice* voice = nullptr;
    while (toWindow_.pop(voice)) {
        if (!voice->key.empty()) {
            auto it = byKey_.find(voice->key);
            if (it != byKey_.end() && it->second == voice)
                byKey_.erase(it);
        }
        delete voice;
        --outstanding_;
    }
}

} // namespace aurelith
