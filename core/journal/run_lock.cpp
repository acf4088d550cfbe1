#include "journal/run_lock.h"

#include "journal/journal_writer.h"
#include "platform/journal_file.h"
#include "platform/user_folders.h"

namespace tunewick {
namespace {

constexpr const char* kNoHomeFolder = "there is no home folder to keep it in";

// The folder that holds `path`: "/" for what is in the root, "." for a name alone.
std::string FolderHolding(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool AnotherRunUnderWay(const std::string& folder) {
  return !folder.empty() && WhyNotOwn(folder).empty() &&
         LockHeldElsewhere(PathBelow(folder, "runs.lock"));
}

void RefuseWhileAnotherRuns(const std::string& folder) {
  if (AnotherRunUnderWay(folder)) throw RunInProgress();
}

void ForeseeRecording(const std::string& folder) {
  if (folder.empty()) throw JournalUnavailable(kNoHomeFolder);
  const FileSystem& disk = RealFileSystem();
  if (!disk.FolderExists(folder)) {
    // The run makes it, and the folders it lies in, from the nearest one there is: unless
    // something else is in the way, or that folder cannot be changed.
    std::string there = folder;
    while (!disk.Exists(there) && there != "/" && there != ".") there = FolderHolding(there);
    if (!disk.FolderExists(there))
      throw JournalUnavailable(folder, std::make_error_code(std::errc::not_a_directory));
    if (const std::error_code refusal = WhyFilesCannotBeMadeIn(there))
      throw JournalUnavailable(folder, refusal);
    return;
  }
  if (const std::string distrust = WhyNotOwn(folder); !distrust.empty())
    throw JournalUnavailable(distrust);
  if (const std::error_code refusal = WhyFilesCannotBeMadeIn(folder))
    throw JournalUnavailable(folder, refusal);
}

RunLock::RunLock(const std::string& folder, Need need) {
  const bool required = need == Need::kRequired;
  if (folder.empty()) {
    if (required) throw JournalUnavailable(kNoHomeFolder);
    return;
  }
  try {
    MakeFolders(folder);
  } catch (const FileError& error) {
    if (required) throw JournalUnavailable(folder, error.code());
    return;
  }
  // No lock file goes into a folder that is not the user's own: the run is not recorded
  // there either.
  if (const std::string distrust = WhyNotOwn(folder); !distrust.empty()) {
    if (required) throw JournalUnavailable(distrust);
    return;
  }
  std::error_code error;
  held_ = LockFile(PathBelow(folder, "runs.lock"), error);
  if (error == std::errc::resource_unavailable_try_again) throw RunInProgress();
  if (error && required) throw JournalUnavailable(folder, error);
}

}  // namespace tunewick
