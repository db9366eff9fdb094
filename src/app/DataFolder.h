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
// 0700 (the settings are nobody else's business). When no usable folder exists
// the error says why; the path returned then only names what was looked for.
std::filesystem::path prepareDataFolder(std::error_code& error);

// Creates the folder and any missing parents with mode 0700; true when it
// exists as a folder afterwards.
bool createPrivateFolder(const std::filesystem::path& folder, std::error_code& error);

// The error reported when neither the environment nor the password database
// names an absolute home folder.
const std::error_category& dataFolderCategory();
enum class DataFolderError { noHomeFolder = 1 };

} // namespace aurelith
