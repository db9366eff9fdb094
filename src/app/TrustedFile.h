// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include <sys/stat.h>

namespace aurelith {

// Whether a file in the data folder may steer the program. As OpenSSH's
// StrictModes: it counts only when it belongs to the user (or to root) and no
// one else may write it; a link counts only when it and every link and the
// file it leads to do. Anything else could have been planted while the folder
// was open to others.
// special: not a regular file at the end (a device, FIFO, folder, a loop of
// links); never read as data, so the caller's own rules apply to it.
enum class FileTrust { missing, trusted, untrusted, special };

// The verdict on the file at path, links followed (the link's owner and its
// target's both checked).
FileTrust trustOf(const std::filesystem::path& path);

// The same for a file already opened (fstat), so it cannot be swapped between
// the check and the read. A link on its way is checked by trustOf.
bool trustedFile(const struct stat& st);

// Why such a file was set aside, for a message: empty when it is trusted.
std::string untrustedReason(const struct stat& st);

} // namespace aurelith
