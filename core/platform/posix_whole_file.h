#pragma once

// Putting a file's new content in place in one step on POSIX systems, so that a crash
// leaves either the old file or the new one whole.

#include <string>
#include <string_view>
#include <system_error>

namespace tunewick::posix {

// Writes `bytes` into `fd`, the open file `temporary`, forces them onto the disk, closes
// `fd` and renames `temporary` over `path`. On failure `temporary` is removed and `path`
// stays as it was. Never for a song: the rename replaces what is at `path`.
std::error_code PutInPlace(int fd, const std::string& temporary, const std::string& path,
                           std::string_view bytes);

}  // namespace tunewick::posix
