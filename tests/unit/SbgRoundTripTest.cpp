// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever opens saves: each built-in sequence, each file of the importer's
// table (the Gnaural schedules too) and what only the editor makes (steps,
// times between seconds, an audible start under a fade-out, its mute and solo
// switches), written and read back, give the same timeline to 1 ms, 0.001 Hz
// and 1e-5 of a level (amplitudes are written to 1e-7 of a level; a tone-set
// whose rounded total passes 100 is scaled by less than 1e-6).
#include "sequence/SequenceFiles.h"
#include "support/SequenceTables.h"

#include <gtest/gtest.h>

#include <set>

namespace aurelith::sequence {
namespace {

namespace fs = std::filesystem;

struct Saved {
    std::string name;
    ReadResult read;
};

bool same(const Point& a, const Point& b)
{
    const bool audible = a.level > 0 || b.level > 0;
    return std::abs(a.level - b.level) <= 1e-5 &&
           (!audible || (std::abs(a.carrierHz - b.carrierHz) <= 0.001 && std::abs(a.beatHz - b.beatHz) <= 0.001));
}

// Compared where anything could differ: just either side of every point of
// either sequence and half-way between; a value counts as the same when the
// other sequence has it within 1 ms (a jump may slide over that millisecond).
void expectSameTimeline(const Sequence& a, const Sequence& b)
{
    ASSERT_EQ(a.voices.size(), b.voices.size());
    EXPECT_NEAR(a.lengthSeconds, b.lengthSeconds, 0.001);
    EXPECT_NEAR(a.fadeOutSeconds, b.fadeOutSeconds, 0.001);
    EXPECT_EQ(a.description, b.description);
    EXPECT_EQ(a.mixFile, b.mixFile);
    std::set<double> times;
    for (const Sequence* s : {&a, &b})
        for (const Voice& v : s->voices)
            for (const Point& p : v.points)
                for (double t : {p.seconds - 0.002, p.seconds + 0.002})
                    if (t >= 0 && t < a.lengthSeconds)
                        times.insert(t);
    std::vector<double> samples(times.begin(), times.end());
    for (auto t = times.begin(); t != times.end() && std::next(t) != times.end(); ++t)
        samples.push_back((*t + *std::next(t)) / 2);
    for (size_t i = 0; i < a.voices.size(); ++i) {
        const Voice& va = a.voices[i];
        const Voice& vb = b.voices[i];
        EXPECT_EQ(std::tuple(va.kind, va.waveform, va.muted, va.solo),
                  std::tuple(vb.kind, vb.waveform, vb.muted, vb.solo))
            << "voice " << i;
        for (double t : samples) {
            const Point pa = valueAt(va, t);
            if (same(pa, valueAt(vb, t)) || same(pa, valueAt(vb, t - 0.001)) || same(pa, valueAt(vb, t + 0.001)))
                continue;
            const Point pb = valueAt(vb, t);
            ADD_FAILURE() << "voice " << i << " at " << t << ": level " << pa.level << " / " << pb.level << ", carrier "
                          << pa.carrierHz << " / " << pb.carrierHz << ", beat " << pa.beatHz << " / " << pb.beatHz;
            break;
        }
    }
}

// What only the editor makes: steps, points between seconds, a voice that
// starts audibly late, an audible start under a 10 s fade-out, and its switches.
Sequence edited()
{
    Sequence s = tables::sequenceOf(
        {tables::voiceOf(VoiceKind::binaural, {{0, 200, 10, 0.4, Join::step},
                                               {12.345, 180, 8, 0.3, Join::step},
                                               {30.5, 180, 6.25, 0.3, Join::slide},
                                               {45.0004, 150, 4, 0.2, Join::slide}}),
         tables::voiceOf(VoiceKind::pinkNoise, {{7.25, 0, 0, 0.3, Join::slide}, {20, 0, 0, 0.1, Join::step}}),
         tables::voiceOf(VoiceKind::isochronic, {{0, 300, 10, 0, Join::slide}, {3.5, 300, 12, 0.2, Join::slide}})},
        90.25, 10);
    s.name = "edited";
    s.voices[1].muted = true;
    s.voices[2].solo = true;
    return s;
}

std::vector<Saved> everyKnownSequence()
{
    std::vector<Saved> all;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(AURELITH_SOURCE_DIR) / "data/sequences"))
        all.push_back({entry.path().filename().string(), readSequenceFile(entry.path())});
    for (const tables::TimelineCase& c : tables::kTimelines)
        all.push_back({c.name, readSbg(c.text, "plan.sbg", "/music")});
    all.push_back({"every voice type", readGnaural(tables::everyVoiceTypeSchedule(), "drift.gnaural", "/music")});
    all.push_back({"stereo swap", readGnaural(tables::swappedSchedule(), "swap.gnaural", "/music")});
    ReadResult made;
    made.sequence = edited();
    all.push_back({"edited", made});
    return all;
}

TEST(SbgRoundTripTest, EverySequenceWeReadSavesAndReadsBackTheSame)
{
    const std::vector<Saved> all = everyKnownSequence();
    EXPECT_GE(all.size(), 20u);
    for (const Saved& c : all) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.read.sequence) << (c.read.problems.empty() ? "" : describe(c.read.problems[0]));
        const std::string text = writeSbg(*c.read.sequence);
        SCOPED_TRACE(text);
        const ReadResult back = readSbg(text, "saved.sbg", "/elsewhere");
        ASSERT_TRUE(back.sequence) << (back.problems.empty() ? "" : describe(back.problems[0]));
        expectSameTimeline(*c.read.sequence, *back.sequence);
    }
}

} // namespace
} // namespace aurelith::sequence
