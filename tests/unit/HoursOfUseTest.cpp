// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"
#include "support/ProcessUsage.h"

#include "scan/Scanner.h"
#include "tone/Playback.h"
#include "ui/TimerScheduler.h"

#include <cstdint>

namespace aurelith::test {
namespace {

using namespace ctl;

// A day of scanning at the shortest scan time with the strobe flashing, on a
// manual clock: twelve hours scanning up past the end of the tone range, then
// twelve scanning down to a stall (a quarter of the hours under
// AddressSanitizer). The window's event loop is the scheduler;
// the boxes the user closes are counted and forgotten as they come.
class HoursOfUseTest : public ClockedAppTest {
protected:
    void SetUp() override
    {
        startAsReturningUser("-3000,0,0,200");
        onFlashPaint([this](auto) { ++flashes; });
        dialogs.whileShown = [this] { mostOpen = std::max(mostOpen, ++open), --open; };
    }
    void runFor(std::int64_t ms)
    {
        for (const std::int64_t end = now + ms; now < end;) {
            ManualClock::runFor(std::min(end - now, kMinute));
            // The doubles' own logs are not the program's memory.
            rangeMessages += std::count_if(dialogs.shown.begin(), dialogs.shown.end(),
                                           [](const auto& s) { return s.text == kRangeMessage; });
            otherMessages += std::count_if(dialogs.shown.begin(), dialogs.shown.end(), [](const auto& s) {
                return s.kind == "message" && s.text != kRangeMessage;
            });
            dialogs.shown.clear();
            sound.clearCalls();
        }
    }
    void scan(const std::string& left, const std::string& right, std::string_view direction)
    {
        setPair(left, right);
        startScan("201", direction);
        ASSERT_TRUE(form.timerEnabled(tmrScan));
        ASSERT_EQ(form.timerInterval(tmrScan), 201);
        click(cmdColourOn);
    }

    long flashes = 0;
    long rangeMessages = 0;
    long otherMessages = 0;
    int open = 0;
    int mostOpen = 0;
};

TEST_F(HoursOfUseTest, ADayOfScanningAtTheShortestTimeWithTheStrobe)
{
    const std::int64_t halfDay = simulatedHours(12) * kHour;
    scan("160", "161", cmdScanUp);
    runFor(kMinute); // caches and the allocator settle
    const long files = openFiles();
    const long memory = residentKb();
    const auto expectNothingHeld = [&] {
        EXPECT_EQ(openFiles(), files);
        if (kResidentMemoryIsMeaningful) {
            EXPECT_LT(residentKb() - memory, 512) << "grew by " << residentKb() - memory << " kB";
        }
    };

    // Up one hertz every 201 ms: 15600 Hz is reached within the first hour.
    // Every later step says the frequency is out of range, one box at a time,
    // with the tones stopped; the scan runs on until it is switched off.
    runFor(kHour - kMinute);
    EXPECT_EQ(text(txtsetfreq2), "15601");
    EXPECT_TRUE(playing().empty());
    const long messagesInFirstHour = rangeMessages;
    EXPECT_GT(messagesInFirstHour, 0);
    runFor(halfDay - kHour);
    EXPECT_EQ(text(txtsetfreq2), "15601");
    EXPECT_TRUE(form.timerEnabled(tmrScan));
    // One box per step, every 201 ms.
    EXPECT_NEAR(rangeMessages - messagesInFirstHour, (halfDay - kHour) / 201, 2);
    EXPECT_EQ(otherMessages, 0);
    EXPECT_EQ(mostOpen, 1);
    expectNothingHeld();

    // Down from a 40 Hz beat: the strobe follows the beat down to 1 Hz, and the
    // scan stalls at a zero beat with the last tones playing and the light
    // flashing at that last 1 Hz, for the rest of the day.
    click(cmdScanOff);
    scan("160", "200", cmdScanDown);
    EXPECT_EQ(form.timerInterval(tmrStim), 12); // 40 Hz: 12.5 ms phases
    runFor(kMinute);
    EXPECT_EQ(text(txtsetfreq2), "160");
    EXPECT_EQ(app.state.shared.beatFreq, 0);
    expectPlaying(160, 161);
    const auto hz = tonePitches();
    EXPECT_EQ(form.timerInterval(tmrStim), 500);
    const long flashesBefore = flashes;
    runFor(halfDay - kMinute);
    EXPECT_TRUE(form.timerEnabled(tmrScan));
    EXPECT_TRUE(form.timerEnabled(tmrStim));
    EXPECT_EQ(text(txtsetfreq2), "160");
    EXPECT_EQ(tonePitches(), hz);
    // Two colour changes a second, on the beat, none lost or doubled.
    EXPECT_NEAR(flashes - flashesBefore, 2 * (halfDay - kMinute) / kSecond, 2);
    EXPECT_EQ(now, 2 * halfDay);
    EXPECT_EQ(otherMessages, 0);
    expectNothingHeld();
}

} // namespace
} // namespace aurelith::test
