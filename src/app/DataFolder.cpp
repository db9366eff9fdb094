// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolder.h"

#include <cstdlib>

namespace aurelith {

std::filesystem::path defaultDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return std::filesystem::path(xdg) / "aurelith";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "aurelith";
}

} // namespace aurelith
