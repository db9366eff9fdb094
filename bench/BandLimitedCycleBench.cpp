// SPDX-License-Identifier: GPL-3.0-or-later
// Building the band-limited table of a 10 Hz tone (4410 samples at 44.1 kHz,
// 2205 harmonics below a 48 kHz device's Nyquist frequency): the slowest
// table a tone file can need, made on the window thread at each new pitch.
#include "sound/BandLimitedCycle.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace aurelith {
namespace {

void BM_BandLimitedCycleOf10HzTone(benchmark::State& state)
{
    PcmData cycle;
    cycle.channels = 1;
    cycle.sampleRate = 44100;
    cycle.frames = 4410;
    for (long i = 0; i < cycle.frames; ++i)
        cycle.samples.push_back(static_cast<float>(std::sin(2 * std::numbers::pi * i / cycle.frames)));
    float nudge = 0;
    for (auto _ : state) {
        // A cycle not seen before, so the result is built rather than taken from the cache.
        nudge += 1e-6f;
        cycle.samples[0] = nudge;
        benchmark::DoNotOptimize(bandLimitedCycle(cycle, 10.0, 48000));
    }
}
BENCHMARK(BM_BandLimitedCycleOf10HzTone)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
} // namespace aurelith
