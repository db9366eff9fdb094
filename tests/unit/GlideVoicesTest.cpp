// SPDX-License-Identifier: GPL-3.0-or-later
// Sequences as heard: rendered through the real mixer with no device and
// measured, against the sequence model's own values.
#include "sequence/SequencePlayer.h"
#include "sound/MixerSoundSystem.h"
#include "support/AudioAnalysis.h"
#include "support/FakeOutputClock.h"
#include "support/RecordingSoundSystem.h"
#include "support/SoundFile.h"
#include "support/TempFolder.h"

#include "support/SequenceTables.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace aurelith {
namespace {

using sequence::Join;
using sequence::Point;
using sequence::Sequence;
using sequence::SequencePlayer;
using sequence::Voice;
using sequence::VoiceKind;
using sequence::tables::sequenceOf;
using sequence::tables::voiceOf;

const int kRate = sequence::renderRate();

// The acceptance's slide: the beat 10 -> 4 Hz (the carrier 200 -> 250 Hz)
// over 60 s, a hold, then a step up in beat, carrier and level.
Sequence acceptanceSlide()
{
    return sequenceOf(
        {voiceOf(VoiceKind::binaural,
                 {{0, 200, 10, 0.5, Join::slide}, {60, 250, 4, 0.5, Join::step}, {80, 260, 8, 0.4, Join::step}})},
        90, 2);
}

// Interleaved stereo as rendered, cut by seconds.
struct Heard {
    std::vector<float> stereo;
    std::vector<float> ear(int ch, double from, double to) const
    {
        const auto a = static_cast<std::size_t>(std::max(0.0, from) * kRate);
        const auto b = std::min(stereo.size() / 2, static_cast<std::size_t>(to * kRate));
        std::vector<float> out;
        for (std::size_t i = a; i < b; ++i)
            out.push_back(stereo[2 * i + static_cast<std::size_t>(ch)]);
        return out;
    }
    // The binaural pair planned at p, measured from `from` to `to` s.
    void expectPair(const Point& p, double from, double to) const
    {
        const double l = measureFrequency(ear(0, from, to), kRate, sequence::leftHz(p));
        const double r = measureFrequency(ear(1, from, to), kRate, sequence::rightHz(p));
        EXPECT_NEAR(r - l, p.beatHz, 0.01) << "beat from " << from;
        EXPECT_NEAR((l + r) / 2, p.carrierHz, 0.01) << "carrier from " << from;
    }
    // Nothing beyond 50 Hz of either pair in the 100 ms around t.
    void expectNoClick(const Point& a, const Point& b, double t) const
    {
        EXPECT_LT(strayBeyondDb(ear(0, t - 0.05, t + 0.05), kRate, {leftHz(a), leftHz(b)}, 50), -60) << t;
        EXPECT_LT(strayBeyondDb(ear(1, t - 0.05, t + 0.05), kRate, {rightHz(a), rightHz(b)}, 50), -60) << t;
    }
};

Heard renderWhole(const Sequence& s, double tones = 1, double noise = 1)
{
    Heard heard;
    std::string error;
    EXPECT_TRUE(sequence::renderSequence(
        s, tones, noise,
        [&heard](const float* block, int frames) {
            heard.stereo.insert(heard.stereo.end(), block, block + 2 * frames);
            return true;
        },
        error))
        << error;
    return heard;
}

// The window of a second centred at t may not straddle a step: there the
// plan itself has no single value.
bool crossesStep(const Voice& v, double from, double to)
{
    for (std::size_t i = 0; i + 1 < v.points.size(); ++i)
        if (v.points[i].join == Join::step && v.points[i + 1].seconds >= from &&
            v.points[i + 1].seconds < to + GlideSynth::kSmoothSeconds)
            return true;
    return false;
}

std::vector<float> squared(std::vector<float> x)
{
    for (float& v : x)
        v *= v;
    return x;
}

// Every second of a voice heard as planned within 0.01 Hz, and the 100 ms
// around each of its points and its ends free of anything beyond bandHz of
// its tones.
TEST(GlideVoicesTest, EverySecondIsHeardAsPlannedAndNoBoundaryClicks)
{
    struct Case {
        const char* name;
        Sequence sequence;
        double bandHz; // a binaural pair: 50; a pulse: its own sidebands, 25 pulses either side
    };
    const Case cases[] = {
        {"binaural slide, hold, step", acceptanceSlide(), 50},
        {"isochronic slide and step",
         sequenceOf(
             {voiceOf(VoiceKind::isochronic,
                      {{0, 300, 10, 0.5, Join::slide}, {20, 300, 6, 0.5, Join::step}, {30, 320, 12, 0.5, Join::step}})},
             40, 1),
         250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Voice& v = c.sequence.voices.front();
        const bool pulses = v.kind == VoiceKind::isochronic;
        const Heard heard = renderWhole(c.sequence);
        ASSERT_EQ(heard.stereo.size(), 2 * static_cast<std::size_t>(c.sequence.lengthSeconds * kRate));
        for (double from = 0; from + 1 <= c.sequence.lengthSeconds; ++from) {
            if (crossesStep(v, from, from + 1))
                continue;
            const Point plan = sequence::valueAt(v, from + 0.5);
            if (!pulses) {
                heard.expectPair(plan, from, from + 1);
                continue;
            }
            const auto left = heard.ear(0, from, from + 1);
            EXPECT_NEAR(measureFrequency(left, kRate, plan.carrierHz), plan.carrierHz, 0.01) << "at " << from;
            EXPECT_NEAR(measureFrequency(squared(left), kRate, plan.beatHz), plan.beatHz, 0.01) << "at " << from;
        }
        // From silence, only what follows the start can be looked at: its
        // first 400 ms, so the window is fine enough for 50 Hz though the
        // sound fills only its later part.
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_LT(strayBeyondDb(heard.ear(ch, 0, 0.4), kRate, {v.points[0].carrierHz}, c.bandHz + 10), -60);
        std::vector<double> edges = {c.sequence.lengthSeconds - 0.05};
        for (const Point& p : v.points)
            if (p.seconds > 0)
                edges.push_back(p.seconds);
        if (pulses) // and a pulse's rise and fall in each stretch
            for (double t : {5.0, 5.05, 25.0, 25.04, 35.0})
                edges.push_back(t);
        for (double t : edges) {
            const Point before = sequence::valueAt(v, t - 0.05), after = sequence::valueAt(v, t + 0.05);
            for (int ch = 0; ch < 2; ++ch) {
                auto tone = [&](const Point& p) { return pulses ? p.carrierHz : ch == 0 ? leftHz(p) : rightHz(p); };
                EXPECT_LT(
                    strayBeyondDb(heard.ear(ch, t - 0.05, t + 0.05), kRate, {tone(before), tone(after)}, c.bandHz), -60)
                    << "around " << t << " s, ear " << ch;
            }
        }
    }
}

// Welch's average of Hann-windowed periodograms, then the level of each
// third of an octave from 50 Hz to 10 kHz less the colour's ideal slope.
std::vector<double> levelsOffSlope(const std::vector<float>& x, double dbPerOctave)
{
    constexpr std::size_t n = 8192;
    const std::vector<double> power = welchPower(x, n);
    const double binHz = static_cast<double>(kRate) / n;
    std::vector<double> off;
    for (double low = 50; low * std::cbrt(2.0) <= 10000 * 1.001; low *= std::cbrt(2.0)) {
        double sum = 0;
        int bins = 0;
        for (auto b = static_cast<std::size_t>(std::ceil(low / binHz)); b * binHz < low * std::cbrt(2.0); ++b, ++bins)
            sum += power[b];
        off.push_back(10 * std::log10(sum / bins) + dbPerOctave * std::log2(low));
    }
    return off;
}

TEST(GlideVoicesTest, NoisesHaveTheirColours)
{
    struct Case {
        VoiceKind kind;
        double dbPerOctave;
    };
    for (const Case& c :
         {Case{VoiceKind::whiteNoise, 0}, Case{VoiceKind::pinkNoise, 3}, Case{VoiceKind::brownNoise, 6}}) {
        SCOPED_TRACE(c.dbPerOctave);
        const Heard heard = renderWhole(sequenceOf({voiceOf(c.kind, {{0, 0, 0, 1}})}, 21), 1, 0.5);
        for (int ch = 0; ch < 2; ++ch) {
            const std::vector<float> x = heard.ear(ch, 1, 21);
            const std::vector<double> off = levelsOffSlope(x, c.dbPerOctave);
            double mean = 0;
            for (double d : off)
                mean += d / static_cast<double>(off.size());
            for (std::size_t k = 0; k < off.size(); ++k)
                EXPECT_NEAR(off[k], mean, 1.0) << "third-octave " << k << " of ear " << ch;
            // At the noise master's half, -6 dB from the colour's level.
            EXPECT_NEAR(rmsDb(x), 20 * std::log10(GlideNoise::kRms * 0.5), 0.5);
        }
    }
}

// Plays, and after a second does something to the sequence playing; the
// sound must change from the very next frame, without a click, and go on as
// the sequence now says from where it now is.
TEST(GlideVoicesTest, LiveEditsAndSeeksAreHeardAtOnceWithoutAClick)
{
    Sequence edited = acceptanceSlide();
    edited.voices.front().points.front().carrierHz = 230;
    edited.voices.front().points.front().beatHz = 6;
    struct Case {
        const char* name;
        std::function<void(SequencePlayer&)> act;
        Sequence after;
        double planAt; // the plan's time at the second frame of the action
    };
    const Case cases[] = {
        {"replace", [&](SequencePlayer& p) { p.replace(edited); }, edited, 1},
        {"seek", [](SequencePlayer& p) { p.seek(30); }, acceptanceSlide(), 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // What would have been heard without the action, and what is.
        Heard plain, heard;
        for (Heard* h : {&plain, &heard}) {
            MixerSoundSystem sound;
            ASSERT_TRUE(test::opened(sound));
            SequencePlayer player(sound);
            ASSERT_TRUE(player.play(acceptanceSlide()));
            h->stereo.resize(2 * 2 * kRate);
            sound.render(h->stereo.data(), kRate);
            if (h == &heard)
                c.act(player);
            sound.render(h->stereo.data() + 2 * kRate, kRate);
            EXPECT_DOUBLE_EQ(player.position(), h == &heard ? c.planAt + 1 : 2.0);
        }
        std::size_t first = 0;
        while (first < plain.stereo.size() && plain.stereo[first] == heard.stereo[first])
            ++first;
        MixerSoundSystem sound;
        ASSERT_TRUE(test::opened(sound));
        // A level changes at the next frame; a pitch, being the phase's
        // rate, one frame later.
        EXPECT_LE(first / 2 - static_cast<std::size_t>(kRate + sound.latencyFrames()), 1u) << "heard at once";
        const Sequence before = acceptanceSlide();
        const Voice& was = before.voices.front();
        const Voice& now = c.after.voices.front();
        heard.expectNoClick(sequence::valueAt(was, 1), sequence::valueAt(now, c.planAt), 1);
        heard.expectPair(sequence::valueAt(now, c.planAt + 0.5), 1.05, 1.95);
    }
}

TEST(GlideVoicesTest, WaveformsAreBandLimitedAtEveryPitch)
{
    struct Case {
        sequence::Waveform wave;
        double fundamentalDb; // the ideal shape's first harmonic, at a peak of 1
    };
    const Case cases[] = {{sequence::Waveform::square, 20 * std::log10(4 / std::numbers::pi)},
                          {sequence::Waveform::triangle, 20 * std::log10(8 / std::pow(std::numbers::pi, 2))},
                          {sequence::Waveform::sawtooth, 20 * std::log10(2 / std::numbers::pi)}};
    for (const Case& c : cases) {
        // Just below and above where a table hands over to the next.
        for (double hz : {55.0, 1000.0, 2700.0, 2800.0, 5500.0, 7000.0, 11000.0}) {
            SCOPED_TRACE(hz);
            const Heard heard = renderWhole(sequenceOf({voiceOf(VoiceKind::tone, {{0, hz, 0, 0.5}}, c.wave)}, 2));
            const std::vector<float> x = heard.ear(0, 0.5, 2);
            EXPECT_LT(foreignComponentsDb(x, kRate, {hz}), -80) << "nothing folded back";
            EXPECT_NEAR(toneLevelDb(x, kRate, hz), c.fundamentalDb + 20 * std::log10(0.5), 0.05);
        }
    }
}

// The strobe's question, on a device on virtual time 200 ppm fast and 250 ms
// behind: each in-phase moment (each pulse onset) it is told of is one the
// ears get, while the beat slides.
TEST(GlideVoicesTest, NamesTheSlidingBeatAsHeard)
{
    const Sequence pulses = sequenceOf({voiceOf(VoiceKind::isochronic, {{0, 300, 10, 0.5}, {60, 300, 6, 0.5}})}, 60);
    for (const Sequence& s : {acceptanceSlide(), pulses}) {
        test::FakeOutputClock device;
        device.ppm = 200;
        std::int64_t nowNs = static_cast<std::int64_t>(device.startNs - 250e6);
        test::VirtualTimeOutput output(device, nowNs);
        MixerSoundSystem sound(&output);
        sound.setMonotonicClock([&nowNs] { return nowNs; });
        ASSERT_TRUE(test::opened(sound));
        SequencePlayer player(sound);
        EXPECT_FALSE(sound.glideHeardBeat()) << "nothing plays";
        ASSERT_TRUE(player.play(s));
        const Voice& v = s.voices.front();
        std::vector<float> block(2 * 441);
        double worstMs = 0;
        for (double t = 0; t < 55; t += 0.01) {
            nowNs = static_cast<std::int64_t>(device.startNs + t * 1e9);
            // The mixer renders ahead of the ear by the device's 250 ms.
            while (sound.glidePosition() < (t + 0.25) * kRate)
                sound.render(block.data(), 441);
            const auto beat = sound.glideHeardBeat();
            ASSERT_TRUE(beat) << t;
            if (t < 2)
                continue; // the clock's fit settles
            const double heardNs = static_cast<double>(nowNs) + beat->nextInPhaseMs * 1e6;
            const double seconds = ((heardNs - device.startNs) * 1e-9 * device.rate() - sound.latencyFrames()) / kRate;
            // Both tones (the pulse) start at phase 0; the phase between them
            // is the beat's integral, whole when in phase.
            const Point p0 = v.points[0], p1 = v.points[1];
            const double slope = (p1.beatHz - p0.beatHz) / (p1.seconds - p0.seconds);
            const double phase = p0.beatHz * seconds + slope * seconds * seconds / 2;
            const double beatHz = p0.beatHz + slope * seconds;
            worstMs = std::max(worstMs, std::abs(std::remainder(phase, 1.0)) / beatHz * 1e3);
            ASSERT_NEAR(beat->periodMs, 1e3 / beatHz / (1 + 200e-6), 1e3 / beatHz * 0.002) << t;
        }
        EXPECT_LT(worstMs, 1.0);
        sound.releaseDevice();
    }
}

TEST(SequencePlayerTest, FollowsTheWindowsLevelsShowsThePairAndEndsOnce)
{
    MixerSoundSystem sound;
    SequencePlayer player(sound);
    const Sequence s = sequenceOf({voiceOf(VoiceKind::pinkNoise, {{0, 0, 0, 0.2}}),
                                   voiceOf(VoiceKind::binaural, {{0, 200, 10, 0.5}, {1, 300, 4, 0.5}})},
                                  3, 1);
    EXPECT_FALSE(player.play(s)) << "no device";
    ASSERT_TRUE(test::opened(sound));
    ASSERT_TRUE(player.play(s));
    player.setLevels(0.5, 0);
    std::vector<float> out(2 * 3 * kRate + 2 * kRate);
    int finishedAt = -1, finishes = 0;
    for (int block = 0; block < 40; ++block) {
        sound.render(out.data() + 2 * block * (kRate / 10), kRate / 10);
        if (block == 4) {
            const auto pair = player.currentPair();
            ASSERT_TRUE(pair);
            EXPECT_EQ(std::tuple(pair->leftHz, pair->rightHz, pair->beatHz),
                      std::tuple(250 - 7.0 / 2, 250 + 7.0 / 2, 7.0));
        }
        if (player.finished()) {
            ++finishes;
            finishedAt = block;
        }
    }
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(finishedAt, 29) << "at the end of its 3 s";
    EXPECT_FALSE(player.playing());
    EXPECT_FALSE(player.currentPair());
    const Heard heard{out};
    // The tones at half the master and the noise at none: only a pure pair.
    EXPECT_NEAR(toneLevelDb(heard.ear(0, 1.2, 1.7), kRate, 298), 20 * std::log10(0.25), 0.05);
    EXPECT_LT(foreignComponentsDb(heard.ear(0, 1.2, 1.5), kRate, {298}), -90);
    // The fade to the end, then silence.
    EXPECT_LT(rmsDb(heard.ear(0, 2.95, 3)), rmsDb(heard.ear(0, 2, 2.05)) - 30);
    for (float v : heard.ear(0, 3.01, 4))
        ASSERT_EQ(v, 0.0f);
}

// A point moved ahead of the position while the sequence plays: the beat
// follows the edited plan when playback gets there, and the edit itself makes
// no click.
TEST(SequencePlayerTest, APointMovedAheadIsHeardWhenPlaybackReachesIt)
{
    Sequence edited = acceptanceSlide();
    edited.voices.front().points[1].seconds = 40; // the slide to 4 Hz ends 20 s sooner
    MixerSoundSystem sound;
    ASSERT_TRUE(test::opened(sound));
    SequencePlayer player(sound);
    ASSERT_TRUE(player.play(acceptanceSlide()));
    Heard heard;
    heard.stereo.resize(2 * 50 * kRate);
    sound.render(heard.stereo.data(), 10 * kRate);
    ASSERT_TRUE(player.replace(edited));
    sound.render(heard.stereo.data() + 2 * 10 * kRate, 40 * kRate);
    heard.expectNoClick(sequence::valueAt(acceptanceSlide().voices.front(), 10),
                        sequence::valueAt(edited.voices.front(), 10), 10);
    for (double t : {30.0, 45.0}) { // on the edited slide, then on its hold
        const Point p = sequence::valueAt(edited.voices.front(), t);
        ASSERT_NE(p.beatHz, sequence::valueAt(acceptanceSlide().voices.front(), t).beatHz);
        heard.expectPair(p, t - 0.5, t + 0.5);
    }
}

TEST(SequencePlayerTest, StopFadesOutAtOnce)
{
    MixerSoundSystem sound;
    ASSERT_TRUE(test::opened(sound));
    SequencePlayer player(sound);
    ASSERT_TRUE(player.play(acceptanceSlide(), 10));
    Heard heard;
    heard.stereo.resize(2 * kRate);
    sound.render(heard.stereo.data(), kRate / 2);
    player.stop();
    EXPECT_FALSE(player.playing());
    sound.render(heard.stereo.data() + kRate, kRate / 2);
    const Point p = sequence::valueAt(acceptanceSlide().voices.front(), 10.5);
    EXPECT_LT(strayBeyondDb(heard.ear(0, 0.45, 0.55), kRate, {leftHz(p)}, 50), -60);
    for (float v : heard.ear(0, 0.5 + GlideSynth::kSmoothSeconds + 0.003, 1))
        ASSERT_EQ(v, 0.0f);
    EXPECT_FALSE(sound.glideFinished()) << "a stop is no end";
}

// The user's own sound, streamed from its file, at the voice's level of the
// noise master.
TEST(SequencePlayerTest, MixPlaysTheUsersFile)
{
    test::TempFolder folder;
    const std::string file = (folder.path / "own.wav").string();
    std::vector<float> sine(8 * 48000);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<float>(0.8 * std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / 48000));
    ASSERT_TRUE(test::writeSoundFile(file, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 1, sine));
    Sequence s = sequenceOf({voiceOf(VoiceKind::mix, {{0, 0, 0, 0.5}})}, 4);
    s.mixFile = file;
    const Heard heard = renderWhole(s, 1, 0.5);
    for (int ch = 0; ch < 2; ++ch) {
        const auto x = heard.ear(ch, 1, 3);
        EXPECT_NEAR(measureFrequency(x, kRate, 440), 440, 0.01);
        EXPECT_NEAR(toneLevelDb(x, kRate, 440), 20 * std::log10(0.8 * 0.5 * 0.5), 0.1);
    }
}

// An output that reports it has played only silence: closed when idle, but
// not under a sequence, which may be silent for a while and go on.
TEST(SequencePlayerTest, KeepsItsOutputThroughSilence)
{
    struct IdleOutput : test::VirtualTimeOutput {
        using VirtualTimeOutput::VirtualTimeOutput;
        Health health() override { return Health::Idle; }
    };
    test::FakeOutputClock device;
    std::int64_t nowNs = 0;
    IdleOutput output(device, nowNs);
    MixerSoundSystem sound(&output);
    ASSERT_TRUE(test::opened(sound));
    SequencePlayer player(sound);
    ASSERT_TRUE(player.play(sequenceOf({voiceOf(VoiceKind::binaural, {{5, 200, 10, 0.5}})}, 10)));
    std::vector<float> block(2 * 4410);
    sound.render(block.data(), 4410);
    sound.checkOutput();
    EXPECT_TRUE(sound.outputOpen());
    player.stop();
    sound.checkOutput();
    EXPECT_FALSE(sound.outputOpen());
}

// A real audio thread rendering small periods while the window's thread plays,
// edits, seeks and stops as fast as it can: nothing is lost or freed early
// (ThreadSanitizer runs this), and every plan is freed on the window's side.
TEST(SequencePlayerTest, EditsWhileAnAudioThreadRenders)
{
    struct ThreadOutput : AudioOutput {
        bool open(Mixer& mixer, int& deviceRate, std::string&) override
        {
            deviceRate = kRate;
            mixer.attachAudioThread(deviceRate);
            running = true;
            thread = std::thread([this, &mixer] {
                std::vector<float> period(2 * 64);
                while (running.load()) {
                    mixer.render(period.data(), 64);
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
                }
            });
            this->mixer = &mixer;
            return true;
        }
        void close() override
        {
            running = false;
            thread.join();
            mixer->detachAudioThread();
        }
        std::atomic<bool> running{false};
        std::thread thread;
        Mixer* mixer = nullptr;
    } output;
    std::vector<std::weak_ptr<const glide::Plan>> plans;
    {
        MixerSoundSystem sound(&output);
        ASSERT_TRUE(test::opened(sound));
        Sequence a = acceptanceSlide();
        a.voices.push_back(voiceOf(VoiceKind::pinkNoise, {{0, 0, 0, 0.1}}));
        a.lengthSeconds = 3600; // never reaches its end here
        const int rate = sound.glideRate();
        auto plan = [&](const Sequence& s) {
            auto p = std::make_shared<const glide::Plan>(sequence::compilePlan(s, rate));
            plans.push_back(p);
            return p;
        };
        ASSERT_TRUE(sound.playGlide(plan(a), 0));
        for (int i = 0; i < 1000; ++i) {
            a.voices.front().points.front().beatHz = 5 + i % 7;
            ASSERT_TRUE(sound.replaceGlide(plan(a)));
            if (i % 10 == 0)
                sound.seekGlide(i * 441);
            if (i % 97 == 0) {
                sound.stopGlide();
                ASSERT_TRUE(sound.playGlide(plan(a), i));
            }
            sound.setGlideLevels(0.5 + (i % 2) * 0.1, 0.5);
            EXPECT_FALSE(sound.glideFinished());
            EXPECT_GE(sound.glidePosition(), 0);
        }
        sound.stopGlide();
        sound.releaseDevice();
    }
    for (const auto& p : plans)
        ASSERT_TRUE(p.expired());
}

// The calls the window's tests see through the recording double.
TEST(SequencePlayerTest, DrivesTheSoundSystemInFramesOfItsRate)
{
    RecordingSoundSystem sound;
    ASSERT_TRUE(test::opened(sound));
    sound.clearCalls();
    SequencePlayer player(sound);
    ASSERT_TRUE(player.play(acceptanceSlide(), 2));
    player.seek(5);
    player.seek(500); // past the end: to the end
    player.replace(acceptanceSlide());
    player.stop();
    player.seek(1); // nothing plays
    const std::vector<std::string> expected = {"playGlide 88200", "seekGlide 220500", "seekGlide 3969000",
                                               "replaceGlide", "stopGlide"};
    EXPECT_EQ(sound.calls, expected);
}

} // namespace
} // namespace aurelith
