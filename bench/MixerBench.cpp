// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"
#include "core/ToneLimits.h"
#include "sound/SoundDecoder.h"
#include "support/SoundFile.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>

namespace aurelith {
namespace {

constexpr int kPeriod = 512;
constexpr long kTenMinutes = 600L * kSampleRate;

std::shared_ptr<const PcmData> toneCycle(long frames)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->frames = frames;
    for (long i = 0; i < frames; ++i) {
        pcm->samples.push_back(static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * i / frames)));
    }
    return pcm;
}

std::shared_ptr<const PcmData> noise(long frames)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = 2;
    pcm->frames = frames;
    pcm->samples.resize(2 * frames);
    std::uint32_t state = 1;
    for (float& s : pcm->samples) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<float>(state >> 8) / 16777216.0f * 0.2f - 0.1f;
    }
    return pcm;
}

// What the audio thread does each second while a session plays: two tones
// and a masking sound, in device periods. Target: well under 10 ms.
void BM_MixOneSecondOfSession(benchmark::State& state)
{
    Mixer mixer(kSampleRate);
    Mixer::Voice* left = mixer.addVoice(toneCycle(275));
    Mixer::Voice* right = mixer.addVoice(toneCycle(276));
    Mixer::Voice* mask = mixer.addVoice(noise(kTenMinutes));
    mixer.setRate(left, 160.0 * 275);
    mixer.setRate(right, 170.0 * 276);
    mixer.setPan(left, -10000);
    mixer.setPan(right, 10000);
    mixer.setVolume(mask, -1500);
    for (Mixer::Voice* voice : {left, right, mask}) {
        mixer.play(voice, true);
    }
    std::vector<float> period(2 * kPeriod);
    for (auto _ : state) {
        for (int done = 0; done < kSampleRate; done += kPeriod) {
            mixer.render(period.data(), kPeriod);
            benchmark::DoNotOptimize(period.data());
        }
    }
    // items/s = frames mixed per second of CPU; divide by 44100 for the real-time factor.
    state.SetItemsProcessed(state.iterations() * kSampleRate);
}
BENCHMARK(BM_MixOneSecondOfSession)->Unit(benchmark::kMillisecond);

class TenMinuteWav {
public:
    TenMinuteWav()
    {
        char pattern[] = "/tmp/aurelith-bench-XXXXXX";
        folder_ = mkdtemp(pattern);
        path_ = (folder_ / "mask1.wav").string();
        if (!test::writeSoundFile(path_, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kSampleRate, 2, noise(kTenMinutes)->samples))
            throw std::runtime_error("cannot write " + path_);
    }
    ~TenMinuteWav() { std::filesystem::remove_all(folder_); }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

void BM_DecodeTenMinuteWav(benchmark::State& state)
{
    TenMinuteWav wav;
    for (auto _ : state) {
        SoundDecoder decoder;
        benchmark::DoNotOptimize(decoder.decode(wav.path()));
    }
}
BENCHMARK(BM_DecodeTenMinuteWav)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CachedTenMinuteWav(benchmark::State& state)
{
    TenMinuteWav wav;
    SoundDecoder decoder;
    auto first = decoder.decode(wav.path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(decoder.decode(wav.path()));
    }
}
BENCHMARK(BM_CachedTenMinuteWav)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace aurelith
