// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith::sequence {
namespace {

// Far above any real sequence (SBaGen files are a few kB, Gnaural schedules
// rarely reach 1 MB), small enough to read at once.
constexpr off_t kLargestSequenceFile = 8 * 1024 * 1024;

ReadResult fileProblem(const std::string& name, std::string message)
{
    ReadResult result;
    result.problems.push_back({name, 0, std::move(message)});
    return result;
}

} // namespace

ReadResult readSequenceFile(const std::filesystem::path& file)
{
    const std::string name = file.string();
    // Non-blocking, so a FIFO or a device in the file's place cannot hang us; checked on the open file.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fileProblem(name, std::string("cannot open: ") + std::strerror(errno));
    struct stat info {};
    std::string text;
    std::string refusal;
    if (::fstat(fd, &info) != 0)
        refusal = std::string("cannot read: ") + std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        refusal = "not a regular file";
    else if (info.st_size > kLargestSequenceFile)
        refusal = "too large for a sequence file (more than 8 MB)";
    else {
        text.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                refusal = std::string("cannot read: ") + std::strerror(errno);
                break;
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    if (!refusal.empty())
        return fileProblem(name, refusal);
    if (text.find('\0') != std::string::npos)
        return fileProblem(name, "not a text file, so neither an SBaGen sequence nor a Gnaural schedule");
    // Told apart by content: a Gnaural schedule is XML, an SBaGen file never starts with '<'.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
    if (first != std::string::npos && text[first] == '<')
        return readGnaural(text, name, folder);
    return readSbg(text, name, folder);
}

std::string describe(const Problem& problem)
{
    if (problem.line <= 0)
        return problem.file + ": " + problem.message;
    return problem.file + ":" + std::to_string(problem.line) + ": " + problem.message;
}

std::vector<std::string> isochronicSequences(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const ReadResult read = readSequenceFile(it->path());
        if (!read.sequence || read.sequence->voices.empty())
            continue;
        const auto& voices = read.sequence->voices;
        const auto is = [](VoiceKind kind) { return [kind](const Voice& v) { return v.kind == kind; }; };
        if (std::ranges::any_of(voices, is(VoiceKind::isochronic)) &&
            std::ranges::none_of(voices, is(VoiceKind::binaural)))
            names.push_back(read.sequence->name);
    }
    std::ranges::sort(names);
    return names;
}

} // namespace aurelith::sequence
