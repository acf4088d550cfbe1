#include "platform/dry_run_file_system.h"

#include <algorithm>

#include "platform/rename_names.h"

namespace tunewick {
namespace {

std::error_code Refused(std::errc reason) { return std::make_error_code(reason); }

std::string FolderPartOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePartOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DryRunFileSystem::Changes::KeyOf(const std::string& name) const {
  return ignoresCase ? FoldCase(name) : name;
}

std::optional<FolderId> DryRunFileSystem::FolderIdOf(const std::string& folder) const {
  {
    std::shared_lock lock(mutex_);
    if (auto known = folderIds_.find(folder); known != folderIds_.end()) return known->second;
  }
  const std::optional<FolderId> id = disk_.IdentifyFolder(folder);
  std::unique_lock lock(mutex_);
  folderIds_.emplace(folder, id);
  return id;
}

DryRunFileSystem::Changes& DryRunFileSystem::ChangesMadeIn(FolderId folder,
                                                           const std::string& diskPath) {
  {
    std::shared_lock lock(mutex_);
    if (auto found = changes_.find(folder); found != changes_.end()) return found->second;
  }
  const bool ignoresCase = disk_.IgnoresCase(diskPath);
  std::unique_lock lock(mutex_);
  const auto [found, fresh] = changes_.try_emplace(folder);
  // Set once, before any other thread can find the folder's changes.
  if (fresh) found->second.ignoresCase = ignoresCase;
  return found->second;
}

const DryRunFileSystem::Changes* DryRunFileSystem::ChangesIn(const std::string& folder) const {
  {
    std::shared_lock lock(mutex_);
    if (changes_.empty()) return nullptr;
  }
  const std::optional<FolderId> id = FolderIdOf(folder);
  if (!id) return nullptr;
  std::shared_lock lock(mutex_);
  const auto found = changes_.find(*id);
  return found == changes_.end() ? nullptr : &found->second;
}

DryRunFileSystem::State DryRunFileSystem::Lookup(const std::string& path,
                                                 std::string* diskPath) const {
  const Changes* found = ChangesIn(FolderPartOf(path));
  if (!found) return State::kUnchanged;
  const Changes& changes = *found;
  std::lock_guard lock(changes.mutex);
  const std::string key = changes.KeyOf(NamePartOf(path));
  if (auto added = changes.added.find(key); added != changes.added.end()) {
    if (diskPath) *diskPath = added->second.diskPath;
    return State::kAdded;
  }
  return changes.gone.count(key) ? State::kGone : State::kUnchanged;
}

bool DryRunFileSystem::Exists(const std::string& path) const {
  const State state = Lookup(path);
  return state == State::kAdded || (state == State::kUnchanged && disk_.Exists(path));
}

std::error_code DryRunFileSystem::LookUpError(const std::string& path) const {
  std::string diskPath = path;
  switch (Lookup(path, &diskPath)) {
    case State::kAdded:
      return {};
    case State::kGone:
      return std::make_error_code(std::errc::no_such_file_or_directory);
    case State::kUnchanged:
      break;
  }
  return disk_.LookUpError(diskPath);
}

bool DryRunFileSystem::HasOtherNames(const std::string& path) const {
  // Renames move names, they make none: a file has as many as on the disk.
  std::string diskPath = path;
  return Lookup(path, &diskPath) != State::kGone && disk_.HasOtherNames(diskPath);
}

bool DryRunFileSystem::FileExists(const std::string& path) const {
  // Only files are ever renamed, so whatever was renamed here is a file.
  const State state = Lookup(path);
  return state == State::kAdded || (state == State::kUnchanged && disk_.FileExists(path));
}

bool DryRunFileSystem::FolderExists(const std::string& path) const {
  return Lookup(path) == State::kUnchanged && disk_.FolderExists(path);
}

FolderListing DryRunFileSystem::ListFolder(const std::string& folder) const {
  FolderListing listing = disk_.ListFolder(folder);
  if (!listing.opened) return listing;
  const Changes* found = nullptr;
  {
    std::shared_lock lock(mutex_);
    if (auto there = changes_.find(listing.id); there != changes_.end()) found = &there->second;
  }
  if (!found) return listing;
  const Changes& changes = *found;
  std::lock_guard lock(changes.mutex);
  std::erase_if(listing.entries, [&](const FolderEntry& entry) {
    const std::string key = changes.KeyOf(entry.name);
    return changes.gone.count(key) || changes.added.count(key);
  });
  for (const auto& [key, added] : changes.added)
    listing.entries.push_back({added.name, false, true});
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return listing;
}

std::size_t DryRunFileSystem::FolderReadsAtOnce(const std::string& folder) const {
  return disk_.FolderReadsAtOnce(folder);
}

std::size_t DryRunFileSystem::FoldersRenamedAtOnce(const std::string& folder) const {
  return disk_.FoldersRenamedAtOnce(folder);
}

std::optional<FolderId> DryRunFileSystem::IdentifyFolder(const std::string& folder) const {
  return disk_.IdentifyFolder(folder);
}

std::optional<FileIdentity> DryRunFileSystem::IdentifyFile(const std::string& path,
                                                           Fingerprint fingerprint) const {
  std::string diskPath = path;
  if (Lookup(path, &diskPath) == State::kGone) return std::nullopt;
  return disk_.IdentifyFile(diskPath, fingerprint);
}

bool DryRunFileSystem::CanChangeFolder(const std::string& folder) const {
  return disk_.CanChangeFolder(folder);
}

bool DryRunFileSystem::IgnoresCase(const std::string& path) const {
  std::string diskPath = path;
  return Lookup(path, &diskPath) != State::kGone && disk_.IgnoresCase(diskPath);
}

std::error_code DryRunFileSystem::ForeseenRenameRefusal(const std::string& path) const {
  std::string diskPath = path;
  if (Lookup(path, &diskPath) == State::kGone) return Refused(std::errc::no_such_file_or_directory);
  return disk_.ForeseenRenameRefusal(diskPath);
}

bool DryRunFileSystem::Lists(const std::string& folder, const std::string& name) const {
  const FolderListing listing = ListFolder(folder);
  return std::binary_search(
      listing.entries.begin(), listing.entries.end(), FolderEntry{name},
      [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
}

bool DryRunFileSystem::NameTooLongIn(const std::string& folder, const std::string& name,
                                     bool ignoresCase) const {
  if (!NameTooLong(name, ignoresCase)) return false;
  if (NameTooLong(name, /*ignoresCase=*/true)) return true;
  // Over 255 bytes but not over 255 UTF-16 code units: too long for most file systems that
  // respect case, but not for NTFS, which counts code units there too. A file system that
  // measures the names it looks up tells; one that does not is taken to count bytes.
  const auto tooLong = [&](const std::string& tried) {
    return disk_.LookUpError(folder + tried) == std::errc::filename_too_long;
  };
  return !tooLong(std::string(kLongestName + 1, 'a')) || tooLong(name);
}

// The checks come in the order the system makes them, so that a rename refused for
// several reasons gives the real run's.
std::error_code DryRunFileSystem::Rename(const std::string& from, const std::string& to) {
  if (to.size() > kLongestPath) return Refused(std::errc::filename_too_long);
  std::string diskPath = from;
  const State source = Lookup(from, &diskPath);
  if (source == State::kGone) return Refused(std::errc::no_such_file_or_directory);
  if (source == State::kUnchanged)
    if (const std::error_code absent = disk_.LookUpError(from)) return absent;
  if (from == to) return {};
  const std::string folder = FolderPartOf(from);
  if (FolderPartOf(to) != folder) return Refused(std::errc::invalid_argument);
  const std::string oldName = NamePartOf(from), newName = NamePartOf(to);
  std::optional<FolderId> id = FolderIdOf(folder);
  if (!id) return Refused(std::errc::no_such_file_or_directory);
  Changes& changes = ChangesMadeIn(*id, diskPath);
  if (NameTooLongIn(folder, newName, changes.ignoresCase))
    return Refused(std::errc::filename_too_long);

  // Where case is ignored, the name in the way of a change of case is the song itself when
  // the folder lists the song under exactly the name given; the real rename passes through
  // a temporary name then.
  const bool caseOnly =
      changes.ignoresCase && DiffersOnlyInCase(oldName, newName) && Lists(folder, oldName);
  if (!caseOnly && Exists(to)) return Refused(std::errc::file_exists);
  if (caseOnly && folder.size() + kTemporaryNameLength > kLongestPath)
    return Refused(std::errc::filename_too_long);
  // A song renamed once already met no refusal then, and nothing on the disk has changed.
  if (source != State::kAdded)
    if (const std::error_code refusal = disk_.ForeseenRenameRefusal(diskPath)) return refusal;

  std::lock_guard lock(changes.mutex);
  if (source == State::kAdded) {
    changes.added.erase(changes.KeyOf(oldName));
  } else {
    changes.gone.insert(changes.KeyOf(oldName));
  }
  changes.added[changes.KeyOf(newName)] = {newName, diskPath};
  return {};
}

std::error_code DryRunFileSystem::DeleteFile(const std::string& path) {
  std::string diskPath = path;
  const State state = Lookup(path, &diskPath);
  if (state == State::kGone || (state == State::kUnchanged && !disk_.FileExists(path)))
    return Refused(std::errc::no_such_file_or_directory);
  const std::optional<FolderId> id = FolderIdOf(FolderPartOf(path));
  if (!id) return Refused(std::errc::no_such_file_or_directory);
  // What keeps a file from being renamed keeps it from being deleted.
  if (const std::error_code refusal = disk_.ForeseenRenameRefusal(diskPath)) return refusal;
  Changes& changes = ChangesMadeIn(*id, diskPath);
  std::lock_guard lock(changes.mutex);
  const std::string key = changes.KeyOf(NamePartOf(path));
  changes.added.erase(key);
  changes.gone.insert(key);
  return {};
}

void DryRunFileSystem::SetHidden(const std::string&, bool) {}

void DryRunFileSystem::ReadLines(const std::string& path, std::vector<std::string>& lines) const {
  disk_.ReadLines(path, lines);
}

void DryRunFileSystem::WriteLines(const std::string& path, const std::vector<std::string>&) {
  throw FileError("Cannot create file \"" + path + "\". Nothing is written in a dry run");
}

std::optional<std::string> DryRunFileSystem::ReadLastBytes(const std::string& path,
                                                           std::size_t count) const {
  std::string diskPath = path;
  switch (Lookup(path, &diskPath)) {
    case State::kGone:
      return std::nullopt;
    case State::kAdded:
      return disk_.ReadLastBytes(diskPath, count);
    case State::kUnchanged:
      break;
  }
  return disk_.ReadLastBytes(path, count);
}

std::unique_ptr<ReadableFile> DryRunFileSystem::OpenToRead(const std::string& path) const {
  std::string diskPath = path;
  if (Lookup(path, &diskPath) == State::kGone) return nullptr;
  return disk_.OpenToRead(diskPath);
}

}  // namespace tunewick
