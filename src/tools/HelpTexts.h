// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string>
#include <string_view>
#include <vector>

namespace aurelith {

struct HelpText {
    std::string_view item;
    std::string title;
    std::string text;
};

// The boxes of the "&About" and "&Help" menus, in menu order; the masking
// files' folder is the program's own.
std::vector<HelpText> helpTexts(const App& app);

// Each item shows its box with an OK button only and changes nothing.
void bindHelpTexts(App& app);

} // namespace aurelith
