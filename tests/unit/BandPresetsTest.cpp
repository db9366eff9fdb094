// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"

namespace aurelith::test {
namespace {

using namespace ctl;

class BandPresetsTest : public AppTest {
protected:
    void SetUp() override { startAsReturningUser("-3000,5000,0,160"); }
    void expectPair(const char* left, const char* right, const char* beat)
    {
        EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBeat}), (Texts{left, right, beat}));
    }
};

TEST_F(BandPresetsTest, EveryButtonSetsItsBeatOnTheBaseFrequency)
{
    const std::vector<std::string_view> buttons = {
        cmdLDelta, cmdMDelta, cmdHDelta, cmdUDelta, cmdLTheta, cmdMTheta, cmdHTheta, cmdUTheta, cmdLAlpha, cmdMAlpha,
        cmdHAlpha, cmdUAlpha, cmdLBeta,  cmdMBeta,  cmdHBeta,  cmdUBeta,  cmdLGamma, cmdMGamma, cmdHGamma, cmdUGamma};
    for (size_t i = 0; i < buttons.size(); ++i) {
        click(buttons[i]);
        const int beat = static_cast<int>(i) + 1;
        EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtBaseFreq, txtBeat}),
                  (Texts{"160", std::to_string(160 + beat), "160", std::to_string(beat)}));
        EXPECT_DOUBLE_EQ(app.state.tone.rightFreq, 160 + beat);
    }
    EXPECT_EQ(lamp(lampSound), kRed);
    EXPECT_EQ(playing().size(), 2u);
}

TEST_F(BandPresetsTest, FollowsTheBaseFrequencyUnlessSwitchedOff)
{
    form.setValue(scrBaseFreq, 135);
    click(cmdMTheta);
    expectPair("135", "141", "6");
    click(cmdBaseFreqMode); // off
    click(cmdMTheta);
    expectPair("160", "166", "6");
    form.setValue(scrBaseFreq, 200);
    click(cmdBaseFreqMode); // on
    click(cmdLAlpha);
    expectPair("200", "209", "9");
}

TEST_F(BandPresetsTest, ButtonsUseTheWaveformMenuItemsAlwaysSine)
{
    click(cmdWaveform); // square
    click(cmdMAlpha);
    EXPECT_EQ(file("freq2.wav").size(), 2 * (44100 / 170 + 1) + 45u);
    form.setValue(scrBaseFreq, 300);
    click(cmdStop);
    click(mnuHBeta);
    expectPair("160", "175", "15");
    EXPECT_EQ(file("freq2.wav").size(), 505u + 45); // sine: 88200/175 + 1 values
    EXPECT_EQ(lamp(lampSound), kBlue);              // the menu leaves the lamp alone
    EXPECT_EQ(playing().size(), 2u);
}

TEST_F(BandPresetsTest, HeardBeatMatchesTheDisplay)
{
    form.setValue(scrBaseFreq, 1000);
    click(cmdLDelta);
    form.setValue(scrBalance, 0);
    form.setValue(scrBalance, 5000);
    const auto heard = sound.render(6.0);
    const double rate = RecordingSoundSystem::kRate;
    const double f1 = measureFrequency(channel(heard, 1), rate, 1000);
    const double f2 = measureFrequency(channel(heard, 0), rate, 1001);
    EXPECT_NEAR(f2 - f1, leadingNumber(text(txtBeat)), 0.01);
}

} // namespace
} // namespace aurelith::test
