// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Contract.h"
#include "core/ToneLimits.h"
#include "ports/GlideVoices.h"
#include "ports/HeardBeat.h"
#include "ports/SoundSystem.h"
#include "sound/AudioOutput.h"
#include "sound/Mixer.h"
#include "sound/SoundDecoder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    bool isPlaying() const override;
    const Mixer::Voice* voice() const { return voice_; }

private:
    std::weak_ptr<Mixer> mixer_;
    Mixer::Voice* voice_;
    long frames_;
    double frequency_;
};

// The program's sound: our Mixer fed by the SoundDecoder, heard through an
// AudioOutput, or rendered offline when there is none.
class MixerSoundSystem : public SoundSystem, public HeardBeatSource, public GlideVoices {
public:
    static constexpr int kOfflineRate = kSampleRate;
    // Files longer than this are streamed from disk rather than held whole.
    static constexpr double kStreamAboveSeconds = 3.0;

    explicit MixerSoundSystem(AudioOutput* output = nullptr);
    ~MixerSoundSystem() override;
    MixerSoundSystem(const MixerSoundSystem&) = delete;
    MixerSoundSystem& operator=(const MixerSoundSystem&) = delete;

    bool createDevice(std::string& error) override;
    bool hasDevice() const override;
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    std::unique_ptr<SoundBuffer> createStandIn(const std::string& path) override;
    std::unique_ptr<SoundBuffer>
    createBufferFromMemory(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave) override;
    // The same as createBufferFromMemory, keeping the concrete type.
    std::unique_ptr<MixerSoundBuffer> openMemoryBuffer(const std::string& name, const std::vector<unsigned char>& bytes,
                                                       ToneWave wave = ToneWave::unknown);
    // The same as createBuffer, keeping the concrete type.
    std::unique_ptr<MixerSoundBuffer> openBuffer(const std::string& path);
    std::unique_ptr<MixerSoundBuffer> openStandIn(const std::string& path);
    // Built-in pink noise plays for the file of this name when it is missing
    // or unreadable, so the host's first mask works before the user supplies
    // one. Set before createDevice; empty (the default): no stand-in.
    void setPinkNoiseStandIn(std::string fileName);
    void releaseDevice() override;
    // 2 offline.
    int outputChannels() const override;

    int deviceRate() const;
    // Window's thread, about once a second: an output that went away or has
    // played only silence for a while is closed (an idle device costs CPU), and
    // opened again by the next buffer that is made, so the next "Start" plays.
    void checkOutput();
    // Whether the output is open right now (false offline).
    bool outputOpen() const { return outputOpen_; }
    // The output's fixed delay, in frames (0 with no device).
    int latencyFrames() const { return mixer_ ? mixer_->latencyFrames() : 0; }
    // Offline only: the next frames the user would hear (silence with no device).
    void render(float* interleavedStereo, int frames);

    // Window's thread: maps the two tones' phases through the output's clock
    // (MixerHeardBeat.cpp). Each call also feeds the clock's fit.
    std::optional<HeardBeat> heardBeat(const SoundBuffer& left, const SoundBuffer& right) override;
    HeardBeatSource* heardBeats() override { return this; }
    GlideVoices* glideVoices() override { return this; }
    // The gliding voices' beat, the same way (MixerGlide.cpp).
    std::optional<HeardBeat> glideHeardBeat() override;

    // Gliding voices (MixerGlide.cpp).
    int glideRate() const override;
    bool playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame) override;
    bool replaceGlide(std::shared_ptr<const glide::Plan> plan) override;
    void seekGlide(std::int64_t frame) override;
    void stopGlide() override;
    std::int64_t glidePosition() const override;
    bool glideFinished() override;
    void setGlideLevels(double tones, double noise) override;

    // The output's clock as fitted so far (for the log).
    const HeardClock& heardClock() const { return heardClock_; }
    // The monotonic clock (ns) that heardBeat counts from: the one the
    // window's timers run on; tests put a virtual one in its place.
    void setMonotonicClock(std::function<std::int64_t()> clock) { monotonicNs_ = std::move(clock); }

private:
    void ensureOutput();
    std::unique_ptr<MixerSoundBuffer> openFile(const std::string& path);
    std::unique_ptr<MixerSoundBuffer> openStream(const std::string& path);
    // A plan with its tables, noise filters and mix stream; none when unusable.
    std::shared_ptr<const GlideProgram> glideProgram(std::shared_ptr<const glide::Plan> plan);
    bool sendGlide(GlideRequest::Kind kind, std::shared_ptr<const GlideProgram> program, std::int64_t frame);
    std::unique_ptr<MixerSoundBuffer> addBuffer(std::shared_ptr<const PcmData> data, const std::string& key,
                                                ToneWave wave = ToneWave::unknown);

    // The stream last opened for a path, while a voice still plays from it,
    // and the file as it was then: reopening the same file goes on with it.
    struct OpenStream {
        std::weak_ptr<StreamSource> stream;
        std::filesystem::file_time_type modified;
        std::uintmax_t bytes = 0;
        long frames = 0;
    };

    AudioOutput* output_;
    bool outputOpen_ = false;
    SoundDecoder decoder_;
    std::shared_ptr<Mixer> mixer_;
    std::string pinkNoiseFor_;
    std::map<std::string, OpenStream> streams_;
    HeardClock heardClock_{kOfflineRate};
    std::function<std::int64_t()> monotonicNs_;
    // The thread of the calls that make buffers, open, ask and close the
    // output (whose rule it is too: they are its only caller) and tell the beat.
    const contract::ThreadAffinity window_;
    // The mix file's stream, shared by the programs of one play and its edits.
    std::string glideMixPath_;
    std::shared_ptr<StreamSource> glideMix_;
    std::uint64_t glidePlays_ = 0;
    bool glideActive_ = false; // played, and neither stopped nor at its end
    std::array<GlideNoise::Shape, 3> glideNoise_{};
    int glideNoiseRate_ = 0;
};

} // namespace aurelith
