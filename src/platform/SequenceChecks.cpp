// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SequenceChecks.h"

#include "core/ToneLimits.h"
#include "core/Value.h"

namespace aurelith {

using namespace sequence;

bool hasTones(VoiceKind kind)
{
    return kind == VoiceKind::binaural || kind == VoiceKind::monaural || kind == VoiceKind::isochronic ||
           kind == VoiceKind::tone;
}

bool hasBeat(VoiceKind kind) { return hasTones(kind) && kind != VoiceKind::tone; }

namespace {

std::string hz(double value) { return formatNumber(value) + " Hz"; }

void checkTone(std::vector<PointProblem>& out, int v, int i, const char* which, double value)
{
    if (!isToneFrequency(value))
        out.push_back({v, i,
                       std::string(which) + " " + hz(value) + " is outside " + formatNumber(kLowestTone) + " to " +
                           hz(kHighestTone)});
}

} // namespace

std::vector<PointProblem> checkSequence(const Sequence& sequence)
{
    std::vector<PointProblem> out;
    if (sequence.voices.size() > size_t(kMaxSequenceVoices))
        out.push_back({kMaxSequenceVoices, -1, "a sequence holds at most 16 voices"});
    for (size_t vi = 0; vi < sequence.voices.size(); ++vi) {
        const Voice& voice = sequence.voices[vi];
        const int v = int(vi);
        if (voice.kind == VoiceKind::mix && sequence.mixFile.empty())
            out.push_back({v, -1, "a mix voice needs a sound file (Mix file...)"});
        for (size_t pi = 0; pi < voice.points.size(); ++pi) {
            const Point& p = voice.points[pi];
            const int i = int(pi);
            if (p.seconds < 0)
                out.push_back({v, i, "the time is before the start"});
            if (pi > 0 && p.seconds < voice.points[pi - 1].seconds)
                out.push_back({v, i, "the time is before the previous point's"});
            if (p.level < 0 || p.level > 1)
                out.push_back({v, i, "the level is outside 0 to 100 %"});
            if (!hasTones(voice.kind))
                continue;
            if (voice.kind == VoiceKind::binaural) {
                checkTone(out, v, i, "the left tone", leftHz(p));
                checkTone(out, v, i, "the right tone", rightHz(p));
            } else if (voice.kind == VoiceKind::monaural) {
                checkTone(out, v, i, "the lower tone", p.carrierHz - p.beatHz / 2);
                checkTone(out, v, i, "the upper tone", p.carrierHz + p.beatHz / 2);
            } else {
                checkTone(out, v, i, "the tone", p.carrierHz);
            }
            if (voice.kind == VoiceKind::isochronic && p.beatHz <= 0)
                out.push_back({v, i, "the pulse rate must be above 0 Hz"});
        }
    }
    return out;
}

} // namespace aurelith
