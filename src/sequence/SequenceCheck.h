// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// `aurelith --check-sequence FILE`: what the command prints and its exit
// status, without any window or sound.

#include "sequence/Sequence.h"

#include <filesystem>
#include <string>

namespace aurelith::sequence {

struct CheckReport {
    std::string text; // for standard output when exitCode is 0, else for standard error
    int exitCode = 0; // 0: the file plays; 2: it has errors, each "FILE:LINE: message"
};

CheckReport checkSequence(const std::filesystem::path& file);

// The length and one line per voice, as the check prints them.
std::string summarise(const Sequence& sequence);

} // namespace aurelith::sequence
