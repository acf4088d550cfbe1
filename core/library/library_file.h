#pragma once

// The library file: the folders of the music library, one path per line.

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tunewick {

inline constexpr const char* kLibraryFileName = "searchfolders";

// How a reader treats the library file.
enum class LibraryRead {
  kMainWindow,  // only when present; marks the file hidden first (creation and every scan)
  kEditor,      // only when present; leaves the attributes alone
  kReload,      // no presence test and no attribute change: a missing file throws
};

// Appends the file's lines to `folders` exactly as they stand, empty lines included.
// Returns false when a presence-testing reader finds no file. Throws FileError when
// the file cannot be read; the lines read before the failure stay appended.
bool LoadLibraryFile(FileSystem& fileSystem, const std::string& path, LibraryRead reader,
                     std::vector<std::string>& folders);

// Replaces the file with `folders`, one per line ending in CR LF, and marks it hidden.
// The old file stays intact when this fails; throws FileError with the reason.
void SaveLibraryFile(FileSystem& fileSystem, const std::string& path,
                     const std::vector<std::string>& folders);

// At exit through the main window's own close: deletes the file unless the user keeps it.
// A failure is ignored: the program is ending.
void DeleteLibraryFileAtExit(FileSystem& fileSystem, const std::string& path, bool keepLibrary);

}  // namespace tunewick
