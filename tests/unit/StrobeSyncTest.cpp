// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/PhoticWrites.h"
#include "support/ProcessUsage.h"
#include "support/ManualClock.h"
#include "support/FakeOutputClock.h"

#include "photic/FrameCadence.h"
#include "photic/GentleLight.h"
#include "photic/Strobe.h"
#include "ports/FrameClock.h"
#include "ports/HeardBeat.h"
#include "tone/Playback.h"
#include "ui/TimerScheduler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace aurelith::test {
namespace {

using namespace ctl;

// The recording sound system that also tells the beat of the playing pair as
// a device ppm off and 250 ms behind plays it: in phase at every multiple of
// the beat's period in the mixer's frames, heard on the device's clock.
class HeardSound : public RecordingSoundSystem, public HeardBeatSource {
public:
    std::optional<HeardBeat> heardBeat(const SoundBuffer&, const SoundBuffer&) override
    {
        const std::optional<double> period = periodFrames();
        // New tones answer only once they have sounded: not at the first ask.
        const bool fresh = quietWhenNew && period != lastPeriod_;
        lastPeriod_ = period;
        if (!tells || !period || fresh)
            return std::nullopt;
        const double nowNs = static_cast<double>(*nowMs) * 1e6;
        const double next = std::floor(frameHeardAt(nowNs) / *period + 1) * *period;
        return HeardBeat{(device.heardAtNs(next) - nowNs) / 1e6, *period / device.rate() * 1e3};
    }
    void notePaintedOnset(double offsetMs) override { noted.push_back(offsetMs); }
    HeardBeatSource* heardBeats() override { return this; }
    // A sequence's beat sliding linearly from fromHz at startMs to toHz over
    // spanMs, as heard: in phase wherever its cycles count a whole number.
    struct Slide {
        double startMs, spanMs, fromHz, toHz;
        double cycles(double ms) const // since startMs
        {
            const double t = (ms - startMs) / 1e3, span = spanMs / 1e3;
            return fromHz * t + (toHz - fromHz) * t * t / (2 * span);
        }
        double hz(double ms) const { return fromHz + (toHz - fromHz) * (ms - startMs) / spanMs; }
    };
    std::optional<Slide> slide;
    std::optional<HeardBeat> glideHeardBeat() override
    {
        if (!slide)
            return std::nullopt;
        const double now = static_cast<double>(*nowMs);
        const double target = std::floor(slide->cycles(now)) + 1;
        double at = now; // the next whole cycle, by Newton's steps from now
        for (int i = 0; i < 8; ++i)
            at += (target - slide->cycles(at)) / slide->hz(at) * 1e3;
        return HeardBeat{at - now, 1e3 / slide->hz(at)};
    }
    // How far a moment (ms) lies from the nearest in-phase moment as heard.
    double offBeatMs(double ms) const
    {
        const double period = *periodFrames();
        return std::remainder(frameHeardAt(ms * 1e6), period) / device.rate() * 1e3;
    }

    FakeOutputClock device{.startNs = 0};
    bool tells = true;
    bool quietWhenNew = false;
    std::vector<double> noted;           // the onsets' offsets the strobe reported
    const std::int64_t* nowMs = nullptr; // the window's clock

private:
    double frameHeardAt(double ns) const { return (ns - device.startNs) * 1e-9 * device.rate(); }
    std::optional<double> periodFrames() const
    {
        std::vector<double> hz;
        for (const auto& b : liveBuffers())
            if (b.playing && b.path.find("freq") != std::string::npos)
                hz.push_back(b.frequency / static_cast<double>(b.frames));
        if (hz.size() != 2 || hz[0] == hz[1])
            return std::nullopt;
        return device.nominalRate / std::abs(hz[0] - hz[1]);
    }
    std::optional<double> lastPeriod_;
};

// The program on a manual clock with that sound system; every colour the
// flash surface takes is noted with its time.
class StrobeSyncTest : public ::testing::Test, protected BasicProgram<HeardSound> {
protected:
    StrobeSyncTest()
    {
        sound.nowMs = &clock.now;
        useSavedSettings("-3000,5000,0,200");
        EXPECT_TRUE(startUp(app));
        PhoticWrites::strobe(app).activeStimColour = Value(kStim);
        PhoticWrites::strobe(app).activeBackColour = Value(0);
        onFlashPaint([this](auto colour) {
            paints.push_back({clock.now, colour == kStim, form.control(tmrStim).period / 2});
        });
    }
    void play(const std::string& left, const std::string& right)
    {
        form.setText(txtSetFreq1, left);
        form.setText(txtsetfreq2, right);
        form.click(cmdGenerate);
    }
    struct Paint {
        std::int64_t ms;
        bool stim;
        double phaseMs; // the phase in force when painted
    };
    // The stimulation onsets: changes of colour to the stimulation colour.
    std::vector<Paint> onsets() const
    {
        std::vector<Paint> result;
        for (std::size_t i = 0; i < paints.size(); ++i)
            if (paints[i].stim && (i == 0 || !paints[i - 1].stim))
                result.push_back(paints[i]);
        return result;
    }
    // The worst distance of an onset from the beat, and how far the onsets
    // slid against it from the first to the last (unwrapped), in ms.
    std::pair<double, double> offBeat() const
    {
        double worst = 0, slid = 0, previous = 0;
        bool any = false;
        for (const Paint& onset : onsets()) {
            const double off = sound.offBeatMs(static_cast<double>(onset.ms));
            slid += any ? std::remainder(off - previous, 100.0) : 0;
            previous = off;
            any = true;
            worst = std::max(worst, std::abs(off));
        }
        return {worst, slid};
    }

    static constexpr double kStim = 255;
    ManualClock clock{form};
    std::vector<Paint> paints;
};

// A 10 Hz beat for an hour on a device 200 ppm fast or slow, 250 ms behind:
// every flash starts on the beat as heard, where the timers alone slide by
// the whole drift.
TEST_F(StrobeSyncTest, AnHourOnTheBeatThroughDriftAndLatency)
{
    for (const double ppm : {200.0, -200.0}) {
        for (const bool tells : {true, false}) {
            sound.device.ppm = ppm;
            sound.tells = tells;
            paints.clear();
            clock.now += 37; // a press anywhere in the beat
            play("135", "145");
            form.click(cmdColourOn);
            clock.runFor(kHour);
            // On the beat, the light follows the device's clock: 7 flashes an hour more or fewer.
            ASSERT_NEAR(static_cast<double>(onsets().size()), 36000 * (tells ? 1 + ppm * 1e-6 : 1), 2);
            const auto [worst, slid] = offBeat();
            if (tells) {
                EXPECT_LT(worst, 5.0) << ppm << " ppm: worst onset " << worst << " ms off the beat";
                std::cout << "[ figure ] on the heard beat, " << ppm << " ppm: worst onset " << worst << " ms off\n";
            } else {
                EXPECT_GT(std::abs(slid), 600.0) << ppm << " ppm: the timers alone slid " << slid << " ms";
                std::cout << "[ figure ] timers alone, " << ppm << " ppm: slid " << slid << " ms in an hour\n";
            }
            form.click(cmdStop);
        }
    }
}

// Each onset the strobe reports lies where it reports it: seen while the
// light slides back onto a beat that is suddenly heard 30 ms later.
TEST_F(StrobeSyncTest, ReportsHowFarEachOnsetLiesFromTheBeat)
{
    play("135", "145");
    form.click(cmdColourOn);
    clock.runFor(2000);
    sound.device.startNs += 30e6;
    paints.clear();
    sound.noted.clear();
    clock.runFor(2000);
    const std::vector<Paint> t = onsets();
    ASSERT_EQ(sound.noted.size(), t.size());
    double worst = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_NEAR(sound.noted[i], sound.offBeatMs(static_cast<double>(t[i].ms)), 0.01) << "onset " << i;
        worst = std::max(worst, std::abs(sound.noted[i]));
    }
    EXPECT_GT(worst, 20.0);
}

// A sequence's beat sliding from 10 Hz to 6 Hz over a minute: every flash
// starts on an in-phase moment of the slide, its cycle following the period.
TEST_F(StrobeSyncTest, FollowsASlidingBeatOnsetByOnset)
{
    play("135", "145");
    sound.slide = HeardSound::Slide{static_cast<double>(clock.now) + 13, 60000, 10, 6};
    form.click(cmdColourOn);
    clock.runFor(2000); // taken up
    paints.clear();
    clock.runFor(58000);
    const std::vector<Paint> t = onsets();
    // About 8 a second on average over the 58 s.
    ASSERT_NEAR(static_cast<double>(t.size()), sound.slide->cycles(clock.now) - sound.slide->cycles(clock.now - 58000),
                2);
    double worst = 0;
    for (const Paint& onset : t) {
        const double cycles = sound.slide->cycles(static_cast<double>(onset.ms));
        worst = std::max(worst,
                         std::abs(cycles - std::round(cycles)) / sound.slide->hz(static_cast<double>(onset.ms)) * 1e3);
    }
    EXPECT_LT(worst, 5.0) << "worst onset " << worst << " ms off the sliding beat";
}

// A retune restarts the strobe; it takes up the new beat at the first
// boundary where the new tones are heard, not step by step.
TEST_F(StrobeSyncTest, ARetuneIsTakenUpAtOnce)
{
    sound.quietWhenNew = true;
    play("135", "145");
    form.click(cmdColourOn);
    clock.runFor(5000);
    form.setText(txtsetfreq2, "141");
    clock.now += 29;
    ASSERT_TRUE(retuneSine(app));
    paints.clear();
    clock.runFor(1200);
    const std::vector<Paint> t = onsets();
    ASSERT_GT(t.size(), 5u);
    for (std::size_t i = 2; i < t.size(); ++i)
        EXPECT_LT(std::abs(sound.offBeatMs(static_cast<double>(t[i].ms))), 2.0) << "onset " << i;
}

// A scan at 201 ms per step retunes five times a second for an hour (a
// quarter of one under AddressSanitizer) with the strobe on (started again
// from a 1 Hz beat every 8 s, so the beat stays
// one the light can follow): the light takes up each new beat without a
// phase shorter than half its duration and without two onsets closer than
// one duration.
TEST_F(StrobeSyncTest, ScanningRetunesWithoutShortPhasesOrDoubleFlashes)
{
    sound.device.ppm = 150;
    const std::int64_t scanned = simulatedHours(4) * kHour / 4;
    while (clock.now < scanned) {
        form.setText(txtSetFreq1, "400");
        form.setText(txtsetfreq2, "401");
        dialogs.answerInput("201");
        form.click(mnuCustomScanTime);
        form.click(cmdScanUp);
        form.click(cmdScanOn);
        ASSERT_TRUE(form.timerEnabled(tmrScan));
        form.click(cmdColourOn);
        clock.runFor(8000);
        form.click(cmdScanOff);
    }
    // Within a millisecond: the timers tick on whole milliseconds.
    std::size_t phases = 0;
    for (std::size_t i = 1; i < paints.size(); ++i) {
        if (paints[i].stim == paints[i - 1].stim)
            continue; // the same colour again: no new phase
        std::size_t end = i + 1;
        while (end < paints.size() && paints[end].stim == paints[i].stim)
            ++end;
        if (end == paints.size())
            break;
        const double lasted = static_cast<double>(paints[end].ms - paints[i].ms);
        ASSERT_GE(lasted + 1, std::min(paints[i].phaseMs, paints[end].phaseMs) / 2) << "at " << paints[i].ms << " ms";
        ++phases;
    }
    const std::vector<Paint> t = onsets();
    for (std::size_t i = 1; i < t.size(); ++i)
        ASSERT_GE(static_cast<double>(t[i].ms - t[i - 1].ms) + 1, std::min(t[i].phaseMs, t[i - 1].phaseMs))
            << "at " << t[i].ms << " ms";
    // Over 100000 phases an hour: the light really ran all along.
    EXPECT_GT(phases, static_cast<std::size_t>(100000 * scanned / kHour));
}

// A display that takes target frames, frame n shown at n x periodMs: a change
// made at least reachMs before a frame can go on it. It goes on the frame
// nearest its intended moment, else on the first it can reach: a miss.
class FakeFrames : public FrameClock {
public:
    explicit FakeFrames(const std::int64_t& now) : now_(now) {}
    double nowMs() const override { return static_cast<double>(now_); }
    DisplayTiming timing() const override { return {periodMs, periodMs / 2 + reachMs, true}; }
    void intend(double ms) override { intended_ = ms; }
    void change(bool stim)
    {
        const FrameGrid grid{0, periodMs};
        const std::int64_t frame = targetFrame(
            grid, intended_, std::max(last_ + 1, grid.firstFrom(static_cast<double>(now_) + reachMs)));
        shown.push_back({intended_, static_cast<double>(now_), frame, stim, frame > grid.nearest(intended_)});
        last_ = frame;
    }
    struct Shown {
        double intendedMs;
        double madeMs;
        std::int64_t frame;
        bool stim;
        bool missed;
    };
    double periodMs = 1000.0 / 60;
    double reachMs = 1;
    std::vector<Shown> shown;

private:
    const std::int64_t& now_;
    double intended_ = 0;
    std::int64_t last_ = -1;
};

// The strobe on that display.
class FrameStrobeTest : public StrobeSyncTest {
protected:
    FrameStrobeTest()
    {
        app.frames = &display;
        onFlashPaint([this](auto colour) { display.change(colour == kStim); });
    }
    void flash(const std::string& left, const std::string& right)
    {
        play(left, right);
        form.click(cmdColourOn);
    }
    // Lengths in frames of the phases shown, each with the colour it showed.
    std::vector<std::pair<std::int64_t, bool>> phases(std::size_t from = 0) const
    {
        std::vector<std::pair<std::int64_t, bool>> result;
        const auto& s = display.shown;
        for (std::size_t i = std::max<std::size_t>(from, 1); i < s.size(); ++i)
            result.emplace_back(s[i].frame - s[i - 1].frame, s[i - 1].stim);
        return result;
    }
    FakeFrames display{clock.now};
};

// A 7.83 Hz beat for an hour on 60, 75 and 144 Hz screens: each phase is
// the whole frames below or above its length, alternating colours, and the
// onsets stay on the beat as heard (never a frame off): the rounding never
// adds up.
TEST_F(FrameStrobeTest, WholeFramesThatNeverDriftOverAnHour)
{
    for (const double hz : {60.0, 75.0, 144.0}) {
        display.periodMs = 1000 / hz;
        display.shown.clear();
        flash("200", "207.83");
        clock.runFor(kUnderAddressSanitizer ? kHour / 4 : kHour); // a quarter under ASan, ten times slower
        const double frames = 1000 / 7.83 / 2 / display.periodMs;
        const auto lengths = phases(1);
        ASSERT_GT(lengths.size(), 50000u / (kUnderAddressSanitizer ? 4 : 1));
        std::int64_t total = 0;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            ASSERT_TRUE(lengths[i].first == std::floor(frames) || lengths[i].first == std::ceil(frames))
                << hz << " Hz: phase " << i << " lasts " << lengths[i].first << " frames";
            ASSERT_TRUE(i == 0 || lengths[i].second != lengths[i - 1].second) << hz << " Hz: phase " << i;
            total += lengths[i].first;
        }
        EXPECT_NEAR(static_cast<double>(total) / static_cast<double>(lengths.size()), frames, 1e-3) << hz << " Hz";
        double worst = 0;
        for (const auto& s : display.shown) {
            ASSERT_FALSE(s.missed) << hz << " Hz, at " << s.madeMs << " ms for " << s.intendedMs << " on frame "
                                   << s.frame;
            if (s.stim)
                worst = std::max(worst, std::abs(sound.offBeatMs(static_cast<double>(s.frame) * display.periodMs)));
        }
        EXPECT_LE(worst, display.periodMs / 2 + 0.5) << hz << " Hz";
        form.click(cmdStop);
    }
}

// The display's delay grows by 20 ms: the changes are made earlier step by
// step (at most 4 ms an onset), the few made too late meanwhile are missed
// and shown a frame late, with no phase under half its length and no colour
// shown twice in a row; then each is on its frame again.
TEST_F(FrameStrobeTest, FollowsAChangeOfDisplayDelayInSteps)
{
    flash("135", "145");
    clock.runFor(2000);
    const std::size_t before = display.shown.size();
    display.reachMs += 20;
    clock.runFor(3000);
    const auto& s = display.shown;
    double lastLead = s[before - 1].intendedMs - s[before - 1].madeMs;
    for (std::size_t i = before; i < s.size(); ++i) {
        ASSERT_NE(s[i].stim, s[i - 1].stim) << "change " << i;
        if (!s[i].stim)
            continue;
        const double lead = s[i].intendedMs - s[i].madeMs;
        EXPECT_LE(std::abs(lead - lastLead), 4.0 + 1) << "change " << i;
        lastLead = lead;
    }
    for (const auto& [length, stim] : phases(before))
        ASSERT_GE(length, 2) << "a phase of 3 frames shown for " << length;
    const auto missed = std::count_if(s.begin() + static_cast<long>(before), s.end(), [](auto& c) { return c.missed; });
    EXPECT_GT(missed, 0);
    EXPECT_LT(missed, 12);
    EXPECT_FALSE(std::any_of(s.end() - 20, s.end(), [](auto& c) { return c.missed; }));
    EXPECT_NEAR(lastLead, display.periodMs / 2 + display.reachMs + 1, 1.5);
}

// 40 flashes a second on a 60 Hz screen: it flashes 30 times a second, one
// frame each, says so once, and the boxes still say what was asked for.
TEST_F(FrameStrobeTest, ABeatTooFastShowsTheNearestRateOnce)
{
    flash("200", "240");
    clock.runFor(1000);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].find("30 times a second"), std::string::npos) << dialogs.messages()[0];
    EXPECT_EQ(form.text(txtFlashRate), "40");
    const auto lengths = phases(1);
    ASSERT_GT(lengths.size(), 50u);
    for (const auto& [length, stim] : lengths)
        ASSERT_EQ(length, 1);
    form.click(cmdColourOff);
    form.click(cmdColourOn);
    clock.runFor(1000);
    EXPECT_EQ(dialogs.messages().size(), 1u);
}

// "Gentle Light" on a 60 Hz display, a 10 Hz beat heard 200 ppm off: the
// strobe's ticks paint nothing, each frame is painted once, ahead of time,
// for its own frame, with the colour of the raised cosine at the moment it
// is shown on the beat as heard (within the half millisecond the grid may lie
// off it), so the brightest frame of each cycle is the one nearest the
// in-phase moment. Off again, the ticks paint the two colours as before.
TEST_F(FrameStrobeTest, GentleLightGivesEachFrameTheColourOfItsMomentAsHeard)
{
    sound.device.ppm = 200;
    std::vector<Colour> colours; // beside display.shown
    onFlashPaint([&](auto colour) { colours.push_back(colour.value_or(0)); });
    form.click(optGentle);
    flash("135", "145");
    double lastShown = -1e300;
    for (int tick = 0; tick < 4000 / 8; ++tick) { // the window's painter, twice a frame
        clock.runFor(8);
        paintNextGentleFrame(app, lastShown);
    }
    const auto& s = display.shown;
    ASSERT_GT(s.size(), 180u); // about every frame in 4 s, but for equal neighbours
    const auto level = [&](double offMs) { return gentleColourAt(static_cast<Colour>(kStim), 0, offMs / 100) & 0xFF; };
    std::map<long long, std::pair<unsigned, double>> brightest; // per in-phase moment: the level and its offset
    for (std::size_t i = 0; i < s.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(s[i].missed);
        ASSERT_EQ(static_cast<double>(s[i].frame) * display.periodMs, s[i].intendedMs);
        ASSERT_TRUE(i == 0 || s[i].frame > s[i - 1].frame);
        if (s[i].madeMs < 1000)
            continue; // the first onsets take up the beat
        const double off = sound.offBeatMs(s[i].intendedMs);
        const unsigned shown = colours[i] & 0xFF, early = level(off - 0.5), late = level(off + 0.5);
        EXPECT_GE(shown, std::min(early, late)) << off << " ms off the beat";
        EXPECT_LE(shown, std::max(early, late)) << off << " ms off the beat";
        auto& best = brightest[std::llround((s[i].intendedMs - off) / 100)];
        if (shown > best.first)
            best = {shown, off};
    }
    ASSERT_GT(brightest.size(), 20u);
    brightest.erase(brightest.begin()); // cycles cut by the start and end of the look
    brightest.erase(std::prev(brightest.end()));
    for (const auto& [cycle, best] : brightest)
        EXPECT_LE(std::abs(best.second), display.periodMs / 2 + 0.5) << "cycle " << cycle;
    form.click(optGentle);
    const std::size_t before = colours.size();
    clock.runFor(1000);
    ASSERT_GT(colours.size(), before + 18);
    for (std::size_t i = before; i < colours.size(); ++i)
        ASSERT_TRUE(colours[i] == static_cast<Colour>(kStim) || colours[i] == 0) << colours[i];
}

} // namespace
} // namespace aurelith::test
