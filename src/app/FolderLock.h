// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace aurelith {

// One copy of the program per data folder: two would overwrite each other's
// settings. The lock is the kernel's flock on the folder itself, so it adds no
// file, it cannot be faked or left stale by another user's file, and it ends
// with the process that held it however that process ended (a stopped copy
// still holds it).
class FolderLock {
public:
    explicit FolderLock(std::filesystem::path folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Result { held, heldElsewhere, failed };
    // Never waits. After failed, error() says why.
    Result acquire();
    // True when this copy holds the folder that now stands at its path. A
    // folder deleted and made again is locked anew (generation() counts
    // up); false when another copy got it first, and this one must then leave
    // it alone. A folder that is gone counts as held: whoever makes it again asks again.
    bool ensure();
    bool held() const { return fd_ >= 0; }
    int generation() const { return generation_; }
    const std::string& error() const { return error_; }

    // The process holding the lock on folder (from /proc/locks), or 0 when
    // none or unknown.
    static pid_t holder(const std::filesystem::path& folder);

private:
    Result lock(int fd, const std::filesystem::path& path);
    void release();

    std::filesystem::path folder_;
    std::filesystem::path locked_; // the folder, or the lock file inside it
    int fd_ = -1;
    int generation_ = 0;
    std::string error_;
};

} // namespace aurelith
