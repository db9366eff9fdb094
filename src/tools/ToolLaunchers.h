// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string>
#include <string_view>
#include <vector>

namespace aurelith {

struct ToolCommand {
    std::string program; // looked up in PATH
    std::vector<std::string> arguments;
};

// A desktop tool: the programs that can do its job here, best first, and the
// button and menu item that start it (no menu item: empty).
struct Tool {
    std::string_view button;
    std::string_view menuItem;
    std::vector<ToolCommand> candidates;
};

// Sound diagnostics, recorder, media player and mixer.
const std::vector<Tool>& desktopTools();

// Starts the first candidate that starts and stops there, so a tool installed
// twice, or several mixers, never open at once. False when none started.
bool startFirst(Launcher& launcher, const std::vector<ToolCommand>& candidates,
                const std::filesystem::path& workingFolder);

// Opens the user manual in the desktop's viewer; nothing when it is not there.
void openManual(App& app);

void bindToolLaunchers(App& app);

} // namespace aurelith
