#include "library/library_file.h"

namespace tunewick {

bool LoadLibraryFile(FileSystem& fileSystem, const std::string& path, LibraryRead reader,
                     std::vector<std::string>& folders) {
  if (reader != LibraryRead::kReload && !fileSystem.FileExists(path)) return false;
  if (reader == LibraryRead::kMainWindow) fileSystem.SetHidden(path, true);
  fileSystem.ReadLines(path, folders);
  return true;
}

void SaveLibraryFile(FileSystem& fileSystem, const std::string& path,
                     const std::vector<std::string>& folders) {
  if (fileSystem.FileExists(path)) fileSystem.SetHidden(path, false);
  fileSystem.WriteLines(path, folders);
  fileSystem.SetHidden(path, true);
}

void DeleteLibraryFileAtExit(FileSystem& fileSystem, const std::string& path, bool keepLibrary) {
  if (keepLibrary || !fileSystem.FileExists(path)) return;
  fileSystem.SetHidden(path, false);
  fileSystem.DeleteFile(path);
}

}  // namespace tunewick
