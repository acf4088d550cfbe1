#include "library/library_location.h"

#include "library/library_file.h"

namespace tunewick {
namespace {

std::string Below(std::string_view folder, std::string_view name) {
  std::string path(folder);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path != "/") path += '/';
  return path.append(name);
}

}  // namespace

std::string ConfigFolderFor(std::string_view xdgConfigHome, std::string_view home) {
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
    return Below(xdgConfigHome, "tunewick");
  return Below(Below(home, ".config"), "tunewick");
}

std::string ConfigLibraryFile(const std::string& configFolder) {
  return Below(configFolder, kLibraryFileName);
}

std::string CliLibraryFile(const FileSystem& fileSystem, const std::string& configFolder) {
  if (fileSystem.FileExists(kLibraryFileName)) return kLibraryFileName;
  return ConfigLibraryFile(configFolder);
}

}  // namespace tunewick
