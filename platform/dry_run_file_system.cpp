#include "platform/dry_run_file_system.h"

#include <algorithm>

namespace tunewick {
namespace {

// Longest file name the common Linux file systems take, in bytes.
constexpr std::size_t kLongestName = 255;

std::string FolderPartOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePartOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<FolderId> DryRunFileSystem::FolderIdOf(const std::string& folder) const {
  auto known = folderIds_.find(folder);
  if (known == folderIds_.end())
    known = folderIds_.emplace(folder, disk_.IdentifyFolder(folder)).first;
  return known->second;
}

const DryRunFileSystem::Changes* DryRunFileSystem::ChangesIn(const std::string& folder) const {
  if (changes_.empty()) return nullptr;
  std::optional<FolderId> id = FolderIdOf(folder);
  if (!id) return nullptr;
  auto found = changes_.find(*id);
  return found == changes_.end() ? nullptr : &found->second;
}

DryRunFileSystem::State DryRunFileSystem::Lookup(const std::string& path,
                                                 std::string* diskPath) const {
  const Changes* changes = ChangesIn(FolderPartOf(path));
  if (!changes) return State::kUnchanged;
  const std::string name = NamePartOf(path);
  if (auto added = changes->added.find(name); added != changes->added.end()) {
    if (diskPath) *diskPath = added->second;
    return State::kAdded;
  }
  return changes->gone.count(name) ? State::kGone : State::kUnchanged;
}

bool DryRunFileSystem::Exists(const std::string& path) const {
  const State state = Lookup(path);
  return state == State::kAdded || (state == State::kUnchanged && disk_.Exists(path));
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
  auto found = changes_.find(listing.id);
  if (found == changes_.end()) return listing;
  const Changes& changes = found->second;
  std::erase_if(listing.entries, [&](const FolderEntry& entry) {
    return changes.gone.count(entry.name) || changes.added.count(entry.name);
  });
  for (const auto& [name, diskPath] : changes.added) listing.entries.push_back({name, false, true});
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return listing;
}

std::size_t DryRunFileSystem::FolderReadsAtOnce(const std::string& folder) const {
  return disk_.FolderReadsAtOnce(folder);
}

std::optional<FolderId> DryRunFileSystem::IdentifyFolder(const std::string& folder) const {
  return disk_.IdentifyFolder(folder);
}

bool DryRunFileSystem::CanChangeFolder(const std::string& folder) const {
  return disk_.CanChangeFolder(folder);
}

std::error_code DryRunFileSystem::Rename(const std::string& from, const std::string& to) {
  std::string diskPath = from;
  const State source = Lookup(from, &diskPath);
  if (source == State::kGone || (source == State::kUnchanged && !disk_.Exists(from)))
    return std::make_error_code(std::errc::no_such_file_or_directory);
  if (from == to) return {};
  const std::string folder = FolderPartOf(from);
  if (FolderPartOf(to) != folder) return std::make_error_code(std::errc::invalid_argument);
  if (NamePartOf(to).size() > kLongestName)
    return std::make_error_code(std::errc::filename_too_long);
  if (Exists(to)) return std::make_error_code(std::errc::file_exists);
  std::optional<FolderId> id = FolderIdOf(folder);
  if (!id) return std::make_error_code(std::errc::no_such_file_or_directory);
  auto changeable = changeable_.find(*id);
  if (changeable == changeable_.end())
    changeable = changeable_.emplace(*id, disk_.CanChangeFolder(folder)).first;
  if (!changeable->second) return std::make_error_code(std::errc::permission_denied);

  Changes& changes = changes_[*id];
  const std::string oldName = NamePartOf(from);
  if (source == State::kAdded) {
    changes.added.erase(oldName);
  } else {
    changes.gone.insert(oldName);
  }
  changes.added[NamePartOf(to)] = diskPath;
  return {};
}

std::error_code DryRunFileSystem::DeleteFile(const std::string&) {
  return std::make_error_code(std::errc::operation_not_permitted);
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

}  // namespace tunewick
