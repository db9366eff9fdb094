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
};

} // namespace aurelith
