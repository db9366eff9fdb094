#include "support/ManualClock.h"

#include "photic/FlashWarning.h"
#include "photic/PhoticWrites.h"
#include "photic/Strobe.h"
#include "photic/StrobePlan.h"
#include "tone/ChannelText.h"
#include "ui/TimerScheduler.h"

#include <array>
#include <cmath>

namespace aurelith::test {
namespace {

using namespace ctl;

// The program after a first run, with a manual clock driving its timers and every
// colour the flash surface is painted recorded with its time.
class PhoticTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        app.inhibitor = &inhibitor;
        putFile(dataFile::kFlashAnswer, "1\r\n"); // the warning is FlashWarningTest's
        ASSERT_TRUE(start());
        setPair("159", "165");
        onFlashPaint([this](auto colour) { paints.push_back({now, *colour}); });
    }
    Texts labels() const { return captions({lblRow1, lblRow2, lblRow3, lblRow4}); }
    Colours rowLamps() const { return lamps({lampRow1, lampRow2, lampRow3, lampRow4}); }
    void setIndex(Value index) { PhoticWrites::strobe(app).colourSetIndex = std::move(index); }

    struct Paint {
        std::int64_t at;
        Colour colour;
    };
    RecordingInhibitor inhibitor;
    std::vector<Paint> paints;
};

struct Timing {
    const char* left;
    const char* right;
    int ratioIndex; // -1: no ratio button used yet
    const char* flashes;
    const char* duration;
    int interval; // the timers' interval afterwards; -1: the design's, untouched
    bool enabled;
};
void PrintTo(const Timing& t, std::ostream* os)
{
    *os << t.left << "/" << t.right << (t.ratioIndex < 0 ? "" : " ratio ")
        << (t.ratioIndex < 0 ? "" : std::to_string(t.ratioIndex));
}

class StrobeTimingTest : public PhoticTest, public ::testing::WithParamInterface<Timing> {};

TEST_P(StrobeTimingTest, DisplaysAndTimers)
{
    const Timing& t = GetParam();
    setPair(t.left, t.right);
    if (t.ratioIndex >= 0) {
        PhoticWrites::strobe(app).ratioMode = true;
        PhoticWrites::strobe(app).lightSoundRatio = t.ratioIndex;
    }
    click(cmdColourOn);
    EXPECT_EQ(texts({txtFlashRate, txtDuration}), (Texts{t.flashes, t.duration}));
    EXPECT_EQ(form.timerInterval(tmrStim), t.interval < 0 ? 100 : t.interval);
    EXPECT_EQ(form.timerInterval(tmrBack), t.interval < 0 ? 0 : t.interval);
    EXPECT_EQ(form.timerEnabled(tmrStim), t.enabled);
    EXPECT_EQ(form.timerEnabled(tmrBack), t.enabled);
    EXPECT_EQ(inhibitor.screenHeld, t.enabled);
    EXPECT_EQ(texts({txtLightSound, txtColourSet}),
              (Texts{t.ratioIndex >= 0 ? std::to_string(t.ratioIndex) : "0", "1"}));
    // The plan a render's light track is made from agrees with the strobe that runs.
    const StrobePlan plan = strobePlan(app.state.strobe, beatOf(form));
    EXPECT_EQ(plan.flashes, t.enabled);
    if (plan.flashes) {
        EXPECT_EQ(plan.phaseMs, form.control(tmrStim).period / 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Beats, StrobeTimingTest,
                         ::testing::Values(Timing{"159", "165", -1, "6", "83", 83, true},
                                           Timing{"159", "165", 1, "6.66", "75", 75, true},
                                           Timing{"160", "170", 5, "20", "25", 25, true},
                                           Timing{"160", "200", -1, "40", "12", 12, true},
                                           Timing{"165", "159", -1, "-6", "-84", -1, false},
                                           Timing{"160", "160.5", -1, "0.5", "1000", 1000, false},
                                           Timing{"abc", "", -1, "0", "83", -1, false}));

TEST_F(PhoticTest, SlowBeatRetimesButStartsNothingAndTheLoopCounterEndsPastTheBeat)
{
    setPair("159", "165.5");
    click(mnuColourOn);
    EXPECT_EQ(app.state.shared.scanLoopCounter, 7);
    setPair("160", "160.5");
    ColorOn(app);
    EXPECT_EQ(app.state.shared.scanLoopCounter, 1);
    EXPECT_TRUE(form.timerEnabled(tmrStim)); // already running
    EXPECT_EQ(form.timerInterval(tmrStim), 1000);
    // A zero beat keeps the phase and the timers as they were.
    setPair("160", "160");
    ColorOn(app);
    EXPECT_EQ(texts({txtDuration, txtFlashRate}), (Texts{"1000", "0"}));
    EXPECT_EQ(form.timerInterval(tmrBack), 1000);
}

TEST_F(PhoticTest, ButtonsSetTheLampMenusLeaveIt)
{
    const Colour off = lamp(lampStrobe);
    click(mnuColourOn);
    EXPECT_TRUE(form.timerEnabled(tmrStim));
    EXPECT_EQ(lamp(lampStrobe), off);
    click(cmdColourOn);
    EXPECT_EQ(lamp(lampStrobe), kRed);
    click(mnuOptionsColourOff);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_EQ(app.state.strobe.strobeOn, StrobeRun::off);
    EXPECT_EQ(lamp(lampStrobe), kRed);
    EXPECT_FALSE(inhibitor.screenHeld);
    click(cmdColourOn);
    click(cmdColourOff);
    EXPECT_EQ(lamp(lampStrobe), off);
    EXPECT_FALSE(form.timerEnabled(tmrBack));
}

TEST_F(PhoticTest, StopHaltsTheFlashingAndTheNextBandButtonRestartsIt)
{
    click(cmdColourOn);
    runFor(500);
    click(cmdStop);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_FALSE(form.timerEnabled(tmrBack));
    EXPECT_FALSE(inhibitor.screenHeld);
    EXPECT_EQ(lamp(lampStrobe), kRed);
    EXPECT_TRUE(strobeRunning(app));
    const size_t before = paints.size();
    runFor(1000);
    EXPECT_EQ(paints.size(), before);

    click(cmdMAlpha); // a 10 Hz beat
    EXPECT_TRUE(form.timerEnabled(tmrStim));
    EXPECT_TRUE(inhibitor.screenHeld);
    EXPECT_EQ(text(txtDuration), "50");
    runFor(1000);
    EXPECT_EQ(paints.size(), before + 20);
}

// Stimulation first, then background, each for the unrounded phase (83.33 ms at
// 6 Hz), on a grid counted from the start: nothing drifts against the heard beat.
TEST_F(PhoticTest, SixtySecondsAtSixHertzAlternateOnTheGrid)
{
    setPair("159", "165");
    now = 12345;
    click(cmdColourOn);
    const std::int64_t start = now;
    runFor(60000);
    ASSERT_EQ(paints.size(), 720u);
    const double phase = 1000.0 / 6 / 2;
    for (size_t k = 0; k < paints.size(); ++k) {
        EXPECT_EQ(paints[k].colour, k % 2 == 0 ? 16777215u : 0u) << k;
        EXPECT_LE(std::abs(static_cast<double>(paints[k].at - start) - (k + 1) * phase), 1.0) << k;
    }
    EXPECT_EQ(paints.back().at - start, 60000);
}

TEST_F(PhoticTest, AStallPaintsOnlyThePhaseDueNowAndStaysOnTheGrid)
{
    setPair("160", "170"); // 50 ms phases
    click(cmdColourOn);
    runFor(120); // stimulation at 50, background at 100
    paints.clear();
    now += 1030; // the window was busy: stimulation is due since 1150
    scheduler.advance();
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].colour, 16777215u);
    runFor(100);
    ASSERT_EQ(paints.size(), 3u);
    EXPECT_EQ((std::vector{paints[1].at, paints[2].at}), (std::vector<std::int64_t>{1200, 1250}));
}

TEST_F(PhoticTest, ColourSetChangeShowsAtTheNextTickWithoutRestart)
{
    setPair("160", "170");
    click(cmdColourOn);
    runFor(100);
    click(cmdNextColourSet); // set 2: red on blue
    runFor(100);
    ASSERT_EQ(paints.size(), 4u);
    EXPECT_EQ((std::vector{paints[2].colour, paints[3].colour}), (Colours{kRed, kBlue}));
    EXPECT_EQ(paints[3].at, 200);
}

struct Selection {
    Value before;
    int after;
    Texts labels;
    int lit;
    const char* stim;
    const char* back;
};
void PrintTo(const Selection& s, std::ostream* os) { *os << "set " << s.before.text() << " -> " << s.after; }

class ColourSetSelectionTest : public PhoticTest, public ::testing::WithParamInterface<Selection> {};

TEST_P(ColourSetSelectionTest, NextSet)
{
    const Selection& s = GetParam();
    setIndex(s.before);
    click(cmdNextColourSet);
    EXPECT_EQ(app.state.strobe.colourSetIndex, Value(s.after));
    EXPECT_EQ(labels(), s.labels);
    EXPECT_EQ(rowLamps(), litAt(4, s.lit - 1));
    EXPECT_EQ(file("csets"), std::to_string(s.after) + "\r\n");
    EXPECT_EQ(texts({txtColourSet, txtStimColour, txtBackColour}), (Texts{std::to_string(s.after), s.stim, s.back}));
    EXPECT_EQ(app.state.strobe.activeStimColour.text(), s.stim);
}

using L = Texts;
INSTANTIATE_TEST_SUITE_P(Sets, ColourSetSelectionTest,
                         ::testing::Values(Selection{16, 1, L{"CL1", "CL2", "CL3", "CL4"}, 1, "16777215", "0"},
                                           Selection{4, 5, L{"CL5", "CL6", "CL7", "CL8"}, 1, "16777215", "16711680"},
                                           Selection{8, 9, L{"CL9", "C10", "C11", "C12"}, 1, "4227327", "8421376"},
                                           Selection{14, 15, L{"C13", "C14", "C15", "C16"}, 3, "32896", "16711680"},
                                           // Reset leaves 0; an edited file anything: both show set 1.
                                           Selection{0, 1, L{"CL1", "CL2", "CL3", "CL4"}, 1, "16777215", "0"},
                                           Selection{Value("x"), 1, L{"CL1", "CL2", "CL3", "CL4"}, 1, "16777215", "0"},
                                           Selection{7.5, 1, L{"CL1", "CL2", "CL3", "CL4"}, 1, "16777215", "0"}));

TEST_F(PhoticTest, AfterResetTheSecondPressStepsOnToSetTwo)
{
    click(cmdReset);
    EXPECT_EQ(app.state.strobe.colourSetIndex, Value(0));
    click(mnuNextColourSet, 2);
    EXPECT_EQ(app.state.strobe.colourSetIndex, Value(2));
    EXPECT_EQ(text(txtStimColour), "255");
}

TEST_F(PhoticTest, SelectionRereadsTheFilesAndAMissingFileKeepsTheEntry)
{
    putFile("stimc3", "123\r\n");
    fs::remove(folder.path / "backc3");
    setIndex(2);
    click(cmdNextColourSet);
    EXPECT_EQ(texts({txtStimColour, txtBackColour}), (Texts{"123", "32768"})); // the back: the first run's, still held
    // A set never loaded in this run: empty boxes, painted black.
    PhoticWrites::strobe(app).colourSets[9] = {};
    fs::remove(folder.path / "stimc10");
    fs::remove(folder.path / "backc10");
    setIndex(9);
    click(cmdNextColourSet);
    EXPECT_EQ(text(txtStimColour), "");
    click(cmdColourOn);
    runFor(100);
    ASSERT_FALSE(paints.empty());
    EXPECT_EQ(paints.back().colour, 0u);
}

TEST_F(PhoticTest, ColourBanksRouteTheEightButtonsAndTheirMenuTwins)
{
    click(cmdColourProgram, 3);
    EXPECT_EQ(captions({cmdStim1, cmdBack1, cmdStim2, cmdBack2, cmdStim3, cmdBack3, cmdStim4, cmdBack4}),
              (Texts{"Stim 13", "BGrd 13", "Stim 14", "BGrd 14", "Stim 15", "BGrd 15", "Stim 16", "BGrd 16"}));
    dialogs.answerColour(1234);
    click(cmdStim1);
    EXPECT_EQ(file("stimc13"), "1234\r\n");
    EXPECT_EQ(form.backColour(txtFlashSurface), 1234u); // a preview

    click(mnuColourProgram); // bank 4 wraps to 1, then on to 2
    click(cmdColourProgram);
    EXPECT_EQ(captions({cmdBack2, mnuBack2}), (Texts{"BGrd 6", "&BkGrd 2,6,10,14"}));
    const Value stimBefore = app.state.strobe.activeStimColour;
    dialogs.answerColour(4321);
    click(mnuBack2);
    EXPECT_EQ(file("backc6"), "4321\r\n");
    EXPECT_EQ(app.state.strobe.activeStimColour, stimBefore);
    EXPECT_EQ(app.state.strobe.colourSets[5].back, Value(65535)); // set 6 in memory: unchanged
    // The dialog opened on the colour picked before.
    EXPECT_EQ(dialogs.shown.back().text, "1234");
}

TEST_F(PhoticTest, CancellingTheColourDialogChangesNothing)
{
    const std::string stored = file("backc");
    dialogs.answerColour(777);
    click(cmdStim1);
    const auto surface = form.backColour(txtFlashSurface);
    dialogs.answerColour(std::nullopt);
    click(cmdBack1);
    dialogs.answerColour(std::nullopt);
    click(mnuLampOnColour);
    EXPECT_EQ(fileBytes({"backc", "oncol"}), (Texts{stored, "255\r\n"}));
    EXPECT_EQ(form.backColour(txtFlashSurface), surface);
    EXPECT_EQ((std::vector{app.state.strobe.lampOnColour, app.state.strobe.activeStimColour}),
              (std::vector<Value>{255, 16777215}));
    dialogs.answerColour(std::nullopt);
    click(cmdBack1);
    EXPECT_EQ(dialogs.shown.back().text, "777");
    EXPECT_FALSE(form.inModal());
}

TEST_F(PhoticTest, NoStrobeTickRunsWhileTheDialogIsOpen)
{
    setPair("160", "170");
    click(cmdColourOn);
    form.beginModal(); // a dialog open for 500 ms of the clock
    runFor(500);
    EXPECT_TRUE(paints.empty());
    form.endModal();
    EXPECT_TRUE(paints.empty()); // not inside the handler that opened the dialog
    scheduler.advance();
    ASSERT_EQ(paints.size(), 1u); // once, the phase due now: background since 500
    EXPECT_EQ(paints[0].colour, 0u);
}

TEST_F(PhoticTest, RefreshAndLampColours)
{
    setIndex(4);
    click(cmdNextColourSet); // set 5
    putFile("stimc", "111\r\n");
    click(mnuColourRefresh);
    EXPECT_EQ((std::vector{app.state.strobe.activeStimColour, app.state.strobe.activeBackColour}),
              (std::vector<Value>{111, 0}));
    EXPECT_EQ(texts({txtColourSet, txtStimColour}), (Texts{"5", "16777215"}));
    EXPECT_EQ(rowLamps(), litAt(4, 0));

    const Colour lampBefore = lamp(lampSound);
    dialogs.answerColour(65280);
    click(mnuLampOnColour);
    EXPECT_EQ((std::vector{app.state.strobe.lampOnColour, app.state.strobe.activeStimColour}),
              (std::vector<Value>{65280, 65280}));
    EXPECT_EQ(file("oncol"), "65280\r\n");
    EXPECT_EQ(lamp(lampSound), lampBefore); // shows the next time a lamp is set
    dialogs.answerColour(128);
    click(mnuLampOffColour);
    EXPECT_EQ(app.state.strobe.lampOffColour, Value(128));
    EXPECT_EQ(file("offcol"), "128\r\n");
    click(cmdNextColourSet); // the next selection takes the strobe colour back
    EXPECT_EQ(app.state.strobe.activeStimColour, Value(255));
}

TEST_F(PhoticTest, StartUpShowsTheStoredSetGroupButUsesSetOne)
{
    putFile("csets", "12\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(text(txtColourSet), "12");
    EXPECT_EQ(labels(), (L{"CL5", "CL6", "CL7", "CL8"}));
    EXPECT_EQ(rowLamps(), litAt(4, 0));
    EXPECT_EQ(app.state.strobe.activeStimColour, Value(16777215));
    putFile("csets", "7\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(rowLamps(), litAt(4, 2));
}

} // namespace
} // namespace aurelith::test
