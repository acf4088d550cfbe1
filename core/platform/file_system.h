#pragma once

// The file system as Tunewick sees it. Paths are bytes from disk to disk: nothing here
// decodes or re-encodes a name, so names that are not valid UTF-8 survive untouched.

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/path_list.h"

namespace tunewick {

// A file operation that failed in a way the user has to be told about. The text is
// complete and ready to show, e.g. `Cannot open file "searchfolders". Permission denied`.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  FileError(const std::string& text, std::error_code code)
      : std::runtime_error(text), code_(code) {}

  // The system's error behind the failure; empty when there is none.
  std::error_code code() const noexcept { return code_; }

 private:
  std::error_code code_;
};

struct FolderEntry {
  std::string name;
  bool isFolder = false;  // a folder, or a link that leads to one
  bool isFile = false;    // a regular file, or a link that leads to one or nowhere
};

// Identifies a real folder, whatever path or link leads to it.
struct FolderId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend auto operator<=>(const FolderId&, const FolderId&) = default;
};

// Identifies a file for as long as it lives, whatever it is renamed to. Where the file
// system's inode numbers do not last (FAT, exFAT, FUSE and network mounts), the size and
// a fingerprint of the content stand in for them: times will not do, since some drivers
// stamp a renamed file with the clock.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t birthNs = 0;  // creation time where the file system keeps one, else 0
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  bool inodeStable = true;
  // Where inode numbers do not last: a hash of the size and of the first and last few
  // KiB of the file, where tags and frame headers differ between songs. 0: none taken.
  std::uint64_t fingerprint = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FolderListing {
  bool opened = false;    // false: missing, not a folder, or unreadable
  std::error_code error;  // why it was not opened
  FolderId id;
  std::vector<FolderEntry> entries;  // byte order of their names, "." and ".." left out
};

// A regular file open for reading; closed when destroyed.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;

  // The size when the file was opened.
  virtual std::uint64_t Size() const = 0;

  // Reads up to `count` bytes from `offset` into `buffer`; returns how many were read,
  // fewer at the file's end and none when reading fails.
  virtual std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True when the path names something: a file, a folder, or a link wherever it leads (as
  // for a rename, which never follows the link it renames or would replace).
  virtual bool Exists(const std::string& path) const = 0;
  // What Exists found out: none when something is at `path`, no_such_file_or_directory
  // when nothing is, else why it could not be looked at (a share whose connection was lost,
  // a loop of links), which tells nothing of the file.
  virtual std::error_code LookUpError(const std::string& path) const {
    return Exists(path) ? std::error_code()
                        : std::make_error_code(std::errc::no_such_file_or_directory);
  }
  virtual bool FileExists(const std::string& path) const = 0;
  virtual bool FolderExists(const std::string& path) const = 0;

  // Safe to call from several threads at once.
  virtual FolderListing ListFolder(const std::string& folder) const = 0;

  // How many folders below `folder` are best read at the same time: the number of
  // processor cores on a fast local disk, more where each read waits on a slow device
  // (a network share, a USB or spinning disk), so that the waits overlap.
  virtual std::size_t FolderReadsAtOnce(const std::string& folder) const = 0;

  // How many folders' songs are best renamed at the same time: one where a rename waits on
  // nothing but the processor (a fast local disk), as many as folders are read at once where
  // each call waits on a slow device. More than one promises that the calls a rename needs
  // (Rename, the look-ups, the reads) are safe from several threads at once.
  virtual std::size_t FoldersRenamedAtOnce(const std::string& folder) const {
    (void)folder;
    return 1;
  }

  // The real folder a path leads to; nothing when it is not a folder.
  virtual std::optional<FolderId> IdentifyFolder(const std::string& folder) const = 0;

  // The identity of the file at `path` (links are not followed); nothing when there is
  // no file there or it cannot be looked at. kLeave leaves out the fingerprint, and with
  // it any read of the file's content; kTakeAnew takes it with the file's size and times
  // asked of its file system this moment, which on a network or FUSE mount costs a call.
  enum class Fingerprint { kTake, kLeave, kTakeAnew };
  virtual std::optional<FileIdentity> IdentifyFile(
      const std::string& path, Fingerprint fingerprint = Fingerprint::kTake) const = 0;

  // True when the file at `path` (a link not followed) is known to have other names as
  // well: hard links to it.
  virtual bool HasOtherNames(const std::string& path) const {
    (void)path;
    return false;
  }

  // True when entries of the folder may be renamed by this process.
  virtual bool CanChangeFolder(const std::string& folder) const = 0;

  // True when the file system finds the existing file `path` under another letter case
  // of its name as well (FAT, exFAT).
  virtual bool IgnoresCase(const std::string& path) const = 0;

  // The refusal that renaming the existing file `path` within its folder would meet for
  // what its folder and the file itself show (a folder this process may not change, a
  // read-only medium, an immutable or append-only file, another user's file in a sticky
  // folder); empty when none is foreseen. Changes nothing.
  virtual std::error_code ForeseenRenameRefusal(const std::string& path) const = 0;

  // Moves a file without ever replacing an existing one, on every file system. A change
  // of letter case alone goes through, also on a file system that ignores case. Returns
  // the system's error when refused; nothing changes then.
  virtual std::error_code Rename(const std::string& from, const std::string& to) = 0;

  // Rename, by a caller who has just taken the identity of the file at `from`: a file
  // system that records what it renames may record `identity` rather than look again.
  virtual std::error_code RenameIdentified(const std::string& from, const std::string& to,
                                           const FileIdentity& identity) {
    (void)identity;
    return Rename(from, to);
  }

  // True once no more renames will be made through this file system, since the record it
  // keeps of them can no longer be written. Work that renames may end there.
  virtual bool RenamesEnded() const { return false; }

  // A hint that the files at `paths` are about to be renamed, in this order, so that a
  // file system with work of its own to do per rename may do it ahead. Replaces the hint
  // before it; changes nothing on disk. Worth giving only where WantsRenamesAhead().
  virtual bool WantsRenamesAhead() const { return false; }
  virtual void AboutToRename(PathList paths) { (void)paths; }

  virtual std::error_code DeleteFile(const std::string& path) = 0;

  // Windows keeps the library file hidden; elsewhere this has no effect.
  virtual void SetHidden(const std::string& path, bool hidden) = 0;

  // Appends the lines of a text file (LF or CR LF line ends) to `lines`, without their
  // line ends. Throws FileError when the file cannot be opened or read; the lines read
  // up to the failure stay appended.
  virtual void ReadLines(const std::string& path, std::vector<std::string>& lines) const = 0;

  // Writes the lines, each followed by CR LF, into a new file beside `path` and then
  // puts it in place of `path` in one step, so a failure leaves the old file as it
  // was. A read-only old file is replaced too. Throws FileError on failure.
  virtual void WriteLines(const std::string& path, const std::vector<std::string>& lines) = 0;

  // Up to `count` bytes from the end of a regular file: all of it when it is shorter.
  // Nothing when the file cannot be opened or read, or is not a regular file.
  virtual std::optional<std::string> ReadLastBytes(const std::string& path,
                                                   std::size_t count) const = 0;

  // Opens a regular file for reading without ever waiting (a named pipe is refused, not
  // waited on). Nothing when it cannot be opened or is not a regular file.
  virtual std::unique_ptr<ReadableFile> OpenToRead(const std::string& path) const = 0;
};

// The machine's own file system.
FileSystem& RealFileSystem();

// The system's text for an error, e.g. "Permission denied".
std::string ErrorText(std::error_code error);

}  // namespace tunewick
