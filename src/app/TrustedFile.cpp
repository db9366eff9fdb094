// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrustedFile.h"

#include <cerrno>
#include <unistd.h>

namespace aurelith {
namespace {

bool trustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

} // namespace

bool trustedFile(const struct stat& st) { return untrustedReason(st).empty(); }

std::string untrustedReason(const struct stat& st)
{
    if (!trustedOwner(st.st_uid))
        return "belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    // A link's own mode means nothing; only its owner can aim it.
    if (!S_ISLNK(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "can be changed by other users";
    return {};
}

FileTrust trustOf(const std::filesystem::path& path)
{
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0)
            return errno == ENOENT ? FileTrust::missing : FileTrust::untrusted;
        if (!S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode))
            return FileTrust::special;
        if (!trustedFile(st))
            return FileTrust::untrusted;
        if (!S_ISLNK(st.st_mode))
            return FileTrust::trusted;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error)
            return FileTrust::untrusted;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return FileTrust::special; // a loop
}

} // namespace aurelith
