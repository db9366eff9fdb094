// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/SoundSystem.h"
#include "sound/AudioOutput.h"
#include "sound/Mixer.h"
#include "sound/SoundDecoder.h"

#include <memory>
#include <string>

namespace aurelith {

// A buffer is one voice of the mixer. It may outlive the device: once the
// device is released every call on it does nothing.
class MixerSoundBuffer : public SoundBuffer {
public:
    MixerSoundBuffer(std::weak_ptr<Mixer> mixer, Mixer::Voice* voice, long frames);
    ~MixerSoundBuffer() override;
    MixerSoundBuffer(const MixerSoundBuffer&) = delete;
    MixerSoundBuffer& operator=(const MixerSoundBuffer&) = delete;

    void play(bool looping) override;
    void stop() override;
    void setVolume(int hundredthsDb) override;
    void setPan(int hundredthsDb) override;
    void setFrequency(double framesPerSecond) override;
    double frequency() const override;
    long frameCount() const override;
    // False once a one-shot has played to its end.
    bool isPlaying() const;

private:
    std::weak_ptr<Mixer> mixer_;
    Mixer::Voice* voice_;
    long frames_;
    double frequency_;
};

// The program's sound: our Mixer fed by the SoundDecoder, heard through an
// AudioOutput, or rendered offline when there is none.
class MixerSoundSystem : public SoundSystem {
public:
    static constexpr int kOfflineRate = 44100;

    explicit MixerSoundSystem(AudioOutput* output = nullptr);
    ~MixerSoundSystem() override;
    MixerSoundSystem(const MixerSoundSystem&) = delete;
    MixerSoundSystem& operator=(const MixerSoundSystem&) = delete;

    bool createDevice(std::string& error) override;
    bool hasDevice() const override;
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    // The same as createBuffer, keeping the concrete type.
    std::unique_ptr<MixerSoundBuffer> openBuffer(const std::string& path);
    void releaseDevice() override;

    int deviceRate() const;
    // Offline only: the next frames the user would hear (silence with no device).
    void render(float* interleavedStereo, int frames);

private:
    AudioOutput* output_;
    SoundDecoder decoder_;
    std::shared_ptr<Mixer> mixer_;
};

} // namespace aurelith
