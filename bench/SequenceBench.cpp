// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/SequencePlayer.h"

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

namespace aurelith {
namespace {

using sequence::Join;
using sequence::Point;
using sequence::Sequence;
using sequence::Voice;
using sequence::VoiceKind;

// An hour of four binaural voices whose beats slide from point to point every
// five minutes, over pink noise: what a long sequence asks of the synthesis.
// The levels add up to under full scale, as the SBaGen family's normalisation
// keeps them, so the limiter has nothing to do.
Sequence hourOfFourPairsAndPink()
{
    Sequence s;
    s.lengthSeconds = 3600;
    s.fadeOutSeconds = 30;
    for (int v = 0; v < 4; ++v) {
        Voice voice;
        voice.kind = VoiceKind::binaural;
        for (int minute = 0; minute <= 60; minute += 5)
            voice.points.push_back(
                Point{minute * 60.0, 100.0 + 100 * v + minute, 10.0 - minute / 10.0 + v, 0.15, Join::slide});
        s.voices.push_back(voice);
    }
    Voice pink;
    pink.kind = VoiceKind::pinkNoise;
    pink.points.push_back(Point{0, 0, 0, 0.2, Join::slide});
    s.voices.push_back(pink);
    return s;
}

// The synthesis of the whole hour through the real mixer, without encoding:
// the render to FLAC spends the rest. Reported as times real time.
void BM_SynthesiseAnHourOfFourPairsAndPinkNoise(benchmark::State& state)
{
    const Sequence s = hourOfFourPairsAndPink();
    long frames = 0;
    for (auto _ : state) {
        std::string error;
        const bool done = sequence::renderSequence(
            s, 1, 1,
            [&frames](const float* block, int n) {
                benchmark::DoNotOptimize(block);
                frames += n;
                return true;
            },
            error);
        if (!done)
            throw std::runtime_error(error);
    }
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(frames) / sequence::renderRate(),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesiseAnHourOfFourPairsAndPinkNoise)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
} // namespace aurelith
