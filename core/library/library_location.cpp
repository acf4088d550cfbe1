#include "library/library_location.h"

#include "library/library_file.h"
#include "platform/user_folders.h"

namespace tunewick {

std::string ConfigLibraryFile(const std::string& configFolder) {
  return PathBelow(configFolder, kLibraryFileName);
}

std::string CliLibraryFile(const FileSystem& fileSystem, const std::string& configFolder) {
  if (fileSystem.FileExists(kLibraryFileName)) return kLibraryFileName;
  return ConfigLibraryFile(configFolder);
}

}  // namespace tunewick
