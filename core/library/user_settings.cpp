#include "library/user_settings.h"

#include <optional>
#include <string_view>
#include <vector>

#include "catalogue/song_path.h"
#include "platform/user_folders.h"

namespace tunewick {
namespace {

constexpr std::string_view kAllSongTypesKey = "all-song-types";

std::vector<std::string> ReadLinesOf(const FileSystem& fileSystem, const std::string& path) {
  std::vector<std::string> lines;
  if (fileSystem.FileExists(path)) fileSystem.ReadLines(path, lines);
  return lines;
}

// The value of `line` when it sets `key`.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key) {
  if (!line.starts_with(key) || line.substr(key.size(), 1) != "=") return std::nullopt;
  return line.substr(key.size() + 1);
}

}  // namespace

std::string ConfigSettingsFile(const std::string& configFolder) {
  return PathBelow(configFolder, kSettingsFileName);
}

UserSettings LoadSettings(const FileSystem& fileSystem, const std::string& path) {
  UserSettings settings;
  for (const std::string& line : ReadLinesOf(fileSystem, path))
    if (const std::optional<std::string_view> value = ValueOf(line, kAllSongTypesKey))
      settings.allSongTypes = *value == "yes";
  return settings;
}

void SaveSettings(FileSystem& fileSystem, const std::string& path, const UserSettings& settings) {
  std::vector<std::string> lines;
  for (std::string& line : ReadLinesOf(fileSystem, path))
    if (!ValueOf(line, kAllSongTypesKey)) lines.push_back(std::move(line));
  lines.push_back(std::string(kAllSongTypesKey) + "=" + (settings.allSongTypes ? "yes" : "no"));
  if (const std::string_view folder = FolderOf(path); folder.size() > 1)
    MakeFolders(std::string(folder.substr(0, folder.size() - 1)));
  fileSystem.WriteLines(path, lines);
}

}  // namespace tunewick
