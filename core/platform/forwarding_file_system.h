#pragma once

#include "platform/file_system.h"

namespace tunewick {

// Passes every call on to another file system. A base for views that change or watch a
// few calls and leave the rest to the disk.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& disk) : disk_(disk) {}

  bool Exists(const std::string& p) const override { return disk_.Exists(p); }
  std::error_code LookUpError(const std::string& p) const override { return disk_.LookUpError(p); }
  bool HasOtherNames(const std::string& p) const override { return disk_.HasOtherNames(p); }
  bool FileExists(const std::string& p) const override { return disk_.FileExists(p); }
  bool FolderExists(const std::string& p) const override { return disk_.FolderExists(p); }
  FolderListing ListFolder(const std::string& f) const override { return disk_.ListFolder(f); }
  std::size_t FolderReadsAtOnce(const std::string& f) const override {
    return disk_.FolderReadsAtOnce(f);
  }
  std::size_t FoldersRenamedAtOnce(const std::string& f) const override {
    return disk_.FoldersRenamedAtOnce(f);
  }
  std::optional<FolderId> IdentifyFolder(const std::string& f) const override {
    return disk_.IdentifyFolder(f);
  }
  std::optional<FileIdentity> IdentifyFile(
      const std::string& p, Fingerprint fingerprint = Fingerprint::kTake) const override {
    return disk_.IdentifyFile(p, fingerprint);
  }
  bool CanChangeFolder(const std::string& f) const override { return disk_.CanChangeFolder(f); }
  bool IgnoresCase(const std::string& p) const override { return disk_.IgnoresCase(p); }
  std::error_code ForeseenRenameRefusal(const std::string& p) const override {
    return disk_.ForeseenRenameRefusal(p);
  }
  std::error_code Rename(const std::string& from, const std::string& to) override {
    return disk_.Rename(from, to);
  }
  bool RenamesEnded() const override { return disk_.RenamesEnded(); }
  bool WantsRenamesAhead() const override { return disk_.WantsRenamesAhead(); }
  void AboutToRename(PathList paths) override { disk_.AboutToRename(std::move(paths)); }
  std::error_code DeleteFile(const std::string& p) override { return disk_.DeleteFile(p); }
  void SetHidden(const std::string& p, bool hidden) override { disk_.SetHidden(p, hidden); }
  void ReadLines(const std::string& p, std::vector<std::string>& lines) const override {
    disk_.ReadLines(p, lines);
  }
  void WriteLines(const std::string& p, const std::vector<std::string>& lines) override {
    disk_.WriteLines(p, lines);
  }
  std::optional<std::string> ReadLastBytes(const std::string& p, std::size_t n) const override {
    return disk_.ReadLastBytes(p, n);
  }
  std::unique_ptr<ReadableFile> OpenToRead(const std::string& p) const override {
    return disk_.OpenToRead(p);
  }

 protected:
  FileSystem& disk_;
};

}  // namespace tunewick
