// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/Launcher.h"
#include "ports/TimeOfDay.h"

#include <set>
#include <string>
#include <vector>

namespace aurelith {

// Records every start and every document opened; only the programs listed in `installed` start (all of
// them when it is empty and `nothingInstalled` is false).
class RecordingLauncher : public Launcher {
public:
    struct Started {
        std::string program;
        std::vector<std::string> arguments;
        std::filesystem::path folder;
        bool ok;
    };

    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& workingFolder) override
    {
        const bool ok = !nothingInstalled && (installed.empty() || installed.count(program) > 0);
        tried.push_back({program, arguments, workingFolder, ok});
        return ok;
    }
    bool open(const std::filesystem::path& document) override
    {
        opened.push_back(document);
        return !nothingInstalled;
    }

    std::vector<Started> tried;
    std::vector<std::filesystem::path> opened;
    std::set<std::string> installed;
    bool nothingInstalled = false;
};

// A clock on the wall that shows whatever the test sets.
class FixedTimeOfDay : public TimeOfDay {
public:
    std::string now() const override { return time; }
    std::string time = "09:41";
};

} // namespace aurelith
