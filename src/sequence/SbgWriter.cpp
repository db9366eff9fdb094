// SPDX-License-Identifier: GPL-3.0-or-later
// The SBaGen family's text for a sequence, written so that the family's
// reading of it (docs/architecture.md, "Sequences") gives back the model's
// points. Each voice keeps one slot of every tone-set and every line slides
// ("==" ... "->") to the next, so between two lines each voice moves in a
// straight line, as the model does between two points. The format has whole
// seconds only and two behaviours of its own, which the lines are placed for:
// - the first tone-set fades in over half the first period (at most 30 s): a
//   model that starts so is written without that point and lets the reader
//   make it again; any other start gets a line at 1 s, so its fade lasts 0.5 s;
// - the last period's half (at most 30 s) is the fade-out: a line is placed
//   that far before the end.
// A jump (a step, or a voice starting above silence) becomes a one-second
// slide from a line a second before it. Points off whole seconds are rounded.
#include "sequence/ReaderSupport.h"
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

namespace aurelith::sequence {

namespace {

using detail::kHalfChange;
constexpr double kSame = 1e-9;

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

// +hh:mm:ss from the start; the family's times are whole seconds.
std::string clock(long long seconds)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "+%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
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

std::string spec(const Voice& voice, const std::optional<Point>& value)
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
// from its fade-in to the end. Left out of the tone-sets, the reader adds it again.
bool isImplicitMix(const Sequence& s, const Voice& v)
{
    if (v.kind != VoiceKind::mix || s.mixFile.empty() || &v != &s.voices.back() || v.points.empty())
        return false;
    if (std::count_if(s.voices.begin(), s.voices.end(), [](const Voice& o) { return o.kind == VoiceKind::mix; }) != 1)
        return false;
    for (size_t i = 0; i < v.points.size(); ++i)
        if (std::abs(v.points[i].level - 1) > kSame && !(i == 0 && v.points[i].level == 0))
            return false;
    return v.points.front().seconds == 0;
}

} // namespace

std::string writeSbg(const Sequence& sequence)
{
    const long long length = std::max(1LL, std::llround(std::max(0.0, sequence.lengthSeconds)));
    auto whole = [](double t) { return std::llround(t); };
    std::vector<const Voice*> voices;
    for (const Voice& voice : sequence.voices)
        if (!isImplicitMix(sequence, voice))
            voices.push_back(&voice);

    // Every point's time, and a second before each jump.
    std::set<long long> times{0};
    for (const Voice* voice : voices) {
        const auto& pts = voice->points;
        for (size_t i = 0; i < pts.size(); ++i) {
            const long long t = whole(pts[i].seconds);
            if (t > 0 && t < length && bends(*voice, i, double(length)))
                times.insert(t);
            const bool startsAudible = i == 0 && t > 0 && pts[i].level > 0;
            const bool stepJumps = i > 0 && pts[i - 1].join == Join::step &&
                                   (pts[i - 1].level > 0 || pts[i].level > 0) &&
                                   (!sameSound(pts[i - 1], pts[i]) ||
                                    std::abs(pts[i - 1].level - pts[i].level) > kSame);
            const long long before = i > 0 ? whole(pts[i - 1].seconds) : 0;
            if ((startsAudible || stepJumps) && t - 1 > before && t < length)
                times.insert(t - 1);
        }
    }

    // The start: the reader's own fade-in where the model has one, else a
    // line at 1 s so that the fade it adds is as short as it can be.
    std::vector<std::optional<Point>> first(voices.size());
    std::optional<long long> fadeIn;
    {
        std::optional<long long> f;
        bool fits = true, any = false;
        for (size_t v = 0; v < voices.size() && fits; ++v) {
            const auto& pts = voices[v]->points;
            if (pts.empty() || whole(pts.front().seconds) != 0)
                continue;
            any = true;
            fits = pts.size() >= 2 && pts[0].level == 0 && pts[0].join == Join::slide &&
                   (!f || whole(pts[1].seconds) == *f);
            if (fits)
                f = whole(pts[1].seconds);
        }
        if (any && fits && f && *f <= kHalfChange && *f < length) {
            // The reader's fade spans half the first period: the next line must lie at 2F (or 60 s on).
            auto next = times.upper_bound(*f);
            const long long after = next == times.end() ? length : *next;
            const bool othersBefore = std::any_of(times.begin(), times.end(),
                                                  [&](long long t) { return t > 0 && t < *f; });
            long long second = after;
            if (*f < kHalfChange && after > 2 * *f)
                second = 2 * *f;
            if (!othersBefore && (*f < kHalfChange ? second == 2 * *f : second >= 2 * *f)) {
                // The first line holds the values the model's segment F..second comes from.
                bool straight = true;
                for (size_t v = 0; v < voices.size(); ++v) {
                    const auto& pts = voices[v]->points;
                    if (pts.empty() || whole(pts.front().seconds) != 0)
                        continue;
                    const Point a = valueAt(*voices[v], double(*f)), b = valueAt(*voices[v], double(second) - 1e-6);
                    const double k = double(*f) / double(second - *f);
                    Point start = a;
                    start.seconds = 0;
                    start.carrierHz = a.carrierHz - (b.carrierHz - a.carrierHz) * k;
                    start.beatHz = a.beatHz - (b.beatHz - a.beatHz) * k;
                    start.level = a.level - (b.level - a.level) * k;
                    straight = straight && sameSound(start, pts[0]) && start.level > 0 && start.level <= 1 + kSame;
                    first[v] = start;
                }
                if (straight) {
                    fadeIn = *f;
                    times.erase(*f);
                    if (second < length)
                        times.insert(second);
                }
            }
        }
        if (!fadeIn) {
            first.assign(voices.size(), std::nullopt);
            const bool audible = std::any_of(voices.begin(), voices.end(), [](const Voice* v) {
                return !v->points.empty() && v->points.front().seconds < 0.5 && v->points.front().level > 0;
            });
            if (audible && length > 1)
                times.insert(1);
        }
    }

    // The end: the reader fades out over half the last period, at most 30 s.
    {
        const long long last = *times.rbegin();
        const long long period = sequence.fadeOutSeconds >= kHalfChange
                                     ? std::max(2 * static_cast<long long>(kHalfChange), length - last)
                                     : std::max(1LL, whole(2 * sequence.fadeOutSeconds));
        if (length - period > last)
            times.insert(length - period);
    }
    times.insert(length);

    std::string out;
    for (const std::string& text : sequence.description)
        out += "## " + text + "\n";
    if (!sequence.description.empty())
        out += "\n";
    // Play from the first line to the last, not by the clock.
    out += "-SE\n";
    const bool mixes = std::any_of(sequence.voices.begin(), sequence.voices.end(),
                                   [](const Voice& v) { return v.kind == VoiceKind::mix; });
    if (mixes && !sequence.mixFile.empty())
        out += "-m " + sequence.mixFile + "\n";
    out += "\n";

    auto setName = [](size_t index) {
        char name[32];
        std::snprintf(name, sizeof name, "ts%03zu", index + 1);
        return std::string(name);
    };
    std::string timeline;
    size_t index = 0;
    for (auto it = times.begin(); it != times.end(); ++it, ++index) {
        const long long t = *it;
        std::string specs;
        for (size_t v = 0; v < voices.size(); ++v)
            specs += " " + spec(*voices[v], t == 0 && first[v] ? first[v] : from(*voices[v], double(t)));
        out += setName(index) + ":" + (specs.empty() ? " -" : specs) + "\n";
        const bool last = std::next(it) == times.end();
        timeline += (t == 0 ? std::string("NOW") : clock(t)) + " == " + setName(index) + (last ? "\n" : " ->\n");
    }
    return out + "\n" + timeline;
}

} // namespace aurelith::sequence
