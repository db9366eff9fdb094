// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aurelith {
namespace {

// A record is one short line; anything longer is garbage and is not read further.
constexpr size_t kMaxRecordBytes = 64 * 1024;

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

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The replacement keeps the old file's permissions; a new file gets the usual ones.
mode_t modeFor(const std::filesystem::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

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
    std::FILE* file = std::fopen(pathOf(name).c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string content(kMaxRecordBytes, '\0');
    const size_t n = std::fread(content.data(), 1, content.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    content.resize(n);
    return decode(content);
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

bool DataFiles::write(std::string_view name, const std::vector<Value>& fields) const
{
    const std::filesystem::path target = pathOf(name);
    std::string temp = (folder_ / ("." + std::string(name) + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, modeFor(target)) == 0 && writeAll(fd, encode(fields)) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable too.
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    if (written)
        written(name);
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

} // namespace aurelith
