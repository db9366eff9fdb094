// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PinkNoise.h"
#include "support/AudioAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace aurelith {
namespace {

constexpr std::size_t kSegment = 16384;

// Mean power per bin in [lowHz, highHz).
double bandDensity(const std::vector<double>& power, double rate, double lowHz, double highHz)
{
    double sum = 0;
    int bins = 0;
    for (std::size_t k = 1; k < power.size(); ++k) {
        const double hz = k * rate / kSegment;
        if (hz >= lowHz && hz < highHz)
            sum += power[k], ++bins;
    }
    return sum / bins;
}

TEST(PinkNoiseTest, LoopHasAPinkSpectrumUncorrelatedChannelsAndNoSeam)
{
    for (int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        auto pcm = PinkNoise::loop(rate);
        ASSERT_EQ(pcm->channels, 2);
        ASSERT_EQ(pcm->sampleRate, rate);
        EXPECT_EQ(PinkNoise::loop(rate), pcm) << "made once, then shared";
        const std::vector<float> left = channel(pcm->samples, 0);
        const std::vector<float> right = channel(pcm->samples, 1);

        for (const auto* ch : {&left, &right}) {
            // Octave bands from 50 Hz: a straight line of slope -3 dB per octave.
            const std::vector<double> power = welchPower(*ch, kSegment);
            std::vector<double> octave, level;
            for (double low = 50; low * 2 <= 10000 * 1.0001; low *= 2) {
                octave.push_back(std::log2(low / 50));
                level.push_back(10 * std::log10(bandDensity(power, rate, low, 2 * low)));
            }
            const double n = static_cast<double>(octave.size());
            const double mx = std::accumulate(octave.begin(), octave.end(), 0.0) / n;
            const double my = std::accumulate(level.begin(), level.end(), 0.0) / n;
            double sxy = 0, sxx = 0;
            for (std::size_t i = 0; i < octave.size(); ++i)
                sxy += (octave[i] - mx) * (level[i] - my), sxx += (octave[i] - mx) * (octave[i] - mx);
            const double slope = sxy / sxx;
            EXPECT_NEAR(slope, -3.0, 0.5);
            for (std::size_t i = 0; i < octave.size(); ++i)
                EXPECT_NEAR(level[i], my + slope * (octave[i] - mx), 0.5)
                    << "octave from " << 50 * std::exp2(octave[i]);

            // A level like a pink noise file's, far from full scale.
            EXPECT_NEAR(rmsDb(*ch), -20.0, 0.5);
            float peak = 0, largestStep = 0;
            for (std::size_t i = 0; i < ch->size(); ++i) {
                peak = std::max(peak, std::abs((*ch)[i]));
                if (i > 0)
                    largestStep = std::max(largestStep, std::abs((*ch)[i] - (*ch)[i - 1]));
            }
            EXPECT_LT(peak, 0.7f);
            // Looping: the last frame leads into the first like any other pair.
            const float seam = std::abs(ch->front() - ch->back());
            EXPECT_LE(seam, largestStep);
            std::vector<float> steps(ch->size() - 1);
            for (std::size_t i = 1; i < ch->size(); ++i)
                steps[i - 1] = (*ch)[i] - (*ch)[i - 1];
            EXPECT_LT(seam, 4 * std::pow(10.0, rmsDb(steps) / 20)) << "within four RMS steps";
        }

        double lr = 0, ll = 0, rr = 0;
        for (std::size_t i = 0; i < left.size(); ++i)
            lr += left[i] * right[i], ll += left[i] * left[i], rr += right[i] * right[i];
        EXPECT_LT(std::abs(lr / std::sqrt(ll * rr)), 0.1);
    }
}

} // namespace
} // namespace aurelith
