// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"
#include "core/ToneLimits.h"
#include "support/RecordingSoundSystem.h"
#include "support/AudioAnalysis.h"
#include "support/FakeOutputClock.h"
#include "support/SoundFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <thread>

namespace aurelith {
namespace {

constexpr int kPeriod = 512;

std::shared_ptr<const PcmData> makePcm(int channels, long frames, auto sampleAt)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = channels;
    pcm->sampleRate = kSampleRate;
    pcm->frames = frames;
    for (long i = 0; i < frames * channels; ++i) {
        pcm->samples.push_back(static_cast<float>(sampleAt(i)));
    }
    return pcm;
}

std::shared_ptr<const PcmData> sineCycle(long frames, double amplitude = 1.0)
{
    return makePcm(1, frames, [=](long i) { return amplitude * std::sin(2 * std::numbers::pi * i / frames); });
}

std::shared_ptr<const PcmData> ramp(long frames)
{
    // Half scale, so the output limiter never touches it.
    return makePcm(1, frames, [=](long i) { return 0.5 * static_cast<double>(i) / frames; });
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

// Frames a voice needs to be heard at full level: the fade-in and the limiter's delay.
long settleFrames(const Mixer& mixer)
{
    return std::lround(Mixer::kFadeSeconds * mixer.deviceRate()) + 1 + mixer.latencyFrames();
}

// What plays after the fade-in, once it has come through the limiter.
std::vector<float> renderSettled(Mixer& mixer, long frames)
{
    const long skip = settleFrames(mixer);
    std::vector<float> out = renderFrames(mixer, skip + frames);
    return {out.begin() + 2 * skip, out.end()};
}

TEST(MixerLooping, OneCycleBufferLoopsSeamlesslyAtExactPitch)
{
    const long cycle = 275;
    const double toneHz = 160.37;
    for (int deviceRate : {44100, 48000}) {
        SCOPED_TRACE(deviceRate);
        Mixer mixer(deviceRate);
        Mixer::Voice* voice = mixer.addVoice(sineCycle(cycle, 0.9));
        mixer.setRate(voice, toneHz * cycle);
        mixer.play(voice, true);
        const std::vector<float> all = channel(renderSeconds(mixer, 4.0), 0);
        const long delay = mixer.latencyFrames();

        // A seam glitch or a drifting position shows up as a departure from the ideal sine.
        double worst = 0.0;
        for (std::size_t n = settleFrames(mixer); n < all.size(); ++n) {
            const double ideal = 0.9 *
                                 std::sin(2 * std::numbers::pi * toneHz * static_cast<double>(n - delay) / deviceRate);
            worst = std::max(worst, std::abs(all[n] - ideal));
        }
        EXPECT_LT(worst, 2e-4);
        EXPECT_NEAR(measureFrequency(all, deviceRate, toneHz), toneHz, 1e-3);
    }
}

TEST(MixerLooping, PlayOnceStopsAtTheEndAndReplaysFromTheStart)
{
    Mixer mixer;
    const long length = 10000; // a sampled sound, not a tone cycle
    const long delay = mixer.latencyFrames();
    Mixer::Voice* voice = mixer.addVoice(ramp(length));
    mixer.play(voice, false);
    std::vector<float> out = channel(renderFrames(mixer, length + 2000), 0);
    EXPECT_FLOAT_EQ(out[length - 1 + delay], 0.5f * (length - 1.0f) / length);
    EXPECT_TRUE(silent({out.begin() + length + delay, out.end()}));
    EXPECT_FALSE(mixer.isPlaying(voice));

    mixer.play(voice, false);
    out = channel(renderFrames(mixer, 1000), 0);
    EXPECT_FLOAT_EQ(out[500 + delay], 0.5f * 500.0f / length);
}

TEST(MixerLooping, PlayAfterStopContinuesWhereItStopped)
{
    Mixer mixer;
    const long length = 20000;
    const long delay = mixer.latencyFrames();
    Mixer::Voice* voice = mixer.addVoice(ramp(length));
    mixer.play(voice, true);
    EXPECT_FLOAT_EQ(channel(renderFrames(mixer, 1000 + delay), 0).back(), 0.5f * 999.0f / length);
    mixer.stop(voice);
    // It plays on through the grace for a replacement, fades, then falls silent.
    const std::vector<float> tail = channel(renderSeconds(mixer, 0.1), 0);
    const long heard = std::find_if(tail.rbegin(), tail.rend(), [](float s) { return s != 0.0f; }).base() -
                       tail.begin() - delay;
    EXPECT_NEAR(heard, mixer.deviceRate() * (Mixer::kGraceSeconds + Mixer::kFadeSeconds), 3);
    mixer.play(voice, true);
    const std::vector<float> resumed = channel(renderFrames(mixer, 1000), 0);
    EXPECT_NEAR(resumed[500 + delay], 0.5 * (1000.0 + delay + heard + 500) / length, 1.5 / length);
}

TEST(MixerLooping, StartAndStopRampOverFiveMilliseconds)
{
    Mixer mixer;
    const long delay = mixer.latencyFrames();
    const long fade = std::lround(Mixer::kFadeSeconds * mixer.deviceRate());
    Mixer::Voice* voice = mixer.addVoice(constant(2, 0.5, 0.5));
    mixer.play(voice, true);
    const std::vector<float> rise = channel(renderFrames(mixer, 2 * fade + delay), 0);
    const float step = static_cast<float>(1.0 / (Mixer::kFadeSeconds * mixer.deviceRate()));
    EXPECT_EQ(rise[delay], 0.5f * step); // the first frame is already on its way up
    EXPECT_NEAR(rise[delay + fade / 2], 0.25f, 0.01f);
    EXPECT_EQ(rise.back(), 0.5f);
    for (long i = delay + 1; i < delay + fade; ++i)
        EXPECT_LE(rise[i] - rise[i - 1], 0.5f * step * 1.01f) << i;

    mixer.stop(voice);
    const long grace = std::lround(Mixer::kGraceSeconds * mixer.deviceRate());
    const std::vector<float> fall = channel(renderFrames(mixer, grace + 2 * fade + delay), 0);
    EXPECT_EQ(fall[delay + grace - 1], 0.5f);
    EXPECT_NEAR(fall[delay + grace + fade / 2], 0.25f, 0.01f);
    EXPECT_EQ(fall.back(), 0.0f);
}

TEST(MixerLevels, VolumeIsInHundredthsOfADecibel)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(sineCycle(275));
    mixer.play(voice, true);
    const double full = rmsDb(renderSettled(mixer, kSampleRate));
    mixer.setVolume(voice, -3000);
    EXPECT_NEAR(rmsDb(renderSettled(mixer, kSampleRate)) - full, -30.0, 0.1);
}

TEST(MixerLevels, PanLowersOnlyTheOppositeEar)
{
    const double toneHz = kSampleRate / 275.0;
    for (int pan : {5000, -5000, 0}) {
        SCOPED_TRACE(pan);
        Mixer mixer;
        Mixer::Voice* voice = mixer.addVoice(sineCycle(275));
        mixer.setPan(voice, pan);
        mixer.play(voice, true);
        const std::vector<float> out = renderSeconds(mixer, 2.0);
        const double left = toneLevelDb(channel(out, 0), kSampleRate, toneHz);
        const double right = toneLevelDb(channel(out, 1), kSampleRate, toneHz);
        EXPECT_NEAR(std::max(left, right), 0.0, 0.05); // the near ear stays at full level
        EXPECT_NEAR(left - right, -pan / 100.0, 0.1);
    }
}

TEST(MixerLevels, StereoBufferKeepsItsSides)
{
    Mixer mixer;
    Mixer::Voice* voice = mixer.addVoice(constant(2, 0.5, -0.25));
    mixer.play(voice, true);
    const std::vector<float> out = renderSettled(mixer, 8);
    EXPECT_EQ(std::pair(out[6], out[7]), std::pair(0.5f, -0.25f));
}

TEST(MixerLevels, LoudSumIsLimitedBelowFullScaleWithoutClipping)
{
    Mixer mixer;
    for (double level : {0.8, 0.8, -0.3}) {
        mixer.play(mixer.addVoice(constant(2, level, -level)), true);
    }
    const std::vector<float> out = renderSettled(mixer, kSampleRate / 2);
    for (float sample : out)
        ASSERT_LT(std::abs(sample), 1.0f);
    // A steady sum gets one steady gain, not a flattened top.
    EXPECT_NEAR(out[out.size() - 2], Limiter::kCeiling, 1e-4);
    EXPECT_NEAR(out[out.size() - 1], -Limiter::kCeiling, 1e-4);
    EXPECT_EQ(out[1000], out[out.size() - 2]);
}

// The limiter takes the voices' word for how loud a block can be: three
// tones in phase whose peaks add up to just under or just over the ceiling,
// and tones read from tables (which overshoot their samples) far over it,
// never pass it.
TEST(MixerLevels, TonesStayUnderTheCeilingWhateverTheirSum)
{
    auto square = [](long frames, double amplitude) {
        return makePcm(1, frames, [=](long i) { return i < frames / 2 ? amplitude : -amplitude; });
    };
    const struct {
        double amplitude;
        bool squares;
    } sums[] = {{0.33, false}, {0.34, false}, {0.5, true}};
    for (const auto& sum : sums) {
        SCOPED_TRACE(sum.amplitude);
        Mixer mixer;
        for (long frames : {101, 100, 37}) {
            Mixer::Voice* voice = mixer.addVoice(sum.squares ? square(frames, sum.amplitude)
                                                             : sineCycle(frames, sum.amplitude));
            mixer.setRate(voice, 440.0 * static_cast<double>(frames));
            mixer.play(voice, true);
        }
        for (float sample : renderSettled(mixer, kSampleRate))
            ASSERT_LE(std::abs(sample), Limiter::kCeiling + 1e-4f);
    }
}

TEST(MixerLevels, NotANumberNeverReachesTheOutput)
{
    Mixer mixer;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    mixer.play(mixer.addVoice(makePcm(2, 64, [=](long i) { return i % 3 ? nan : 0.5; })), true);
    for (float sample : renderSettled(mixer, 4096))
        ASSERT_TRUE(std::isfinite(sample) && std::abs(sample) < 1.0f);
}

TEST(MixerVoices, RemovedVoiceFadesOutAndIsFreed)
{
    Mixer mixer;
    auto data = sineCycle(275);
    std::weak_ptr<const PcmData> watch = data;
    Mixer::Voice* voice = mixer.addVoice(std::move(data));
    mixer.play(voice, true);
    EXPECT_FALSE(silent(renderFrames(mixer, 1000)));
    mixer.removeVoice(voice);
    renderSeconds(mixer, Mixer::kGraceSeconds + Mixer::kFadeSeconds + 0.01);
    EXPECT_TRUE(silent(renderFrames(mixer, 1000)));
    mixer.collectGarbage();
    EXPECT_TRUE(watch.expired());
}

// The program retunes by stopping a tone and starting a new one from the
// rewritten file; the new voice must carry on at the phase the old one reached.
TEST(MixerVoices, ReplacementUnderTheSameKeyContinuesWithoutAStep)
{
    Mixer mixer;
    const long cycle = 275;
    Mixer::Voice* old = mixer.addVoice(sineCycle(cycle), "freq1.wav");
    mixer.setRate(old, 160.0 * cycle);
    mixer.play(old, true);
    std::vector<float> out = renderFrames(mixer, 10001);
    mixer.stop(old);
    mixer.removeVoice(old);
    Mixer::Voice* next = mixer.addVoice(sineCycle(cycle), "freq1.wav");
    mixer.setRate(next, 161.0 * cycle);
    mixer.play(next, true);
    const std::vector<float> after = renderFrames(mixer, 20000);
    out.insert(out.end(), after.begin(), after.end());
    const std::vector<float> left = channel(out, 0);

    const double steadyStep = 2 * std::sin(std::numbers::pi * 161.0 / kSampleRate);
    for (std::size_t i = settleFrames(mixer); i < left.size(); ++i)
        ASSERT_LE(std::abs(left[i] - left[i - 1]), 1.01 * steadyStep) << i;
    EXPECT_NEAR(measureFrequency({left.end() - 15000, left.end()}, kSampleRate, 161.0), 161.0, 0.01);
    EXPECT_NEAR(rmsDb({left.end() - 15000, left.end()}), -3.01, 0.05); // one voice, not two
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
        mixer.attachAudioThread(kSampleRate);
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

class MixerSoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::writeSoundFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kSampleRate, 1,
                                         std::vector<float>(275, 0.5f)));
    }

    test::TempFolder folder;
    std::string file = (folder.path / "tone.wav").string();
    test::ScriptedOutput output;
    MixerSoundSystem sound{&output};
};

TEST_F(MixerSoundSystemTest, BuffersNeedADeviceAndAReadableFile)
{
    MixerSoundSystem offline;
    EXPECT_EQ(offline.createBuffer(file), nullptr);
    ASSERT_TRUE(test::opened(offline));
    EXPECT_EQ(offline.createBuffer((folder.path / "missing.wav").string()), nullptr);
    auto buffer = offline.createBuffer(file);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::pair(buffer->frameCount(), buffer->frequency()), std::pair(275L, double{kSampleRate}));
}

TEST_F(MixerSoundSystemTest, DestroyedBufferFadesOut)
{
    MixerSoundSystem offline;
    ASSERT_TRUE(test::opened(offline));
    auto buffer = offline.createBuffer(file);
    buffer->play(true);
    std::vector<float> out(2 * 4096);
    offline.render(out.data(), 4096);
    EXPECT_FLOAT_EQ(out.back(), 0.5f);
    buffer.reset();
    for (int i = 0; i < 3; ++i)
        offline.render(out.data(), 4096);
    EXPECT_TRUE(silent(out));
}

TEST_F(MixerSoundSystemTest, BufferMayOutliveTheDevice)
{
    ASSERT_TRUE(test::opened(sound));
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
    output.failWith = "Cannot open the default sound output: no server";
    std::string error;
    EXPECT_FALSE(sound.createDevice(error));
    EXPECT_EQ(error, output.failWith);
    EXPECT_FALSE(sound.hasDevice());
    EXPECT_EQ(sound.createBuffer(file), nullptr);
}

TEST(LimiterTest, QuietSignalPassesBitForBitBehindTheLookAhead)
{
    Limiter limiter;
    limiter.configure(kSampleRate);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> level(-0.99f, 0.99f);
    std::vector<float> in(2 * 20000);
    for (float& s : in)
        s = level(random);
    std::vector<float> out = in;
    for (std::size_t done = 0; done < 20000; done += 333)
        limiter.process(out.data() + 2 * done, static_cast<int>(std::min<std::size_t>(333, 20000 - done)));
    const auto delay = static_cast<std::size_t>(2 * limiter.latencyFrames());
    for (std::size_t i = 0; i + delay < out.size(); ++i)
        ASSERT_EQ(out[i + delay], in[i]) << i;
}

// The sound server went away, or nothing played for a while: the output is
// closed, and the next buffer made (every "Start") opens it again at the rate
// the playing voices were set up for; a failed try leaves everything working
// for the next one.
TEST_F(MixerSoundSystemTest, LostOrIdleOutputIsOpenedAgainByTheNextStart)
{
    ASSERT_TRUE(test::opened(sound));
    auto playing = sound.createBuffer(file);
    playing->play(true);
    sound.checkOutput();
    EXPECT_EQ(output.closes, 0);

    output.state = AudioOutput::Health::Lost;
    sound.checkOutput();
    EXPECT_EQ(output.closes, 1);
    EXPECT_FALSE(sound.outputOpen());
    sound.checkOutput(); // nothing more to close
    EXPECT_EQ(output.closes, 1);

    output.failWith = "no server";
    EXPECT_NE(sound.createBuffer(file), nullptr);
    EXPECT_FALSE(sound.outputOpen());
    output.failWith.clear();
    output.state = AudioOutput::Health::Playing;
    auto next = sound.createBuffer(file);
    EXPECT_TRUE(sound.outputOpen());
    EXPECT_EQ(output.asked, (std::vector<int>{0, 48000, 48000}));
    std::vector<float> out(2 * 4096);
    sound.render(out.data(), 4096);
    EXPECT_FLOAT_EQ(out.back(), 0.5f) << "the buffer from before the loss plays on";

    output.state = AudioOutput::Health::Idle;
    sound.checkOutput();
    EXPECT_EQ(output.closes, 2);
    EXPECT_NE(sound.createBuffer(file), nullptr);
    EXPECT_TRUE(sound.outputOpen());
    sound.releaseDevice();
    EXPECT_EQ(output.closes, 3);
}

} // namespace
} // namespace aurelith
