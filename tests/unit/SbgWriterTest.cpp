// SPDX-License-Identifier: GPL-3.0-or-later
// The shape of the SBaGen-family text the writer makes: the ear the higher
// tone is in, kinds and waveforms in their slots, and the lines and options
// it places for the format's own fades (the start's, the end's, jumps).
// Reading it back is SbgRoundTripTest's.
#include "sequence/SequenceFiles.h"

#include "support/SequenceTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace aurelith::sequence;

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

} // namespace

TEST(SbgWriterTest, WritesEachShapeItsOwnWay)
{
    const struct {
        const char* what;
        Sequence sequence;
        std::vector<std::string> expected; // these lines in this order, others between allowed
        bool common;                       // only what every program of the family reads
    } shapes[] = {
        {"right ear higher is a minus sign; no fade-out is a 1 ms fade interval, under which an audible start "
         "needs no line",
         tables::sequenceOf(
             {tables::voiceOf(VoiceKind::binaural, {{0, 200, 10, 0.5, Join::slide}, {60, 200, 4, 0.5, Join::slide}})},
             120, 0, {"Ten to four.", "Then hold."}),
         {"## Ten to four.", "## Then hold.", "-SE", "-F 1", "ts001: 200-10/50", "ts002: 200-4/50", "NOW == ts001 ->",
          "+00:01:00 == ts002 ->", "+00:02:00 == ts003"},
         true},
        {"left ear higher is a plus sign; a step slides over the millisecond before its next point",
         tables::sequenceOf({tables::voiceOf(VoiceKind::binaural,
                                             {{0, 150.25, -6.5, 0.3, Join::step}, {30, 150.25, -3, 0.3, Join::step}})},
                            45),
         {"ts002: 150.25+6.5/30", "ts003: 150.25+3/30", "+00:00:29.999 == ts002 ->", "+00:00:30 == ts003 ->"},
         false},
        {"every kind in its slot, with its waveform; a late voice is off until a millisecond before it starts",
         tables::sequenceOf({tables::voiceOf(VoiceKind::isochronic, {{0, 300, 10, 0.2, Join::step}}, Waveform::square),
                             tables::voiceOf(VoiceKind::monaural, {{0, 400, 8, 0.1, Join::step}}, Waveform::triangle),
                             tables::voiceOf(VoiceKind::pinkNoise, {{10, 0, 0, 0.4, Join::step}}),
                             tables::voiceOf(VoiceKind::tone, {{0, 432.5, 0, 0.05, Join::step}}, Waveform::sawtooth)},
                            20),
         {"ts002: square:300@10/20 triangle:400M8/10 - sawtooth:432.5/5",
          "ts003: square:300@10/20 triangle:400M8/10 pink/40 sawtooth:432.5/5", "+00:00:09.999 == ts002 ->",
          "+00:00:10 == ts003 ->"},
         false},
        {"a start from silence is the reader's own fade-in: written at full level, without its point; the default "
         "fade-out needs no option",
         tables::sequenceOf(
             {tables::voiceOf(VoiceKind::brownNoise, {{0, 0, 0, 0, Join::slide}, {20, 0, 0, 0.25, Join::slide}})}, 100,
             30),
         {"-SE", "ts001: brown/25", "NOW == ts001 ->", "+00:00:40 == ts002 ->", "+00:01:40 == ts003"},
         true},
        {"a short fade-out is half the fade interval; an audible start under it gets a line 1 ms in; times keep "
         "their milliseconds",
         tables::sequenceOf(
             {tables::voiceOf(VoiceKind::whiteNoise, {{0, 0, 0, 0.05, Join::slide}, {29.6, 0, 0, 0.1, Join::slide}})},
             600, 10),
         {"-F 20000", "ts001: white/5", "NOW == ts001 ->", "+00:00:00.001 == ts002 ->", "+00:00:29.600 == ts003 ->",
          "+00:10:00 == ts004"},
         false},
    };
    for (const auto& shape : shapes) {
        const std::string text = writeSbg(shape.sequence);
        const std::vector<std::string> lines = linesOf(text);
        size_t at = 0;
        for (const std::string& expected : shape.expected) {
            auto found = std::find(lines.begin() + static_cast<long>(at), lines.end(), expected);
            EXPECT_TRUE(found != lines.end()) << shape.what << ": no line \"" << expected << "\" in order in\n" << text;
            if (found != lines.end())
                at = static_cast<size_t>(found - lines.begin()) + 1;
        }
        // Only what every program of the family reads: whole-second times (milliseconds only where the
        // shape needs them), once each, the documented marks.
        // NOW or +hh:mm:ss[.fff], then " == ts" and three digits, then " ->" or nothing.
        // (Checked by hand: GCC 12 warns inside <regex> under AddressSanitizer.)
        const auto timeLine = [&shape](const std::string& line) {
            const auto digits = [&](size_t from, size_t n) {
                return line.size() >= from + n &&
                       std::all_of(line.begin() + static_cast<long>(from), line.begin() + static_cast<long>(from + n),
                                   [](char c) { return c >= '0' && c <= '9'; });
            };
            size_t at = 0;
            if (line.rfind("NOW", 0) == 0)
                at = 3;
            else if (line.size() >= 9 && line[0] == '+' && digits(1, 2) && line[3] == ':' && digits(4, 2) &&
                     line[6] == ':' && digits(7, 2))
                at = line.size() >= 13 && line[9] == '.' && digits(10, 3) && !shape.common ? 13 : 9;
            else
                return false;
            if (line.compare(at, 6, " == ts") != 0 || !digits(at + 6, 3))
                return false;
            const std::string rest = line.substr(at + 9);
            return rest.empty() || rest == " ->";
        };
        std::vector<std::string> times;
        for (const std::string& line : lines)
            if (line.rfind("NOW", 0) == 0 || line.rfind("+", 0) == 0) {
                EXPECT_TRUE(timeLine(line)) << shape.what << ": " << line;
                EXPECT_TRUE(times.empty() || times.back() != line.substr(0, line.find(' ')))
                    << shape.what << ": " << line;
                times.push_back(line.substr(0, line.find(' ')));
            }
    }
}
