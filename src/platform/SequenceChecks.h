// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's checks as the user edits: each point whose values cannot be
// played, with the reason, so the plot and the table mark it and Save waits.

#include "sequence/Sequence.h"

#include <string>
#include <vector>

namespace aurelith {

struct PointProblem {
    int voice = 0;
    int point = 0; // -1: the voice as a whole
    std::string reason;
};

// The most voices one tone-set of the SBaGen family holds.
inline constexpr int kMaxSequenceVoices = 16;

bool hasTones(sequence::VoiceKind kind);
bool hasBeat(sequence::VoiceKind kind);
std::vector<PointProblem> checkSequence(const sequence::Sequence& sequence);

} // namespace aurelith
