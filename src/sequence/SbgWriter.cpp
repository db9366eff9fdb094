// SPDX-License-Identifier: GPL-3.0-or-later
// The SBaGen family's text for a sequence, written so that the family's
// reading of it (docs/architecture.md, "Sequences") gives back the model's
// points to the millisecond. Each voice keeps one slot of every tone-set and
// every line slides ("==" ... "->") to the next, so between two lines each
// voice moves in a straight line, as the model does between two points. The
// format's own behaviours are written for:
// - the last period's half, at most half the fade interval (-F, in ms, 60 s
//   unless given), fades out: the interval is twice the model's fade-out
//   (1 ms when it has none);
// - the first tone-set fades in over half the first period (at most half the
//   interval): a model that starts so is written without that point and lets
//   the reader make it again, another start from silence needs nothing, and
//   an audible one gets a line 1 ms in unless the interval is that short;
// - a jump (a step, or a voice starting above silence) slides over the
//   millisecond before it.
// A file uses only what every program of the family reads (-F included)
// except for what only this program reads, written only where the model needs
// it: times off the whole second ("+00:00:29.999"; steps, audible starts under
// a fade-out, points between seconds), and "# aurelith:" comment lines, which
// the others skip: "levels as written" where a moment's levels add up to more
// than 100 (the family scales such a set down to 100; Gnaural schedules can
// exceed it), and "voice N muted" or "voice N solo" for the editor's switches.
#include "sequence/ReaderSupport.h"
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <span>

namespace aurelith::sequence {

namespace {

using Ms = long long; // the file's times, in milliseconds
constexpr double kSame = 1e-9;

Ms ms(double seconds) { return std::llround(seconds * 1000); }

// Enough digits that a read-back is within 0.001 Hz and 1e-6 of a level; no trailing zeros.
std::string number(double value, int decimals)
{
    char buffer[64];
    const double rounded = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc{})
        return "0";
    std::string text(buffer, end);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

// +hh:mm:ss from the start, with milliseconds only where there are any.
std::string clock(Ms t)
{
    char buffer[64];
    const Ms seconds = t / 1000;
    const int n = std::snprintf(buffer, sizeof buffer, "+%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                                seconds % 60);
    if (t % 1000 != 0 && n > 0)
        std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), ".%03lld", t % 1000);
    return buffer;
}

const char* waveformPrefix(Waveform waveform)
{
    switch (waveform) {
    case Waveform::sine: return "";
    case Waveform::square: return "square:";
    case Waveform::triangle: return "triangle:";
    case Waveform::sawtooth: return "sawtooth:";
    }
    return "";
}

std::string toneText(const Voice& voice, const std::optional<Point>& value)
{
    if (!value)
        return "-";
    const Point& p = *value;
    const std::string amp = "/" + number(std::clamp(p.level, 0.0, 1.0) * 100, 5);
    const std::string carrier = waveformPrefix(voice.waveform) + number(p.carrierHz, 4);
    switch (voice.kind) {
    // "+" puts the higher tone in the left ear; the model's beat is right minus left.
    case VoiceKind::binaural: return carrier + (p.beatHz > 0 ? "-" : "+") + number(std::abs(p.beatHz), 4) + amp;
    case VoiceKind::monaural: return carrier + "M" + number(p.beatHz, 4) + amp;
    case VoiceKind::isochronic: return carrier + "@" + number(p.beatHz, 4) + amp;
    case VoiceKind::tone: return carrier + amp;
    case VoiceKind::whiteNoise: return "white" + amp;
    case VoiceKind::pinkNoise: return "pink" + amp;
    case VoiceKind::brownNoise: return "brown" + amp;
    case VoiceKind::mix: return "mix" + amp;
    }
    return "-";
}

// What a voice plays from a time on; nothing before its first point.
std::optional<Point> from(const Voice& voice, double t)
{
    if (voice.points.empty() || t < voice.points.front().seconds - 0.0005)
        return std::nullopt;
    return valueAt(voice, std::max(t, voice.points.front().seconds));
}

bool sameSound(const Point& a, const Point& b)
{
    return std::abs(a.carrierHz - b.carrierHz) < kSame && std::abs(a.beatHz - b.beatHz) < kSame;
}

// Whether a voice changes course at its point i; a point on a straight run
// (the reader's own marks of a hold, say) needs no line.
bool bends(const Voice& voice, size_t i, double length)
{
    const auto& pts = voice.points;
    if (i == 0 || pts[i - 1].join == Join::step || pts[i].join == Join::step)
        return true;
    const Point& a = pts[i - 1];
    const Point& p = pts[i];
    Point b = i + 1 < pts.size() ? pts[i + 1] : p;
    if (i + 1 == pts.size())
        b.seconds = std::max(length, p.seconds + 1); // held to the end
    if (b.seconds <= p.seconds || p.seconds <= a.seconds)
        return true;
    const double f = (p.seconds - a.seconds) / (b.seconds - a.seconds);
    auto off = [f](double x, double y, double z) { return std::abs(x + f * (y - x) - z) > kSame; };
    return off(a.carrierHz, b.carrierHz, p.carrierHz) || off(a.beatHz, b.beatHz, p.beatHz) ||
           off(a.level, b.level, p.level);
}

// A mix voice as the reader makes it for "-m" without any "mix/": full level
// from its fade-in to the end. Left out of the tone-sets (where the reader's
// fade-in makes its start again), the reader adds it again, and the file
// plays alike in every program of the family.
bool isImplicitMix(const Sequence& s, const Voice& v)
{
    if (v.kind != VoiceKind::mix || s.mixFile.empty() || &v != &s.voices.back() || v.points.empty())
        return false;
    if (std::count_if(s.voices.begin(), s.voices.end(), [](const Voice& o) { return o.kind == VoiceKind::mix; }) != 1)
        return false;
    for (size_t i = 0; i < v.points.size(); ++i)
        if (std::abs(v.points[i].level - 1) > kSame && !(i == 0 && v.points[i].level == 0))
            return false;
    return v.points.front().seconds == 0 && !v.muted && !v.solo;
}

// A start from silence made the way the reader makes one (every voice that
// starts at 0 rises from level 0 to its next point at one time F, at most half
// the fade interval) is left for the reader to make again: the first line
// holds the values the voices' runs after F come from, the line at F goes and
// the next lies at 2F (at 2F or later when F is half the interval). Without
// it a short sequence's last period could be cut shorter than its fade-out.
// Gives the first line's values, or nothing when the start is not such a fade.
std::optional<std::vector<Point>> readersFadeIn(const std::vector<Voice>& voices, std::set<Ms>& times, Ms interval,
                                                Ms length)
{
    std::optional<Ms> f;
    for (const Voice& voice : voices) {
        const auto& pts = voice.points;
        if (pts.empty() || ms(pts.front().seconds) != 0)
            continue;
        if (pts.size() < 2 || pts[0].level != 0 || pts[0].join != Join::slide || (f && ms(pts[1].seconds) != *f))
            return std::nullopt;
        f = ms(pts[1].seconds);
    }
    const Ms half = interval / 2;
    if (!f || *f <= 0 || *f > half || *f >= length || interval % 2 != 0)
        return std::nullopt;
    if (std::any_of(times.begin(), times.end(), [&](Ms t) { return t > 0 && t < *f; }))
        return std::nullopt;
    auto next = times.upper_bound(*f);
    const Ms after = next == times.end() ? length : *next;
    const Ms second = *f < half && after > 2 * *f ? 2 * *f : after;
    if (*f < half ? second != 2 * *f : second < 2 * *f)
        return std::nullopt;
    std::vector<Point> first(voices.size());
    for (size_t v = 0; v < voices.size(); ++v) {
        const auto& pts = voices[v].points;
        if (pts.empty() || ms(pts.front().seconds) != 0)
            continue;
        const Point a = valueAt(voices[v], double(*f) / 1000);
        const Point b = valueAt(voices[v], double(second) / 1000 - 1e-6);
        const double k = double(*f) / double(second - *f);
        Point start = a;
        start.seconds = 0;
        start.carrierHz = a.carrierHz - (b.carrierHz - a.carrierHz) * k;
        start.beatHz = a.beatHz - (b.beatHz - a.beatHz) * k;
        start.level = a.level - (b.level - a.level) * k;
        if (!sameSound(start, pts[0]) || start.level <= 0 || start.level > 1 + kSame)
            return std::nullopt;
        first[v] = start;
    }
    times.erase(*f);
    if (second < length)
        times.insert(second);
    return first;
}

} // namespace

std::string writeSbg(const Sequence& sequence)
{
    const Ms length = std::max<Ms>(1, ms(std::max(0.0, sequence.lengthSeconds)));
    const Ms interval = std::max<Ms>(1, ms(2 * std::max(0.0, sequence.fadeOutSeconds)));
    const auto& voices = sequence.voices;

    // Every point where a voice changes course, and a millisecond before each jump.
    std::set<Ms> times{0};
    for (const Voice& voice : voices) {
        const auto& pts = voice.points;
        for (size_t i = 0; i < pts.size(); ++i) {
            const Ms t = ms(pts[i].seconds);
            if (t > 0 && t < length && bends(voice, i, double(length) / 1000))
                times.insert(t);
            const bool startsAudible = i == 0 && t > 0 && pts[i].level > 0;
            const bool stepJumps = i > 0 && pts[i - 1].join == Join::step &&
                                   (pts[i - 1].level > 0 || pts[i].level > 0) &&
                                   (!sameSound(pts[i - 1], pts[i]) ||
                                    std::abs(pts[i - 1].level - pts[i].level) > kSame);
            const Ms before = i > 0 ? ms(pts[i - 1].seconds) : 0;
            if ((startsAudible || stepJumps) && t - 1 > before && t < length)
                times.insert(t - 1);
        }
    }
    // The reader fades the first set in over half the first period.
    const std::optional<std::vector<Point>> fadeIn = readersFadeIn(voices, times, interval, length);
    const bool audibleStart = std::any_of(voices.begin(), voices.end(), [](const Voice& v) {
        return !v.points.empty() && ms(v.points.front().seconds) == 0 && v.points.front().level > 0;
    });
    if (!fadeIn && audibleStart && interval > 2 && length > 1)
        times.insert(1);
    times.insert(length);

    const size_t written = fadeIn && isImplicitMix(sequence, voices.back()) ? voices.size() - 1 : voices.size();
    std::vector<std::string> sets;
    bool levelsAbove100 = false;
    for (const Ms t : times) {
        std::string tones;
        double total = 0;
        for (const Voice& voice : std::span(voices).first(written)) {
            const size_t v = static_cast<size_t>(&voice - voices.data());
            const bool made = t == 0 && fadeIn && !voice.points.empty() && ms(voice.points.front().seconds) == 0;
            const std::optional<Point> value = made ? (*fadeIn)[v] : from(voice, double(t) / 1000);
            tones += " " + toneText(voice, value);
            total += value ? std::clamp(value->level, 0.0, 1.0) : 0;
        }
        levelsAbove100 = levelsAbove100 || total > 1 + 1e-7;
        sets.push_back(tones.empty() ? " -" : tones);
    }

    std::string out;
    for (const std::string& text : sequence.description)
        out += "## " + text + "\n";
    if (!sequence.description.empty())
        out += "\n";
    // Play from the first line to the last, not by the clock.
    out += "-SE\n";
    if (interval != 60000)
        out += "-F " + std::to_string(interval) + "\n";
    const bool mixes = std::any_of(voices.begin(), voices.end(),
                                   [](const Voice& v) { return v.kind == VoiceKind::mix; });
    if (mixes && !sequence.mixFile.empty())
        out += "-m " + sequence.mixFile + "\n";
    if (levelsAbove100)
        out += "# aurelith: levels as written\n";
    // Numbered as the reader will number them: a voice without points is never read back.
    size_t number = 0;
    for (const Voice& voice : voices) {
        if (voice.points.empty())
            continue;
        ++number;
        if (voice.muted)
            out += "# aurelith: voice " + std::to_string(number) + " muted\n";
        if (voice.solo)
            out += "# aurelith: voice " + std::to_string(number) + " solo\n";
    }
    out += "\n";

    std::string timeline;
    size_t index = 0;
    for (auto it = times.begin(); it != times.end(); ++it, ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "ts%03zu", index + 1);
        out += std::string(name) + ":" + sets[index] + "\n";
        const bool last = std::next(it) == times.end();
        timeline += (*it == 0 ? std::string("NOW") : clock(*it)) + " == " + name + (last ? "\n" : " ->\n");
    }
    return out + "\n" + timeline;
}

} // namespace aurelith::sequence
