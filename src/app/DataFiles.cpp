// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"

#include "app/DataFolder.h"
#include "app/TrustedFile.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith {
namespace {

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

Value parseField(std::string_view field)
{
    field = trimBlanks(field);
    if (field.empty())
        return {};
    if (const auto number = wholeNumber(field))
        return *number;
    return std::string(field);
}

bool writeAll(const FileCalls& calls, int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = calls.write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Temporaries are ".<name>.part-XXXXXX": nothing a user would name a file.
constexpr std::string_view kTemporaryMark = ".part-";

bool isTemporaryName(std::string_view name)
{
    const size_t mark = name.rfind(kTemporaryMark);
    return name.size() > 1 && name.front() == '.' && mark != std::string_view::npos && mark > 1 &&
           name.size() - mark - kTemporaryMark.size() == 6;
}

// Never writable by others, whatever the umask: such a file would be set
// aside on the next start.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0644 & ~mask;
}

// Whether an existing file may be replaced. The permission bits count even for
// root: a user who made a file read-only (or unreadable) wants it kept, and a
// file we could not read must never lose its value to a default.
bool replaceable(const struct stat& st, const std::filesystem::path& path)
{
    if (!S_ISREG(st.st_mode))
        return false;
    if ((st.st_mode & 0222) == 0 || (st.st_mode & 0444) == 0)
        return false;
    return ::access(path.c_str(), R_OK | W_OK) == 0;
}

int makeTemporary(std::string& pattern) { return ::mkostemp(pattern.data(), O_CLOEXEC); }

// The mode a rewritten file keeps (a new one gets the usual mode); none when
// the file must not be replaced or cannot be looked at.
std::optional<mode_t> modeOfReplacement(const std::filesystem::path& target)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (!replaceable(st, target))
            return std::nullopt;
        return st.st_mode & 07777;
    }
    if (errno == ENOENT)
        return newFileMode();
    return std::nullopt;
}

void syncFolder(const FileCalls& calls, const std::filesystem::path& dir)
{
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        calls.fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

FileCalls FileCalls::system() { return {::write, ::fsync, ::rename}; }

std::filesystem::path resolveLinks(const std::filesystem::path& path, bool* foreign)
{
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current; // not a link (or gone): this is the file
        if (foreign && st.st_uid != ::geteuid())
            *foreign = true;
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return path;
}

DataFiles::DataFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::string DataFiles::encode(const std::vector<Value>& fields)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const Value& field = fields[i];
        if (field.isText()) {
            // A quote inside would end the field early on reading; keep the record readable.
            std::string text = field.text();
            for (char& c : text)
                if (c == '"')
                    c = '\'';
            line += '"' + text + '"';
        } else {
            line += field.text();
        }
    }
    line += "\r\n";
    return line;
}

std::vector<Value> DataFiles::decode(std::string_view content)
{
    const size_t end = content.find_first_of("\r\n");
    if (end != std::string_view::npos)
        content = content.substr(0, end);
    std::vector<Value> fields;
    size_t pos = 0;
    while (pos <= content.size()) {
        std::string_view rest = content.substr(pos);
        const size_t lead = rest.find_first_not_of(" \t");
        if (lead != std::string_view::npos && rest[lead] == '"') {
            const size_t close = rest.find('"', lead + 1);
            const size_t textEnd = close == std::string_view::npos ? rest.size() : close;
            fields.emplace_back(std::string(rest.substr(lead + 1, textEnd - lead - 1)));
            const size_t comma = close == std::string_view::npos ? std::string_view::npos : rest.find(',', close);
            if (comma == std::string_view::npos)
                break;
            pos += comma + 1;
        } else {
            const size_t comma = rest.find(',');
            fields.push_back(parseField(rest.substr(0, comma)));
            if (comma == std::string_view::npos)
                break;
            pos += comma + 1;
        }
    }
    if (fields.size() == 1 && fields.front().isEmpty() && content.empty())
        fields.clear();
    return fields;
}

std::optional<std::vector<Value>> DataFiles::read(std::string_view name) const
{
    std::vector<Value> fields;
    if (read(name, fields) != ReadStatus::read)
        return std::nullopt;
    return fields;
}

DataFiles::ReadStatus DataFiles::read(std::string_view name, std::vector<Value>& fields) const
{
    const std::filesystem::path path = pathOf(name);
    if (trustOf(path) == FileTrust::untrusted)
        return ReadStatus::setAside;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadStatus::missing : ReadStatus::unreadable;
    // A FIFO would block start-up for ever, a device might never end.
    if (!S_ISREG(st.st_mode))
        return ReadStatus::unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadStatus::missing : ReadStatus::unreadable;
    // Swapped for something else since the stat: still only a regular file is read.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::unreadable;
    }
    if (!trustedFile(st)) {
        ::close(fd);
        return ReadStatus::setAside;
    }
    std::string content(kMaxRecordBytes, '\0');
    size_t got = 0;
    bool failed = false;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (failed)
        return ReadStatus::unreadable;
    content.resize(got);
    fields = decode(content);
    return ReadStatus::read;
}

bool DataFiles::readInto(std::string_view name, std::initializer_list<Value*> variables) const
{
    const auto fields = read(name);
    if (!fields)
        return false;
    size_t i = 0;
    for (Value* variable : variables) {
        if (i >= fields->size())
            break;
        *variable = (*fields)[i++];
    }
    return true;
}

void DataFiles::tell(Notice kind, const std::string& text) const
{
    const unsigned bit = 1u << static_cast<unsigned>(kind);
    if (told_ & bit)
        return;
    told_ |= bit;
    if (listener_)
        listener_(text);
    else
        pending_.push_back(text);
}

void DataFiles::setListener(std::function<void(const std::string&)> listener) const
{
    listener_ = std::move(listener);
    std::vector<std::string> waiting;
    waiting.swap(pending_);
    for (const std::string& text : waiting)
        listener_(text);
}

void DataFiles::cannotWrite(int error) const
{
    tell(Notice::cannotWrite, "Aurelith cannot save its settings in the folder " + folder_.string() + ": " +
                                  std::strerror(error) + ".\nWhat you change now is lost when the program ends.");
}

// Someone else's link in our folder could aim our writes at their victim's
// files: it goes, and the write makes a plain file of ours in its place.
bool DataFiles::dropForeignLink(const std::filesystem::path& path) const
{
    bool foreign = false;
    resolveLinks(path, &foreign);
    if (!foreign || ::unlink(path.c_str()) != 0)
        return false;
    tell(Notice::linkReplaced, path.filename().string() + " in " + folder_.string() +
                                   " was a link that another user controls. Aurelith does not write through "
                                   "such links; it has put a file of its own in its place.");
    return true;
}

// A file set aside gives way to one of the user's own; the folder is ours,
// so it can go whatever its owner.
void DataFiles::dropSetAside(const std::filesystem::path& path) const
{
    if (trustOf(path) == FileTrust::untrusted)
        ::unlink(path.c_str());
}

std::vector<std::string> DataFiles::setAsideFiles() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (!isTemporaryName(name) && trustOf(entry.path()) == FileTrust::untrusted)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void DataFiles::tellSetAside() const
{
    const std::vector<std::string> names = setAsideFiles();
    if (names.empty())
        return;
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    tell(Notice::setAside, "Aurelith does not use these files in " + folder_.string() +
                               ", because another user owns them or may change them: " + list +
                               ".\nIt uses its first-run settings in their place, and its next save replaces "
                               "them with files of your own.");
}

bool DataFiles::folderIsOurs() const
{
    if (!claimFolder || claimFolder())
        return true;
    tell(Notice::folderTaken, "The folder " + folder_.string() +
                                  " was deleted and is now used by another copy of Aurelith. This window no "
                                  "longer saves anything there.");
    return false;
}

// Our folder was deleted under us: make it again (and hold it before
// anything goes in) rather than lose every save.
bool DataFiles::makeFolderAgain() const
{
    std::error_code error;
    return createPrivateFolder(folder_, error) && folderIsOurs();
}

std::optional<std::filesystem::path> DataFiles::writableTarget(std::string_view name) const
{
    if (!folderIsOurs())
        return std::nullopt;
    const std::filesystem::path entry = pathOf(name);
    if (!dropForeignLink(entry))
        dropSetAside(entry);
    return resolveLinks(entry);
}

bool DataFiles::write(std::string_view name, const std::vector<Value>& fields) const
{
    const std::optional<std::filesystem::path> resolved = writableTarget(name);
    if (!resolved)
        return false;
    const std::filesystem::path& target = *resolved;
    const std::filesystem::path dir = target.parent_path();
    const std::optional<mode_t> mode = modeOfReplacement(target);
    if (!mode)
        return false;
    const std::string pattern =
        (dir / ("." + target.filename().string() + std::string(kTemporaryMark) + "XXXXXX")).string();
    std::string temp = pattern;
    int fd = makeTemporary(temp);
    if (fd < 0 && errno == ENOENT && dir == folder_) {
        if (!makeFolderAgain())
            return false;
        temp = pattern; // a failed attempt may have filled in the X's
        fd = makeTemporary(temp);
    }
    if (fd < 0) {
        cannotWrite(errno);
        return false;
    }
    const bool ok = ::fchmod(fd, *mode) == 0 && writeAll(calls, fd, encode(fields)) && calls.fsync(fd) == 0;
    const int failure = errno;
    if (::close(fd) != 0 || !ok || calls.rename(temp.c_str(), target.c_str()) != 0) {
        cannotWrite(ok ? errno : failure);
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(calls, dir); // makes the rename itself durable too
    if (written)
        written(name);
    return true;
}

bool DataFiles::overwrite(std::string_view name, const std::vector<unsigned char>& bytes) const
{
    const std::optional<std::filesystem::path> resolved = writableTarget(name);
    if (!resolved)
        return false;
    const std::filesystem::path& path = *resolved;
    // In place and cut to length: a new inode each time, or a truncation to
    // zero (which ext4 answers by flushing on close), would cost far more than
    // the write. O_NONBLOCK: a FIFO in its place must not hang the window.
    constexpr int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0 && errno == ENOENT && path.parent_path() == folder_) {
        if (!makeFolderAgain())
            return false;
    } else if (fd < 0)
        ::unlink(path.c_str()); // a file we may not open is no user data: replace it
    if (fd < 0)
        fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        cannotWrite(errno);
        return false;
    }
    const auto size = static_cast<ssize_t>(bytes.size());
    bool ok = ::pwrite(fd, bytes.data(), bytes.size(), 0) == size;
    ok = ::ftruncate(fd, size) == 0 && ok;
    const int failure = errno;
    if (::close(fd) != 0 || !ok) {
        cannotWrite(ok ? errno : failure);
        return false;
    }
    return true;
}

bool DataFiles::remove(std::string_view name) const
{
    std::error_code error;
    return std::filesystem::remove(pathOf(name), error);
}

bool DataFiles::exists(std::string_view name) const
{
    std::error_code error;
    return std::filesystem::is_regular_file(pathOf(name), error);
}

void DataFiles::removeLeftovers(std::chrono::seconds age) const
{
    std::error_code error;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        if (!isTemporaryName(entry.path().filename().string()) || !entry.is_regular_file(error))
            continue;
        const auto modified = entry.last_write_time(error);
        if (!error && now - modified >= age)
            std::filesystem::remove(entry.path(), error);
    }
}

} // namespace aurelith
