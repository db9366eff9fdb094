#include "support/ManualClock.h"

#include "photic/FlashHazards.h"
#include "photic/GentleLight.h"
#include "photic/PhoticWrites.h"
#include "photic/Strobe.h"
#include "tools/HelpTexts.h"
#include "ui/TimerScheduler.h"

#include <set>

namespace aurelith::test {
namespace {

using namespace ctl;

// Answers worked out apart from the program, from WCAG's definitions: relative
// luminance of red 0.2126, blue 0.0722, yellow 0.9278, cyan 0.7874,
// yellow-green (128,255,0) 0.7611, (200,30,20) 0.1326, (128,0,0) 0.0459;
// contrast (L1 + 0.05) / (L2 + 0.05).
struct Row {
    Colour stim, back;
    double rate;
    bool red, redBlue;
    double contrast;
    bool brightness, band;
};
TEST(FlashHazards, ClassifiesPairsAndRatesByTheDefinitions)
{
    const Row rows[] = {
        {16777215, 0, 6, false, false, 21, true, false},         // set 1: white, black
        {255, 16711680, 16, true, true, 2.149, true, true},      // set 2: red, blue, in the band
        {16711680, 255, 14, true, true, 2.149, true, false},     // either way round; 14 is below it
        {255, 65535, 25, true, false, 3.724, true, true},        // sets 6 and 14: red, yellow; the band's top
        {16776960, 65408, 15, false, false, 1.032, false, true}, // set 4: too alike to count as a flash
        {16777215, 0, 2.9, false, false, 21, false, false},      // under 3 a second
        {16777215, 0, 25.5, false, false, 21, true, false},      // over the band
        {1318600, 0, 6, true, false, 3.652, true, false},        // (200,30,20): red is exactly 80 %
        {1318856, 0, 6, false, false, 3.662, true, false},       // (200,31,20): just under
        {128, 16711680, 6, true, true, 1.274, false, false},     // dark red and blue: ratio 1
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.stim) + "/" + std::to_string(r.back) + " at " + std::to_string(r.rate));
        const FlashAssessment a = assessFlash(r.stim, r.back, r.rate);
        EXPECT_EQ(std::tuple(a.saturatedRed, a.redBlue, a.brightnessFlash, a.provocativeRate),
                  std::tuple(r.red, r.redBlue, r.brightness, r.band));
        EXPECT_NEAR(a.contrast, r.contrast, 0.002);
    }
    // The sixteen first-run sets, as a first run writes them.
    const Colour sets[16][2] = {{16777215, 0},        {255, 16711680},  {65280, 32768},    {16776960, 65408},
                                {16777215, 16711680}, {255, 65535},     {32896, 16711680}, {16776960, 16711680},
                                {4227327, 8421376},   {4194432, 32896}, {8454143, 32768},  {16776960, 65408},
                                {65535, 16711935},    {255, 65535},     {32896, 16711680}, {65408, 16711680}};
    std::set<int> red, redBlue, strongest;
    double highest = 0;
    for (int set = 1; set <= 16; ++set) {
        const FlashAssessment a = assessFlash(sets[set - 1][0], sets[set - 1][1], 6);
        if (a.saturatedRed)
            red.insert(set);
        if (a.redBlue)
            redBlue.insert(set);
        if (a.contrast > highest + 1e-9)
            strongest = {set};
        highest = std::max(highest, a.contrast);
    }
    EXPECT_EQ(redBlue, std::set<int>{2});
    EXPECT_EQ(red, (std::set<int>{2, 6, 14}));
    EXPECT_EQ(strongest, std::set<int>{1});
    // The Disclaimer names them.
    const std::string disclaimer = helpTexts(Program().app)[2].text;
    EXPECT_NE(disclaimer.find("saturated blue, the pattern most likely to trigger seizures: set 2."),
              std::string::npos);
    EXPECT_NE(disclaimer.find("Saturated red, a hazard on its own: sets 2, 6 and 14."), std::string::npos);
    EXPECT_NE(disclaimer.find("is set 1)"), std::string::npos);
}

// A returning user (the strobe's warning answered) with the timers on a manual clock.
class HazardNoticeTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        putFile(dataFile::kFlashAnswer, "1\r\n");
        ASSERT_TRUE(start());
        setPair("159", "165");
    }
    size_t noticesNaming(const std::string& words) const
    {
        size_t n = 0;
        for (const std::string& text : dialogs.notices())
            n += text.find(words) != std::string::npos;
        return n;
    }
    void expectStillFlashing()
    {
        EXPECT_TRUE(strobeRunning(app));
        EXPECT_TRUE(form.timerEnabled(tmrStim) && form.timerEnabled(tmrBack));
        EXPECT_TRUE(dialogs.shown.empty()); // no box: nothing was held up
        int painted = 0;
        onFlashPaint([&painted](auto) { ++painted; });
        runFor(500);
        EXPECT_GE(painted, 4);
    }
};

TEST_F(HazardNoticeTest, SetTwoWhileFlashingIsNamedOncePerRunAndFlashingGoesOn)
{
    const std::string redBlue = "alternates saturated red and blue";
    click(cmdNextColourSet); // set 2 while the strobe is off: nothing is about to flash
    EXPECT_TRUE(dialogs.notices().empty());
    click(cmdColourOn);
    EXPECT_EQ(noticesNaming(redBlue), 1u);
    EXPECT_EQ(noticesNaming("saturated red: a change"), 0u); // red and blue says it
    click(cmdNextColourSet, 16);                             // round all sixteen sets, past 6 and 14, to set 2 again
    EXPECT_EQ(text(txtColourSet), "2");
    EXPECT_EQ(noticesNaming(redBlue), 1u);
    EXPECT_EQ(noticesNaming("contrast"), 1u); // set 1's white and black, once
    expectStillFlashing();
}

TEST_F(HazardNoticeTest, ARateInTheBandIsNamedAsTheStrobeShowsIt)
{
    click(cmdColourOn);
    setPair("160", "174"); // 14 flashes a second
    click(cmdColourOn);
    EXPECT_EQ(noticesNaming("15 to 25 flashes"), 0u);
    setPair("160", "178");
    click(cmdColourOn);
    EXPECT_EQ(noticesNaming("The light flashes 18 times a second: 15 to 25 flashes"), 1u);
    expectStillFlashing();
}

TEST_F(HazardNoticeTest, RatioModeCountsTheFlashesTheStrobeShows)
{
    // Ratio 5 flashes twice per beat: a 10 Hz beat shows 20 flashes a second.
    PhoticWrites::strobe(app).ratioMode = true;
    PhoticWrites::strobe(app).lightSoundRatio = 5;
    setPair("160", "170");
    click(cmdColourOn);
    EXPECT_EQ(noticesNaming("The light flashes 20 times a second"), 1u);
}

TEST_F(HazardNoticeTest, TheFirstStartWarningComesFirstAndCancelTellsNothing)
{
    fs::remove(folder.path / dataFile::kFlashAnswer);
    click(cmdColourOn); // unanswered: Cancel
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.notices().empty());
    dialogs.answerConfirm(true);
    click(cmdColourOn);
    EXPECT_EQ(dialogs.notices().size(), 1u);
}

TEST(GentleLight, RaisedCosineInLinearLightPeaksOnTheStimulationColour)
{
    const Colour white = 16777215, red = 255, blue = 16711680;
    EXPECT_EQ(gentleColourAt(white, 0, 0), white);
    EXPECT_EQ(gentleColourAt(white, 0, 0.5), 0u);
    EXPECT_EQ(gentleColourAt(white, 0, 1), white);
    // Half the light: sRGB 187.5 rounds to 188 in each channel.
    EXPECT_EQ(gentleColourAt(white, 0, 0.25), 0xBCBCBCu);
    EXPECT_EQ(gentleColourAt(white, 0, 0.75), 0xBCBCBCu);
    // A third of the way: red has a quarter of its light (137), blue three quarters (225).
    EXPECT_EQ(gentleColourAt(red, blue, 1.0 / 3), (225u << 16) | 137u);
    // A 10 Hz beat on a 60 Hz screen: six frames a cycle, at least four levels.
    std::set<Colour> levels;
    for (int frame = 0; frame < 6; ++frame)
        levels.insert(gentleColourAt(red, blue, frame / 6.0 + 0.01));
    EXPECT_GE(levels.size(), 4u);
}

TEST_F(HazardNoticeTest, GentleLightIsAnOptionKeptInItsOwnFileAndPaintsOnlyWhileFlashing)
{
    EXPECT_FALSE(exists(dataFile::kGentleLight)); // a first run writes nothing for it
    EXPECT_EQ(lightMode(app), "square");
    EXPECT_FALSE(paintGentleFrame(app, 0.25));
    click(optGentle);
    EXPECT_EQ(form.caption(optGentle), "&Gentle Light (On)");
    EXPECT_EQ(lightMode(app), "gentle");
    EXPECT_FALSE(paintGentleFrame(app, 0.25)); // the strobe is off
    click(cmdColourOn);
    // tmrStim's ticks are the in-phase moments: there the gentle light is the stimulation colour.
    const double firstTick = form.control(tmrStim).firstTick;
    ASSERT_TRUE(scheduler.cyclePhase(tmrStim, firstTick));
    EXPECT_NEAR(*scheduler.cyclePhase(tmrStim, firstTick), 0, 1e-9);
    const double halfway = firstTick + form.control(tmrStim).period / 2;
    EXPECT_NEAR(*scheduler.cyclePhase(tmrStim, halfway), 0.5, 1e-9);
    EXPECT_TRUE(paintGentleFrame(app, 0.25));
    EXPECT_EQ(form.backColour(txtFlashSurface), 0xBCBCBCu);
    click(cmdColourOff);
    EXPECT_FALSE(paintGentleFrame(app, 0.25));

    Program next(folder.path);
    ASSERT_TRUE(startUp(next.app));
    EXPECT_TRUE(gentleLightOn(next.app));
    EXPECT_EQ(next.form.caption(optGentle), "&Gentle Light (On)");
    for (const char* stored : {"0\r\n", "x\r\n", ""}) {
        putFile(dataFile::kGentleLight, stored);
        restoreGentleLight(next.app);
        EXPECT_FALSE(gentleLightOn(next.app)) << stored;
        EXPECT_EQ(next.form.caption(optGentle), "&Gentle Light");
    }
}

} // namespace
} // namespace aurelith::test
