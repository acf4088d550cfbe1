#pragma once

// Deleting the selected song for good (no recycle bin).

#include <string>
#include <system_error>

#include "platform/file_system.h"

namespace tunewick {

// While a file is at `path`, deletes it, at most `attempts` times back to back. No error
// when no file is left there (also when there was none to begin with), else the system's
// reason for the last refusal.
std::error_code DeleteSong(FileSystem& fileSystem, const std::string& path, int attempts);

// True for a refusal that means another program holds the file: worth closing it and
// trying again.
bool IsInUse(std::error_code error);

}  // namespace tunewick
