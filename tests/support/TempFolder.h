// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace aurelith::test {

namespace fs = std::filesystem;

// A fresh folder per test case, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "aurelith-test-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code error;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path, error);
    }
    fs::path path;
};

} // namespace aurelith::test
