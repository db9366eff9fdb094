// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/Launcher.h"
#include "ports/TimeOfDay.h"

namespace aurelith {

class QtLauncher : public Launcher {
public:
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& workingFolder) override;
    bool open(const std::filesystem::path& document) override;
};

class QtTimeOfDay : public TimeOfDay {
public:
    std::string now() const override;
};

} // namespace aurelith
