// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AppFixture.h"
#include "support/WavBytes.h"
#include "support/AudioAnalysis.h"
#include "tone/ToneWrites.h"

#include <algorithm>
#include <string>

namespace aurelith::test {
namespace {

using namespace ctl;

class PlaybackTest : public AppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,5000,0,160");
        sound.clearCalls();
    }
    // A masking file of a quiet 100 Hz square, one second long.
    void putMask(const std::string& name)
    {
        const int frames = 44100;
        std::string wav = wavHeader(frames * 2);
        for (int i = 0; i < frames; ++i)
            appendLe(wav, static_cast<std::uint16_t>((i / 220) % 2 ? 1000 : -1000), 2);
        putFile(name, wav);
    }
};

TEST_F(PlaybackTest, StartWritesBothTonesAndPlaysThemAtTheToneVolume)
{
    click(cmdGenerate);
    EXPECT_EQ(lamp(lampSound), kRed);
    EXPECT_EQ(playingFiles(), (std::vector<std::string>{"freq1.wav", "freq2.wav"}));
    const auto buffers = playing();
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_EQ(std::pair(buffers[0].pan, buffers[1].pan), std::pair(5000, -5000)); // the separation the bar shows
    for (const auto& b : buffers) {
        EXPECT_EQ(b.volume, -3000);
        EXPECT_TRUE(b.looping);
    }
    EXPECT_EQ(file("freq1.wav").size(), 555u + 45);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PlaybackTest, ToneBuffersPlayAtTheRateThatGivesTheExactPitch)
{
    setPair("300", "301");
    click(cmdGenerate);
    const auto buffers = playing();
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_DOUBLE_EQ(buffers[0].frequency, 300.0 * buffers[0].frames);
    EXPECT_DOUBLE_EQ(buffers[1].frequency, 301.0 * buffers[1].frames);
}

// What the user hears: each tone measured in the ear where the balance puts it.
struct Pair {
    double left, right;
};
void PrintTo(const Pair& p, std::ostream* os) { *os << p.left << "/" << p.right << " Hz"; }

class HeardPitchTest : public PlaybackTest, public ::testing::WithParamInterface<Pair> {};

TEST_P(HeardPitchTest, EachEarAndTheBeatMatchTheWindow)
{
    const Pair pair = GetParam();
    setPair(formatNumber(pair.left), formatNumber(pair.right));
    click(cmdGenerate);
    form.setValue(scrBalance, 0);
    form.setValue(scrBalance, 5000); // channel 1 to the right ear, channel 2 to the left
    sound.render(0.05);
    const std::vector<float> heard = sound.render(pair.left < 50 ? 8.0 : 4.0);
    const double rate = RecordingSoundSystem::kRate;
    const double f1 = measureFrequency(channel(heard, 1), rate, pair.left);
    const double f2 = measureFrequency(channel(heard, 0), rate, pair.right);
    const auto tolerance = [](double hz) { return hz < 1000 ? 0.01 : hz * 1e-5; };
    EXPECT_NEAR(f1, pair.left, tolerance(pair.left));
    EXPECT_NEAR(f2, pair.right, tolerance(pair.right));
    EXPECT_NEAR(f2 - f1, pair.right - pair.left, 0.01);
}

// Named as the boxes read, L141_5_R160, so a failure names its pair.
std::string pairName(const ::testing::TestParamInfo<Pair>& info)
{
    std::string name = "L" + formatNumber(info.param.left) + "_R" + formatNumber(info.param.right);
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Pairs, HeardPitchTest,
                         ::testing::Values(Pair{10, 11}, Pair{159, 165}, Pair{300, 301}, Pair{400, 401},
                                           Pair{1000, 1001}, Pair{141.5, 160}, Pair{7000, 7020}, Pair{15580, 15600}),
                         pairName);

TEST_F(PlaybackTest, VolumeAndBalanceLevelsAsHeard)
{
    setPair("500", "700");
    // Both tones at -6 dB in both ears: their sum cannot clip.
    form.setValue(scrToneVol, -600);
    click(cmdGenerate);
    form.setValue(scrBalance, 0);
    const double rate = RecordingSoundSystem::kRate;
    const auto full = sound.render(2.0);
    form.setValue(scrToneVol, -3600);
    const auto quiet = sound.render(2.0);
    EXPECT_NEAR(toneLevelDb(channel(quiet, 0), rate, 500) - toneLevelDb(channel(full, 0), rate, 500), -30, 0.1);

    form.setValue(scrBalance, 5000);
    const auto panned = sound.render(2.0);
    EXPECT_NEAR(toneLevelDb(channel(panned, 1), rate, 500) - toneLevelDb(channel(panned, 0), rate, 500), 50, 0.1);
    EXPECT_NEAR(toneLevelDb(channel(panned, 0), rate, 700) - toneLevelDb(channel(panned, 1), rate, 700), 50, 0.1);
}

TEST_F(PlaybackTest, StopSilencesAndTurnsTheLampOff)
{
    click(cmdGenerate);
    form.setTimerEnabled(tmrStim, true);
    form.setTimerEnabled(tmrBack, true);
    click(cmdStop);
    EXPECT_TRUE(playing().empty());
    EXPECT_EQ(lamp(lampSound), kBlue);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_FALSE(form.timerEnabled(tmrBack));
    EXPECT_TRUE(form.timerEnabled(tmrScan)); // the scanner keeps going
    const auto silence = sound.render(0.2);
    EXPECT_LT(rmsDb(silence), -120);
}

TEST_F(PlaybackTest, SoundOnPlaysSineWhateverTheWaveformAndLeavesTheLamp)
{
    ToneWrites::tone(app).waveform = Waveform::square;
    click(mnuSoundOn);
    EXPECT_EQ(playing().size(), 2u);
    EXPECT_EQ(file("freq1.wav").size(), 555u + 45); // sine: 555 values at 159 Hz
    EXPECT_EQ(lamp(lampSound), kBlue);
    click(cmdGenerate);
    EXPECT_EQ(file("freq1.wav").size(), 556u + 45); // square again
    form.setTimerEnabled(tmrStim, true);
    form.setTimerEnabled(tmrBack, true);
    click(mnuSoundOff);
    EXPECT_TRUE(playing().empty());
    EXPECT_EQ(lamp(lampSound), kRed);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_FALSE(form.timerEnabled(tmrBack));
}

TEST_F(PlaybackTest, MaskCyclesThroughEightAndStopsTheSound)
{
    EXPECT_EQ(form.caption(fraMaskVol), "Mask Vol");
    click(cmdGenerate);
    click(cmdNextMask);
    EXPECT_TRUE(playing().empty());
    EXPECT_EQ(app.state.tone.maskSelection, 2);
    EXPECT_EQ(form.caption(fraMaskVol), "Mask 2 Vol");
    EXPECT_EQ(lamps({lampRow2, lampRow1}), (Colours{kRed, kBlue}));
    click(cmdNextMask, 4);
    EXPECT_EQ(captions({fraMaskVol, lblRow1, lblRow4}), (Texts{"Mask 6 Vol", "MK5", "MK8"}));
    EXPECT_EQ(lamp(lampRow2), kRed);
    click(cmdNextMask, 3);
    EXPECT_EQ(captions({fraMaskVol, lblRow1}), (Texts{"Mask 1 Vol", "MK1"}));
    EXPECT_EQ(lamps({lampRow1, lampRow4}), (Colours{kRed, kBlue}));
}

TEST_F(PlaybackTest, MaskPlaysUnderTheTonesAtTheMaskVolume)
{
    putMask("pink_inv.wav");
    form.setValue(scrMaskVol, -1200);
    click(cmdGenerate);
    EXPECT_EQ(playingFiles(), (std::vector<std::string>{"freq1.wav", "freq2.wav", "pink_inv.wav"}));
    EXPECT_EQ(playing()[2].volume, -1200);
    form.setValue(scrMaskVol, -2000);
    EXPECT_EQ(playing()[2].volume, -2000);
}

TEST_F(PlaybackTest, MissingMaskKeepsThePreviousOneOrNone)
{
    click(cmdNextMask, 2); // mask 3, absent
    click(cmdGenerate);
    EXPECT_EQ(playingFiles(), (std::vector<std::string>{"freq1.wav", "freq2.wav"}));
    putMask("mask2.wav");
    click(cmdNextMask, 7); // round to mask 2
    click(cmdGenerate);
    EXPECT_EQ(playingFiles().back(), "mask2.wav");
    click(cmdNextMask); // mask 3 again, still absent
    click(cmdGenerate);
    auto files = playingFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"freq1.wav", "freq2.wav", "mask2.wav"}));
}

TEST_F(PlaybackTest, MaskOnePlaysBuiltInPinkNoiseUntilTheUsersFileIsThere)
{
    sound.usePinkNoiseStandIn();
    form.setValue(scrToneVol, -5000);
    form.setValue(scrMaskVol, -600);
    const double rate = RecordingSoundSystem::kRate;
    for (const char* content : {"", "this is not a sound file at all"}) {
        if (*content)
            putFile("pink_inv.wav", content);
        click(cmdGenerate);
        EXPECT_EQ(playingFiles(), (std::vector<std::string>{"freq1.wav", "freq2.wav", "pink_inv.wav"}));
        EXPECT_EQ(playing()[2].volume, -600);
        const auto heard = sound.render(2.0);
        EXPECT_NEAR(rmsDb(channel(heard, 0)), -26.0, 0.5) << "-20 dBFS noise at the mask volume";
        EXPECT_NEAR(rmsDb(channel(heard, 1)), -26.0, 0.5);
        EXPECT_NE(channel(heard, 0), channel(heard, 1));
    }
    EXPECT_TRUE(dialogs.shown.empty());

    putMask("pink_inv.wav");
    click(cmdGenerate);
    EXPECT_GT(toneLevelDb(channel(sound.render(2.0), 0), rate, 100), -36.0) << "the user's 100 Hz square";
}

TEST_F(PlaybackTest, SleepIsHeldOffExactlyWhileSoundPlays)
{
    RecordingInhibitor awake;
    app.inhibitor = &awake;
    click(cmdGenerate);
    EXPECT_TRUE(awake.systemHeld);
    click(cmdUp1Hz); // a retune stops and restarts the tones
    EXPECT_TRUE(awake.systemHeld);
    click(cmdStop);
    EXPECT_FALSE(awake.systemHeld);
    click(mnuSoundOn);
    EXPECT_TRUE(awake.systemHeld);
    click(cmdNextMask); // stops the sound
    EXPECT_FALSE(awake.systemHeld);
    // Nothing plays when a frequency is out of range.
    type(txtSetFreq1, "5");
    click(cmdGenerate);
    EXPECT_FALSE(awake.systemHeld);
}

} // namespace
} // namespace aurelith::test
