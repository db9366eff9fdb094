// SPDX-License-Identifier: GPL-3.0-or-later
// A sequence played in the window, through the Form: the boxes follow it, the
// window's own controls and the sleep timer end it.

#include "sequence/SequenceSession.h"
#include "support/AppFixture.h"
#include "support/SequenceTables.h"
#include "tone/Playback.h"

#include <cmath>

namespace aurelith::test {
namespace {

using namespace ctl;
using sequence::Sequence;

// One binaural voice whose beat slides over a minute, left tone above the
// right (as an SBaGen "+" writes it), then holds for half a minute.
Sequence slide()
{
    using namespace sequence;
    Sequence s = tables::sequenceOf(
        {tables::voiceOf(VoiceKind::binaural, {{0, 200, -10, 0.8, Join::slide}, {60, 200, -4, 0.8, Join::slide}})}, 90,
        5);
    s.name = "Slide";
    return s;
}

class SequenceSessionTest : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startAsReturningUser("-3000,0,-5000,160"));
        session = sequence::sequenceSession(app);
        ASSERT_NE(session, nullptr);
        sound.clearCalls();
    }

    sequence::SequenceSession* session = nullptr;
};

TEST_F(SequenceSessionTest, PlaysInPlaceOfTheWindowsTonesAndTheBoxesFollowIt)
{
    click(cmdGenerate);
    ASSERT_FALSE(playing().empty());
    ASSERT_TRUE(session->play(slide(), 0));
    EXPECT_TRUE(playing().empty()) << "the window's own tones stop first";
    EXPECT_TRUE(called("playGlide 0"));
    EXPECT_TRUE(form.timerEnabled(tmrSequence));

    sound.render(30);
    form.tick(tmrSequence);
    const double at = session->position();
    const sequence::Point p = sequence::valueAt(slide().voices[0], at);
    // The first box is the right ear's tone, the second the left's.
    EXPECT_NEAR(std::stod(text(txtSetFreq1)), sequence::rightHz(p), 0.011);
    EXPECT_NEAR(std::stod(text(txtsetfreq2)), sequence::leftHz(p), 0.011);
    EXPECT_NEAR(std::stod(text(txtBeat)), std::stod(text(txtsetfreq2)) - std::stod(text(txtSetFreq1)), 1e-9);
    EXPECT_GT(std::stod(text(txtBeat)), 4) << "a beat between the slide's ends, shown as the window shows an SBaGen +";
    EXPECT_LT(std::stod(text(txtBeat)), 10);
    EXPECT_NE(form.caption(tmrSequence).find("Slide, 1:00 left"), std::string::npos) << form.caption(tmrSequence);
}

// The right ear higher (an SBaGen "-") shows a negative beat in the boxes, as
// the window shows such a pair; the strobe still flashes on the beat heard.
TEST_F(SequenceSessionTest, TheStrobeFlashesWhicheverEarIsHigher)
{
    Sequence s = slide();
    for (sequence::Point& p : s.voices[0].points)
        p.beatHz = -p.beatHz;
    ASSERT_TRUE(session->play(s, 0));
    sound.render(1);
    form.tick(tmrSequence);
    ASSERT_LT(std::stod(text(txtBeat)), 0);
    click(cmdColourOn);
    EXPECT_TRUE(form.timerEnabled(tmrStim));
    EXPECT_GT(std::stod(text(txtFlashRate)), 9) << "the beat heard near the start, 10 Hz";
}

// The rate the warning and the Freq box give is the beat in the boxes'
// hundredths, never their difference's rounding noise (9.98000000000002).
TEST_F(SequenceSessionTest, TheFlashRateIsShownInTheBoxesHundredths)
{
    fs::remove(folder.path / "flashok");
    dialogs.answerConfirm(true);
    ASSERT_TRUE(session->play(slide(), 0));
    const auto hundredths = [](const std::string& number) {
        const auto dot = number.find('.');
        return dot == std::string::npos || number.size() - dot - 1 <= 2;
    };
    std::string first;
    for (int second = 0; second < 60; ++second) {
        sound.render(1);
        form.tick(tmrSequence);
        click(Command23);
        click(Command22);
        ASSERT_TRUE(form.timerEnabled(Timer1));
        EXPECT_TRUE(hundredths(text(Text5))) << text(Text5) << " at " << second << " s";
        if (first.empty())
            first = text(Text5);
    }
    ASSERT_EQ(dialogs.shown.size(), 1u) << "the first start asks";
    EXPECT_NE(dialogs.shown[0].text.find(" " + first + " "), std::string::npos) << dialogs.shown[0].text;
}

TEST_F(SequenceSessionTest, EndsWhenItHasPlayedAndTheWindowStaysAsItWas)
{
    ASSERT_TRUE(session->play(slide(), 85));
    sound.render(1);
    form.tick(tmrSequence);
    const std::string box = text(txtSetFreq1);
    sound.render(6);
    form.tick(tmrSequence);
    EXPECT_FALSE(session->playing());
    EXPECT_FALSE(form.timerEnabled(tmrSequence));
    EXPECT_EQ(form.caption(tmrSequence), "");
    EXPECT_EQ(text(txtSetFreq1), box);
    EXPECT_TRUE(playing().empty()) << "the window's tones do not come back by themselves";
}

// Whatever plays the window's own sound, or stops all sound, ends the sequence.
struct Ender {
    const char* what;
    void (*act)(AppTest&, App&);
};

class SequenceEnders : public SequenceSessionTest, public ::testing::WithParamInterface<Ender> {};

TEST_P(SequenceEnders, EndTheSequence)
{
    ASSERT_TRUE(session->play(slide(), 0));
    sound.render(1);
    GetParam().act(*this, app);
    EXPECT_FALSE(session->playing()) << GetParam().what;
    EXPECT_TRUE(called("stopGlide")) << GetParam().what;
    EXPECT_FALSE(form.timerEnabled(tmrSequence)) << GetParam().what;
}

struct Clicker : AppTest {
    using AppTest::click;
};

void clickOn(AppTest& t, std::string_view name) { static_cast<Clicker&>(t).click(name); }

INSTANTIATE_TEST_SUITE_P(WindowTakesOver, SequenceEnders,
                         ::testing::Values(Ender{"Stop", [](AppTest& t, App&) { clickOn(t, cmdStop); }},
                                           Ender{"a band button", [](AppTest& t, App&) { clickOn(t, cmdLTheta); }},
                                           Ender{"Start", [](AppTest& t, App&) { clickOn(t, cmdGenerate); }},
                                           Ender{"Rev Chn", [](AppTest& t, App&) { clickOn(t, cmdReverseChannels); }},
                                           Ender{"the sleep timer's end",
                                                 [](AppTest&, App& app) { stopEverySound(app); }}));

TEST_F(SequenceSessionTest, FollowsTheToneVolBarAsItsMasterLevel)
{
    ASSERT_TRUE(session->play(slide(), 20));
    const auto loudest = [this] {
        float peak = 0;
        for (const float x : sound.render(0.5))
            peak = std::max(peak, std::abs(x));
        return peak;
    };
    loudest();
    const float before = loudest();
    ASSERT_TRUE(form.setValue(scrToneVol, form.value(scrToneVol) - 2000)); // 20 dB down
    form.tick(tmrSequence);
    loudest();
    EXPECT_NEAR(loudest() / before, 0.1, 0.02);
}

} // namespace
} // namespace aurelith::test
