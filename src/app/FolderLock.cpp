// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace aurelith {
namespace {

// Where flock on a folder is not supported (NFS emulates it with byte-range
// locks, which a folder opened for reading cannot take), a lock file inside it
// is locked instead.
constexpr const char* kFallbackLockFile = "aurelith.lock";

bool unsupported(int error) { return error == EBADF || error == ENOLCK || error == EINVAL || error == EOPNOTSUPP; }

} // namespace

FolderLock::FolderLock(std::filesystem::path folder) : folder_(std::move(folder)) {}

FolderLock::~FolderLock() { release(); }

void FolderLock::release()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the only descriptor releases the flock
    fd_ = -1;
}

FolderLock::Result FolderLock::lock(int fd, const std::filesystem::path& path)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        release();
        fd_ = fd;
        locked_ = path;
        ++generation_;
        return Result::held;
    }
    const int failure = errno;
    ::close(fd);
    errno = failure;
    return failure == EWOULDBLOCK ? Result::heldElsewhere : Result::failed;
}

FolderLock::Result FolderLock::acquire()
{
    error_.clear();
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        error_ = std::strerror(errno);
        return Result::failed;
    }
    Result result = lock(dir, folder_);
    if (result == Result::failed && unsupported(errno)) {
        const std::filesystem::path file = folder_ / kFallbackLockFile;
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        result = fd < 0 ? Result::failed : lock(fd, file);
    }
    if (result == Result::failed)
        error_ = std::strerror(errno);
    return result;
}

bool FolderLock::ensure()
{
    struct stat now {
    }, mine{};
    if (::stat(locked_.c_str(), &now) != 0 && ::stat(folder_.c_str(), &now) != 0)
        return true;
    if (fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(locked_.c_str(), &now) == 0 && now.st_dev == mine.st_dev &&
        now.st_ino == mine.st_ino)
        return true;
    // Ours was deleted: hold on to it until the new one is ours.
    const int old = fd_;
    fd_ = -1;
    const bool ok = acquire() == Result::held;
    if (!ok)
        fd_ = old;
    else if (old >= 0)
        ::close(old);
    return ok;
}

namespace {

pid_t flockHolder(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    // Lines like "1: FLOCK  ADVISORY  WRITE 4242 fd:01:1234 0 EOF"; the device in hex.
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> id >> kind >> mode >> access >> pid >> file) || kind != "FLOCK")
            continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 && major == ::major(st.st_dev) &&
            minor == ::minor(st.st_dev) && inode == st.st_ino)
            return static_cast<pid_t>(pid);
    }
    return 0;
}

} // namespace

pid_t FolderLock::holder(const std::filesystem::path& folder)
{
    const pid_t pid = flockHolder(folder);
    return pid != 0 ? pid : flockHolder(folder / kFallbackLockFile);
}

} // namespace aurelith
