// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace aurelith {

// A render's private working folder in the temporary folder: the program
// writes its tone files as it plays, and a render must not disturb the user's
// own folder or a running window. Removed at the end; one that a killed run
// left (no run holds its lock any more) is removed by the next run.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::filesystem::path path;
    std::string problem; // why there is no path

private:
    int lock_ = -1;
};

// Copies the settings (small files, no sounds) of the data folder `from` into
// `to`, each only if it is the user's own (see trustOf); the names of the
// others are added to `setAside`.
void copyOwnSettings(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::vector<std::string>& setAside);

// What the user is told of the files copyOwnSettings left out.
std::string setAsideNotice(const std::vector<std::string>& names, const std::filesystem::path& folder);

} // namespace aurelith
