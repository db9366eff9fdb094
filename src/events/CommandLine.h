// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aurelith {

// Splits a command line into words as a POSIX shell does before it runs a
// simple command: blanks separate words, single quotes keep everything
// literal, double quotes keep everything but \" \\ \$ \` literal, a backslash
// outside quotes takes the next character literally, and bash's $'...' reads
// C escapes (\n, \x22, \047, ...). Nothing is expanded or interpreted:
// ; | & < > $(...) ` * ~ # stay ordinary characters of the words. Nothing when
// a quote is left open.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view line);

// A command line that splits back into `words` and holds no double quote and
// no line break, so it survives a data record unchanged: plain words as they
// are, single quotes where needed, $'...' for a word with " or a line break.
std::string joinCommandLine(const std::vector<std::string>& words);

} // namespace aurelith
