// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ControlNames.h"
#include "ui/Form.h"
#include "ui/TimerScheduler.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace aurelith {
namespace {

using namespace ctl;

TEST(FormEvents, AssignedTextRaisesChangeBeforeReturning)
{
    Form form;
    std::vector<std::string> log;
    form.onChange(txtSetFreq1, [&] {
        log.push_back("change1 " + form.text(txtSetFreq1));
        form.setText(txtsetfreq2, "x" + form.text(txtSetFreq1));
    });
    form.onChange(txtsetfreq2, [&] { log.push_back("change2 " + form.text(txtsetfreq2)); });
    form.setText(txtSetFreq1, "200");
    log.push_back("after");
    EXPECT_EQ(log, (std::vector<std::string>{"change1 200", "change2 x200", "after"}));
    form.setText(txtSetFreq1, "200"); // unchanged: nothing
    EXPECT_EQ(log.size(), 3u);
}

// A second handler on one event is a wiring fault: it would drop the first silently.
TEST(FormEvents, ASecondHandlerIsRefusedUnlessItReplaces)
{
    Form form;
    int first = 0, second = 0;
    form.onClick(cmdStop, [&] { ++first; });
    EXPECT_THROW(form.onClick(cmdStop, [&] { ++second; }), std::logic_error);
    form.click(cmdStop);
    form.onClick(
        cmdStop, [&] { ++second; }, Form::Bind::replace);
    form.click(cmdStop);
    EXPECT_EQ(std::pair(first, second), std::pair(1, 1));
}

TEST(FormEvents, ScrollBarRefusesOutOfRangeAndIgnoresUnchanged)
{
    Form form;
    int changes = 0;
    form.onChange(scrToneVol, [&] { ++changes; });
    EXPECT_FALSE(form.setValue(scrToneVol, 3500));
    EXPECT_FALSE(form.setValue(scrToneVol, -5001));
    EXPECT_EQ(form.value(scrToneVol), -3000);
    EXPECT_TRUE(form.setValue(scrToneVol, -3000));
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(form.setValue(scrToneVol, -5000));
    EXPECT_EQ(changes, 1);
}

TEST(FormEvents, DragRaisesScrollThenOneChangeAtTheEnd)
{
    Form form;
    int scrolls = 0, changes = 0;
    form.onScroll(scrBalance, [&] { ++scrolls; });
    form.onChange(scrBalance, [&] { ++changes; });
    form.dragTo(scrBalance, 4000);
    form.dragTo(scrBalance, 3000);
    EXPECT_EQ(form.value(scrBalance), 3000);
    EXPECT_EQ(changes, 0);
    form.setValue(scrBalance, 3000); // the toolkit reports the final position
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(changes, 1);
    form.dragTo(scrBalance, 2000);
    form.dragTo(scrBalance, 3000);
    form.endDrag(scrBalance); // back where it started: no change
    EXPECT_EQ(changes, 1);
}

TEST(FormDesign, InitialState)
{
    Form form;
    EXPECT_EQ(std::pair(form.text(txtSetFreq1), form.text(txtsetfreq2)),
              std::pair(std::string("159"), std::string("165")));
    EXPECT_EQ(form.value(scrBaseFreq), 160);
    EXPECT_FALSE(form.timerEnabled(tmrStim));
    EXPECT_EQ(form.timerInterval(tmrStim), 100);
    EXPECT_TRUE(form.timerEnabled(tmrScan));
    EXPECT_EQ(form.timerInterval(tmrScan), 0);
    EXPECT_THROW(form.control("noSuchControl"), std::out_of_range);
}

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.onTimer(tmrStim, [&] { ticks.push_back(now); });
    }
    void runTo(std::int64_t t)
    {
        while (now < t) {
            now = std::min(t, now + step);
            scheduler.advance();
        }
    }

    Form form;
    std::int64_t now = 0;
    std::int64_t step = 1;
    TimerScheduler scheduler{form, [this] { return now; }};
    std::vector<std::int64_t> ticks;
};

TEST_F(SchedulerTest, TicksStayOnTheGridEvenWhenLate)
{
    form.setTimerInterval(tmrStim, 83);
    form.setTimerEnabled(tmrStim, true);
    step = 50; // a slow machine looks only every 50 ms
    runTo(1000);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.size(), 12u); // 1000 / 83
    EXPECT_EQ(scheduler.nextDue(), 13 * 83);
}

TEST_F(SchedulerTest, ZeroIntervalNeverFiresAndAnHourJumpIsNoBurst)
{
    form.setTimerEnabled(tmrStim, true);
    form.setTimerInterval(tmrStim, 0);
    runTo(500);
    EXPECT_TRUE(ticks.empty());
    EXPECT_FALSE(scheduler.nextDue()) << "nothing to wake the window for";
    form.setTimerInterval(tmrStim, 100);
    now = 3600000;
    scheduler.advance();
    EXPECT_EQ(ticks.size(), 1u);
    EXPECT_EQ(scheduler.nextDue(), 500 + 36000 * 100 - 400);
}

TEST_F(SchedulerTest, AnchoredTimersTakeTurnsOnAFractionalGrid)
{
    std::vector<std::int64_t> second;
    form.onTimer(tmrBack, [&] { second.push_back(now); });
    form.setTimerCycle(tmrStim, 33, 200.0 / 3, 100.0 / 3);
    form.setTimerCycle(tmrBack, 33, 200.0 / 3, 200.0 / 3, tmrStim);
    form.setTimerEnabled(tmrStim, true);
    now = 1; // the partner starts a moment later, still on its anchor's grid
    form.setTimerEnabled(tmrBack, true);
    runTo(1000);
    ASSERT_EQ(ticks.size(), 15u);
    ASSERT_EQ(second.size(), 15u);
    EXPECT_EQ((std::vector{ticks[0], ticks[1], ticks.back(), second.back()}),
              (std::vector<std::int64_t>{33, 100, 967, 1000}));
    // Restarting the anchor alone takes its partner along.
    now = 1010;
    form.setTimerEnabled(tmrStim, true);
    runTo(1080);
    EXPECT_EQ((std::vector{ticks.back(), second.back()}), (std::vector<std::int64_t>{1043, 1077}));
}

TEST_F(SchedulerTest, TickDueDuringADialogRunsOnceAfterIt)
{
    form.setTimerInterval(tmrStim, 100);
    form.setTimerEnabled(tmrStim, true);
    form.beginModal();
    runTo(1000);
    EXPECT_TRUE(ticks.empty());
    form.endModal();
    EXPECT_TRUE(ticks.empty()); // not inside the handler that showed the dialog
    EXPECT_EQ(scheduler.nextDue(), 1000);
    scheduler.advance();
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{1000}));
    runTo(1099);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(SchedulerTest, ADialogThatThrowsStillEndsItsModalScope)
{
    EXPECT_THROW(
        {
            const Form::ModalScope modal(form);
            throw std::runtime_error("the dialog failed");
        },
        std::runtime_error);
    EXPECT_FALSE(form.inModal());
}

} // namespace
} // namespace aurelith
