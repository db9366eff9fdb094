// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OwnFile.h"

#include <system_error>

#include <unistd.h>

namespace aurelith {
namespace {

bool ownedByUs(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

} // namespace

bool isOwnFile(const struct stat& file) { return ownedByUs(file) && (file.st_mode & (S_IWGRP | S_IWOTH)) == 0; }

bool isOwnFile(const std::filesystem::path& file)
{
    std::filesystem::path current = file;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0)
            return false;
        if (!S_ISLNK(st.st_mode))
            return isOwnFile(st);
        // Whoever owns a link decides where it leads.
        if (!ownedByUs(st))
            return false;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error)
            return false;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return false; // a loop
}

} // namespace aurelith
