// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever opens saves: each built-in sequence, each file of the importer's
// table and a Gnaural schedule, written and read back, give the same timeline
// to 1 ms, 0.001 Hz and 1e-5 of a level (amplitudes are written to 1e-7 of a
// level; a tone-set whose rounded total passes 100 is scaled by less than 1e-6).
#include "sequence/SequenceFiles.h"
#include "support/SequenceTables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace aurelith::sequence {
namespace {

namespace fs = std::filesystem;

struct Saved {
    std::string name;
    ReadResult read;
    // The family's format has no start without a fade-in and no end without a
    // fade-out: an import that has neither gains the shortest, half a second.
    double fadesInOver = 0;
    std::optional<double> fadeOut;
};

// Compared where anything could differ: just either side of every point of
// either sequence (a jump moved by up to 1 ms still compares equal) and half-way between.
void expectSameTimeline(const Sequence& a, const Sequence& b, const Saved& c)
{
    ASSERT_EQ(a.voices.size(), b.voices.size());
    EXPECT_NEAR(a.lengthSeconds, b.lengthSeconds, 0.001);
    EXPECT_NEAR(c.fadeOut.value_or(a.fadeOutSeconds), b.fadeOutSeconds, 0.001);
    EXPECT_EQ(a.description, b.description);
    EXPECT_EQ(a.mixFile, b.mixFile);
    std::set<double> times;
    for (const Sequence* s : {&a, &b})
        for (const Voice& v : s->voices)
            for (const Point& p : v.points)
                for (double t : {p.seconds - 0.002, p.seconds + 0.002})
                    if (t >= c.fadesInOver && t < a.lengthSeconds)
                        times.insert(t);
    std::vector<double> samples(times.begin(), times.end());
    for (auto t = times.begin(); t != times.end() && std::next(t) != times.end(); ++t)
        samples.push_back((*t + *std::next(t)) / 2);
    for (size_t i = 0; i < a.voices.size(); ++i) {
        const Voice& va = a.voices[i];
        const Voice& vb = b.voices[i];
        EXPECT_EQ(va.kind, vb.kind) << "voice " << i;
        EXPECT_EQ(va.waveform, vb.waveform) << "voice " << i;
        for (double t : samples) {
            const Point pa = valueAt(va, t), pb = valueAt(vb, t);
            EXPECT_NEAR(pa.level, pb.level, 1e-5) << "voice " << i << " at " << t;
            if (pa.level > 0 || pb.level > 0) {
                EXPECT_NEAR(pa.carrierHz, pb.carrierHz, 0.001) << "voice " << i << " at " << t;
                EXPECT_NEAR(pa.beatHz, pb.beatHz, 0.001) << "voice " << i << " at " << t;
            }
        }
    }
}

std::vector<Saved> everyKnownSequence()
{
    std::vector<Saved> all;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(AURELITH_SOURCE_DIR) / "data/sequences"))
        all.push_back({entry.path().filename().string(), readSequenceFile(entry.path()), 0, std::nullopt});
    for (const tables::TimelineCase& c : tables::kTimelines)
        all.push_back({c.name, readSbg(c.text, "plan.sbg", "/music"), 0, std::nullopt});
    using tables::entry, tables::voice;
    const std::string drift = tables::schedule(
        "<loops>2</loops>\n<overallvolume_left>0.5</overallvolume_left>\n"
        "<overallvolume_right>0.5</overallvolume_right>\n",
        voice(0, "beat", entry(60, 0.8, 0.8, 10, 200) + entry(40, 0.4, 0.4, 4, 150)) +
            voice(1, "noise", entry(100, 0.6, 0.6, 0, 0)) + voice(2, "rain.ogg", entry(100, 0.2, 0.2, 0, 0)) +
            voice(3, "pulse", entry(50, 0.2, 0.2, 6, 300) + entry(50, 0.2, 0.2, 8, 300)));
    all.push_back({"gnaural", readGnaural(drift, "drift.gnaural", "/music"), 0.5, 0.5});
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
        expectSameTimeline(*c.read.sequence, *back.sequence, c);
    }
}

} // namespace
} // namespace aurelith::sequence
