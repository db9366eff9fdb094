// SPDX-License-Identifier: GPL-3.0-or-later
// What the mixer plays for a tone is the shape its file was written in,
// computed rather than read from the file's 8-bit steps.
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"
#include "tone/ToneWrites.h"

#include <cmath>

namespace aurelith::test {
namespace {

using namespace ctl;

double db(double ratio) { return 20 * std::log10(std::max(ratio, 1e-30)); }

class PureToneTest : public AppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,0,0,160"); // both tones in both ears
    }
    // One second of the left ear, both boxes at `hz`, after the fade-in: at
    // whole-Hz pitches every harmonic falls on its own bin, nothing leaks.
    std::vector<double> play(int waveform, int hz)
    {
        ToneWrites::tone(app).waveform = static_cast<Waveform>(waveform);
        setPair(std::to_string(hz), std::to_string(hz));
        click(cmdGenerate);
        sound.render(0.2);
        return amplitudeSpectrum(channel(sound.render(1.0), 0));
    }
};

TEST_F(PureToneTest, ASineHasNothingElseWithin100Db)
{
    // 5 and 12 kHz: loops of a few samples, too short to tell their shape.
    for (int hz : {1000, 160, 3000, 5000, 12000}) {
        SCOPED_TRACE(hz);
        const std::vector<double> x = play(1, hz);
        double strongestOther = 0;
        for (std::size_t bin = 1; bin < x.size(); ++bin)
            if (bin != static_cast<std::size_t>(hz))
                strongestOther = std::max(strongestOther, x[bin]);
        EXPECT_LT(db(strongestOther / x[hz]), -100);
    }
}

TEST_F(PureToneTest, OtherShapesCarryTheirIdealHarmonics)
{
    // The Fourier series of each shape: amplitude of harmonic k against the fundamental.
    const struct {
        int waveform;
        double (*ideal)(int k);
    } shapes[] = {
        {2, [](int k) { return k % 2 ? 1.0 / k : 0.0; }},       // square
        {3, [](int k) { return 1.0 / k; }},                     // sawtooth
        {4, [](int k) { return k % 2 ? 1.0 / (k * k) : 0.0; }}, // triangle
    };
    const int hz = 1000;
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.waveform);
        const std::vector<double> x = play(shape.waveform, hz);
        for (int k = 2; k * hz < 22050; ++k) {
            const double level = x[static_cast<std::size_t>(k * hz)] / x[hz];
            if (shape.ideal(k) > 0)
                EXPECT_NEAR(db(level), db(shape.ideal(k)), 0.1) << "harmonic " << k;
            else
                EXPECT_LT(db(level), -100) << "harmonic " << k;
        }
    }
}

} // namespace
} // namespace aurelith::test
