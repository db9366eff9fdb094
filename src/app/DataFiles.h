// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace aurelith {

// The system calls a write goes through, so tests can make the disk fail.
struct FileCalls {
    ssize_t (*write)(int fd, const void* data, size_t bytes);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    static FileCalls system();
};

// The small one-record text files that hold every setting, by bare name in
// the program's folder. Writes replace a file atomically, so a crash or a full
// disk never leaves a half-written record behind. A file the user made
// read-only, one we cannot read and anything that is not a regular file are
// left as they are; a symlinked file has its target replaced when every link
// on the way is the user's own (as the kernel's protected_symlinks rule does
// in shared folders); a link planted by someone else is replaced by a file. Reading never
// blocks (a FIFO or a device counts as unreadable) and takes at most one
// record's worth of bytes, whatever the file's size.
class DataFiles {
public:
    explicit DataFiles(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path pathOf(std::string_view name) const { return folder_ / std::string(name); }

    // setAside: the file is not the user's own, or others may change it
    // (see TrustedFile.h); it counts as missing, and the next write replaces it.
    enum class ReadStatus { read, missing, unreadable, setAside };
    // A record is one short line; reading stops here.
    static constexpr size_t kMaxRecordBytes = 64 * 1024;

    // The fields of the record, or nothing when the file is missing or unreadable.
    std::optional<std::vector<Value>> read(std::string_view name) const;
    ReadStatus read(std::string_view name, std::vector<Value>& fields) const;
    // Assigns the fields in order; a variable whose field is missing keeps its value.
    bool readInto(std::string_view name, std::initializer_list<Value*> variables) const;
    bool write(std::string_view name, const std::vector<Value>& fields) const;
    bool remove(std::string_view name) const;
    bool exists(std::string_view name) const;
    // Deletes temporaries of writes that never finished (the program was
    // killed) once they are older than age; younger ones may be in progress.
    void removeLeftovers(std::chrono::seconds age) const;
    // The files in the folder that are set aside (names, sorted), and one
    // notice naming them all.
    std::vector<std::string> setAsideFiles() const;
    void tellSetAside() const;

    // Overwrites the file in place, without the atomic replace or fsync: for
    // the tone files, which a scanner step rewrites many times a second and
    // which are no user data.
    bool overwrite(std::string_view name, const std::vector<unsigned char>& bytes) const;

    // Told the name of every file written, in order.
    std::function<void(std::string_view name)> written;
    FileCalls calls = FileCalls::system();
    // Asked before every write, and again when a write has made the deleted
    // folder anew: false when this copy may not write into the folder that
    // now stands at its path (another copy holds it).
    std::function<bool()> claimFolder;

    // What the user must hear of, each kind once per run: the folder was
    // tightened, cannot be written, a planted link was replaced, another copy
    // took the folder. Until a listener is set, notices wait for it.
    enum class Notice { folderTightened, cannotWrite, linkReplaced, folderTaken, setAside };
    void tell(Notice kind, const std::string& text) const;
    void setListener(std::function<void(const std::string&)> listener) const;

    static std::string encode(const std::vector<Value>& fields);
    static std::vector<Value> decode(std::string_view content);

private:
    std::optional<std::filesystem::path> writableTarget(std::string_view name) const;
    bool folderIsOurs() const;
    bool dropForeignLink(const std::filesystem::path& path) const;
    void dropSetAside(const std::filesystem::path& path) const;
    bool makeFolderAgain() const;
    void cannotWrite(int error) const;

    std::filesystem::path folder_;
    mutable unsigned told_ = 0;
    mutable std::vector<std::string> pending_;
    mutable std::function<void(const std::string&)> listener_;
};

// Where a write to path really lands: symlinks followed (relative ones from
// their own folder), the last one possibly dangling. Gives path itself for a
// loop. foreign tells whether a link on the way belongs to another user.
std::filesystem::path resolveLinks(const std::filesystem::path& path, bool* foreign = nullptr);

} // namespace aurelith
