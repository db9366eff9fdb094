// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RecordingSoundSystem.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace aurelith {

namespace {

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string shortest(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

class RecordingSoundBuffer : public SoundBuffer {
public:
    RecordingSoundBuffer(RecordingSoundSystem* owner, int id, std::string path, std::unique_ptr<MixerSoundBuffer> real)
        : owner_(owner),
          real_(std::move(real)), info_{
                                      id, std::move(path), false, false, 0, 0, real_->frequency(), real_->frameCount()}
    {
    }

    ~RecordingSoundBuffer() override
    {
        if (owner_) {
            record("release");
            owner_->forget(this);
        }
    }

    void play(bool looping) override
    {
        record(looping ? "play loop" : "play once");
        info_.playing = true;
        info_.looping = looping;
        real_->play(looping);
    }

    void stop() override
    {
        record("stop");
        info_.playing = false;
        real_->stop();
    }

    void setVolume(int hundredthsDb) override
    {
        record("volume " + std::to_string(hundredthsDb));
        info_.volume = hundredthsDb;
        real_->setVolume(hundredthsDb);
    }

    void setPan(int hundredthsDb) override
    {
        record("pan " + std::to_string(hundredthsDb));
        info_.pan = hundredthsDb;
        real_->setPan(hundredthsDb);
    }

    void setFrequency(double framesPerSecond) override
    {
        record("frequency " + shortest(framesPerSecond));
        real_->setFrequency(framesPerSecond);
        info_.frequency = real_->frequency();
    }

    double frequency() const override { return info_.frequency; }
    long frameCount() const override { return info_.frames; }
    bool isPlaying() const override { return info_.playing && real_->isPlaying(); }

    RecordingSoundSystem::BufferInfo info() const
    {
        RecordingSoundSystem::BufferInfo now = info_;
        // A one-shot stops by itself at its end.
        now.playing = now.playing && real_->isPlaying();
        return now;
    }

    void detach() { owner_ = nullptr; }

private:
    void record(const std::string& what)
    {
        if (owner_) {
            owner_->record("#" + std::to_string(info_.id) + " " + what);
        }
    }

    RecordingSoundSystem* owner_;
    std::unique_ptr<MixerSoundBuffer> real_;
    RecordingSoundSystem::BufferInfo info_;
};

RecordingSoundSystem::~RecordingSoundSystem()
{
    for (RecordingSoundBuffer* buffer : live_) {
        buffer->detach();
    }
}

bool RecordingSoundSystem::createDevice(std::string& error)
{
    if (failDevice) {
        record("createDevice -> failed");
        error = failReason.empty() ? "No sound device (test)." : failReason;
        return false;
    }
    record("createDevice");
    return real_.createDevice(error);
}

bool RecordingSoundSystem::hasDevice() const { return real_.hasDevice(); }

std::unique_ptr<SoundBuffer> RecordingSoundSystem::createBuffer(const std::string& path)
{
    return keep(path, real_.openBuffer(path));
}

std::unique_ptr<SoundBuffer> RecordingSoundSystem::createStandIn(const std::string& path)
{
    return keep(path, real_.openStandIn(path));
}

std::unique_ptr<SoundBuffer> RecordingSoundSystem::createBufferFromMemory(const std::string& name,
                                                                          const std::vector<unsigned char>& bytes,
                                                                          ToneWave wave)
{
    return keep(name, real_.openMemoryBuffer(name, bytes, wave));
}

std::unique_ptr<SoundBuffer> RecordingSoundSystem::keep(const std::string& path, std::unique_ptr<MixerSoundBuffer> real)
{
    if (!real) {
        record("createBuffer " + fileName(path) + " -> failed");
        return nullptr;
    }
    const int id = ++lastId_;
    record("createBuffer " + fileName(path) + " -> #" + std::to_string(id));
    auto buffer = std::make_unique<RecordingSoundBuffer>(this, id, path, std::move(real));
    live_.push_back(buffer.get());
    return buffer;
}

void RecordingSoundSystem::releaseDevice()
{
    record("releaseDevice");
    real_.releaseDevice();
}

std::vector<RecordingSoundSystem::BufferInfo> RecordingSoundSystem::liveBuffers() const
{
    std::vector<BufferInfo> result;
    for (const RecordingSoundBuffer* buffer : live_) {
        result.push_back(buffer->info());
    }
    return result;
}

std::vector<float> RecordingSoundSystem::render(double seconds)
{
    const auto frames = static_cast<int>(std::lround(seconds * kRate));
    std::vector<float> out(2 * static_cast<std::size_t>(std::max(frames, 0)));
    real_.render(out.data(), frames);
    return out;
}

void RecordingSoundSystem::clearCalls() { calls.clear(); }

void RecordingSoundSystem::record(std::string line) { calls.push_back(std::move(line)); }

void RecordingSoundSystem::forget(RecordingSoundBuffer* buffer) { std::erase(live_, buffer); }

} // namespace aurelith
