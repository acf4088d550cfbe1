#pragma once

// Where the library file lives. From a terminal, Tunewick keeps it in the current folder;
// started from the desktop's menu, where the current folder means nothing (often the home
// folder, sometimes "/"), it keeps it in the user's configuration folder.

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tunewick {

// The library file in the configuration folder.
std::string ConfigLibraryFile(const std::string& configFolder);

// The library file tunewick-cli reads when no folder is named: the current folder's when
// there is one, else the configuration folder's.
std::string CliLibraryFile(const FileSystem& fileSystem, const std::string& configFolder);

}  // namespace tunewick
