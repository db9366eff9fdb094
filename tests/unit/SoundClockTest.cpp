// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Mixer.h"
#include "sound/MixerSoundSystem.h"
#include "sound/OutputClock.h"
#include "support/FakeOutputClock.h"
#include "support/SoundFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace aurelith {
namespace {

using test::FakeOutputClock;
using test::VirtualTimeOutput;

// Feeds a reading every 10 ms (a server's write requests) for the given time
// and returns the worst error, in ms, of where the clock places the frame
// heard 0.5 s ahead, once it has settled.
double worstErrorMs(HeardClock& clock, FakeOutputClock& device, double fromS, double seconds, double settleS = 1)
{
    double worst = 0;
    for (double s = fromS; s < fromS + seconds; s += 0.01) {
        const auto ns = static_cast<std::int64_t>(device.startNs + s * 1e9);
        clock.add(device.at(ns));
        if (s < fromS + settleS)
            continue;
        const double frame = clock.frameHeardAt(static_cast<double>(ns) + 0.5e9);
        worst = std::max(worst, std::abs(clock.heardAtNs(frame) - device.heardAtNs(frame)) / 1e6);
    }
    return worst;
}

TEST(SoundClockTest, FollowsADeviceClockOffByHundredsOfPpmForAnHour)
{
    for (const double ppm : {200.0, -200.0, 0.0}) {
        FakeOutputClock device;
        device.ppm = ppm;
        HeardClock clock(device.nominalRate);
        const double worst = worstErrorMs(clock, device, 0, 3600);
        EXPECT_LT(worst, 1.0) << ppm << " ppm";
        EXPECT_NEAR(clock.ppm(), ppm, 20) << "the fitted rate";
        EXPECT_EQ(clock.jumps(), 0) << "jitter is not a jump";
        EXPECT_EQ(clock.latencyNs(), 250'000'000);
    }
}

// A new device or a restarted server changes the timing at once; the line
// starts again from the new readings instead of averaging old and new. A
// lone stray reading (a report held up on a loaded server) does not.
TEST(SoundClockTest, StartsAgainWhenTheTimingJumps)
{
    FakeOutputClock device;
    device.ppm = 150;
    HeardClock clock(device.nominalRate);
    worstErrorMs(clock, device, 0, 10);
    OutputTiming stray = device.at(static_cast<std::int64_t>(device.startNs + 10e9));
    stray.heardFrame -= 0.055 * device.nominalRate;
    clock.add(stray);
    clock.add(stray); // published again until the next report
    const double frame = stray.heardFrame + 0.1 * device.nominalRate;
    EXPECT_NEAR(clock.heardAtNs(frame), device.heardAtNs(frame), 1e6) << "a stray reading moved the line";
    worstErrorMs(clock, device, 10.005, 10);
    EXPECT_EQ(clock.jumps(), 0);
    device.startNs += 180e6; // 180 ms more latency from now on
    device.latencyMs += 180;
    EXPECT_LT(worstErrorMs(clock, device, 20, 20, 0.05), 1.0);
    EXPECT_EQ(clock.jumps(), 1);
    EXPECT_EQ(clock.latencyNs(), 430'000'000);
}

// A server reports every 100 ms; on a loaded machine each report reaches the
// output up to 15 ms after the server stamped it, and the output reads the
// last one that arrived at each of its writes. The heard clock must not carry
// those delays (libpulse's interpolated time did, by up to 20 ms).
TEST(SoundClockTest, ReportsReadLateHoldForTheirOwnStamp)
{
    FakeOutputClock device;
    device.ppm = -200;
    HeardClock clock(device.nominalRate);
    ServerReport read, onItsWay;
    std::int64_t arrivesNs = 0;
    unsigned load = 7;
    double worstMs = 0, worstLatencyMs = 0;
    for (int write = 0; write < 6000; ++write) { // every 10 ms for a minute
        const auto now = static_cast<std::int64_t>(device.startNs + write * 1e7);
        if (write % 10 == 0) {
            load = load * 1103515245u + 12345u;
            onItsWay = device.report(now, 30);
            arrivesNs = now + (load >> 8) % 15 * 1'000'000;
        }
        if (now >= arrivesNs)
            read = onItsWay;
        if (!read.stampNs)
            continue;
        const double written = device.at(now).heardFrame + device.latencyMs * 1e-3 * device.rate();
        const OutputTiming t = timingFromReport(read, device.nominalRate, 0, written, now);
        clock.add(t);
        worstLatencyMs = std::max(worstLatencyMs, std::abs(t.latencyNs / 1e6 - device.latencyMs));
        if (write < 100)
            continue;
        const double frame = clock.frameHeardAt(static_cast<double>(now));
        worstMs = std::max(worstMs, std::abs(clock.heardAtNs(frame) - device.heardAtNs(frame)) / 1e6);
    }
    EXPECT_LT(worstMs, 0.5) << "the heard clock follows when reports were read, not when they were true";
    EXPECT_LT(worstLatencyMs, 1.0);
    EXPECT_EQ(clock.jumps(), 0);
}

// The output's thread publishes while the window's reads: every snapshot
// read is one that was published whole (ThreadSanitizer sees the rest).
TEST(SoundClockTest, SnapshotIsNeverTorn)
{
    TimingSnapshot snapshot;
    OutputTiming t;
    EXPECT_FALSE(snapshot.read(t)) << "nothing published yet";
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (std::int64_t i = 1; i <= 200000; ++i)
            snapshot.publish({i, 2.0 * static_cast<double>(i), 3 * i, i % 2 == 0});
        done = true;
    });
    int reads = 0;
    while (!done.load() || reads == 0) {
        if (!snapshot.read(t))
            continue;
        ++reads;
        ASSERT_EQ(t.heardFrame, 2.0 * static_cast<double>(t.monotonicNs));
        ASSERT_EQ(t.latencyNs, 3 * t.monotonicNs);
        ASSERT_EQ(t.estimated, t.monotonicNs % 2 == 0);
    }
    writer.join();
    snapshot.clear();
    EXPECT_FALSE(snapshot.read(t)) << "a closed output has no timing";
}

// The output's frame count is the mixer's: whatever size its periods have.
TEST(SoundClockTest, MixerCountsEveryFrameRendered)
{
    Mixer mixer;
    std::array<float, 2 * 700> out{};
    for (const int frames : {512, 1, 700, 441})
        mixer.render(out.data(), frames);
    EXPECT_EQ(mixer.framesRendered(), 512 + 1 + 700 + 441);
}

// The whole way from the mixer's voices through the output's clock: for an
// hour of a device 200 ppm off, 250 ms behind, the in-phase moments the
// sound system names are those the ears get.
TEST(SoundClockTest, NamesTheInPhaseMomentsAsHeard)
{
    test::TempFolder folder;
    std::vector<float> cycle(100);
    for (std::size_t i = 0; i < cycle.size(); ++i)
        cycle[i] = static_cast<float>(std::sin(2 * std::numbers::pi * static_cast<double>(i) / cycle.size()));
    for (const char* name : {"left.wav", "right.wav"})
        ASSERT_TRUE(
            test::writeSoundFile((folder.path / name).string(), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, cycle));
    for (const double ppm : {200.0, -200.0}) {
        FakeOutputClock device;
        device.ppm = ppm;
        std::int64_t nowNs = static_cast<std::int64_t>(device.startNs - 250e6);
        VirtualTimeOutput output(device, nowNs);
        MixerSoundSystem sound(&output);
        sound.setMonotonicClock([&nowNs] { return nowNs; });
        std::string error;
        ASSERT_TRUE(sound.createDevice(error));
        auto left = sound.openBuffer((folder.path / "left.wav").string());
        auto right = sound.openBuffer((folder.path / "right.wav").string());
        left->setFrequency(135.0 * 100);
        right->setFrequency(145.0 * 100);
        left->play(true);
        right->play(true);
        EXPECT_FALSE(sound.heardBeat(*left, *right)) << "not yet sounding";
        std::array<float, 2 * 512> block{};
        sound.render(block.data(), 512); // both begin at frame 0, in phase
        double worstMs = 0;
        for (double s = 0; s < 3600; s += 0.1) {
            nowNs = static_cast<std::int64_t>(device.startNs + s * 1e9);
            const auto beat = sound.heardBeat(*left, *right);
            ASSERT_TRUE(beat);
            if (s < 2)
                continue; // the fit settles
            ASSERT_NEAR(beat->periodMs, 100 / (1 + ppm * 1e-6), 0.005);
            // In phase every 4410 frames of the mixer, then through the limiter.
            const double heardNs = static_cast<double>(nowNs) + beat->nextInPhaseMs * 1e6;
            const double frame = (heardNs - device.startNs) * 1e-9 * device.rate() - sound.latencyFrames();
            worstMs = std::max(worstMs, std::abs(std::remainder(frame, 4410.0)) / device.rate() * 1e3);
        }
        EXPECT_LT(worstMs, 1.0) << ppm << " ppm";
        sound.releaseDevice();
    }
}

} // namespace
} // namespace aurelith
