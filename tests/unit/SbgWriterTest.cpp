// SPDX-License-Identifier: GPL-3.0-or-later
// The shape of the SBaGen-family text the writer makes: the ear the higher
// tone is in, the marks of slides and steps, and the lines that keep a jump
// and the end exact. Reading it back is the round trip's test.
#include "sequence/SequenceFiles.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace aurelith::sequence;

namespace {

Voice voice(VoiceKind kind, std::vector<Point> points, Waveform waveform = Waveform::sine)
{
    Voice v;
    v.kind = kind;
    v.waveform = waveform;
    v.points = std::move(points);
    return v;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

struct Shape {
    const char* what;
    Sequence sequence;
    std::vector<std::string> expected; // the lines in this order, others between allowed
};

Sequence make(std::vector<Voice> voices, double length, double fade = 0, std::vector<std::string> description = {})
{
    Sequence s;
    s.voices = std::move(voices);
    s.lengthSeconds = length;
    s.fadeOutSeconds = fade;
    s.description = std::move(description);
    return s;
}

} // namespace

TEST(SbgWriterTest, WritesEachShapeItsOwnWay)
{
    const std::vector<Shape> shapes = {
        {"right ear higher is a minus sign; a slide slides to the next line",
         make({voice(VoiceKind::binaural, {{0, 200, 10, 0.5, Join::slide}, {60, 200, 4, 0.5, Join::slide}})}, 120, 0,
              {"Ten to four.", "Then hold."}),
         {"## Ten to four.", "## Then hold.", "-SE", "ts001: 200-10/50", "ts002: 200-4/50", "NOW -= ts001 ->",
          "+00:01:00 =- ts002", "+00:02:00 off"}},
        {"left ear higher is a plus sign; steps hold without a slide",
         make({voice(VoiceKind::binaural, {{0, 150.25, -6.5, 0.3, Join::step}, {30, 150.25, -3, 0.3, Join::step}})},
              45),
         {"ts001: 150.25+6.5/30", "ts002: 150.25+3/30", "NOW -- ts001", "+00:00:30 -- ts002", "+00:00:45 off"}},
        {"every kind in its slot, with its waveform; a late voice is off until it starts",
         make({voice(VoiceKind::isochronic, {{0, 300, 10, 0.2, Join::step}}, Waveform::square),
               voice(VoiceKind::monaural, {{0, 400, 8, 0.1, Join::step}}, Waveform::triangle),
               voice(VoiceKind::pinkNoise, {{10, 0, 0, 0.4, Join::step}}),
               voice(VoiceKind::tone, {{0, 432.5, 0, 0.05, Join::step}}, Waveform::sawtooth)},
              20),
         {"ts001: square:300@10/20 triangle:400M8/10 - sawtooth:432.5/5",
          "ts002: square:300@10/20 triangle:400M8/10 pink/40 sawtooth:432.5/5", "+00:00:10 -- ts002"}},
        {"a step voice jumping at the end of another's slide: the slide's end, then the jump, at one time",
         make({voice(VoiceKind::binaural, {{0, 200, 10, 0.5, Join::slide}, {60, 200, 4, 0.5, Join::step}}),
               voice(VoiceKind::whiteNoise, {{0, 0, 0, 0.1, Join::step}, {60, 0, 0, 0.3, Join::step}})},
              90),
         {"ts001: 200-10/50 white/10", "ts002: 200-4/50 white/10", "ts003: 200-4/50 white/30", "NOW -= ts001 ->",
          "+00:01:00 =- ts002", "+00:01:00 -- ts003", "+00:01:30 off"}},
        {"a fade to silence before the end; times to the millisecond when they need it",
         make({voice(VoiceKind::brownNoise, {{0, 0, 0, 0.25, Join::step}, {12.5, 0, 0, 0.5, Join::step}})}, 100, 30),
         {"ts002: brown/50", "ts003: brown/50", "+00:00:12.5 -- ts002", "+00:01:10 -> ts003 ->", "+00:01:40 off"}},
    };
    for (const Shape& shape : shapes) {
        const std::vector<std::string> lines = linesOf(writeSbg(shape.sequence));
        size_t at = 0;
        for (const std::string& expected : shape.expected) {
            auto found = std::find(lines.begin() + static_cast<long>(at), lines.end(), expected);
            EXPECT_TRUE(found != lines.end()) << shape.what << ": no line \"" << expected << "\" in order in\n"
                                              << writeSbg(shape.sequence);
            if (found != lines.end())
                at = static_cast<size_t>(found - lines.begin()) + 1;
        }
    }
}

TEST(SbgWriterTest, KeepsTheFamilysLimitsWhereTheSequenceDoes)
{
    // Whole seconds and plain slides: nothing beyond what every program of the
    // family reads (no fractions of a second, no repeated times).
    const Sequence plain = make(
        {voice(VoiceKind::binaural, {{0, 200, 10, 0.5, Join::slide}, {600, 180, 6, 0.5, Join::step}}),
         voice(VoiceKind::pinkNoise, {{0, 0, 0, 0.3, Join::step}})},
        900);
    std::vector<std::string> times;
    for (const std::string& line : linesOf(writeSbg(plain))) {
        if (line.rfind("NOW", 0) == 0 || line.rfind("+", 0) == 0) {
            const std::string time = line.substr(0, line.find(' '));
            EXPECT_EQ(time.find('.'), std::string::npos) << line;
            EXPECT_TRUE(times.empty() || times.back() != time) << line;
            times.push_back(time);
        }
    }
    EXPECT_EQ(times.size(), 3u);
}
