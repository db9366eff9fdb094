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
        EXPECT_EQ(text(txtSetFreq1), left);
        EXPECT_EQ(text(txtsetfreq2), right);
        EXPECT_EQ(text(Text2), beat);
    }
};

TEST_F(BandPresetsTest, EveryButtonSetsItsBeatOnTheBaseFrequency)
{
    const std::vector<std::string_view> buttons = {
        Command1,  Command2,  Command3,  Command4,  Command5,  Command6,  Command7,  Command8,  Command9,  Command10,
        Command11, Command12, Command13, Command14, Command15, Command16, Command17, Command19, Command20, Command21};
    for (size_t i = 0; i < buttons.size(); ++i) {
        click(buttons[i]);
        const int beat = static_cast<int>(i) + 1;
        EXPECT_EQ(text(txtSetFreq1), "160");
        EXPECT_EQ(text(txtsetfreq2), std::to_string(160 + beat));
        EXPECT_EQ(text(Text1), "160");
        EXPECT_EQ(text(Text2), std::to_string(beat));
        EXPECT_DOUBLE_EQ(app.state.tone.rightFreq, 160 + beat);
    }
    EXPECT_EQ(lamp(Text14), kRed);
    EXPECT_EQ(playing().size(), 2u);
}

TEST_F(BandPresetsTest, FollowsTheBaseFrequencyUnlessSwitchedOff)
{
    form.setValue(HScroll1, 135);
    click(Command6);
    expectPair("135", "141", "6");
    click(Command60); // off
    click(Command6);
    expectPair("160", "166", "6");
    form.setValue(HScroll1, 200);
    click(Command60); // on
    click(Command9);
    expectPair("200", "209", "9");
}

TEST_F(BandPresetsTest, ButtonsUseTheWaveformMenuItemsAlwaysSine)
{
    click(Command66); // square
    click(Command10);
    EXPECT_EQ(file("freq2.wav").size(), 2 * (44100 / 170 + 1) + 45u);
    form.setValue(HScroll1, 300);
    click(cmdStop);
    click(f15);
    expectPair("160", "175", "15");
    EXPECT_EQ(file("freq2.wav").size(), 505u + 45); // sine: 88200/175 + 1 values
    EXPECT_EQ(lamp(Text14), kBlue);                 // the menu leaves the lamp alone
    EXPECT_EQ(playing().size(), 2u);
}

TEST_F(BandPresetsTest, HeardBeatMatchesTheDisplay)
{
    form.setValue(HScroll1, 1000);
    click(Command1);
    form.setValue(scrBalance, 0);
    form.setValue(scrBalance, 5000);
    const auto heard = sound.render(6.0);
    const double rate = RecordingSoundSystem::kRate;
    const double f1 = measureFrequency(channel(heard, 1), rate, 1000);
    const double f2 = measureFrequency(channel(heard, 0), rate, 1001);
    EXPECT_NEAR(f2 - f1, leadingNumber(text(Text2)), 0.01);
}

} // namespace
} // namespace aurelith::test
