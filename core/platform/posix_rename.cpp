#include "platform/posix_rename.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>  // RENAME_NOREPLACE
#include <sys/syscall.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/held_signals.h"
#include "platform/rename_names.h"

namespace tunewick::posix {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* FolderArgument(const std::string& folder) {
  return folder.empty() ? "." : folder.c_str();
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

using Way = RenameWay;

// Answers by which a file system says it does not offer a way, rather than refusing the
// move itself. A file system without hard links answers link() with EPERM, or with EIO
// where its FUSE driver has no answer of its own (rclone mount): a link that failed so
// leaves nothing behind, and a device that is failing fails the next way too.
bool NotOffered(Way way, const std::error_code& error) {
  switch (error.value()) {
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP:
    case EXDEV:
      return true;
    case EPERM:
    case EIO:
      return way == Way::kLinkThenUnlink;
    default:
      return false;
  }
}

// Which way has moved files on each file system that does not offer the first.
class WayMemory {
 public:
  bool AnyOtherThanFirst() const { return anyOther_.load(std::memory_order_relaxed); }

  Way For(dev_t device) {
    std::lock_guard lock(mutex_);
    const auto found = ways_.find(device);
    return found == ways_.end() ? Way::kNoReplaceFlag : found->second;
  }

  void Remember(dev_t device, Way way) {
    std::lock_guard lock(mutex_);
    if (way == Way::kNoReplaceFlag) {
      ways_.erase(device);
    } else {
      ways_[device] = way;
      anyOther_ = true;
    }
  }

 private:
  std::mutex mutex_;
  std::unordered_map<dev_t, Way> ways_;
  std::atomic<bool> anyOther_ = false;
};

WayMemory& Ways() {
  static WayMemory memory;
  return memory;
}

std::error_code MoveByFlag(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(SYS_renameat2)
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return {};
  return LastError();
#else
  return std::make_error_code(std::errc::function_not_supported);
#endif
}

std::error_code MoveByLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) return LastError();
  if (::unlink(from.c_str()) != 0) {
    const std::error_code error = LastError();
    ::unlink(to.c_str());  // the second name of the song itself
    return error;
  }
  return {};
}

// Makes an empty file at `path`, where no file is yet. Made without opening it where the
// file system allows: a FUSE driver that stores a new file once it is closed (rclone mount
// without a cache) may store it only after close() has returned, and so the empty file
// over a song renamed to its name meanwhile.
bool MakeEmptyFile(const std::string& path) {
  if (::mknod(path.c_str(), S_IFREG | 0600, 0) == 0) return true;
  if (errno != ENOSYS && errno != EOPNOTSUPP && errno != EPERM) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::error_code MoveOverReservation(const std::string& from, const std::string& to) {
  // An interrupted run leaves no reservation behind.
  const HeldEndingSignals held;
  if (!MakeEmptyFile(to)) return LastError();
  struct stat reservation;
  const bool known = ::lstat(to.c_str(), &reservation) == 0;
  if (::rename(from.c_str(), to.c_str()) == 0) return {};
  const std::error_code error = LastError();

  // What stands under the new name is the reservation when it is an empty file that is
  // the one created above, or while the song is still under its old name (a network
  // file system may report a failure for a rename it made).
  struct stat left, song;
  if (::lstat(to.c_str(), &left) == 0 && S_ISREG(left.st_mode) && left.st_size == 0 &&
      ((known && left.st_dev == reservation.st_dev && left.st_ino == reservation.st_ino) ||
       ::lstat(from.c_str(), &song) == 0))
    ::unlink(to.c_str());
  return error;
}

// Moves a file without replacing another, starting with the way remembered for its file
// system and going on to the next while one is not offered.
std::error_code Move(const std::string& from, const std::string& to) {
  WayMemory& memory = Ways();
  std::optional<dev_t> device;
  bool deviceLooked = false;
  const auto lookUpDevice = [&] {
    struct stat info;
    if (!deviceLooked && ::lstat(from.c_str(), &info) == 0) device = info.st_dev;
    deviceLooked = true;
  };
  Way way = Way::kNoReplaceFlag;
  if (memory.AnyOtherThanFirst()) {
    lookUpDevice();
    if (device) way = memory.For(*device);
  }
  for (;;) {
    const std::error_code error = MoveBy(way, from, to);
    if (way != Way::kReservation && NotOffered(way, error)) {
      lookUpDevice();
      way = static_cast<Way>(static_cast<int>(way) + 1);
      continue;
    }
    if (device && (!error || error == std::errc::file_exists)) memory.Remember(*device, way);
    return error;
  }
}

// True when the folder lists an entry named exactly `name`.
bool FolderLists(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(FolderArgument(folder)));
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir.get()))
    if (name == entry->d_name) return true;
  return false;
}

// True when the name `to` is taken by nothing but the song `from` itself under another
// letter case: the folder lists the song, and no other entry that matches the new name.
bool OnlyTheSongIsInTheWay(const std::string& from, const std::string& to) {
  const std::string folder = FolderPart(from), oldName = NamePart(from);
  if (FolderPart(to) != folder || !DiffersOnlyInCase(oldName, NamePart(to))) return false;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(FolderArgument(folder)));
  if (!dir) return false;
  const std::string wanted = FoldCase(oldName);
  bool songListed = false;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (oldName == entry->d_name) {
      songListed = true;
    } else if (FoldCase(entry->d_name) == wanted) {
      return false;
    }
  }
  return songListed;
}

// A change of case whose song could go neither on nor back: both its names were taken
// meanwhile. The song keeps the hidden temporary name of the try `code`, which the message
// gives, so that the user can find it.
class LeftUnderTemporaryNameCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "tunewick change of case"; }
  std::string message(int code) const override {
    return "Its name was taken meanwhile: the song is now the hidden file " +
           CaseChangeTemporaryName(static_cast<unsigned>(code)) + " in its folder";
  }
};

std::error_code LeftUnderTemporaryName(unsigned attempt) {
  static const LeftUnderTemporaryNameCategory category;
  return {static_cast<int>(attempt), category};
}

}  // namespace

std::error_code ChangeCase(const std::string& from, const std::string& to, const Mover& move) {
  const std::string folder = FolderPart(to);
  std::error_code error = std::make_error_code(std::errc::file_exists);
  for (unsigned attempt = 0; attempt < 100 && error == std::errc::file_exists; ++attempt) {
    const std::string temporary = folder + CaseChangeTemporaryName(attempt);
    error = move(from, temporary);
    if (error) continue;
    error = move(temporary, to);
    if (error && move(temporary, from)) return LeftUnderTemporaryName(attempt);
    return error;
  }
  return error;
}

std::error_code MoveBy(Way way, const std::string& from, const std::string& to) {
  switch (way) {
    case Way::kNoReplaceFlag:
      return MoveByFlag(from, to);
    case Way::kLinkThenUnlink:
      return MoveByLink(from, to);
    case Way::kReservation:
      break;
  }
  return MoveOverReservation(from, to);
}

std::error_code RenameWithoutReplacing(const std::string& from, const std::string& to) {
  const std::error_code error = Move(from, to);
  if (error != std::errc::file_exists || !OnlyTheSongIsInTheWay(from, to)) return error;
  return ChangeCase(from, to, Move);
}

bool IgnoresCase(const std::string& path) {
  const std::string folder = FolderPart(path);
  std::string name = NamePart(path);
  const auto letter = std::find_if(name.begin(), name.end(), [](char c) {
    const unsigned char lower = static_cast<unsigned char>(c) | 0x20;
    return lower >= 'a' && lower <= 'z';
  });
  if (letter == name.end()) return false;
  *letter = static_cast<char>(*letter ^ 0x20);
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || ::lstat((folder + name).c_str(), &info) != 0)
    return false;
  // Both spellings lead to a file: one and the same, unless the folder lists them both. The
  // spelling given need not be the one listed, as for a change of case cut short.
  return !FolderLists(folder, name) || !FolderLists(folder, NamePart(path));
}

std::error_code ForeseenRenameRefusal(const std::string& path) {
  const std::string folderPath = FolderPart(path);
  const char* folder = FolderArgument(folderPath);
  // Write permission, a read-only medium and an immutable folder, as the system sees them.
  if (::faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) != 0) return LastError();
  const std::error_code notPermitted = std::make_error_code(std::errc::operation_not_permitted);
  constexpr auto kPinned = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
  struct statx folderInfo, fileInfo;
  if (::statx(AT_FDCWD, folder, 0, STATX_MODE | STATX_UID, &folderInfo) != 0) return {};
  if (folderInfo.stx_attributes & STATX_ATTR_APPEND) return notPermitted;
  if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_UID, &fileInfo) != 0) return {};
  // In a sticky folder only the owners of the file and of the folder may rename it.
  const uid_t self = ::geteuid();
  if ((folderInfo.stx_mode & S_ISVTX) && self != 0 && fileInfo.stx_uid != self &&
      folderInfo.stx_uid != self)
    return notPermitted;
  if (fileInfo.stx_attributes & kPinned) return notPermitted;
  return {};
}

}  // namespace tunewick::posix
