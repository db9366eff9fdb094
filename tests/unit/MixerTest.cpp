// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"
#include "sound/MixerSoundSystem.h"
#include "support/AudioAnalysis.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <thread>

namespace aurelith {
namespace {

constexpr int kRate = 44100;
constexpr int kPeriod = 512;

std::shared_ptr<const PcmData> makePcm(int channels, long frames, auto sampleAt)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = channels;
    pcm->sampleRate = kRate;
    pcm->frames = frames;
    for (long i = 0; i < frames * channels; ++i) {
        pcm->samples.push_back(static_cast<float>(sampleAt(i)));
    }
    return pcm;
}

std::shared_ptr<const PcmData> sineCycle(long frames)
{
    return makePcm(1, frames, [=](long i) { return std::sin(2 * std::numbers::pi * i / frames); });
}

std::shared_ptr<const PcmData> ramp(long frames)
{
    return makePcm(1, frames, [=](long i) { return static_cast<double>(i) / frames; });
}

std::shared_ptr<const PcmData> constant(int channels, double left, double right = 0.0)
{
    return makePcm(channels, 64, [=](long i) { return i % channels == 0 ? left : right; });
}

// In device-sized periods, so state carried between render calls is exercised.
std::vector<float> renderFrames(Mixer& mixer, long frames)
{
    std::vector<float> out(2 * frames);
    for (long done = 0; done < frames; done += kPeriod) {
        mixer.render(out.data() + 2 * done, static_cast<int>(std::min<long>(kPeriod, frames - done)));
    }
    return out;
}

std::vector<float> renderSeconds(Mixer& mixer, double seconds)
{
    return renderFrames(mixer, std::lround(seconds * mixer.deviceRate()));
}

bool silent(const std::vector<float>& samples)
{
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

TEST(MixerLooping, OneCycleBufferLoopsSeamlesslyAtExactPitch)
{
    const long cycle = 275;
    const double toneHz = 160.37;
    for (int deviceRate : {44100, 48000}) {
        SCOPED_TRACE(deviceRate);
        Mixer mixer(deviceRate);
        Mixer::Voice* voice = mixer.addVoice(sineCycle(cycle));
        mixer.setRate(voice, toneHz * cycle);
        mixer.play(voice, true);
        const std::vector<float> left = channel(renderSeconds(mixer, 4.0), 0);

        // A seam glitch or a drifting position shows up as a departure from the ideal sine.
        double worst = 0.0;
        for (std::size_t n = 0; n < left.size(); ++n) {
            const double ideal = std::sin(2 * std::numbers::pi * toneHz * n / deviceRate);
            worst = std::max(worst, std::abs(left[n] - ideal));
        }
        EXPECT_LT(worst, 2e-4);
        EXPECT_NEAR(measureFrequency(left, deviceRate, toneHz), toneHz, 1e-3);
    }
}

TEST(MixerLooping, PlayOnceStopsAtTheEndAndReplaysFromTheStart)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(ramp(1000)); // longer than one period
    mixer.play(voice, false);
    std::vector<float> out = channel(renderFrames(mixer, 1500), 0);
    EXPECT_FLOAT_EQ(out[999], 0.999f);
    EXPECT_TRUE(silent({out.begin() + 1000, out.end()}));
    EXPECT_FALSE(mixer.isPlaying(voice));

    mixer.play(voice, false);
    out = channel(renderFrames(mixer, 10), 0);
    EXPECT_FLOAT_EQ(out[5], 0.005f);
}

TEST(MixerLooping, PlayAfterStopContinuesWhereItStopped)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(ramp(1000));
    mixer.play(voice, true);
    EXPECT_FLOAT_EQ(channel(renderFrames(mixer, 100), 0).back(), 0.099f);
    mixer.stop(voice);
    EXPECT_TRUE(silent(renderFrames(mixer, 50)));
    mixer.play(voice, true);
    EXPECT_FLOAT_EQ(channel(renderFrames(mixer, 1), 0)[0], 0.1f);
}

TEST(MixerLevels, VolumeIsInHundredthsOfADecibel)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(sineCycle(275));
    mixer.play(voice, true);
    const double full = rmsDb(renderSeconds(mixer, 1.0));
    mixer.setVolume(voice, -3000);
    EXPECT_NEAR(rmsDb(renderSeconds(mixer, 1.0)) - full, -30.0, 0.1);
}

TEST(MixerLevels, PanLowersOnlyTheOppositeEar)
{
    const double toneHz = kRate / 275.0;
    for (int pan : {5000, -5000, 0}) {
        SCOPED_TRACE(pan);
        Mixer mixer;
        Mixer::Voice* voice = mixer.addVoice(sineCycle(275));
        mixer.setPan(voice, pan);
        mixer.play(voice, true);
        const std::vector<float> out = renderSeconds(mixer, 2.0);
        const double left = toneLevelDb(channel(out, 0), kRate, toneHz);
        const double right = toneLevelDb(channel(out, 1), kRate, toneHz);
        EXPECT_NEAR(std::max(left, right), 0.0, 0.05); // the near ear stays at full level
        EXPECT_NEAR(left - right, -pan / 100.0, 0.1);
    }
}

TEST(MixerLevels, StereoBufferKeepsItsSides)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(constant(2, 0.5, -0.25));
    mixer.play(voice, true);
    const std::vector<float> out = renderFrames(mixer, 8);
    EXPECT_FLOAT_EQ(out[6], 0.5f);
    EXPECT_FLOAT_EQ(out[7], -0.25f);
}

TEST(MixerLevels, SumIsClippedToFullScale)
{
    Mixer mixer;
    for (double level : {0.8, 0.8, -0.3}) {
        mixer.play(mixer.addVoice(constant(2, level, -level)), true);
    }
    const std::vector<float> out = renderFrames(mixer, 4);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], -1.0f);
}

TEST(MixerVoices, RemovedVoiceIsSilentAndFreedAtOnce)
{
    Mixer mixer;
    auto data = sineCycle(275);
    std::weak_ptr<const PcmData> watch = data;
    Mixer::Voice* voice = mixer.addVoice(std::move(data));
    mixer.play(voice, true);
    EXPECT_FALSE(silent(renderFrames(mixer, 100)));
    mixer.removeVoice(voice);
    EXPECT_TRUE(silent(renderFrames(mixer, 100)));
    EXPECT_TRUE(watch.expired());
}

TEST(MixerVoices, OfflineChurnWithoutRenderingNeverRunsOutOfRoom)
{
    Mixer mixer;
    auto data = sineCycle(275);
    for (int i = 0; i < 10 * Mixer::kMaxVoices; ++i) {
        Mixer::Voice* voice = mixer.addVoice(data);
        ASSERT_NE(voice, nullptr) << "at voice " << i;
        mixer.removeVoice(voice);
    }
    EXPECT_EQ(data.use_count(), 1);
}

TEST(MixerVoices, UnusableDataIsRefused)
{
    Mixer mixer;
    EXPECT_EQ(mixer.addVoice(std::shared_ptr<const PcmData>()), nullptr);
    EXPECT_EQ(mixer.addVoice(std::shared_ptr<StreamSource>()), nullptr);
    EXPECT_EQ(mixer.addVoice(std::make_shared<PcmData>()), nullptr);
}

// Voices come and go while an audio thread renders: nothing may crash, leak or
// be freed twice.
TEST(MixerVoices, ChurnWhileAnAudioThreadRenders)
{
    auto data = sineCycle(275);
    int added = 0;
    {
        Mixer mixer;
        mixer.attachAudioThread(kRate);
        std::atomic<bool> running{true};
        std::atomic<long> periods{0};
        std::thread audio([&] {
            std::vector<float> period(2 * 64);
            while (running.load()) {
                mixer.render(period.data(), 64);
                ++periods;
            }
        });
        while (periods.load() == 0) {
            std::this_thread::yield();
        }
        std::vector<Mixer::Voice*> voices;
        for (int i = 0; i < 3000; ++i) {
            if (Mixer::Voice* voice = mixer.addVoice(data)) {
                ++added;
                mixer.setVolume(voice, -i % 10000);
                mixer.setPan(voice, i % 2000 - 1000);
                mixer.setRate(voice, 20000.0 + i);
                mixer.play(voice, i % 2 == 0);
                voices.push_back(voice);
            }
            if (voices.size() > 3) {
                mixer.removeVoice(voices.front());
                voices.erase(voices.begin());
            }
        }
        running = false;
        audio.join();
        mixer.detachAudioThread();
    }
    EXPECT_GT(added, 0);
    EXPECT_EQ(data.use_count(), 1);
}

class FakeOutput : public AudioOutput {
public:
    bool open(Mixer& mixer, int& deviceRate, std::string& error) override
    {
        if (!failWith.empty()) {
            error = failWith;
            return false;
        }
        // No thread really renders; the mixer just runs as if one did.
        attached = &mixer;
        mixer.attachAudioThread(grantedRate);
        deviceRate = grantedRate;
        return true;
    }
    void close() override
    {
        attached->detachAudioThread();
        ++closes;
    }

    std::string failWith;
    int grantedRate = 48000;
    int closes = 0;
    Mixer* attached = nullptr;
};

class MixerSoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/aurelith-mixer-XXXXXX";
        folder = mkdtemp(pattern);
        file = (folder / "tone.wav").string();
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
        std::vector<float> samples(275, 0.5f);
        sf_writef_float(out, samples.data(), 275);
        sf_close(out);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    std::string file;
};

TEST_F(MixerSoundSystemTest, BuffersNeedADeviceAndAReadableFile)
{
    MixerSoundSystem sound;
    EXPECT_EQ(sound.createBuffer(file), nullptr);
    std::string error;
    ASSERT_TRUE(sound.createDevice(error));
    EXPECT_EQ(sound.createBuffer((folder / "missing.wav").string()), nullptr);
    auto buffer = sound.createBuffer(file);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->frameCount(), 275);
    EXPECT_EQ(buffer->frequency(), kRate);
}

TEST_F(MixerSoundSystemTest, DestroyedBufferFallsSilentAtOnce)
{
    MixerSoundSystem sound;
    std::string error;
    ASSERT_TRUE(sound.createDevice(error));
    auto buffer = sound.createBuffer(file);
    buffer->play(true);
    std::vector<float> out(2 * kPeriod);
    sound.render(out.data(), kPeriod);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    buffer.reset();
    sound.render(out.data(), kPeriod);
    EXPECT_TRUE(silent(out));
}

TEST_F(MixerSoundSystemTest, BufferMayOutliveTheDevice)
{
    FakeOutput output;
    MixerSoundSystem sound(&output);
    std::string error;
    ASSERT_TRUE(sound.createDevice(error));
    EXPECT_EQ(sound.deviceRate(), 48000);
    auto buffer = sound.createBuffer(file);
    sound.releaseDevice();
    EXPECT_EQ(output.closes, 1);
    EXPECT_FALSE(sound.hasDevice());
    buffer->play(true);
    buffer->setVolume(-100);
    buffer.reset();
}

TEST_F(MixerSoundSystemTest, DeviceFailureKeepsTheOutputsReason)
{
    FakeOutput output;
    output.failWith = "Cannot open the default sound output: no server";
    MixerSoundSystem sound(&output);
    std::string error;
    EXPECT_FALSE(sound.createDevice(error));
    EXPECT_EQ(error, output.failWith);
    EXPECT_FALSE(sound.hasDevice());
    EXPECT_EQ(sound.createBuffer(file), nullptr);
}

} // namespace
} // namespace aurelith
