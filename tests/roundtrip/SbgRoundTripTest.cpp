// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever opens saves: each built-in sequence, written and read back, gives
// the same timeline to 1 ms and 0.001 Hz. Needs the readers; built when
// AURELITH_SEQUENCE_ROUND_TRIP is on.
#include "sequence/SequenceFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace aurelith::sequence;
namespace fs = std::filesystem;

namespace {

// Compared where anything could differ: just either side of every point of
// either sequence (a jump moved by up to 1 ms still compares equal) and
// half-way between.
void expectSameTimeline(const Sequence& a, const Sequence& b, const std::string& what)
{
    ASSERT_EQ(a.voices.size(), b.voices.size()) << what;
    EXPECT_NEAR(a.lengthSeconds, b.lengthSeconds, 0.001) << what;
    EXPECT_NEAR(a.fadeOutSeconds, b.fadeOutSeconds, 0.001) << what;
    EXPECT_EQ(a.description, b.description) << what;
    EXPECT_EQ(a.mixFile, b.mixFile) << what;
    std::set<double> times;
    for (const Sequence* s : {&a, &b})
        for (const Voice& v : s->voices)
            for (const Point& p : v.points)
                for (double t : {p.seconds - 0.002, p.seconds + 0.002})
                    if (t >= 0 && t < a.lengthSeconds)
                        times.insert(t);
    std::vector<double> samples(times.begin(), times.end());
    for (size_t i = 0; i + 1 < times.size(); ++i)
        samples.push_back((*std::next(times.begin(), long(i)) + *std::next(times.begin(), long(i + 1))) / 2);
    for (size_t i = 0; i < a.voices.size(); ++i) {
        const Voice& va = a.voices[i];
        const Voice& vb = b.voices[i];
        EXPECT_EQ(va.kind, vb.kind) << what << " voice " << i;
        EXPECT_EQ(va.waveform, vb.waveform) << what << " voice " << i;
        for (double t : samples) {
            const Point pa = valueAt(va, t), pb = valueAt(vb, t);
            EXPECT_NEAR(pa.level, pb.level, 0.00001) << what << " voice " << i << " at " << t;
            if (pa.level > 0 || pb.level > 0) {
                EXPECT_NEAR(pa.carrierHz, pb.carrierHz, 0.001) << what << " voice " << i << " at " << t;
                EXPECT_NEAR(pa.beatHz, pb.beatHz, 0.001) << what << " voice " << i << " at " << t;
            }
        }
    }
}

} // namespace

TEST(SbgRoundTripTest, EveryBuiltInSequenceSavesAndReadsBackTheSame)
{
    const fs::path folder = fs::path(AURELITH_SOURCE_DIR) / "data" / "sequences";
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const ReadResult read = readSequenceFile(entry.path());
        ASSERT_TRUE(read.sequence) << entry.path() << ": " << (read.problems.empty() ? "" : describe(read.problems[0]));
        const std::string text = writeSbg(*read.sequence);
        const ReadResult back = readSbg(text, "saved.sbg", folder);
        ASSERT_TRUE(back.sequence) << entry.path() << ": " << (back.problems.empty() ? "" : describe(back.problems[0]))
                                   << "\n"
                                   << text;
        Sequence expected = *read.sequence;
        expected.name = back.sequence->name; // the name comes from the file's name
        expectSameTimeline(expected, *back.sequence, entry.path().filename().string() + "\n" + text);
        ++files;
    }
    EXPECT_GE(files, 1);
}
