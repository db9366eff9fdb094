// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace aurelith {
namespace {

class Category : public std::error_category {
public:
    const char* name() const noexcept override { return "aurelith data folder"; }
    std::string message(int code) const override
    {
        if (code == static_cast<int>(DataFolderError::foreignOwner))
            return "it belongs to another user, who could change what Aurelith plays and launches; "
                   "use a folder of your own (set XDG_DATA_HOME)";
        return "no home folder is known (HOME is not set and the password database names none for this user); "
               "set HOME or XDG_DATA_HOME to an absolute folder";
    }
};

bool absolute(const char* path) { return path && path[0] == '/'; }

// A service or a stripped environment has no HOME; the account still has a home.
std::string passwordDatabaseHome()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    for (;;) {
        const int rc = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || !found || !absolute(found->pw_dir))
            return {};
        return found->pw_dir;
    }
}

} // namespace

const std::error_category& dataFolderCategory()
{
    static const Category category;
    return category;
}

std::filesystem::path defaultDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (absolute(xdg))
        return std::filesystem::path(xdg) / "aurelith";
    const char* home = std::getenv("HOME");
    const std::string base = absolute(home) ? std::string(home) : passwordDatabaseHome();
    if (base.empty())
        return {};
    return std::filesystem::path(base) / ".local" / "share" / "aurelith";
}

bool createPrivateFolder(const std::filesystem::path& folder, std::error_code& error)
{
    error.clear();
    if (folder.empty()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) == 0)
            continue;
        const int failure = errno;
        // A component we may not create may still exist (a parent we cannot write).
        struct stat st {};
        if (::stat(partial.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        error = std::error_code(failure == EEXIST ? ENOTDIR : failure, std::generic_category());
        return false;
    }
    return true;
}

void secureFolder(const std::filesystem::path& folder, std::error_code& error, std::string& notice)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    if (st.st_uid != ::geteuid()) {
        error = std::error_code(static_cast<int>(DataFolderError::foreignOwner), dataFolderCategory());
        return;
    }
    if ((st.st_mode & 022) == 0 || ::chmod(folder.c_str(), 0700) != 0)
        return;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    notice = "Other users could change the files in " + folder.string() + " (its mode was " + mode +
             "). Aurelith has made the folder yours alone (mode 0700).";
}

std::filesystem::path prepareDataFolder(std::error_code& error, std::string& notice)
{
    const std::filesystem::path folder = defaultDataFolder();
    if (folder.empty()) {
        error = std::error_code(static_cast<int>(DataFolderError::noHomeFolder), dataFolderCategory());
        return "~/.local/share/aurelith";
    }
    if (createPrivateFolder(folder, error))
        secureFolder(folder, error, notice);
    return folder;
}

} // namespace aurelith
