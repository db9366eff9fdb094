// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/BandLimitedCycle.h"
#include "sound/FftPlan.h"
#include "support/AudioAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace aurelith {
namespace {

PcmData cycleOf(long frames, double (*wave)(double phase))
{
    PcmData cycle;
    cycle.frames = frames;
    for (long i = 0; i < frames; ++i)
        cycle.samples.push_back(static_cast<float>(wave(static_cast<double>(i) / static_cast<double>(frames))));
    return cycle;
}

double sine(double phase) { return std::sin(2 * std::numbers::pi * phase); }
double square(double phase) { return phase < 0.5 ? 0.5 : -0.5; }

TEST(BandLimitedCycleTest, ALongSineCycleReadsBackAsTheSameSineAtAnyPhase)
{
    const auto cycle = bandLimitedCycle(cycleOf(4410, sine), 10.0, 48000);
    ASSERT_TRUE(cycle);
    ASSERT_EQ(cycle->table.size(), cycle->mask + 1u);
    for (double phase = 0; phase < 1; phase += 0.0123)
        EXPECT_NEAR(cycle->at(phase), sine(phase), 1e-5) << phase;
}

// A 16-sample square holds the odd harmonics up to the 7th; at 5 kHz a 44.1 kHz
// device can play up to the 4th. Those play as a square's (1/k of the loop's
// fundamental, not the sampled file's bent ones), the rest are gone.
TEST(BandLimitedCycleTest, KeepsOnlyTheHarmonicsBelowTheDevicesNyquistFrequency)
{
    const PcmData source = cycleOf(16, square);
    const auto cycle = bandLimitedCycle(source, 5000.0, 44100);
    ASSERT_TRUE(cycle);
    const std::vector<double> kept = amplitudeSpectrum(cycle->table);
    const std::vector<double> held = amplitudeSpectrum(source.samples);
    EXPECT_NEAR(kept[1], held[1], 1e-6);
    for (std::size_t k = 2; k <= 4; ++k)
        EXPECT_NEAR(kept[k], k % 2 ? held[1] / static_cast<double>(k) : 0.0, 1e-6) << "harmonic " << k;
    ASSERT_GT(held[5], 0.1);
    for (std::size_t k = 5; k < kept.size(); ++k)
        EXPECT_LT(kept[k], 1e-6) << "harmonic " << k;
}

// The planner is shared: plans made on several threads at once (as the pink
// noise worker and the window thread do) transform as one made alone.
TEST(BandLimitedCycleTest, PlansMadeOnManyThreadsAtOnceAgree)
{
    auto transform = [](std::vector<double>& out) {
        for (std::size_t n : {4410u, 4096u, 441u}) {
            FftPlan fft = FftPlan::realToComplex(n);
            for (std::size_t i = 0; i < n; ++i)
                fft.real()[i] = std::sin(0.01 * static_cast<double>(i * i));
            fft.run();
            for (const auto& bin : fft.complex())
                out.push_back(std::abs(bin));
        }
    };
    std::vector<double> alone;
    transform(alone);
    std::vector<std::vector<double>> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back(transform, std::ref(r));
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_EQ(r, alone);
}

} // namespace
} // namespace aurelith
