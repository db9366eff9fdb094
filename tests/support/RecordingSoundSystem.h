// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DataFileNames.h"
#include "ports/SoundSystem.h"
#include "ports/GlideVoices.h"
#include "sound/MixerSoundSystem.h"

#include <string>
#include <vector>

namespace aurelith {

class RecordingSoundBuffer;

// The sound system of behaviour tests. Every call is appended to `calls`, one
// line each, in exactly these forms (N is the buffer's id, counted from 1 in
// creation order; paths are reduced to the file name):
//   createDevice                     createDevice -> failed
//   createBuffer freq1.wav -> #N     createBuffer mask3.wav -> failed
//   #N play loop    #N play once     #N stop
//   #N volume -3000                  #N pan 5000
//   #N frequency 88200               (shortest text that reads back exactly)
//   #N release                       (the buffer was destroyed)
//   releaseDevice
// Queries (hasDevice, frequency, frameCount) are not recorded.
// Underneath, a real offline MixerSoundSystem makes and plays the buffers, so
// files load or fail as they really would and render() gives what the user
// would hear.
class RecordingSoundSystem : public SoundSystem, public GlideVoices {
public:
    struct BufferInfo {
        int id;
        std::string path;
        bool playing;
        bool looping;
        int volume;
        int pan;
        double frequency;
        long frames;
    };

    static constexpr int kRate = MixerSoundSystem::kOfflineRate;

    // Behaviour tests hear only the files they put in the folder: the pink
    // noise that stands in for a missing mask 1 is off until a test asks.
    void usePinkNoiseStandIn() { real_.setPinkNoiseStandIn(dataFile::maskSound(1)); }
    RecordingSoundSystem() = default;
    ~RecordingSoundSystem() override;
    RecordingSoundSystem(const RecordingSoundSystem&) = delete;
    RecordingSoundSystem& operator=(const RecordingSoundSystem&) = delete;

    bool createDevice(std::string& error) override;
    bool hasDevice() const override;
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    // Logged as createBuffer too, of the file it stands in for.
    std::unique_ptr<SoundBuffer> createStandIn(const std::string& path) override;
    // Logged as createBuffer of that name: for the user it is the same file.
    std::unique_ptr<SoundBuffer>
    createBufferFromMemory(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave) override;
    void releaseDevice() override;
    int outputChannels() const override { return channels; }
    GlideVoices* glideVoices() override { return this; }

    // Gliding voices: recorded ("playGlide 0", "replaceGlide", "seekGlide 44100",
    // "stopGlide"), and played by the real mixer underneath.
    int glideRate() const override { return real_.glideRate(); }
    bool playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame) override
    {
        record("playGlide " + std::to_string(fromFrame));
        return real_.playGlide(std::move(plan), fromFrame);
    }
    bool replaceGlide(std::shared_ptr<const glide::Plan> plan) override
    {
        record("replaceGlide");
        return real_.replaceGlide(std::move(plan));
    }
    void seekGlide(std::int64_t frame) override
    {
        record("seekGlide " + std::to_string(frame));
        real_.seekGlide(frame);
    }
    void stopGlide() override
    {
        record("stopGlide");
        real_.stopGlide();
    }
    std::int64_t glidePosition() const override { return real_.glidePosition(); }
    bool glideFinished() override { return real_.glideFinished(); }
    void setGlideLevels(double tones, double noise) override { real_.setGlideLevels(tones, noise); }

    // Alive buffers in creation order.
    std::vector<BufferInfo> liveBuffers() const;
    // The next `seconds` of what the user would hear: interleaved stereo at kRate.
    std::vector<float> render(double seconds);
    std::size_t latencyFrames() const { return static_cast<std::size_t>(real_.latencyFrames()); }
    void clearCalls();

    std::vector<std::string> calls;
    bool failDevice = false;
    int channels = 2; // the output's, as a mono device would report 1
    std::string failReason;

private:
    friend class RecordingSoundBuffer;
    void record(std::string line);
    void forget(RecordingSoundBuffer* buffer);
    std::unique_ptr<SoundBuffer> keep(const std::string& path, std::unique_ptr<MixerSoundBuffer> real);

    MixerSoundSystem real_;
    std::vector<RecordingSoundBuffer*> live_;
    int lastId_ = 0;
};

namespace test {
// Opens the device, as every test that plays through a sound system does first.
inline bool opened(SoundSystem& sound)
{
    std::string error;
    return sound.createDevice(error);
}
} // namespace test

} // namespace aurelith
