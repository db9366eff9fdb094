// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/SequenceCheck.h"

#include "core/Value.h"
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aurelith::sequence {
namespace {

std::string clock(double seconds)
{
    const long whole = std::lround(seconds);
    const long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    char text[32];
    if (h > 0)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", h, m, s);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", m, s);
    return text;
}

const char* kindName(VoiceKind kind)
{
    switch (kind) {
    case VoiceKind::binaural: return "binaural";
    case VoiceKind::monaural: return "monaural";
    case VoiceKind::isochronic: return "isochronic";
    case VoiceKind::tone: return "tone";
    case VoiceKind::whiteNoise: return "white noise";
    case VoiceKind::pinkNoise: return "pink noise";
    case VoiceKind::brownNoise: return "brown noise";
    case VoiceKind::mix: return "mix";
    }
    return "?";
}

const char* waveName(Waveform wave)
{
    switch (wave) {
    case Waveform::sine: return "sine";
    case Waveform::square: return "square";
    case Waveform::triangle: return "triangle";
    case Waveform::sawtooth: return "sawtooth";
    }
    return "?";
}

std::string range(double low, double high, const char* unit)
{
    const auto rounded = [](double v) { return formatNumber(std::round(v * 1000) / 1000); };
    if (high - low < 1e-9)
        return rounded(low) + unit;
    return rounded(low) + " to " + rounded(high) + unit;
}

} // namespace

std::string summarise(const Sequence& sequence)
{
    std::string text = sequence.name + ": " + clock(sequence.lengthSeconds) + " long";
    if (sequence.fadeOutSeconds > 0)
        text += ", fading out over the last " + clock(sequence.fadeOutSeconds);
    text += ", " + std::to_string(sequence.voices.size()) + (sequence.voices.size() == 1 ? " voice\n" : " voices\n");
    int number = 0;
    for (const Voice& voice : sequence.voices) {
        ++number;
        double loudest = 0, lowCarrier = INFINITY, highCarrier = -INFINITY, lowBeat = INFINITY, highBeat = -INFINITY;
        double from = INFINITY, to = -INFINITY;
        for (std::size_t i = 0; i < voice.points.size(); ++i) {
            const Point& p = voice.points[i];
            loudest = std::max(loudest, p.level);
            // Where it sounds: a point with a level, or one a slide leaves towards a level.
            const bool heard = p.level > 0 ||
                               (i + 1 < voice.points.size() && p.join == Join::slide && voice.points[i + 1].level > 0);
            if (!heard && !(i > 0 && voice.points[i - 1].level > 0 && voice.points[i - 1].join == Join::slide))
                continue;
            from = std::min(from, p.seconds);
            to = std::max(to, p.seconds);
            lowCarrier = std::min(lowCarrier, p.carrierHz);
            highCarrier = std::max(highCarrier, p.carrierHz);
            lowBeat = std::min(lowBeat, p.beatHz);
            highBeat = std::max(highBeat, p.beatHz);
        }
        if (!voice.points.empty() && voice.points.back().level > 0)
            to = sequence.lengthSeconds; // the last point holds to the end
        text += "  voice " + std::to_string(number) + ": " + kindName(voice.kind);
        const bool toned = voice.kind == VoiceKind::binaural || voice.kind == VoiceKind::monaural ||
                           voice.kind == VoiceKind::isochronic || voice.kind == VoiceKind::tone;
        if (toned)
            text += std::string(" ") + waveName(voice.waveform);
        if (from > to) {
            text += ", silent\n";
            continue;
        }
        if (toned)
            text += ", carrier " + range(lowCarrier, highCarrier, " Hz");
        if (voice.kind == VoiceKind::binaural || voice.kind == VoiceKind::monaural)
            text += ", beat " + range(lowBeat, highBeat, " Hz");
        if (voice.kind == VoiceKind::isochronic)
            text += ", pulses " + range(lowBeat, highBeat, " Hz");
        if (voice.kind == VoiceKind::mix)
            text += sequence.mixFile.empty() ? ", your mask" : ", " + sequence.mixFile;
        text += ", level up to " + formatNumber(std::round(loudest * 1000) / 10) + " %, " + clock(from) + " to " +
                clock(std::min(to, sequence.lengthSeconds)) + "\n";
    }
    return text;
}

CheckReport checkSequence(const std::filesystem::path& file)
{
    const ReadResult result = readSequenceFile(file);
    CheckReport report;
    if (!result.sequence) {
        for (const Problem& problem : result.problems)
            report.text += describe(problem) + "\n";
        report.exitCode = 2;
        return report;
    }
    report.text = summarise(*result.sequence);
    for (const std::string& note : result.notes)
        report.text += "note: " + note + "\n";
    return report;
}

} // namespace aurelith::sequence
