#include "songtools/song_deletion.h"

namespace tunewick {

bool DeleteSong(FileSystem& fileSystem, const std::string& path, int attempts) {
  for (int attempt = 0; attempt < attempts && fileSystem.FileExists(path); ++attempt)
    fileSystem.DeleteFile(path);
  return !fileSystem.FileExists(path);
}

}  // namespace tunewick
