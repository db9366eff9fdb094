// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <optional>
#include <string>

namespace aurelith {

// The modal boxes the window shows. Each call returns when the user closes the box.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message with an OK button only.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // Yes/No with the critical-stop icon, No the default; true for Yes.
    virtual bool confirm(const std::string& text, const std::string& title) = 0;
    // A line of input; nothing when cancelled.
    virtual std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                             const std::string& initial) = 0;
    // The colour picker; nothing when cancelled.
    virtual std::optional<Colour> pickColour(Colour initial) = 0;
    // A notice that asks nothing and holds nothing up: the program goes on at
    // once (the strobe keeps flashing, Esc still stops it). A host with nobody
    // watching the window (the render, the benchmarks) shows nothing.
    virtual void notice(const std::string& text, const std::string& title)
    {
        (void)text;
        (void)title;
    }
};

} // namespace aurelith
