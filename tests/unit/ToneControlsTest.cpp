// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AppFixture.h"
#include "support/AudioAnalysis.h"
#include "tone/ToneWrites.h"

namespace aurelith::test {
namespace {

using namespace ctl;

class ToneControlsTest : public AppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,5000,0,160");
        sound.clearCalls();
    }
    size_t toneSize(int channel) const { return file(channel == 1 ? "freq1.wav" : "freq2.wav").size(); }
    // Sine at f: about 88200/f + 1 values; square: 2 * (floor(44100/f) + 1).
    static size_t squareSize(int hz) { return 2 * (44100 / hz + 1) + 45; }
};

TEST_F(ToneControlsTest, LevelBarsActOnPlayingBuffersAndShowTheirPosition)
{
    click(cmdGenerate);
    sound.clearCalls();
    form.setValue(scrToneVol, -5000);
    EXPECT_EQ(text(txtToneVol), "0");
    EXPECT_TRUE(called("#1 volume -5000"));
    EXPECT_TRUE(called("#2 volume -5000"));
    form.setValue(scrToneVol, 0);
    EXPECT_EQ(text(txtToneVol), "5000");
    form.setValue(scrBalance, 0);
    EXPECT_EQ(text(txtBalance), "0");
    EXPECT_TRUE(called("#1 pan 0"));
    form.setValue(scrBalance, 5000);
    EXPECT_EQ(text(txtBalance), "5000");
    EXPECT_TRUE(called("#1 pan 5000"));
    EXPECT_TRUE(called("#2 pan -5000"));
}

TEST_F(ToneControlsTest, DraggingMovesTheSoundButNotTheDisplay)
{
    click(cmdGenerate);
    sound.clearCalls();
    form.dragTo(scrToneVol, -4000);
    EXPECT_TRUE(called("#1 volume -4000"));
    EXPECT_EQ(text(txtToneVol), "2000");
    form.endDrag(scrToneVol);
    EXPECT_EQ(text(txtToneVol), "1000");
}

// Before the first Start, and the mask bar with no mask: displays only.
TEST_F(ToneControlsTest, BarsWithNothingPlayingChangeOnlyTheirDisplays)
{
    form.setValue(scrMaskVol, -2500);
    form.setValue(scrToneVol, -100);
    form.setValue(scrBalance, 100);
    EXPECT_TRUE(sound.calls.empty());
    EXPECT_EQ(texts({txtMaskVol, txtToneVol}), (Texts{"2500", "4900"}));
}

TEST_F(ToneControlsTest, ZeroVolsTakesEverythingToMinimumOnce)
{
    click(cmdGenerate);
    click(cmdZeroVols);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2, txtToneVol, txtBalance, txtMaskVol, txtBaseFreqBar}),
              (Texts{"10", "16", "0", "0", "0", "0"}));
    const auto buffers = playing();
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_EQ(buffers[0].volume, -5000);
    EXPECT_DOUBLE_EQ(buffers[0].frequency, 10.0 * buffers[0].frames);
    EXPECT_EQ(toneSize(1), 8820u + 45); // sine at 10 Hz

    sound.clearCalls();
    click(cmdZeroVols);
    EXPECT_TRUE(sound.calls.empty()); // nothing moved: no change, no rebuild
}

TEST_F(ToneControlsTest, RetunedTonesKeepTheSeparationTheBarShows)
{
    form.setValue(scrBalance, 2500);
    click(cmdMTheta); // a band button replaces both tone buffers
    const double rate = RecordingSoundSystem::kRate;
    const double f1 = leadingNumber(text(txtSetFreq1)), f2 = leadingNumber(text(txtsetfreq2));
    const auto heard = sound.render(2.0);
    EXPECT_NEAR(toneLevelDb(channel(heard, 1), rate, f1) - toneLevelDb(channel(heard, 0), rate, f1), 25, 0.1);
    EXPECT_NEAR(toneLevelDb(channel(heard, 0), rate, f2) - toneLevelDb(channel(heard, 1), rate, f2), 25, 0.1);
}

TEST_F(ToneControlsTest, BaseFrequencyBarKeepsTheBeatAndWritesSine)
{
    ToneWrites::tone(app).waveform = Waveform::sawtooth;
    form.setValue(scrBaseFreq, 200);
    EXPECT_EQ(texts({txtBaseFreqBar, txtBaseFreq, txtSetFreq1, txtsetfreq2}), (Texts{"190", "190", "200", "206"}));
    EXPECT_DOUBLE_EQ(app.state.tone.rightFreq, 206);
    EXPECT_EQ(toneSize(1), 442u + 45); // sine: 88200/200 + 1 values
    EXPECT_EQ(playing().size(), 2u);
}

TEST_F(ToneControlsTest, BaseFrequencyBarKeepsNegativeFractionalAndEmptiedBeats)
{
    const struct {
        const char* left;
        const char* right; // "": an emptied channel counts as zero
        int base;
        const char* newRight;
    } cases[] = {{"165", "159", 300, "294"}, {"300", "301.5", 140, "141.5"}, {"", "", 250, "250"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.newRight);
        setPair(c.left, c.right);
        form.setValue(scrBaseFreq, c.base);
        EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{std::to_string(c.base), c.newRight}));
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST_F(ToneControlsTest, TypingSetsTheChannelFrequencySilently)
{
    type(txtSetFreq1, "abc");
    EXPECT_DOUBLE_EQ(app.state.tone.leftFreq, 0);
    type(txtsetfreq2, " 170.25Hz");
    EXPECT_DOUBLE_EQ(app.state.tone.rightFreq, 170.25);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(sound.calls.empty());
    click(cmdGenerate);
    EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(ToneControlsTest, BaseFreqModeTogglesAndIsStored)
{
    for (const auto& [shown, stored] : {std::pair{"OFF", "2\r\n"}, {"ON", "1\r\n"}}) {
        click(cmdBaseFreqMode);
        EXPECT_EQ(text(txtBaseFreq), shown);
        EXPECT_EQ(file("bfctl"), stored);
    }
    EXPECT_TRUE(sound.calls.empty());
}

TEST_F(ToneControlsTest, UnknownBaseFreqModeIsLeftAlone)
{
    ToneWrites::tone(app).baseFreqMode = 7;
    click(cmdBaseFreqMode);
    EXPECT_EQ(app.state.tone.baseFreqMode, Value(7));
    EXPECT_EQ(file("bfctl"), "7\r\n");
}

TEST_F(ToneControlsTest, WaveCyclesFourShapesAndRestartsEachTime)
{
    const std::vector<std::pair<std::string, std::string_view>> expected = {
        {"Square", lampRow2}, {"Saw", lampRow3}, {"TriAgle", lampRow4}, {"Sine", lampRow1}};
    const std::vector<size_t> sizes = {squareSize(159), 555 + 45, 556 + 45, 555 + 45};
    for (size_t i = 0; i < expected.size(); ++i) {
        click(cmdWaveform);
        EXPECT_EQ(form.caption(cmdWaveform), expected[i].first);
        EXPECT_EQ(lamp(expected[i].second), kRed);
        EXPECT_EQ(toneSize(1), sizes[i]) << expected[i].first;
        EXPECT_EQ(playing().size(), 2u);
    }
    EXPECT_EQ(captions({lblRow1, lblRow4}), (Texts{"SIN", "TRG"}));
    EXPECT_EQ(lamp(lampRow2), kBlue);
}

TEST_F(ToneControlsTest, ReverseChannelsTwiceRestores)
{
    click(cmdReverseChannels);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"165", "159"}));
    EXPECT_DOUBLE_EQ(app.state.tone.leftFreq, 165);
    EXPECT_EQ(playing().size(), 2u);
    click(mnuReverseChannels);
    EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{"159", "165"}));
}

TEST_F(ToneControlsTest, RebuildLeavesHeaderOnlyFilesAndSilence)
{
    click(cmdGenerate);
    click(cmdRebuild);
    EXPECT_EQ(std::pair(toneSize(1), toneSize(2)), std::pair(42ul, 42ul));
    EXPECT_TRUE(playing().empty());
    click(mnuRebuild);
    EXPECT_EQ(toneSize(1), 42u);
}

TEST_F(ToneControlsTest, StartAfterRebuildReplaysTheOldBuffersIfTheFilesCannotLoad)
{
    click(cmdGenerate);
    click(cmdRebuild);
    ToneWrites::tone(app).waveform = static_cast<Waveform>(9); // no writer: the header-only files stay
    click(cmdGenerate);
    EXPECT_EQ(toneSize(1), 42u);
    EXPECT_EQ(playing().size(), 2u); // the previous buffers play on
}

} // namespace
} // namespace aurelith::test
