// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace aurelith {

// $XDG_DATA_HOME/aurelith, or ~/.local/share/aurelith when that is not set.
std::filesystem::path defaultDataFolder();

} // namespace aurelith
