// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading and writing sequence files: the SBaGen family's text format (.sbg)
// and Gnaural's schedules (.gnaural, XML). A file with any error gives no
// sequence at all, so nothing ever plays in part.

#include "sequence/Sequence.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace aurelith::sequence {

struct ReadResult {
    std::optional<Sequence> sequence; // none when any problem was found
    std::vector<Problem> problems;    // errors, each FILE:LINE: message
    std::vector<std::string> notes;   // what was left out on purpose (e.g. a Gnaural voice type we do not play)
};

// fileName is used in messages and for the sequence's default name; a relative
// mix file is found beside the sequence file (folder).
ReadResult readSbg(const std::string& text, const std::string& fileName, const std::filesystem::path& folder);
ReadResult readGnaural(const std::string& text, const std::string& fileName, const std::filesystem::path& folder);
// Reads a file of either kind, told apart by content; refuses what is not a
// regular file or is unreasonably large, with a message.
ReadResult readSequenceFile(const std::filesystem::path& file);
// The names of the sequences in a folder that pulse (an isochronic voice) and
// have no binaural voice, so need no headphones; sorted; files that do not
// read are left out.
std::vector<std::string> isochronicSequences(const std::filesystem::path& folder);

// The SBaGen-family text of a sequence; reading it back gives the same timeline
// (times to whole seconds; what the format cannot say, docs/architecture.md).
std::string writeSbg(const Sequence& sequence);

// "FILE:LINE: message", or "FILE: message" for line 0.
std::string describe(const Problem& problem);

} // namespace aurelith::sequence
