// SPDX-License-Identifier: GPL-3.0-or-later
// The warning before the strobe first flashes in a folder.
#include "support/ManualClock.h"

#include "photic/FlashWarning.h"
#include "photic/Strobe.h"
#include "ui/TimerScheduler.h"

namespace aurelith::test {
namespace {

using namespace ctl;

class FlashWarningTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        setPair("159", "165");
        onFlashPaint([this](auto) { ++paints; });
    }
    bool flashing() const { return form.timerEnabled(tmrStim) || form.timerEnabled(tmrBack); }
    std::vector<ScriptedDialogs::Shown> warnings() const
    {
        std::vector<ScriptedDialogs::Shown> found;
        for (const auto& s : dialogs.shown)
            if (s.kind == "confirm" && s.text.find("Esc") != std::string::npos)
                found.push_back(s);
        return found;
    }

    int paints = 0;
};

// "ColorOn", and "&Color ON" in both menus: Cancel (the default) leaves it off.
TEST_F(FlashWarningTest, EveryWayOnAsksFirstAndCancelLeavesTheStrobeOff)
{
    for (const auto on : {cmdColourOn, mnuColourOn, mnuOptionsColourOn}) {
        SCOPED_TRACE(on);
        dialogs.shown.clear();
        const int paintsBefore = paints;
        click(on);
        ASSERT_EQ(warnings().size(), 1u);
        // The real figure: what the Freq box shows for this beat.
        EXPECT_NE(warnings()[0].text.find(" " + text(txtFlashRate) + " times a second"), std::string::npos);
        EXPECT_FALSE(flashing());
        EXPECT_FALSE(strobeRunning(app));
        EXPECT_EQ(lamp(lampStrobe), *app.state.strobe.lampOffColour.colour());
        runFor(1000);
        EXPECT_EQ(paints, paintsBefore);
        EXPECT_FALSE(exists(dataFile::kFlashAnswer));
    }
}

TEST_F(FlashWarningTest, FlashIsRememberedInTheFolderAndARetuneNeverAsks)
{
    std::size_t boxesWhenLit = 0;
    form.addObserver([&](const Control& c, Property p) {
        if (c.name == lampStrobe && p == Property::BackColour &&
            lamp(lampStrobe) == *app.state.strobe.lampOnColour.colour())
            boxesWhenLit = dialogs.shown.size();
    });
    dialogs.answerConfirm(true);
    click(cmdColourOn);
    EXPECT_EQ(warnings().size(), 1u);
    EXPECT_EQ(boxesWhenLit, 1u) << "COL lit before the warning was answered";
    EXPECT_TRUE(flashing());
    EXPECT_EQ(lamp(lampStrobe), *app.state.strobe.lampOnColour.colour());
    // Stored as every one-number record is.
    EXPECT_EQ(file(dataFile::kFlashAnswer), file("fctl"));
    click(mnuLAlpha); // a band preset retunes the running strobe
    click(cmdColourOff);
    click(cmdColourOn);
    EXPECT_TRUE(flashing());
    EXPECT_EQ(warnings().size(), 1u);

    // The next start in the same folder does not ask again.
    Program next(folder.path);
    ASSERT_TRUE(startUp(next.app));
    next.form.click(cmdColourOn);
    EXPECT_TRUE(next.dialogs.shown.empty());
    EXPECT_TRUE(next.form.timerEnabled(tmrStim));
}

} // namespace
} // namespace aurelith::test
