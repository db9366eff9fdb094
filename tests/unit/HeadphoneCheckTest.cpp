// SPDX-License-Identifier: GPL-3.0-or-later
// "Headphone Check" through the Form, heard through the offline mixer.
#include "support/ManualClock.h"
#include "support/AudioAnalysis.h"
#include "tools/HeadphoneCheck.h"
#include "ui/TimerScheduler.h"

#include <tuple>

using namespace aurelith;
using namespace aurelith::test;
using namespace aurelith::ctl;

namespace {

class HeadphoneCheckTest : public ClockedAppTest {
protected:
    void SetUp() override { startAsReturningUser("-3000,0,0,200"); }
    // Runs the check; what is heard while each box is open, and what plays then.
    void check()
    {
        dialogs.whileShown = [this] {
            playingWhileShown.push_back(playing());
            // What comes out within the output's delay was played before the box opened.
            sound.render(static_cast<double>(sound.latencyFrames()) / RecordingSoundSystem::kRate);
            heard.push_back(sound.render(1.25));
        };
        click(optHeadphones);
        dialogs.whileShown = nullptr;
    }
    // What a buffer plays as: which one, at what level, pan and rate.
    static auto settings(const std::vector<RecordingSoundSystem::BufferInfo>& buffers)
    {
        std::vector<std::tuple<int, int, int, double>> result;
        for (const auto& b : buffers)
            result.emplace_back(b.id, b.volume, b.pan, b.frequency);
        return result;
    }

    std::vector<std::vector<float>> heard;
    std::vector<std::vector<RecordingSoundSystem::BufferInfo>> playingWhileShown;
};

// A listener reads each box for a while, the window's timers running meanwhile
// (a scan steps every 500 ms): the tone lasts as long as the box, in its ear
// alone, and nothing that played before sounds until the check ends.
TEST_F(HeadphoneCheckTest, EachTonePlaysWhileItsBoxIsOpenAndNothingElseSounds)
{
    setPair("160", "165");
    startScan("500");
    ASSERT_FALSE(playing().empty());
    constexpr int kReadingMs = 4000, kStepMs = 250;
    std::vector<std::vector<double>> named(2), other(2);
    std::vector<std::vector<std::size_t>> voices(2);
    int box = 0;
    dialogs.whileShown = [&] {
        const int ear = box++;
        for (int ms = 0; ms < kReadingMs && ear < 2; ms += kStepMs) {
            now += kStepMs;
            scheduler.advance();
            const auto quarter = sound.render(kStepMs / 1000.0);
            named[ear].push_back(rmsDb(channel(quarter, ear)));
            other[ear].push_back(rmsDb(channel(quarter, 1 - ear)));
            voices[ear].push_back(playing().size());
        }
    };
    click(optHeadphones);
    dialogs.whileShown = nullptr;
    ASSERT_EQ(box, 2);
    for (const int ear : {0, 1}) {
        SCOPED_TRACE(ear == 0 ? "left" : "right");
        EXPECT_EQ(voices[ear], std::vector<std::size_t>(voices[ear].size(), 1)) << "the check's tone alone";
        // The first quarter holds the fades of what stopped; from then on, only the check's tone.
        for (std::size_t q = 1; q < named[ear].size(); ++q) {
            EXPECT_NEAR(named[ear][q], named[ear][1], 0.5) << "quarter " << q;
            EXPECT_LT(other[ear][q], named[ear][q] - 60) << "quarter " << q;
        }
    }
    EXPECT_FALSE(playing().empty()) << "the scan plays on after the check";
}

TEST_F(HeadphoneCheckTest, EachBoxHasItsToneInItsOwnEarAndNothingInTheOther)
{
    check();
    ASSERT_EQ(dialogs.messages(), (std::vector<std::string>{earCheckText(Ear::left), earCheckText(Ear::right)}));
    ASSERT_EQ(heard.size(), 2u);
    constexpr double rate = RecordingSoundSystem::kRate;
    for (const int ear : {0, 1}) {
        SCOPED_TRACE(ear == 0 ? "left" : "right");
        const auto named = channel(heard[ear], ear);
        const auto other = channel(heard[ear], 1 - ear);
        EXPECT_LT(rmsDb(other), rmsDb(named) - 60);
        EXPECT_NEAR(measureFrequency(named, rate, kCheckToneHz), kCheckToneHz, 0.1);
    }
    // Nothing played before, and nothing plays after.
    EXPECT_TRUE(playing().empty());
}

TEST_F(HeadphoneCheckTest, WhatPlayedBeforeIsPausedMeanwhileAndPlaysAgainAsItWas)
{
    ASSERT_TRUE(form.setValue(scrBalance, form.control(scrBalance).max / 2));
    click(cmdGenerate);
    const auto before = playing();
    ASSERT_FALSE(before.empty());
    const double levelBefore = rmsDb(sound.render(1));
    const Colour soundLamp = lamp(lampSound);

    check();
    ASSERT_EQ(playingWhileShown.size(), 2u);
    for (const auto& meanwhile : playingWhileShown) {
        ASSERT_EQ(meanwhile.size(), 1u); // the check's tone alone
        EXPECT_GT(meanwhile[0].id, before.back().id);
    }
    EXPECT_EQ(settings(playing()), settings(before));
    sound.render(0.1); // the restart's fade-in
    EXPECT_NEAR(rmsDb(sound.render(1)), levelBefore, 0.5);
    EXPECT_EQ(lamp(lampSound), soundLamp);
}

TEST_F(HeadphoneCheckTest, AOneChannelOutputIsToldWhyAndPlaysNothing)
{
    sound.channels = 1;
    click(cmdGenerate);
    const auto before = playing();
    sound.clearCalls();
    click(optHeadphones);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kOneChannelMessage});
    for (const auto& call : sound.calls)
        EXPECT_TRUE(call.find("play") == std::string::npos && call.find("stop") == std::string::npos) << call;
    EXPECT_EQ(settings(playing()), settings(before));
}

TEST_F(HeadphoneCheckTest, AOneChannelOutputIsOfferedThePulsingSequences)
{
    const fs::path library = folder.path / "library";
    fs::create_directory(library);
    writeBytes(library / "pulses.sbg", "a: 200@10/50\nNOW a\n+00:10 a\n");
    writeBytes(library / "pulses-in-noise.sbg", "a: pink/20 300@8/40\nNOW a\n+00:10 a\n");
    writeBytes(library / "binaural.sbg", "a: 200+10/50 200@10/50\nNOW a\n+00:10 a\n");
    writeBytes(library / "broken.sbg", "a: spin:200+10/50\nNOW a\n");
    app.builtInSequences = library;
    sound.channels = 1;
    click(optHeadphones);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const std::string told = dialogs.messages()[0];
    EXPECT_EQ(told.rfind(kOneChannelMessage, 0), 0u) << "still says why first";
    const auto names = [&](const std::string& name) {
        return told.find("\n  " + name + "\n") != std::string::npos || told.ends_with("\n  " + name);
    };
    EXPECT_EQ((std::vector{names("pulses"), names("pulses-in-noise"), names("binaural"), names("broken")}),
              (std::vector{true, true, false, false}))
        << told;
}

} // namespace
