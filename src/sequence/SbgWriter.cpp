// SPDX-License-Identifier: GPL-3.0-or-later
// The SBaGen family's text for a sequence. Each voice keeps one slot of every
// tone-set, so the other programs of the family slide it from line to line.
// A line is written wherever any voice has a point; a line whose voices change
// over its span slides to the next ("==" ... "->"), one whose voices all hold
// steps ("--", no "->"). A voice that jumps at the end of a slide gets a
// second line at the same time: the slide's end, then the new values.
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace aurelith::sequence {

namespace {

// Enough digits that a read-back is within 0.001 Hz and 1 ms; no trailing zeros.
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

// hh:mm:ss, with milliseconds only when the time needs them.
std::string clock(double seconds)
{
    const long long ms = std::llround(std::max(0.0, seconds) * 1000);
    const long long whole = ms / 1000;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    std::string text = buffer;
    if (ms % 1000 != 0) {
        std::snprintf(buffer, sizeof buffer, ".%03lld", ms % 1000);
        text += buffer;
        while (text.back() == '0')
            text.pop_back();
    }
    return text;
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
    const std::string amp = "/" + number(p.level * 100, 4);
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
    if (voice.points.empty() || t < voice.points.front().seconds)
        return std::nullopt;
    return valueAt(voice, t);
}

// What a voice plays just before a time: the end of a slide into it, or the
// value held up to it.
std::optional<Point> before(const Voice& voice, double t)
{
    const auto& pts = voice.points;
    auto after = std::lower_bound(pts.begin(), pts.end(), t, [](const Point& p, double s) { return p.seconds < s; });
    if (after == pts.begin())
        return std::nullopt;
    const Point& last = *(after - 1);
    if (after == pts.end() || last.join == Join::step)
        return valueAt(voice, last.seconds + (t - last.seconds) / 2); // the held value
    Point end = *after;                                               // the slide arrives at the next point
    end.join = last.join;
    return end;
}

bool same(const std::optional<Point>& a, const std::optional<Point>& b)
{
    if (!a || !b)
        return !a && !b;
    constexpr double eps = 1e-9;
    return std::abs(a->carrierHz - b->carrierHz) < eps && std::abs(a->beatHz - b->beatHz) < eps &&
           std::abs(a->level - b->level) < eps;
}

using Values = std::vector<std::optional<Point>>;

struct Line {
    double seconds;
    Values values; // one per voice; empty: every slot off
    bool slides = false;
    bool fadesOut = false;
};

} // namespace

std::string writeSbg(const Sequence& sequence)
{
    const double length = std::max(0.0, sequence.lengthSeconds);
    const double fadeStart = sequence.fadeOutSeconds > 0 ? std::max(0.0, length - sequence.fadeOutSeconds) : length;

    // Every time a voice has a point, the start and the fade, inside the length.
    std::vector<double> times{0.0};
    for (const Voice& voice : sequence.voices)
        for (const Point& p : voice.points)
            if (p.seconds > 0 && p.seconds < fadeStart)
                times.push_back(p.seconds);
    if (fadeStart < length)
        times.push_back(fadeStart);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end(), [](double a, double b) { return std::abs(a - b) < 0.0005; }),
                times.end());

    auto valuesAt = [&](double t, bool justBefore) {
        Values values;
        for (const Voice& voice : sequence.voices)
            values.push_back(justBefore ? before(voice, t) : from(voice, t));
        return values;
    };
    auto sameValues = [](const Values& a, const Values& b) {
        for (size_t i = 0; i < a.size(); ++i)
            if (!same(a[i], b[i]))
                return false;
        return true;
    };

    std::vector<Line> lines;
    for (size_t k = 0; k < times.size(); ++k) {
        const double t = times[k];
        const double next = k + 1 < times.size() ? times[k + 1] : length;
        Line line{t, valuesAt(t, false)};
        if (t >= fadeStart && fadeStart < length) {
            line.fadesOut = true;
            lines.push_back(line);
            continue;
        }
        const Values end = valuesAt(next, true);
        line.slides = !sameValues(line.values, end) && next > t;
        lines.push_back(line);
        // A jump where the slide ends: a zero-length line holds the slide's end.
        const bool atEnd = k + 1 == times.size();
        if (line.slides && !atEnd && !sameValues(end, valuesAt(next, false)))
            lines.push_back(Line{next, end});
    }

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

    // Tone-sets, named by their line.
    out += "off: -\n";
    auto setName = [](size_t index) {
        char name[32];
        std::snprintf(name, sizeof name, "ts%03zu", index + 1);
        return std::string(name);
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string specs;
        for (size_t v = 0; v < sequence.voices.size(); ++v)
            specs += " " + spec(sequence.voices[v], lines[i].values[v]);
        if (specs.empty())
            specs = " -";
        out += setName(i) + ":" + specs + "\n";
    }
    out += "\n";

    bool slidIn = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const char fadeIn = slidIn ? '=' : '-';
        const char fadeOut = line.fadesOut ? '>' : line.slides ? '=' : '-';
        out += (line.seconds == 0 ? std::string("NOW") : "+" + clock(line.seconds));
        out += std::string(" ") + fadeIn + fadeOut + " " + setName(i);
        if (line.slides || line.fadesOut)
            out += " ->";
        out += "\n";
        slidIn = line.slides;
    }
    out += "+" + clock(length) + " off\n";
    return out;
}

} // namespace aurelith::sequence
