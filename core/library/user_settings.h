#pragma once

// The settings the desktop program and tunewick-cli share, kept in a file of their own:
// "settings" in the configuration folder, one "key=value" a line. The library file keeps
// nothing but its folders, in the format other programs and older versions read.

#include <string>

#include "catalogue/song_types.h"
#include "platform/file_system.h"

namespace tunewick {

inline constexpr const char* kSettingsFileName = "settings";

struct UserSettings {
  // "Also look for FLAC, Ogg, Opus, M4A and AIFF songs": the key "all-song-types", "yes"
  // or "no".
  bool allSongTypes = false;

  SongTypes songTypes() const { return allSongTypes ? SongTypes::All() : SongTypes(); }
};

// The settings file in the configuration folder.
std::string ConfigSettingsFile(const std::string& configFolder);

// The settings the file at `path` holds: the defaults where it says nothing, also when
// there is no file; lines it does not know are passed over. Throws FileError when the file
// exists but cannot be read.
UserSettings LoadSettings(const FileSystem& fileSystem, const std::string& path);

// Puts `settings` into the file at `path`, making its folder when missing; the lines of
// other keys stay as they are. The old file stays intact when this fails; throws FileError
// with the reason.
void SaveSettings(FileSystem& fileSystem, const std::string& path, const UserSettings& settings);

}  // namespace tunewick
