// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The importer's table of small sequence files with the timelines they must
// give, and the pieces Gnaural schedules are built from: shared by the
// readers' tests and the round trip through the writer.

#include "sequence/Sequence.h"

#include <string>
#include <vector>

namespace aurelith::sequence::tables {

// A voice of the model, for tests that build sequences in code.
inline Voice voiceOf(VoiceKind kind, std::vector<Point> points, Waveform waveform = Waveform::sine)
{
    Voice v;
    v.kind = kind;
    v.waveform = waveform;
    v.points = std::move(points);
    return v;
}

// A sequence of those voices, unnamed.
inline Sequence sequenceOf(std::vector<Voice> voices, double lengthSeconds, double fadeOutSeconds = 0,
                           std::vector<std::string> description = {})
{
    Sequence s;
    s.voices = std::move(voices);
    s.lengthSeconds = lengthSeconds;
    s.fadeOutSeconds = fadeOutSeconds;
    s.description = std::move(description);
    return s;
}

// One voice's values at one moment of the plan.
struct Probe {
    std::size_t voice;
    double at;
    double carrier, beat, level;
};

struct TimelineCase {
    const char* name;
    const char* text;
    double length;
    double fadeOut;
    std::vector<VoiceKind> kinds;
    std::vector<Probe> probes;
};

inline constexpr auto B = VoiceKind::binaural;
inline constexpr double kAny = -1; // a carrier or beat the probe does not check

inline const TimelineCase kTimelines[] = {
    // Default "--": a new beat fades in while the old fades out, 30 s either
    // side of the change; the first set fades in over 30 s; the last line ends it.
    {"fade",
     "a: 200+10/20\nb: 200-6/40\noff: -\nNOW a\n+00:10 b\n+00:20 off\n",
     1200,
     30,
     {B, B},
     {{0, 0, 200, -10, 0},
      {0, 15, 200, -10, 0.1},
      {0, 300, 200, -10, 0.2},
      {0, 600, 200, -10, 0.1},
      {0, 630, kAny, kAny, 0},
      {1, 570, 200, 6, 0},
      {1, 600, 200, 6, 0.2},
      {1, 1000, 200, 6, 0.4}}},
    // "==" with "->": the whole period slides, carrier and beat together.
    {"slide",
     "a: 200+10/20\nb: 150+4/20\noff: -\nNOW == a ->\n+00:01 == b\n+00:02 == b\n+00:03 off\n",
     180,
     30,
     {B},
     {{0, 0, 200, -10, 0},
      {0, 30, 175, -7, 0.2},
      {0, 45, 162.5, -5.5, 0.2},
      {0, 60, 150, -4, 0.2},
      {0, 170, 150, -4, 0.2}}},
    // A slide needs both sides to ask: "=" meeting "-" only fades.
    {"slide needs both",
     "a: 200+10/20\nb: 150+4/20\nNOW == a\n+00:10 -= b\n+00:20 b\n",
     1200,
     30,
     {B, B},
     {{0, 600, 200, -10, 0.1}, {1, 600, 150, -4, 0.1}}},
    // What continues at the same frequency only changes its level; pink noise carries on.
    {"continuing",
     "a: pink/40 200+10/20\nb: pink/20 200+10/40\nNOW a\n+00:10 b\n+00:20 b\n",
     1200,
     30,
     {VoiceKind::pinkNoise, B},
     {{0, 300, kAny, kAny, 0.4}, {0, 600, kAny, kAny, 0.3}, {1, 600, 200, -10, 0.3}, {1, 700, 200, -10, 0.4}}},
    // "<": through silence, the old out before the change and the new in after.
    {"through silence",
     "a: 200+10/20\nb: 200+10/20\nNOW a\n+00:10 <- b\n+00:20 b\n",
     1200,
     30,
     {B},
     {{0, 585, 200, -10, 0.1}, {0, 600, kAny, kAny, 0}, {0, 615, 200, -10, 0.1}, {0, 630, 200, -10, 0.2}}},
    // ">" on the way out asks the same.
    {"fade out to silence",
     "a: 200+10/20\nb: 200+10/20\nNOW -> a\n+00:10 b\n+00:20 b\n",
     1200,
     30,
     {B},
     {{0, 600, kAny, kAny, 0}, {0, 615, 200, -10, 0.1}}},
    // Amplitudes over 100 in all are scaled down to 100 in proportion; mix counts.
    {"normalised",
     "a: pink/60 200+10/60 mix/30\nNOW a\n+00:10 a\n",
     600,
     30,
     {VoiceKind::pinkNoise, B, VoiceKind::mix},
     {{0, 100, kAny, kAny, 0.4}, {1, 100, 200, -10, 0.4}, {2, 100, kAny, kAny, 0.2}}},
    // Every voice type, waveforms and an unused slot.
    {"kinds",
     "a: 300M8/10 - 250@10/10 440/10 white/10 brown/10 square:200+8/10 triangle:300@5/10 sawtooth:100/10 "
     "sine:150-3/10\nNOW a\n+00:10 a\n",
     600,
     30,
     {VoiceKind::monaural, VoiceKind::isochronic, VoiceKind::tone, VoiceKind::whiteNoise, VoiceKind::brownNoise, B,
      VoiceKind::isochronic, VoiceKind::tone, B},
     {{0, 100, 300, 8, 0.1},
      {1, 100, 250, 10, 0.1},
      {2, 100, 440, 0, 0.1},
      {5, 100, 200, -8, 0.1},
      {6, 100, 300, 5, 0.1},
      {8, 100, 150, 3, 0.1}}},
    // Clock times; a relative time counts from the last absolute one; one
    // voice serves the slot again once it has fallen silent.
    {"clock",
     "a: 200+10/20\noff: -\n12:00 a\n+00:10 off\n12:30+00:05 a\n+00:40 off\n",
     4200,
     30,
     {B},
     {{0, 300, 200, -10, 0.2}, {0, 1200, kAny, kAny, 0}, {0, 2100, 200, -10, 0.1}, {0, 2400, 200, -10, 0.2}}},
    {"NOW with offsets",
     "a: 200+10/20\nNOW+00:00:30 a\nNOW+00:01+00:00:30 a\n",
     60,
     30,
     {B},
     {{0, 0, 200, -10, 0}, {0, 30, 200, -10, 0.2}}},
    // Blocks, called and nested, stamp their relative lines at the caller's time.
    {"blocks",
     "a: 200+10/20\noff: -\nburst: {\n +00:00 a\n +00:05 off\n}\ntwo: {\n +0:00 burst\n +0:10 burst\n}\n"
     "NOW two\n+00:20 off\n",
     1200,
     30,
     {B},
     {{0, 150, 200, -10, 0.2}, {0, 450, kAny, kAny, 0}, {0, 750, 200, -10, 0.2}, {0, 1000, kAny, kAny, 0}}},
    // Two lines at one time: the later one counts.
    {"same time", "a: 200+10/20\nb: 300+10/20\nNOW a\nNOW b\n+00:10 b\n", 600, 30, {B}, {{0, 100, 300, -10, 0.2}}},
    // Option lines, comments and "##" lines.
    {"options and comments",
     "## Ten minutes of alpha.\n##  At 10 Hz.   \n-SE   # from start to end\n-S -E\na: 200+10/20 # one beat\n"
     "\n   NOW a\n+00:10 a\n",
     600,
     30,
     {B},
     {{0, 300, 200, -10, 0.2}}},
    // "-F": the fade interval in ms, half of it either side of a change-over,
    // at the start and at the end; seconds may carry up to three decimals.
    {"fade interval",
     "-F 2000\na: 200+10/20\nb: 200-6/40\nNOW a\n+00:00:10.5 b\n+00:00:20 b\n",
     20,
     1,
     {B, B},
     {{0, 0.5, 200, -10, 0.1},
      {0, 9.5, 200, -10, 0.2},
      {0, 10.5, 200, -10, 0.1},
      {0, 11.5, kAny, kAny, 0},
      {1, 10.5, 200, 6, 0.2},
      {1, 11.5, 200, 6, 0.4}}},
    // "-m" with no mix/ in any set: the mix plays at full level throughout.
    {"mix file alone",
     "-m rain.ogg\na: 200+10/20\nNOW a\n+00:10 a\n",
     600,
     30,
     {B, VoiceKind::mix},
     {{1, 300, kAny, kAny, 1}}},
};

// Gnaural schedules: a header, then voices of <entry> lines.
inline std::string schedule(const std::string& header, const std::string& voices)
{
    return "<?xml version=\"1.0\"?>\n<schedule>\n<title>Drift</title>\n"
           "<schedule_description>Alpha then theta</schedule_description>\n" +
           header + voices + "</schedule>\n";
}

inline std::string voice(int type, const std::string& description, const std::string& entries, bool muted = false)
{
    return "<voice>\n<description>" + description + "</description>\n<type>" + std::to_string(type) +
           "</type>\n<voice_mute>" + (muted ? "1" : "0") + "</voice_mute>\n<entries>\n" + entries +
           "</entries>\n</voice>\n";
}

inline std::string entry(double duration, double left, double right, double beat, double base)
{
    return "<entry parent=\"0\" duration=\"" + std::to_string(duration) + "\" volume_left=\"" + std::to_string(left) +
           "\" volume_right=\"" + std::to_string(right) + "\" beatfreq=\"" + std::to_string(beat) + "\" basefreq=\"" +
           std::to_string(base) + "\" state=\"0\"/>\n";
}

// The importer's schedules: every voice type (two loops, half the overall
// volume, levels adding up to more than 1, types left out) and a stereo swap.
inline std::string everyVoiceTypeSchedule()
{
    return schedule("<loops>2</loops>\n<overallvolume_left>0.5</overallvolume_left>\n"
                    "<overallvolume_right>0.5</overallvolume_right>\n<stereoswap>0</stereoswap>\n",
                    voice(0, "beat", entry(60, 0.8, 0.8, 10, 200) + entry(40, 0.4, 0.4, 4, 150)) +
                        voice(1, "noise", entry(100, 0.6, 0.6, 0, 0)) + voice(2, "rain.ogg", entry(100, 1, 1, 0, 0)) +
                        voice(3, "pulse", entry(50, 0.2, 0.2, 6, 300) + entry(50, 0.2, 0.2, 8, 300)) +
                        voice(5, "drops", entry(100, 1, 1, 0, 0)) + voice(6, "", entry(100, 1, 1, 0, 0)) +
                        voice(4, "alt", entry(100, 1, 1, 5, 200)) + voice(0, "quiet", entry(100, 1, 1, 5, 200), true));
}

inline std::string swappedSchedule()
{
    return schedule("<stereoswap>1</stereoswap>\n<loops>0</loops>\n", voice(0, "", entry(60, 0.2, 0.6, 10, 200)));
}

} // namespace aurelith::sequence::tables
