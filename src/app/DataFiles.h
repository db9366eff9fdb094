// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace aurelith {

// The small one-record text files that hold every setting, by bare name in
// the program's folder. Writes replace a file atomically, so a crash or a full
// disk never leaves a half-written record behind.
class DataFiles {
public:
    explicit DataFiles(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path pathOf(std::string_view name) const { return folder_ / std::string(name); }

    // The fields of the record, or nothing when the file is missing or unreadable.
    std::optional<std::vector<Value>> read(std::string_view name) const;
    // Assigns the fields in order; a variable whose field is missing keeps its value.
    bool readInto(std::string_view name, std::initializer_list<Value*> variables) const;
    bool write(std::string_view name, const std::vector<Value>& fields) const;
    bool remove(std::string_view name) const;
    bool exists(std::string_view name) const;

    // Told the name of every file written, in order.
    std::function<void(std::string_view name)> written;

    static std::string encode(const std::vector<Value>& fields);
    static std::vector<Value> decode(std::string_view content);

private:
    std::filesystem::path folder_;
};

} // namespace aurelith
