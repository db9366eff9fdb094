// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"
#include "support/ProcessUsage.h"

#include "scan/Scanner.h"
#include "ui/TimerScheduler.h"

namespace aurelith::test {
namespace {

using namespace ctl;

// The program started in its folder, its timers driven by a manual clock.
class ScannerTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,0,0,200");
        setPair("160", "165");
    }
    void customScanTime(std::optional<std::string> typed)
    {
        dialogs.answerInput(std::move(typed));
        click(mnuCustomScanTime);
    }
    void expectPair(const std::string& left, const std::string& right, const std::string& context = "")
    {
        EXPECT_EQ(texts({txtSetFreq1, txtsetfreq2}), (Texts{left, right})) << context;
        expectPlaying(std::stod(left), std::stod(right), context);
    }
    long callsStarting(const std::string& prefix) const
    {
        return std::count_if(sound.calls.begin(), sound.calls.end(),
                             [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }
};

TEST_F(ScannerTest, FourSecondScanMovesTheBeatEveryFourSeconds)
{
    click(mnuScan4Sec);
    click(cmdScanOn);
    EXPECT_TRUE(dialogs.shown.empty());
    expectPair("160", "165", "at ScanOn");
    EXPECT_EQ(captions({lblRow3, fraBackColour, fraStimColour}), (Texts{"SNO", "Started Time", "Timer MilliSecs"}));
    EXPECT_EQ(texts({txtBackColour, txtStimColour, txtBeat}), (Texts{"09:41", "4000", "5"}));
    EXPECT_EQ(lamp(lampRow3), kRed);
    EXPECT_EQ(form.timerInterval(tmrScan), 4000);

    runFor(3999);
    EXPECT_EQ(text(txtsetfreq2), "165");
    for (const char* right : {"166", "167", "168"}) {
        runFor(4 * kSecond);
        expectPair("160", right, right);
        EXPECT_EQ(text(txtBeat), std::to_string(std::stoi(right) - 160));
    }
    // A new direction applies from the step after the next (168 was prepared already).
    click(cmdScanDown);
    EXPECT_EQ(captions({lblRow1, lblRow2}), (Texts{"CL1", "SDN"}));
    EXPECT_EQ(lamps({lampRow1, lampRow2}), (Colours{kBlue, kRed}));
    runFor(4 * kSecond);
    EXPECT_EQ(text(txtsetfreq2), "169");
    runFor(4 * kSecond);
    EXPECT_EQ(text(txtsetfreq2), "168");
}

TEST_F(ScannerTest, ScanningDownWithoutALimitStallsWithTheLastTonesPlaying)
{
    click(mnuScan4Sec);
    click(cmdScanDown);
    click(cmdScanOn);
    runFor(4 * 4 * kSecond);
    expectPair("160", "161");
    runFor(3 * 4 * kSecond);
    EXPECT_EQ(text(txtsetfreq2), "160");
    EXPECT_EQ(app.state.shared.beatFreq, 0);
    EXPECT_TRUE(form.timerEnabled(tmrScan));
    expectPlaying(160, 161);
}

struct LimitCase {
    const char* typed;
    bool stops;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << '"' << c.typed << '"'; }

class ScannerLimitTest : public ScannerTest, public ::testing::WithParamInterface<LimitCase> {};

// Limits compare the exact text: "162.0" is never the box's "162".
TEST_P(ScannerLimitTest, LowerLimit)
{
    click(cmdGenerate);
    click(mnuScan4Sec);
    click(cmdScanDown);
    click(cmdLowerLimit);
    type(txtBackColour, GetParam().typed);
    click(cmdEnterLimits);
    EXPECT_EQ(captions({fraStimColour, fraBackColour}), (Texts{"Stim Color", "BkGrd Color"}));
    click(cmdScanOn);
    runFor(3 * 4 * kSecond);
    EXPECT_EQ(text(txtsetfreq2), "162");
    if (GetParam().stops) {
        EXPECT_FALSE(form.timerEnabled(tmrScan));
        EXPECT_TRUE(playing().empty());
        EXPECT_EQ(lamps({lampSound, lampRow3, lampRow2}), (Colours{kBlue, kRed, kRed}));
        // It was retuned to the limit before it stopped.
        const auto buffers = sound.liveBuffers();
        ASSERT_GE(buffers.size(), 2u);
        EXPECT_NEAR(buffers[1].frequency / buffers[1].frames, 162, 1e-9);
        runFor(kHour);
        EXPECT_EQ(text(txtsetfreq2), "162");
    } else {
        EXPECT_TRUE(form.timerEnabled(tmrScan));
        expectPair("160", "162");
        runFor(3 * 4 * kSecond);
        EXPECT_EQ(text(txtsetfreq2), "160");
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, ScannerLimitTest,
                         ::testing::Values(LimitCase{"162", true}, LimitCase{"162.0", false},
                                           LimitCase{" 162", false}));

TEST_F(ScannerTest, UpperLimitAndEnterTakeWhateverTheBoxesHold)
{
    click(mnuScan4Sec);
    click(cmdScanUp);
    EXPECT_EQ(form.caption(lblRow1), "SUP");
    click(cmdUpperLimit);
    EXPECT_EQ(form.caption(fraStimColour), "Upper Limit");
    EXPECT_EQ(text(txtStimColour), "");
    type(txtStimColour, "167");
    click(cmdEnterLimits); // txtBackColour still shows the back colour: a lower limit that never matches
    click(cmdScanOn);
    runFor(kHour);
    EXPECT_EQ(text(txtsetfreq2), "167");
    EXPECT_EQ(app.state.scan.lowerLimitText, std::optional<std::string>(app.state.strobe.activeBackColour.text()));
    EXPECT_FALSE(form.timerEnabled(tmrScan));
}

TEST_F(ScannerTest, SixtyMinutesStepsOncePerHourOnTheGrid)
{
    click(mnuScan4Sec);
    click(mnuScan60Min);
    click(cmdScanOn);
    EXPECT_EQ(form.timerInterval(tmrScan), 3600000);
    runFor(kHour - 1);
    EXPECT_EQ(text(txtsetfreq2), "165");
    // A busy window looks late; the next step still comes on the hour.
    now = kHour + 59 * kSecond;
    scheduler.advance();
    EXPECT_EQ(text(txtsetfreq2), "166");
    EXPECT_EQ(scheduler.nextDue(), 2 * kHour);
    runFor(kHour - 59 * kSecond - 1);
    EXPECT_EQ(text(txtsetfreq2), "166");
    runFor(1);
    EXPECT_EQ(text(txtsetfreq2), "167");
}

TEST_F(ScannerTest, AStepRetunesOnceAndCountsEveryWholeHertzOfBeatWhileTheStrobeIsOff)
{
    setPair("160", "184");
    startScan("1000");
    sound.clearCalls();
    runFor(kSecond);
    EXPECT_EQ(text(txtsetfreq2), "185");
    EXPECT_EQ(std::pair(callsStarting("createBuffer freq1.wav"), callsStarting("createBuffer freq2.wav")),
              std::pair(1L, 1L));
    EXPECT_EQ(app.state.scan.loopNumber, 20);
    EXPECT_EQ(text(txtBaseFreq), "20"); // the number before the last pass
    EXPECT_EQ(app.state.shared.scanLoopCounter, 26);
}

// Passes after the first would retune to the same pair again: a step at the
// widest beat does the work of one at 10 Hz, and counts its passes all the same.
TEST_F(ScannerTest, AStepAtTheWidestBeatRetunesNoMoreThanOneAt10Hz)
{
    customScanTime("1000");
    click(cmdScanUp);
    auto retunesOfAStepTo = [&](const std::string& left, const std::string& right) {
        click(cmdScanOff);
        setPair(left, right);
        click(cmdScanOn);
        sound.clearCalls();
        runFor(kSecond);
        const int beat = std::stoi(right) + 1 - std::stoi(left);
        EXPECT_EQ(text(txtBeat), std::to_string(beat));
        EXPECT_EQ(app.state.scan.loopNumber, std::min(beat, 20));
        EXPECT_EQ(text(txtBaseFreq), std::to_string(std::min(beat - 1, 20)));
        EXPECT_EQ(app.state.shared.scanLoopCounter, beat + 1);
        expectPair(left, std::to_string(beat + std::stoi(left)));
        return std::pair(callsStarting("createBuffer freq1.wav"), callsStarting("createBuffer freq2.wav"));
    };
    const auto at10Hz = retunesOfAStepTo("160", "169");
    EXPECT_EQ(retunesOfAStepTo("10", "15599"), at10Hz);
    EXPECT_GE(at10Hz.first, 1);
}

// The strobe's start counts scanLoopCounter past the beat. It also takes over
// the scan time (one variable, two roles), so it is switched on once the scan runs.
TEST_F(ScannerTest, WhileTheStrobeRunsAStepMakesOnePass)
{
    setPair("160", "184");
    startScan("1000");
    click(cmdColourOn);
    sound.clearCalls();
    runFor(kSecond);
    EXPECT_EQ(callsStarting("createBuffer freq1.wav"), 1);
    EXPECT_EQ(app.state.scan.loopNumber, 1);
}

struct ScanTimeCase {
    const char* name;
    std::optional<std::string> typed; // nothing: start-up's scan time, no menu choice
    bool scans;
};
void PrintTo(const ScanTimeCase& c, std::ostream* os) { *os << c.name; }

class ScanTimeTest : public ScannerTest, public ::testing::WithParamInterface<ScanTimeCase> {};

TEST_P(ScanTimeTest, OnlyATimeAbove200MillisecondsStartsTheScan)
{
    const ScanTimeCase& c = GetParam();
    if (std::string(c.name) != "startup") {
        customScanTime(c.typed);
        EXPECT_EQ(form.caption(fraStimColour), "Enter Scan M.S.");
        EXPECT_EQ(text(txtStimColour), c.typed.value_or(""));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "Enter Scan in Millideconds (60000=1Min) : ");
        EXPECT_EQ(dialogs.shown[0].title, "Scanner Time Per Freq");
        dialogs.shown.clear();
    }
    click(cmdScanUp);
    click(cmdScanOn);
    EXPECT_EQ(texts({txtBaseFreq, txtBeat}), (Texts{"160", "5"}));
    if (c.scans) {
        EXPECT_TRUE(dialogs.shown.empty());
        runFor(5 * kSecond);
        EXPECT_EQ(text(txtsetfreq2), "166");
        return;
    }
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kScanTimeMessage);
    EXPECT_EQ(dialogs.shown[0].title, "Freq Scanner");
    EXPECT_FALSE(form.timerEnabled(tmrScan));
    EXPECT_TRUE(playing().empty());
    runFor(kHour);
    EXPECT_EQ(text(txtsetfreq2), "165");
}

INSTANTIATE_TEST_SUITE_P(
    Times, ScanTimeTest,
    ::testing::Values(ScanTimeCase{"startup", std::nullopt, false}, ScanTimeCase{"hundred", "100", false},
                      ScanTimeCase{"exactly200", "200", false}, ScanTimeCase{"words", "five seconds", false},
                      ScanTimeCase{"cancelled", std::nullopt, false}, ScanTimeCase{"huge", "1e300", false},
                      ScanTimeCase{"fiveSeconds", "5000", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScannerTest, ScanOffHandsTheDisplaysBack)
{
    click(mnuScan4Sec);
    click(cmdScanUp);
    click(cmdUpperLimit);
    click(cmdScanOn);
    runFor(4 * kSecond);
    click(cmdScanOff);
    EXPECT_EQ(captions({lblRow1, lblRow2, lblRow3, lblRow4}), (Texts{"CL1", "CL2", "CL3", "CL4"}));
    EXPECT_EQ(lamps({lampRow1, lampRow2, lampRow3, lampRow4}), Colours(4, kBlue));
    expectColourDisplaysBack();
    EXPECT_FALSE(form.timerEnabled(tmrScan));
    EXPECT_TRUE(playing().empty());
    // The next ScanOn starts from the boxes again.
    click(cmdScanOn);
    expectPair("160", "166");
    runFor(4 * kSecond);
    EXPECT_EQ(text(txtsetfreq2), "167");
}

// Past 15600 Hz every step shows the range message; the user takes ten seconds
// to close each one, and never sees a second box behind the first.
TEST_F(ScannerTest, RangeFaultShowsOneBoxAtATime)
{
    setPair("15597", "15599");
    startScan("4000");
    int open = 0, mostOpen = 0;
    dialogs.whileShown = [&] {
        mostOpen = std::max(mostOpen, ++open);
        now += 10 * kSecond;
        scheduler.advance(); // the dialog's own event loop keeps the clock running
        --open;
    };
    runFor(60 * kSecond);
    EXPECT_EQ(mostOpen, 1);
    const auto boxes = dialogs.messages();
    // 15600 at 4 s; then a box at 8 s, and after each is closed the next step at once.
    EXPECT_GE(boxes.size(), 5u);
    EXPECT_LE(boxes.size(), 7u);
    for (const auto& b : boxes)
        EXPECT_EQ(b, kRangeMessage);
    EXPECT_TRUE(playing().empty());
    EXPECT_TRUE(form.timerEnabled(tmrScan));
    dialogs.whileShown = nullptr;
    click(cmdScanOff);
    const auto shown = boxes.size();
    runFor(kHour);
    EXPECT_EQ(dialogs.messages().size(), shown);
}

// An hour of one-second steps, each rewriting both tone files and restarting
// the tones, leaves memory and open files where they were.
TEST_F(ScannerTest, AnHourOfOneSecondStepsLeaksNothing)
{
    startScan("1000", "");
    runFor(60 * kSecond); // let caches and the allocator settle
    sound.clearCalls();
    const long files = openFiles();
    const long memory = residentKb();
    for (int minute = 1; minute < 60; ++minute) {
        runFor(60 * kSecond);
        sound.clearCalls(); // the test double's own log is not the program's memory
    }
    EXPECT_EQ(openFiles(), files);
    if (kResidentMemoryIsMeaningful) {
        EXPECT_LT(residentKb() - memory, 256) << "grew by " << residentKb() - memory << " kB";
    }
    expectPair("160", "161"); // no direction: start-up's pending 161, again and again
    EXPECT_EQ(app.state.scan.loopNumber, 1);
}

} // namespace
} // namespace aurelith::test
