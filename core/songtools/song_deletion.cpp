#include "songtools/song_deletion.h"

namespace tunewick {

std::error_code DeleteSong(FileSystem& fileSystem, const std::string& path, int attempts) {
  std::error_code error;
  for (int attempt = 0; attempt < attempts && fileSystem.FileExists(path); ++attempt)
    error = fileSystem.DeleteFile(path);
  if (!fileSystem.FileExists(path)) return {};
  return error ? error : std::make_error_code(std::errc::device_or_resource_busy);
}

bool IsInUse(std::error_code error) {
  return error == std::errc::device_or_resource_busy || error == std::errc::text_file_busy;
}

}  // namespace tunewick
