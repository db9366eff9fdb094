// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as an event's command line; and any list of words, joined and
// split again, gives the same words.
#include "events/CommandLine.h"

#include <cstdlib>

using namespace aurelith;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto words = splitCommandLine(text)) {
        const std::string joined = joinCommandLine(*words);
        // The record that stores it cannot hold double quotes or line breaks.
        if (joined.find_first_of("\"\r\n") != std::string::npos)
            std::abort();
        const auto again = splitCommandLine(joined);
        if (!again || *again != *words)
            std::abort();
    }
    // The input as words separated by NUL bytes.
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            words.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    const auto back = splitCommandLine(joinCommandLine(words));
    if (!back || *back != words)
        std::abort();
    return 0;
}
