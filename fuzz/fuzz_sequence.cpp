// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a sequence file, both as an SBaGen text and as a Gnaural
// schedule: no crash, no hang, and either a sequence that keeps the model's
// promises or at least one message, never both.
#include "sequence/SequenceCheck.h"
#include "sequence/SequenceFiles.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace aurelith::sequence;

namespace {

void check(const ReadResult& result)
{
    if (result.sequence.has_value() == !result.problems.empty())
        std::abort(); // a sequence with errors, or a refusal without a message
    for (const Problem& problem : result.problems)
        if (problem.message.empty() || problem.line < 0)
            std::abort();
    if (!result.sequence)
        return;
    const Sequence& s = *result.sequence;
    if (!(s.lengthSeconds > 0) || s.lengthSeconds > 24 * 3600 || s.fadeOutSeconds < 0 ||
        s.fadeOutSeconds > s.lengthSeconds)
        std::abort();
    for (const Voice& voice : s.voices) {
        for (std::size_t i = 0; i < voice.points.size(); ++i) {
            const Point& p = voice.points[i];
            if (!std::isfinite(p.seconds) || !std::isfinite(p.carrierHz) || !std::isfinite(p.beatHz) || p.level < 0 ||
                p.level > 1 || (i > 0 && p.seconds < voice.points[i - 1].seconds))
                std::abort();
        }
        (void)valueAt(voice, s.lengthSeconds / 2);
    }
    (void)summarise(s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    check(readSbg(bytes, "fuzz.sbg", "/music"));
    check(readGnaural(bytes, "fuzz.gnaural", "/music"));
    return 0;
}
