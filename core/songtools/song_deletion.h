#pragma once

// Deleting the selected song for good (no recycle bin).

#include <string>

#include "platform/file_system.h"

namespace tunewick {

// While a file is at `path`, deletes it, at most `attempts` times back to back. True when
// no file is left there (also when there was none to begin with).
bool DeleteSong(FileSystem& fileSystem, const std::string& path, int attempts);

}  // namespace tunewick
