#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aurelith {

// Splits a command line into words as a POSIX shell does before it runs a
// simple command: blanks separate words, single quotes keep everything
// literal, double quotes keep everything but \" \\ \$ \` literal, a backslash
// outside quotes takes the next character literally. Nothing is expanded or
// interpreted: ; | & < > $(...) ` * ~ # stay ordinary characters of the
// words. Nothing when a quote is left open.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view line);

// A command line that splits back into `words`, quoting with single quotes
// only, so it survives a record that cannot hold double quotes.
std::string joinCommandLine(const std::vector<std::string>& words);

} // namespace aurelith
