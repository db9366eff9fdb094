// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerSoundSystem.h"

#include <algorithm>

namespace aurelith {

MixerSoundBuffer::MixerSoundBuffer(std::weak_ptr<Mixer> mixer, Mixer::Voice* voice, long frames)
    : mixer_(std::move(mixer)), voice_(voice), frames_(frames)
{
    auto m = mixer_.lock();
    frequency_ = m ? m->rate(voice_) : 0.0;
}

MixerSoundBuffer::~MixerSoundBuffer()
{
    if (auto m = mixer_.lock()) {
        m->removeVoice(voice_);
    }
}

void MixerSoundBuffer::play(bool looping)
{
    if (auto m = mixer_.lock()) {
        m->play(voice_, looping);
    }
}

void MixerSoundBuffer::stop()
{
    if (auto m = mixer_.lock()) {
        m->stop(voice_);
    }
}

void MixerSoundBuffer::setVolume(int hundredthsDb)
{
    if (auto m = mixer_.lock()) {
        m->setVolume(voice_, hundredthsDb);
    }
}

void MixerSoundBuffer::setPan(int hundredthsDb)
{
    if (auto m = mixer_.lock()) {
        m->setPan(voice_, hundredthsDb);
    }
}

void MixerSoundBuffer::setFrequency(double framesPerSecond)
{
    if (auto m = mixer_.lock()) {
        m->setRate(voice_, framesPerSecond);
        frequency_ = m->rate(voice_);
    }
}

double MixerSoundBuffer::frequency() const
{
    return frequency_;
}

long MixerSoundBuffer::frameCount() const
{
    return frames_;
}

bool MixerSoundBuffer::isPlaying() const
{
    auto m = mixer_.lock();
    return m && m->isPlaying(voice_);
}

MixerSoundSystem::MixerSoundSystem(AudioOutput* output) : output_(output) {}

MixerSoundSystem::~MixerSoundSystem()
{
    releaseDevice();
}

bool MixerSoundSystem::createDevice(std::string& error)
{
    if (mixer_) {
        return true;
    }
    auto mixer = std::make_shared<Mixer>(kOfflineRate);
    int rate = kOfflineRate;
    if (output_ && !output_->open(*mixer, rate, error)) {
        return false;
    }
    mixer_ = std::move(mixer);
    return true;
}

bool MixerSoundSystem::hasDevice() const
{
    return mixer_ != nullptr;
}

std::unique_ptr<SoundBuffer> MixerSoundSystem::createBuffer(const std::string& path)
{
    return openBuffer(path);
}

std::unique_ptr<MixerSoundBuffer> MixerSoundSystem::openBuffer(const std::string& path)
{
    if (!mixer_) {
        return nullptr;
    }
    auto data = decoder_.decode(path);
    if (!data) {
        return nullptr;
    }
    const long frames = data->frames;
    Mixer::Voice* voice = mixer_->addVoice(std::move(data));
    if (!voice) {
        return nullptr;
    }
    return std::make_unique<MixerSoundBuffer>(mixer_, voice, frames);
}

void MixerSoundSystem::releaseDevice()
{
    if (!mixer_) {
        return;
    }
    if (output_) {
        output_->close();
    }
    // Buffers still held elsewhere see the mixer gone and fall silent.
    mixer_.reset();
}

int MixerSoundSystem::deviceRate() const
{
    return mixer_ ? mixer_->deviceRate() : kOfflineRate;
}

void MixerSoundSystem::render(float* interleavedStereo, int frames)
{
    if (mixer_) {
        mixer_->render(interleavedStereo, frames);
    } else {
        std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
    }
}

} // namespace aurelith
