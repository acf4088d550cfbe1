#pragma once

#include <map>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "platform/file_system.h"

namespace tunewick {

// A view of another file system in which renames are only written down: listings and
// existence tests answer from the disk as the renames would have left it, and a
// rename is refused exactly where the real one would foreseeably be (a missing song, a
// name that is taken, also in another letter case where the file system ignores case, a
// name or path too long, a folder or song that may not be changed). Deletions are written
// down as renames are. Nothing on the disk changes: writing files is refused. Songs are
// renamed in several folders at once where the disk would rename them so.
class DryRunFileSystem final : public FileSystem {
 public:
  explicit DryRunFileSystem(FileSystem& disk) : disk_(disk) {}

  bool Exists(const std::string& path) const override;
  std::error_code LookUpError(const std::string& path) const override;
  bool HasOtherNames(const std::string& path) const override;
  bool FileExists(const std::string& path) const override;
  bool FolderExists(const std::string& path) const override;
  FolderListing ListFolder(const std::string& folder) const override;
  std::size_t FolderReadsAtOnce(const std::string& folder) const override;
  std::size_t FoldersRenamedAtOnce(const std::string& folder) const override;
  std::optional<FolderId> IdentifyFolder(const std::string& folder) const override;
  std::optional<FileIdentity> IdentifyFile(
      const std::string& path, Fingerprint fingerprint = Fingerprint::kTake) const override;
  bool CanChangeFolder(const std::string& folder) const override;
  bool IgnoresCase(const std::string& path) const override;
  std::error_code ForeseenRenameRefusal(const std::string& path) const override;
  std::error_code Rename(const std::string& from, const std::string& to) override;
  std::error_code DeleteFile(const std::string& path) override;
  void SetHidden(const std::string& path, bool hidden) override;
  void ReadLines(const std::string& path, std::vector<std::string>& lines) const override;
  void WriteLines(const std::string& path, const std::vector<std::string>& lines) override;
  std::optional<std::string> ReadLastBytes(const std::string& path,
                                           std::size_t count) const override;
  std::unique_ptr<ReadableFile> OpenToRead(const std::string& path) const override;

 private:
  struct Added {
    std::string name;
    std::string diskPath;  // where the file is on the disk
  };
  // What the renames changed in one real folder. Names are looked up by their key: the
  // name folded to one letter case where the file system ignores case, else the name.
  struct Changes {
    mutable std::mutex mutex;  // for the rest
    bool ignoresCase = false;
    std::set<std::string> gone;  // keys of names on the disk that were renamed away or deleted
    std::map<std::string, Added> added;  // keys of new names
    std::string KeyOf(const std::string& name) const;
  };
  enum class State { kUnchanged, kGone, kAdded };
  State Lookup(const std::string& path, std::string* diskPath = nullptr) const;
  // The changes written down in the folder at `folder`, if any.
  const Changes* ChangesIn(const std::string& folder) const;
  // Only files move in a dry run, so a folder path keeps leading to the same folder.
  std::optional<FolderId> FolderIdOf(const std::string& folder) const;
  // The changes written down in the folder, begun where there are none yet: whether it
  // ignores case is asked of `diskPath`, a file in it.
  Changes& ChangesMadeIn(FolderId folder, const std::string& diskPath);
  // True when the folder, as the dry run shows it, lists an entry named exactly `name`.
  bool Lists(const std::string& folder, const std::string& name) const;
  // True when the file system of `folder` would refuse `name` as too long.
  bool NameTooLongIn(const std::string& folder, const std::string& name, bool ignoresCase) const;

  FileSystem& disk_;
  // For changes_ and folderIds_, never held during a call to the disk: each folder's
  // renames are made on one thread, but several folders' at once, which mostly look.
  mutable std::shared_mutex mutex_;
  std::map<FolderId, Changes> changes_;  // a folder's stay where they are: see its mutex
  mutable std::unordered_map<std::string, std::optional<FolderId>> folderIds_;
};

}  // namespace tunewick
