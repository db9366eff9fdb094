// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include <sys/stat.h>

namespace aurelith {

// Whether a file may steer the program, as OpenSSH trusts its own files: it
// belongs to the user (or to root) and no one else may write it (no group or
// other write bit). For a symlink every link on the way must be the user's
// (or root's) too, and its target passes the same test. A missing file is not
// one's own.
bool isOwnFile(const std::filesystem::path& file);
// The same test for a file already open (its fstat), with no links to follow.
bool isOwnFile(const struct stat& file);

} // namespace aurelith
