// What the user hears through the whole program and the real mixer, rendered
// offline: retunes that do not click, tones free of images at every carrier,
// and a loud sum that is limited rather than clipped.
#include "support/SoundFile.h"
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"
#include "tone/ToneWrites.h"

#include <sndfile.h>

#include <cmath>
#include <functional>
#include <random>

namespace aurelith::test {
namespace {

using namespace ctl;

class SoundEngineTest : public AppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,5000,0,160");
        form.setValue(scrBalance, 0); // both tones in both ears
    }
    void tune(double left, double right)
    {
        setPair(std::to_string(static_cast<int>(left)), std::to_string(static_cast<int>(right)));
    }
    // Stereo noise as mask 1, returned as its left channel.
    std::vector<float> putNoiseMask(int seconds = 3)
    {
        const int frames = seconds * 44100;
        std::mt19937 random(7);
        std::normal_distribution<float> noise(0.0f, 0.1f);
        std::vector<float> samples(2 * frames);
        for (float& s : samples)
            s = noise(random);
        EXPECT_TRUE(writeSoundFile(folder.path / "pink_inv.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, samples));
        return channel(samples, 0);
    }
    // Plays 200/204 Hz with a mask for a second, then retunes through "Up 1 HZ",
    // a band button, "Wave", "ScanOn" and a scanner step, 0.6 s apart; returns
    // the left ear and where each retune came.
    std::vector<float> retuneWhileMasked(std::vector<std::size_t>& retunes)
    {
        setPair("200", "204");
        click(cmdGenerate);
        dialogs.answerInput("1000");
        click(mnuCustomScanTime);
        click(cmdScanUp);
        std::vector<float> heard = channel(sound.render(1.0), 0);
        const std::vector<std::function<void()>> retuneBy = {[&] { click(cmdUp1Hz); }, [&] { click(cmdMTheta); },
                                                             [&] { click(cmdWaveform); }, [&] { click(cmdScanOn); },
                                                             [&] { form.tick(tmrScan); }};
        for (const auto& retune : retuneBy) {
            retunes.push_back(heard.size());
            retune();
            const std::vector<float> more = channel(sound.render(0.6), 0);
            heard.insert(heard.end(), more.begin(), more.end());
        }
        return heard;
    }
};

double largestStep(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    double worst = 0;
    for (std::size_t i = std::max<std::size_t>(from, 1); i < std::min(to, x.size()); ++i)
        worst = std::max(worst, static_cast<double>(std::abs(x[i] - x[i - 1])));
    return worst;
}

// Normalised correlation of `heard` at [at, at + n) with `mask` from `offset`,
// both differenced first so the low tones underneath hardly count.
double correlation(const std::vector<float>& heard, std::size_t at, const std::vector<float>& mask, std::size_t offset,
                   std::size_t n)
{
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = heard[at + i] - heard[at + i - 1];
        const double y = mask[(offset + i) % mask.size()] - mask[(offset + i - 1) % mask.size()];
        xy += x * y, xx += x * x, yy += y * y;
    }
    return xy / std::sqrt(xx * yy);
}

constexpr auto kAround = static_cast<std::size_t>(0.04 * RecordingSoundSystem::kRate);

TEST_F(SoundEngineTest, RetunesDoNotClick)
{
    putNoiseMask();
    form.setValue(scrToneVol, -600);
    form.setValue(scrMaskVol, -2000);
    std::vector<std::size_t> retunes;
    const std::vector<float> heard = retuneWhileMasked(retunes);
    for (std::size_t at : retunes) {
        SCOPED_TRACE(at);
        // Steady playback of the sounds on either side (a new waveform may
        // have larger steps of its own).
        const auto stretch = static_cast<std::size_t>(0.5 * RecordingSoundSystem::kRate);
        const double steady = std::max(largestStep(heard, at - stretch, at - kAround),
                                       largestStep(heard, at + kAround, at + stretch));
        EXPECT_LE(largestStep(heard, at - kAround, at + kAround), 1.1 * steady);
    }
}

// Held whole (2 s) or streamed from disk (5 s), the mask goes on where it was.
class MaskRunOnTest : public SoundEngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(MaskRunOnTest, RetunesLetTheMaskRunOn)
{
    const std::vector<float> mask = putNoiseMask(GetParam());
    form.setValue(scrToneVol, -5000); // the bottom of "Tone Vol"
    form.setValue(scrMaskVol, 0);
    std::vector<std::size_t> retunes;
    const std::vector<float> heard = retuneWhileMasked(retunes);
    for (std::size_t at : retunes) {
        SCOPED_TRACE(at);
        // The mask started with the tones, and the output's fixed delay lies
        // behind it; a restart would line up with its beginning instead.
        const std::size_t n = 8192, from = at + kAround, delay = sound.latencyFrames();
        EXPECT_GT(correlation(heard, from, mask, from - delay, n), 0.95);
        EXPECT_LT(std::abs(correlation(heard, from, mask, kAround - delay, n)), 0.1);
    }
}

INSTANTIATE_TEST_SUITE_P(HeldAndStreamed, MaskRunOnTest, ::testing::Values(2, 5));

struct Carrier {
    double left, right;
};
void PrintTo(const Carrier& c, std::ostream* os) { *os << c.left << "/" << c.right << " Hz"; }

class AliasFreeTest : public SoundEngineTest, public ::testing::WithParamInterface<Carrier> {};

TEST_P(AliasFreeTest, EveryWaveformHoldsOnlyHarmonicsOfItsTones)
{
    const Carrier c = GetParam();
    for (int waveform = 1; waveform <= 4; ++waveform) {
        SCOPED_TRACE(waveform);
        ToneWrites::tone(app).waveform = static_cast<Waveform>(waveform);
        tune(c.left, c.right);
        click(cmdGenerate);
        sound.render(0.1);
        const std::vector<float> left = channel(sound.render(1.6), 0);
        EXPECT_LT(foreignComponentsDb(left, RecordingSoundSystem::kRate, {c.left, c.right}), -70.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Carriers, AliasFreeTest,
                         ::testing::Values(Carrier{15000, 15010}, Carrier{8000, 8010}, Carrier{160, 170}));

TEST_F(SoundEngineTest, TopVolumeIsLimitedWithoutDistortion)
{
    form.setValue(scrToneVol, 0); // the top of "Tone Vol"
    tune(160, 170);
    click(cmdGenerate);
    sound.render(0.5);
    const std::vector<float> heard = sound.render(3.0);
    float peak = 0;
    for (float s : heard)
        peak = std::max(peak, std::abs(s));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.99f); // limited, not turned down
    for (int ch : {0, 1})
        EXPECT_LT(foreignComponentsDb(channel(heard, ch), RecordingSoundSystem::kRate, {160, 170}), -50.0);
}

} // namespace
} // namespace aurelith::test
