// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PartFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBufferBytes = 1 << 20;

// Where a name really leads: each link followed from its folder's real path,
// the last one possibly dangling. `stream` tells of a hop through /proc (the
// kernel's links to open files: /dev/stdout, /dev/fd/N), `fd` of one of ours.
fs::path resolve(const fs::path& name, bool* stream = nullptr, int* fd = nullptr)
{
    std::error_code error;
    fs::path current = fs::absolute(name, error);
    for (int hops = 0; hops < 40; ++hops) {
        const fs::path folder = fs::weakly_canonical(current.parent_path(), error);
        if (!error)
            current = folder / current.filename();
        if (stream && current.string().starts_with("/proc/"))
            *stream = true;
        if (fd && current.parent_path() == "/proc/" + std::to_string(::getpid()) + "/fd") {
            char* end = nullptr;
            const std::string number = current.filename().string();
            const long n = std::strtol(number.c_str(), &end, 10);
            if (!number.empty() && *end == '\0')
                *fd = static_cast<int>(n);
        }
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        const fs::path next = fs::read_symlink(current, error);
        if (error)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

// An unused hidden name beside `file`, for a part that needs one.
fs::path hiddenBeside(const fs::path& file, int& fd)
{
    std::string name = (file.parent_path() / ("." + file.filename().string() + ".partXXXXXX")).string();
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    return fd < 0 ? fs::path() : fs::path(name);
}

} // namespace

PartFile::PartFile(fs::path file, std::string what) : what_(std::move(what))
{
    std::error_code error;
    file_ = fs::absolute(file, error);
    if (error)
        file_ = std::move(file);
}

PartFile::~PartFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!part_.empty())
        ::unlink(part_.c_str());
}

std::string PartFile::open()
{
    int ownFd = -1;
    target_ = resolve(file_, &special_, &ownFd);
    struct stat st {};
    if (::stat(file_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return failed(EISDIR);
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))
            special_ = true;
        else if (!S_ISREG(st.st_mode))
            return failed("it is neither a file, a character device nor a FIFO");
    }
    if (special_) {
        // Written into: one of our own streams shares its position (">>" stays appending).
        fd_ = ownFd >= 0 ? ::fcntl(ownFd, F_DUPFD_CLOEXEC, 0) : ::open(file_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0)
            return failed(errno);
        pipe_ = ::lseek(fd_, 0, SEEK_CUR) < 0;
        pending_.reserve(kBufferBytes);
        return {};
    }
    fd_ = ::open(target_.parent_path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        part_ = hiddenBeside(target_, fd_);
        // mkstemp makes it private; the finished file gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (fd_ >= 0)
            ::fchmod(fd_, 0666 & ~mask);
    }
    if (fd_ < 0)
        return failed(errno);
    pending_.reserve(kBufferBytes);
    return {};
}

bool PartFile::writeAll(const char* data, std::size_t bytes)
{
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd_, data + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (error_ == 0)
                error_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PartFile::flush()
{
    const bool ok = writeAll(pending_.data(), pending_.size());
    pending_.clear();
    return ok;
}

bool PartFile::write(const void* data, std::size_t bytes)
{
    const auto* from = static_cast<const char*>(data);
    if (pipe_) {
        const auto behind = static_cast<std::size_t>(std::clamp<off_t>(sent_ - position_, 0, bytes));
        position_ += static_cast<off_t>(bytes);
        from += behind;
        bytes -= behind;
        sent_ += static_cast<off_t>(bytes);
    }
    if (pending_.size() + bytes > kBufferBytes && !flush())
        return false;
    if (bytes >= kBufferBytes)
        return writeAll(from, bytes);
    pending_.insert(pending_.end(), from, from + bytes);
    return error_ == 0;
}

off_t PartFile::length()
{
    if (pipe_)
        return sent_;
    flush();
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

off_t PartFile::seek(off_t offset, int whence)
{
    if (pipe_) {
        const off_t to = offset + (whence == SEEK_CUR ? position_ : whence == SEEK_END ? sent_ : 0);
        if (to < 0 || to > sent_)
            return -1;
        return position_ = to;
    }
    flush();
    return ::lseek(fd_, offset, whence);
}

off_t PartFile::tell() const
{
    return pipe_ ? position_ : ::lseek(fd_, 0, SEEK_CUR) + static_cast<off_t>(pending_.size());
}

ssize_t PartFile::read(void* data, std::size_t bytes)
{
    if (pipe_)
        return 0;
    flush();
    const ssize_t got = ::read(fd_, data, bytes);
    return got < 0 ? 0 : got;
}

std::string PartFile::finish()
{
    flush();
    if (error_ != 0)
        return failed(error_);
    if (special_)
        return {}; // a device or a pipe has no disk to sync
    if (::fsync(fd_) != 0)
        return failed(errno);
    if (!part_.empty())
        return {};
    // linkat cannot replace a name: the unnamed file takes a fresh hidden one,
    // renamed over the file's when every output is ready.
    int placeholder = -1;
    fs::path name = hiddenBeside(target_, placeholder);
    if (placeholder < 0)
        return failed(errno);
    ::close(placeholder);
    ::unlink(name.c_str());
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return failed(errno);
    part_ = std::move(name);
    return {};
}

std::string PartFile::failed(const std::string& why) const
{
    return "cannot write " + what_ + file_.string() + ": " + why;
}

std::string PartFile::failed(int error) const
{
    const std::string why = std::strerror(error);
    if (!special_ && (error == ENOSPC || error == EDQUOT))
        return failed("the disk holding " + target_.parent_path().string() + " is full (" + why + ")");
    return failed(why);
}

std::string commitTogether(std::initializer_list<PartFile*> files)
{
    enum class Placed { nothing, exchanged, created, replaced };
    std::vector<std::pair<PartFile*, Placed>> placed;
    const auto undo = [&placed] {
        for (auto& [file, how] : placed) {
            if (how == Placed::exchanged)
                ::renameat2(AT_FDCWD, file->part_.c_str(), AT_FDCWD, file->target_.c_str(), RENAME_EXCHANGE);
            else if (how == Placed::created)
                ::unlink(file->target_.c_str());
        }
    };
    for (PartFile* file : files) {
        if (file->special_ || file->part_.empty()) {
            placed.emplace_back(file, Placed::nothing);
            continue;
        }
        const char* from = file->part_.c_str();
        const char* to = file->target_.c_str();
        // Swapped, the old file waits under the hidden name until all are in place.
        Placed how = Placed::exchanged;
        int rc = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
        if (rc != 0 && errno == ENOENT) {
            how = Placed::created;
            rc = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
        }
        if (rc != 0 && errno == EINVAL) {
            how = Placed::replaced; // a file system that cannot swap: no way back
            rc = ::rename(from, to);
        }
        if (rc != 0) {
            const int error = errno;
            undo();
            return file->failed(error);
        }
        placed.emplace_back(file, how);
    }
    for (auto& [file, how] : placed) {
        if (how == Placed::exchanged)
            ::unlink(file->part_.c_str());
        if (how != Placed::nothing)
            file->part_.clear();
    }
    return {};
}

bool sameFile(const fs::path& a, const fs::path& b)
{
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code error;
    return fs::weakly_canonical(resolve(a), error) == fs::weakly_canonical(resolve(b), error);
}

} // namespace aurelith
