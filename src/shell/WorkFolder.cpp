// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/WorkFolder.h"

#include "app/TrustedFile.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "aurelith-render-";
constexpr std::size_t kLargestSetting = 4096;

// A run holds its folder locked while it lives; an unlocked folder of ours
// that is not brand new (a run locks its own at once) was left by a killed run.
void removeDeadRuns(const fs::path& temp)
{
    std::error_code error;
    const auto old = std::chrono::system_clock::now() - std::chrono::seconds(10);
    for (const auto& entry : fs::directory_iterator(temp, error)) {
        if (!entry.path().filename().string().starts_with(kPrefix))
            continue;
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
            std::chrono::system_clock::from_time_t(st.st_mtime) > old)
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            fs::remove_all(entry.path(), error);
        ::close(fd);
    }
}

} // namespace

WorkFolder::WorkFolder()
{
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error) {
        const char* tmpdir = std::getenv("TMPDIR");
        problem = "cannot make a working folder: no temporary folder " +
                  std::string(tmpdir ? "TMPDIR=" + std::string(tmpdir) : "/tmp") + " (" + error.message() + ")";
        return;
    }
    removeDeadRuns(temp);
    std::string pattern = (temp / (std::string(kPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        problem = "cannot make a working folder in " + temp.string() + ": " + std::strerror(errno);
        return;
    }
    path = pattern;
    lock_ = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (lock_ >= 0)
        ::flock(lock_, LOCK_EX);
}

WorkFolder::~WorkFolder()
{
    std::error_code error;
    if (!path.empty())
        fs::remove_all(path, error);
    if (lock_ >= 0)
        ::close(lock_);
}

void copyOwnSettings(const fs::path& from, const fs::path& to, std::vector<std::string>& setAside)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(from, error)) {
        const fs::path name = entry.path().filename();
        std::error_code ignored;
        if (!entry.is_regular_file(ignored) || name.extension() == ".wav" ||
            entry.file_size(ignored) >= kLargestSetting)
            continue;
        if (trustOf(entry.path()) != FileTrust::trusted) {
            setAside.push_back(name.string());
            continue;
        }
        // Checked again on what was opened, so nothing can be swapped in between.
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (fd < 0)
            continue;
        const bool own = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && trustedFile(st);
        if (!own)
            setAside.push_back(name.string());
        char bytes[kLargestSetting];
        const ssize_t got = own ? ::read(fd, bytes, sizeof bytes) : -1;
        ::close(fd);
        if (got < 0 || static_cast<std::size_t>(got) >= kLargestSetting)
            continue;
        const int out = ::open((to / name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out >= 0) {
            [[maybe_unused]] const ssize_t put = ::write(out, bytes, static_cast<std::size_t>(got));
            ::close(out);
        }
    }
}

std::string setAsideNotice(const std::vector<std::string>& names, const fs::path& folder)
{
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return "not used, as another user owns them or may change them: " + list + " in " + folder.string();
}

} // namespace aurelith
