// SPDX-License-Identifier: GPL-3.0-or-later
// Sequence files: small inline files and the timelines they must give, every
// refusal with its line, Gnaural schedules of each voice type, reading from
// disk, the check command's report and the built-in library.
#include "sequence/SequenceCheck.h"
#include "sequence/SequenceFiles.h"
#include "support/SequenceTables.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace aurelith::sequence {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using namespace tables;

class SbgTimelines : public ::testing::TestWithParam<TimelineCase> {};

TEST_P(SbgTimelines, GiveThePlannedValues)
{
    const TimelineCase& c = GetParam();
    const ReadResult result = readSbg(c.text, "plan.sbg", "/music");
    ASSERT_TRUE(result.sequence) << (result.problems.empty() ? "" : describe(result.problems.front()));
    const Sequence& s = *result.sequence;
    EXPECT_DOUBLE_EQ(s.lengthSeconds, c.length);
    EXPECT_DOUBLE_EQ(s.fadeOutSeconds, c.fadeOut);
    ASSERT_EQ(s.voices.size(), c.kinds.size());
    for (std::size_t i = 0; i < c.kinds.size(); ++i) {
        EXPECT_EQ(s.voices[i].kind, c.kinds[i]) << "voice " << i;
        EXPECT_TRUE(std::is_sorted(s.voices[i].points.begin(), s.voices[i].points.end(),
                                   [](const Point& a, const Point& b) { return a.seconds < b.seconds; }));
    }
    for (const Probe& probe : c.probes) {
        const Point p = valueAt(s.voices.at(probe.voice), probe.at);
        const std::string where = "voice " + std::to_string(probe.voice) + " at " + std::to_string(probe.at);
        EXPECT_NEAR(p.level, probe.level, 1e-9) << where;
        if (probe.carrier != kAny) {
            EXPECT_NEAR(p.carrierHz, probe.carrier, 1e-9) << where;
        }
        if (probe.beat != kAny) {
            EXPECT_NEAR(p.beatHz, probe.beat, 1e-9) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Constructs, SbgTimelines, ::testing::ValuesIn(kTimelines), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(SbgDetails, NamesWaveformsMixAndDescriptionComeThrough)
{
    const ReadResult result = readSbg(kTimelines[7].text, "dir/kinds.sbg", "/music");
    ASSERT_TRUE(result.sequence);
    const auto& voices = result.sequence->voices;
    EXPECT_EQ(result.sequence->name, "kinds");
    EXPECT_EQ((std::vector{voices[0].waveform, voices[5].waveform, voices[6].waveform, voices[7].waveform}),
              (std::vector{Waveform::sine, Waveform::square, Waveform::triangle, Waveform::sawtooth}));

    const ReadResult described = readSbg(kTimelines[12].text, "alpha.sbg", "/music");
    ASSERT_TRUE(described.sequence);
    EXPECT_EQ(described.sequence->description, (std::vector<std::string>{"Ten minutes of alpha.", "At 10 Hz."}));

    const ReadResult mixed = readSbg("-m ../sounds/rain.ogg\na: mix/50\nNOW a\n+00:10 a\n", "m.sbg", "/music/seq");
    ASSERT_TRUE(mixed.sequence);
    EXPECT_EQ(mixed.sequence->mixFile, "/music/sounds/rain.ogg");
    ASSERT_EQ(mixed.sequence->voices.size(), 1u);
    EXPECT_NEAR(valueAt(mixed.sequence->voices[0], 100).level, 0.5, 1e-9);
}

// Each refusal: the line it names and what the message must say.
struct RefusalCase {
    std::string text;
    int line;
    const char* says;
    bool gnaural = false;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << (c.gnaural ? "gnaural: " : "sbg: ") << c.says; }

const RefusalCase kRefusals[] = {
    {"a: pink/10 spin:300+4.2/80\nNOW a\n+00:10 a\n", 1, "'spin:' voices are not supported"},
    {"a: bspin:300+4/20\n", 1, "'bspin:' voices are not supported"},
    {"a: wspin:300+4/20\n", 1, "'wspin:' voices are not supported"},
    {"\na: mix/80 mixspin:400+6/40\n", 2, "'mixspin:' voices are not supported"},
    {"a: mix/80 square:mixpulse:8/50\n", 1, "'mixpulse:' voices are not supported"},
    {"a: mix/80 mixbeat:6/45\n", 1, "'mixbeat:' voices are not supported"},
    {"a: mix/80 mixam:8\n", 1, "'mixam:' voices are not supported"},
    {"a: bell+200/20\n", 1, "'bell' voices are not supported"},
    {"wave00: 0 5 10 5\n", 1, "'waveNN:'"},
    {"a: wave00:200+4/50\n", 1, "'waveNN:'"},
    {"custom00: e=2 0 1 0\n", 1, "'customNN:'"},
    {"a: custom07:400@2/20\n", 1, "'customNN:'"},
    {"a: foo:200+4/20\n", 1, "'foo:'"},
    {"-N\n", 1, "option '-N' is not supported"},
    {"-SE -L 0:30\n", 1, "option '-L' is not supported"},
    {"-Q\n", 1, "option '-Q'"},
    {"-m\n", 1, "'-m' needs the sound file"},
    {"-SE extra\n", 1, "unexpected 'extra'"},
    {"a: 200+10/120\n", 1, "amplitude must be a number from 0 to 100"},
    {"a: 200+10/-5\n", 1, "amplitude"},
    {"a: 200+10\n", 1, "no /amplitude"},
    {"a: 200x10/20\n", 1, "is not a tone"},
    {"a: 1e3+10/20\n", 1, "is not a tone"},
    {"a: square:pink/20\n", 1, "waveform is only for tones"},
    {"a: 10+30/20\n", 1, "above 0 Hz"},
    {"a: 19999+10/20\n", 1, "at most 20000 Hz"},
    {"a: 300@0/20\n", 1, "pulse rate"},
    {"a: 1/1 2/1 3/1 4/1 5/1 6/1 7/1 8/1 9/1 10/1 11/1 12/1 13/1 14/1 15/1 16/1 17/1\n", 1, "at most 16"},
    {"a:\n", 1, "lists no tones"},
    {"a: 200+10/20\na: 300+10/20\n", 2, "defined twice"},
    {"a: 200+10/20\nNOW b\n+00:10 a\n", 2, "no tone-set or block is named 'b'"},
    {"a: 200+10/20\nNOW+00:10 a\nNOW+00:05 a\n", 3, "comes before"},
    {"a: 200+10/20\nNOW a\n12:00 a\n", 3, "NOW and clock times cannot be mixed"},
    {"a: 200+10/20\nNOW a\n", 2, "second, later time line"},
    {"a: 200+10/20\n", 0, "no time lines"},
    {"a: 200+10/20\nNOW a\n+25:00 a\n", 3, "more than 24 hours"},
    {"a: 200+10/20\n25:00 a\n", 2, "is not a time"},
    {"a: 200+10/20\n12:60 a\n", 2, "is not a time"},
    {"a: 200+10/20\nNOW a banana\n", 2, "unexpected 'banana'"},
    {"a: 200+10/20\nNOW ==\n", 2, "names no tone-set"},
    {"a: 200+10/20\nb: {\n NOW a\n}\nNOW b\n+00:10 a\n", 3, "must be relative"},
    {"a: 200+10/20\nb: {\n +00:00 b\n}\nNOW b\n+00:10 a\n", 3, "too deeply"},
    {"a: 200+10/20\nb: {\n +00:00 a\n}\nNOW == b\n+00:10 a\n", 5, "without fade marks"},
    {"a: 200+10/20\nb: {\n +00:00 a\n", 2, "no closing '}'"},
    {"b: {\n c: 200/10\n}\n", 2, "only time lines may stand inside a block"},
    {"}\n", 1, "'}' without a block"},
    {"9lives: 200/10\n", 1, "is not a time"},
    // Blocks of blocks that add nothing must still end quickly.
    {"e: {\n}\nd: {\n+0:00 e\n+0:00 e\n+0:00 e\n+0:00 e\n+0:00 e\n+0:00 e\n+0:00 e\n+0:00 e\n}\n"
     "c: {\n+0:00 d\n+0:00 d\n+0:00 d\n+0:00 d\n+0:00 d\n+0:00 d\n+0:00 d\n+0:00 d\n}\n"
     "b: {\n+0:00 c\n+0:00 c\n+0:00 c\n+0:00 c\n+0:00 c\n+0:00 c\n+0:00 c\n+0:00 c\n}\n"
     "a: {\n+0:00 b\n+0:00 b\n+0:00 b\n+0:00 b\n+0:00 b\n+0:00 b\n+0:00 b\n+0:00 b\n}\n"
     "z: {\n+0:00 a\n+0:00 a\n+0:00 a\n+0:00 a\n+0:00 a\n+0:00 a\n+0:00 a\n+0:00 a\n}\n"
     "y: {\n+0:00 z\n+0:00 z\n+0:00 z\n+0:00 z\n+0:00 z\n+0:00 z\n+0:00 z\n+0:00 z\n}\nNOW y\n",
     63, "too many time lines"},
    {"<schedule><voice>", 1, "not well-formed XML", true},
    {"<!DOCTYPE x [<!ENTITY a \"b\">]>\n<schedule/>", 1, "document type declaration", true},
    {"<playlist/>", 1, "not a Gnaural schedule", true},
    {schedule("", voice(5, "", entry(60, 1, 1, 0, 0))), 0, "no voice this program plays", true},
    {schedule("", voice(0, "", entry(-5, 1, 1, 4, 200))), 10, "duration", true},
    {schedule("", voice(0, "", entry(60, 1.5, 1, 4, 200))), 10, "volumes", true},
    {schedule("", voice(3, "", entry(60, 1, 1, 0, 200))), 10, "pulse rate", true},
    {schedule("", voice(0, "", "<entry duration=\"5\" volume_left=\"1\" volume_right=\"1\"/>\n")), 10, "basefreq",
     true},
    {schedule("", voice(0, "",
                        "<entry duration=\"x\" volume_left=\"1\" volume_right=\"1\" beatfreq=\"1\" "
                        "basefreq=\"100\"/>\n")),
     10, "<duration> is not a number", true},
    {schedule("<loops>1000</loops>", voice(0, "", entry(3600, 1, 1, 4, 200))), 0, "more than 24 hours", true},
    {schedule("", voice(0, "", entry(0, 1, 1, 4, 200))), 0, "no time", true},
};

class SequenceRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SequenceRefusals, NameTheLineAndTheFeatureAndGiveNoSequence)
{
    const RefusalCase& c = GetParam();
    const std::string file = c.gnaural ? "g.gnaural" : "relax.sbg";
    const ReadResult result = c.gnaural ? readGnaural(c.text, file, "/") : readSbg(c.text, file, "/music");
    EXPECT_FALSE(result.sequence);
    ASSERT_FALSE(result.problems.empty());
    const Problem& first = result.problems.front();
    EXPECT_EQ(first.line, c.line) << describe(first);
    EXPECT_NE(first.message.find(c.says), std::string::npos) << describe(first);
    const std::string prefix = c.line > 0 ? file + ":" + std::to_string(c.line) + ": " : file + ": ";
    EXPECT_EQ(describe(first).rfind(prefix, 0), 0u) << describe(first);
}

INSTANTIATE_TEST_SUITE_P(Features, SequenceRefusals, ::testing::ValuesIn(kRefusals));

TEST(SbgDetails, EveryBadLineIsReportedAndAGoodPartNeverPlays)
{
    const ReadResult result = readSbg("a: 200+10/20\nb: spin:300+4/20\nc: bell+100/10\nNOW a\n+00:10 a\n", "r.sbg",
                                      "/");
    EXPECT_FALSE(result.sequence);
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(std::pair(result.problems[0].line, result.problems[1].line), std::pair(2, 3));
}

TEST(GnauralSchedules, EachVoiceTypeImportsToItsTimeline)
{
    const ReadResult result = readGnaural(tables::everyVoiceTypeSchedule(), "drift.gnaural", "/music");
    ASSERT_TRUE(result.sequence) << describe(result.problems.front());
    const Sequence& s = *result.sequence;
    EXPECT_EQ(s.name, "Drift");
    EXPECT_EQ(s.description, std::vector<std::string>{"Alpha then theta"});
    EXPECT_DOUBLE_EQ(s.lengthSeconds, 200); // two loops of the longest voice
    EXPECT_EQ(s.mixFile, "/music/rain.ogg");
    ASSERT_EQ(s.voices.size(), 4u);
    EXPECT_EQ((std::vector{s.voices[0].kind, s.voices[1].kind, s.voices[2].kind, s.voices[3].kind}),
              (std::vector{VoiceKind::binaural, VoiceKind::pinkNoise, VoiceKind::mix, VoiceKind::isochronic}));
    // Entries slide linearly into the next, the last into the first; overall volume 0.5.
    const Point beatAt30 = valueAt(s.voices[0], 30);
    EXPECT_NEAR(beatAt30.beatHz, 7, 1e-9);
    EXPECT_NEAR(beatAt30.carrierHz, 175, 1e-9);
    EXPECT_NEAR(beatAt30.level, 0.3, 1e-9);
    EXPECT_NEAR(valueAt(s.voices[0], 80).beatHz, 7, 1e-9);
    EXPECT_NEAR(valueAt(s.voices[0], 130).beatHz, 7, 1e-9); // the second loop
    EXPECT_NEAR(valueAt(s.voices[3], 25).beatHz, 7, 1e-9);
    EXPECT_NEAR(valueAt(s.voices[1], 50).level, 0.3, 1e-9);
    ASSERT_EQ(result.notes.size(), 4u);
    EXPECT_NE(result.notes[0].find("'Water Drops' voices are left out"), std::string::npos) << result.notes[0];
    EXPECT_NE(result.notes[1].find("'Rain' voices are left out"), std::string::npos) << result.notes[1];
    EXPECT_NE(result.notes[2].find("'Alternate Isochronic Tone'"), std::string::npos) << result.notes[2];
    EXPECT_NE(result.notes[3].find("muted"), std::string::npos) << result.notes[3];
}

TEST(GnauralSchedules, StereoSwapAndUnevenVolumesAreTold)
{
    const ReadResult result = readGnaural(tables::swappedSchedule(), "s.gnaural", "/");
    ASSERT_TRUE(result.sequence);
    EXPECT_NEAR(valueAt(result.sequence->voices[0], 10).beatHz, -10, 1e-9);
    EXPECT_NEAR(valueAt(result.sequence->voices[0], 10).level, 0.4, 1e-9);
    EXPECT_DOUBLE_EQ(result.sequence->lengthSeconds, 60);
    ASSERT_EQ(result.notes.size(), 2u);
    EXPECT_NE(result.notes[0].find("plays once"), std::string::npos);
    EXPECT_NE(result.notes[1].find("mean"), std::string::npos);
}

class SequenceFileTest : public ::testing::Test {
protected:
    fs::path write(const std::string& name, const std::string& text)
    {
        const fs::path path = folder.path / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    TempFolder folder;
};

TEST_F(SequenceFileTest, KindIsToldByContentNotByName)
{
    const ReadResult sbg = readSequenceFile(write("a.gnaural", "\xEF\xBB\xBF# sbg\na: 200+10/20\nNOW a\n+00:01 a\n"));
    ASSERT_TRUE(sbg.sequence);
    EXPECT_EQ(sbg.sequence->voices.size(), 1u);
    const ReadResult xml = readSequenceFile(write("b.sbg", schedule("", voice(1, "", entry(60, 1, 1, 0, 0)))));
    ASSERT_TRUE(xml.sequence);
    EXPECT_EQ(xml.sequence->voices.front().kind, VoiceKind::pinkNoise);
    // A relative mix file lies beside the sequence.
    const ReadResult mixed = readSequenceFile(write("m.sbg", "-m rain.ogg\na: mix/50\nNOW a\n+00:01 a\n"));
    ASSERT_TRUE(mixed.sequence);
    EXPECT_EQ(mixed.sequence->mixFile, (folder.path / "rain.ogg").string());
}

TEST_F(SequenceFileTest, OnlyRegularTextFilesOfAReasonableSizeAreRead)
{
    const fs::path fifo = folder.path / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path big = write("big.sbg", "");
    fs::resize_file(big, 9 * 1024 * 1024);
    const struct {
        fs::path path;
        const char* says;
    } cases[] = {{folder.path, "not a regular file"},
                 {fifo, "not a regular file"},
                 {folder.path / "missing.sbg", "cannot open"},
                 {big, "too large"},
                 {write("nul.sbg", std::string("a: 200/10\0", 10)), "not a text file"}};
    for (const auto& c : cases) {
        const ReadResult result = readSequenceFile(c.path);
        EXPECT_FALSE(result.sequence) << c.path;
        ASSERT_EQ(result.problems.size(), 1u) << c.path;
        EXPECT_EQ(describe(result.problems.front()), c.path.string() + ": " + result.problems.front().message);
        EXPECT_NE(result.problems.front().message.find(c.says), std::string::npos) << result.problems.front().message;
    }
}

TEST_F(SequenceFileTest, CheckPrintsLengthAndVoicesOrEachErrorWithStatusTwo)
{
    const CheckReport good = checkSequence(
        write("calm.sbg", "-m rain.ogg\na: pink/30 200+10/20 mix/40\nb: pink/30 200+4/20 mix/40\n"
                          "NOW == a ->\n+00:20 == b\n+00:30 b\n"));
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_NE(good.text.find("calm: 30:00 long, fading out over the last 0:30, 3 voices"), std::string::npos)
        << good.text;
    EXPECT_NE(good.text.find("binaural sine, carrier 200 Hz, beat -10 to -4 Hz, level up to 20 %, 0:00 to 30:00"),
              std::string::npos)
        << good.text;
    EXPECT_NE(good.text.find("mix, " + (folder.path / "rain.ogg").string()), std::string::npos) << good.text;

    const fs::path bad = write("bad.sbg", "a: spin:300+4/20\nb: 200+4/200\n");
    const CheckReport refused = checkSequence(bad);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.text, bad.string() + ":1: 'spin:' voices are not supported\n" + bad.string() +
                                ":2: '200+4/200': the amplitude must be a number from 0 to 100\n");

    const CheckReport noted = checkSequence(
        write("n.gnaural", schedule("", voice(0, "", entry(60, 1, 1, 4, 200)) + voice(6, "", entry(60, 1, 1, 0, 0)))));
    EXPECT_EQ(noted.exitCode, 0);
    EXPECT_NE(noted.text.find("note: voice 2: 'Rain' voices are left out"), std::string::npos) << noted.text;
}

TEST(BuiltInSequences, EveryOneReadsDescribesItselfAndEndsWithinTheHour)
{
    const fs::path library = fs::path(AURELITH_SOURCE_DIR) / "data" / "sequences";
    int count = 0;
    bool isochronicOne = false, mixOne = false;
    for (const auto& file : fs::directory_iterator(library)) {
        ++count;
        const ReadResult result = readSequenceFile(file.path());
        ASSERT_TRUE(result.sequence) << describe(result.problems.front());
        EXPECT_TRUE(result.notes.empty()) << file.path();
        const Sequence& s = *result.sequence;
        EXPECT_GE(s.description.size(), 2u) << file.path();
        EXPECT_GT(s.lengthSeconds, 5 * 60) << file.path();
        EXPECT_LE(s.lengthSeconds, 60 * 60) << file.path();
        bool binauralOnly = true;
        for (const Voice& v : s.voices) {
            mixOne = mixOne || v.kind == VoiceKind::mix;
            binauralOnly = binauralOnly && v.kind != VoiceKind::binaural;
        }
        isochronicOne = isochronicOne || (binauralOnly && std::any_of(s.voices.begin(), s.voices.end(), [](auto& v) {
                                              return v.kind == VoiceKind::isochronic;
                                          }));
    }
    EXPECT_GE(count, 9);
    EXPECT_TRUE(isochronicOne) << "one sequence needs no headphones";
    EXPECT_TRUE(mixOne) << "one sequence mixes in the user's own sound";
}

} // namespace
} // namespace aurelith::sequence
