// SPDX-License-Identifier: GPL-3.0-or-later
// "Sleep Timer..." on the virtual clock, heard through the offline mixer.
#include "support/ManualClock.h"
#include "support/AudioAnalysis.h"
#include "tools/SleepTimer.h"
#include "ui/TimerScheduler.h"

#include <cmath>
#include <string>

using namespace aurelith;
using namespace aurelith::test;
using namespace aurelith::ctl;

namespace {

class SleepTimerTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,0,0,200");
        click(cmdGenerate); // "Start"
        ASSERT_FALSE(playing().empty());
    }
    void ask(const std::string& minutes)
    {
        dialogs.answerInput(minutes);
        click(optSleep);
    }
    // Runs the timers up to `ms` from now; hears what plays meanwhile, when asked.
    void runFor(std::int64_t ms, std::vector<float>* heard = nullptr)
    {
        ManualClock::runFor(ms, [&](std::int64_t until) {
            if (heard && until > now) {
                const auto block = sound.render(static_cast<double>(until - now) / 1000);
                heard->insert(heard->end(), block.begin(), block.end());
            }
        });
    }
    const std::string& left() const { return form.caption(tmrSleep); }
};

TEST_F(SleepTimerTest, CountsDownInWholeMinutesThenFadesToSilenceAndStops)
{
    ask("2");
    EXPECT_NE(left().find('2'), std::string::npos);
    runFor(60000);
    EXPECT_NE(left().find('1'), std::string::npos);
    EXPECT_FALSE(playing().empty());

    std::vector<float> heard;
    runFor(60000 + kSleepFadeMs + 1000, &heard);
    const auto mono = channel(heard, 0);
    const std::size_t second = RecordingSoundSystem::kRate;
    // The last second before the fade, then each second of the fade, falling.
    const std::size_t fadeStart = mono.size() - (kSleepFadeMs / 1000 + 1) * second;
    double previous = rmsDb({mono.begin() + fadeStart - second, mono.begin() + fadeStart});
    const double before = previous;
    for (int s = 0; s < kSleepFadeMs / 1000; ++s) {
        const auto from = mono.begin() + fadeStart + s * second;
        const double level = rmsDb({from, from + second});
        EXPECT_LE(level, previous + 0.01) << "second " << s;
        previous = level;
    }
    EXPECT_LT(previous, before - 20);
    // Then "Stop" applies: nothing plays, the lamp is out, the timer is gone.
    EXPECT_TRUE(playing().empty());
    EXPECT_EQ(lamp(lampSound), *app.state.strobe.lampOffColour.colour());
    EXPECT_FALSE(form.timerEnabled(tmrSleep));
    EXPECT_TRUE(left().empty());
    const auto after = sound.render(0.5);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float x) { return x == 0; }));
}

// A scanner step rebuilds the tones in the middle of the fade; the new buffers
// must start where the fade has got to, not at the bars' level.
TEST_F(SleepTimerTest, AScanStepDuringTheFadeNeverPlaysLouder)
{
    // The fixed tone alone in one ear (as far as the separation bar goes), so
    // that ear's level has no beat in it.
    ASSERT_TRUE(form.setValue(scrBalance, form.control(scrBalance).max));
    setPair("160", "165");
    startScan("201"); // the shortest scan time the scanner takes
    ASSERT_TRUE(form.timerEnabled(tmrScan));
    ask("1");
    runFor(60000 - 1000);

    // The first moments heard take up every step the mixer was not asked to render.
    std::vector<float> heard;
    runFor(500, &heard);
    heard.clear();
    runFor(500 + kSleepFadeMs - 500, &heard);
    const auto fixedEar = channel(heard, 1);
    // 50 ms holds whole cycles of 160 Hz; the fade takes 0.07 dB a step at first.
    const std::size_t window = RecordingSoundSystem::kRate / 20;
    double previous = rmsDb({fixedEar.begin(), fixedEar.begin() + window});
    const double first = previous;
    for (std::size_t at = window; at + window <= fixedEar.size(); at += window) {
        const double level = rmsDb({fixedEar.begin() + at, fixedEar.begin() + at + window});
        ASSERT_LE(level, previous + 0.05) << "at " << at * 1000 / RecordingSoundSystem::kRate << " ms";
        previous = level;
    }
    EXPECT_LT(previous, first - 20);
}

// When the fade ends, the scan ends too: nothing sounds for the rest of the
// night, however many steps would have come.
TEST_F(SleepTimerTest, AScanEndsWithTheFadeAndSilenceFollows)
{
    setPair("160", "165");
    startScan("201");
    ask("1");
    runFor(60000 + kSleepFadeMs);
    std::vector<float> heard;
    runFor(2 * 60000, &heard);
    float loudest = 0;
    for (const float sample : heard)
        loudest = std::max(loudest, std::abs(sample));
    EXPECT_LT(loudest, 1e-4f) << "sound after the sleep timer ended";
    EXPECT_FALSE(form.timerEnabled(tmrScan));
    EXPECT_EQ(lamp(lampSound), *app.state.strobe.lampOffColour.colour());
}

TEST_F(SleepTimerTest, ANewTimerReplacesTheOldAndStopOrZeroCancels)
{
    ask("10");
    ask("1");
    EXPECT_NE(left().find('1'), std::string::npos);
    runFor(60000 + kSleepFadeMs);
    EXPECT_TRUE(playing().empty());

    click(cmdGenerate);
    ask("5");
    click(cmdStop);
    EXPECT_FALSE(form.timerEnabled(tmrSleep));
    EXPECT_TRUE(left().empty());

    click(cmdGenerate);
    ask("5");
    ask("0");
    EXPECT_TRUE(left().empty());
    for (const char* wrong : {"721", "-1", "soon"}) {
        ask("3");
        ask(wrong);
        EXPECT_NE(left().find('3'), std::string::npos) << wrong;
    }
    EXPECT_EQ(dialogs.messages().size(), 3u);
    runFor(10 * 60000);
    EXPECT_TRUE(playing().empty());
    EXPECT_TRUE(dialogs.messages().size() == 3u);
}

} // namespace
