// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace aurelith {

// Starts other programs: the user's event commands and the desktop's tools.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts `program` with `arguments`, detached, in `workingFolder`, without
    // waiting for it. No shell is involved. False when it could not be started.
    virtual bool start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder) = 0;
    // Opens a document in the desktop's default viewer for its type, without
    // waiting. False when no viewer could be asked to show it.
    virtual bool open(const std::filesystem::path& document) = 0;
};

// For hosts that launch nothing (benchmarks, rigs).
class NoLauncher : public Launcher {
public:
    bool start(const std::string&, const std::vector<std::string>&, const std::filesystem::path&) override
    {
        return false;
    }
    bool open(const std::filesystem::path&) override { return false; }
};

} // namespace aurelith
