// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace aurelith {

// $XDG_DATA_HOME/aurelith, or <home>/.local/share/aurelith, where home is $HOME
// or, when that is unset or relative, the home folder of the password database.
// Empty when no absolute home folder is known at all.
std::filesystem::path defaultDataFolder();

// The folder made ready for use: every missing component is created with mode
// 0700 (the settings are nobody else's business), and only its owner may steer
// it (see secureFolder). When no usable folder exists the error says why; the
// path returned then only names what was looked for. notice tells of a folder
// that had to be tightened.
std::filesystem::path prepareDataFolder(std::error_code& error, std::string& notice);

// As OpenSSH's StrictModes: a folder that another user owns is refused
// (error foreignOwner); one of ours that others may write is made 0700, and
// notice says so. Anything it cannot look at is left to fail later.
void secureFolder(const std::filesystem::path& folder, std::error_code& error, std::string& notice);

// Creates the folder and any missing parents with mode 0700; true when it
// exists as a folder afterwards.
bool createPrivateFolder(const std::filesystem::path& folder, std::error_code& error);

// The errors of the data folder: no absolute home folder is known, or the
// folder belongs to another user.
const std::error_category& dataFolderCategory();
enum class DataFolderError { noHomeFolder = 1, foreignOwner };

} // namespace aurelith
