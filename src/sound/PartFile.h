// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace aurelith {

// A file written for the user that never harms what is there. A new or
// regular file is written unnamed (O_TMPFILE) in the folder it will stand in,
// or where the file system has no unnamed files as a hidden part file beside
// it that goes unless committed; it takes its name only in commitTogether().
// A symlink keeps pointing where it did: its target gets the new file. A
// special file (a character device, a FIFO, /dev/stdout and the other
// /proc/self/fd links) is written into as it is, never replaced, root or not.
class PartFile {
public:
    // `what` names the file in messages ("" for the sound, "the light track ").
    PartFile(std::filesystem::path file, std::string what = {});
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Opens the part; an empty string, else what went wrong with the system's reason.
    std::string open();
    bool special() const { return special_; }
    bool pipe() const { return pipe_; }

    // Writes are gathered into large ones; a failure keeps its errno.
    bool write(const void* data, std::size_t bytes);
    bool flush();
    int error() const { return error_; }
    // For an encoder that moves about in its file (libsndfile): these send the
    // gathered bytes first. A pipe cannot go back: what is written over bytes
    // already sent (a header brought up to date at the end) is left out.
    off_t length();
    off_t seek(off_t offset, int whence);
    off_t tell() const;
    ssize_t read(void* data, std::size_t bytes);
    // The bytes gathered and not yet sent, for a header a pipe must get right at once.
    std::vector<char>& gathered() { return pending_; }

    // Everything on the disk (a full disk may only show here) and the part
    // named beside its file, ready to be committed.
    std::string finish();
    // "cannot write <what><file>: <why>", a full disk named as such.
    std::string failed(int error) const;
    std::string failed(const std::string& why) const;

    const std::filesystem::path& file() const { return file_; }

private:
    friend std::string commitTogether(std::initializer_list<PartFile*> files);
    bool writeAll(const char* data, std::size_t bytes);

    std::filesystem::path file_;   // as the user named it (absolute)
    std::filesystem::path target_; // where the bytes land: links followed
    std::string what_;
    std::filesystem::path part_; // the hidden name, while there is one
    int fd_ = -1;
    int error_ = 0; // the first failed write's errno
    bool special_ = false;
    bool pipe_ = false;  // special and cannot seek
    off_t sent_ = 0;     // a pipe's bytes so far, gathered ones included
    off_t position_ = 0; // where a pipe's encoder thinks it is
    std::vector<char> pending_;
};

// Gives every finished part its name, all or none: if one cannot be put in
// place the ones already placed are undone (an old file swapped back where
// the file system can swap). Special files need nothing.
std::string commitTogether(std::initializer_list<PartFile*> files);

// Whether two names are the same file: the same inode, or the same path once
// links and "..", "." are resolved (for files that do not exist yet).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace aurelith
