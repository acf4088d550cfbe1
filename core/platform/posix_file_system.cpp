// The file system on POSIX systems (Linux first). Every call takes the path bytes as
// they are.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/file_system.h"
#include "platform/posix_rename.h"
#include "platform/posix_whole_file.h"

namespace tunewick {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

FileError Failure(const char* what, const std::string& path, std::error_code error) {
  return FileError(std::string(what) + " \"" + path + "\". " + ErrorText(error), error);
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Reads up to `count` bytes at `offset` into `buffer`; returns how many were read, fewer at
// the file's end or when reading fails.
std::size_t ReadAt(int fd, std::uint64_t offset, char* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  std::uint64_t Size() const override { return size_; }

  std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const override {
    return tunewick::ReadAt(fd_.get(), offset, buffer, count);
  }

 private:
  UniqueFd fd_;
  std::uint64_t size_;
};

// Reads every entry of an open folder but "." and "..". A folder's entries are fetched
// with as few system calls as a large buffer allows: one for most folders. An error
// part-way (the folder removed, a failing device) ends the listing with what was read.
void ReadEntries(int fd, std::vector<FolderEntry>& entries) {
  constexpr std::size_t kBufferSize = 256 * 1024;
  thread_local std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    const long got = ::syscall(SYS_getdents64, fd, buffer.get(), kBufferSize);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    for (long at = 0; at < got;) {
      // struct linux_dirent64: d_ino (8 bytes), d_off (8), d_reclen (2), d_type (1), d_name.
      const char* record = buffer.get() + at;
      unsigned short length;
      std::memcpy(&length, record + 16, sizeof length);
      unsigned char type = static_cast<unsigned char>(record[18]);
      const char* name = record + 19;
      at += length;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat info;
        if (::fstatat(fd, name, &info, 0) == 0) {
          type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        } else if (type == DT_LNK && (errno == ENOENT || errno == ELOOP)) {
          // A link that leads nowhere (its song was renamed, say) is still a name that a run
          // renames, as its dry run, which takes no link along with its target, foresees.
          type = DT_REG;
        } else {
          type = DT_UNKNOWN;
        }
      }
      entries.push_back({name, type == DT_DIR, type == DT_REG});
    }
  }
}

// Folder reads that wait on the device rather than on the processor overlap well beyond
// the number of cores; on a fast local disk more threads than cores only compete, and
// past a few the disk's own speed is the limit.
constexpr std::size_t kSlowDeviceReads = 8;
constexpr std::size_t kMostLocalReads = 8;

// True for a network share, a FUSE mount, or a disk on USB, a memory card or spinning
// platters: where reading a folder means waiting for the device.
bool OnSlowDevice(const std::string& folder) {
  struct statfs fileSystem;
  if (::statfs(folder.c_str(), &fileSystem) != 0) return false;
  switch (static_cast<unsigned long>(fileSystem.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE (sshfs, exFAT, NTFS...)
    case 0x01021997:  // 9P
    case 0x00C36400:  // Ceph
    case 0x5346414F:  // AFS
    case 0x73757245:  // Coda
      return true;
    default:
      break;
  }
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0) return false;
  // The block device behind the folder: /sys/dev/block/MAJOR:MINOR leads to its place
  // among the machine's devices; a partition's own queue settings are its disk's.
  const std::string device = "/sys/dev/block/" + std::to_string(major(info.st_dev)) + ":" +
                             std::to_string(minor(info.st_dev));
  char place[PATH_MAX];
  if (::realpath(device.c_str(), place) == nullptr) return false;
  const std::string where = place;
  if (where.find("/usb") != std::string::npos || where.find("/mmc") != std::string::npos)
    return true;
  for (const char* rotational : {"/queue/rotational", "/../queue/rotational"}) {
    UniqueFd fd(::open((where + rotational).c_str(), O_RDONLY | O_CLOEXEC));
    char flag = 0;
    if (fd.get() >= 0 && ::read(fd.get(), &flag, 1) == 1) return flag == '1';
  }
  return false;
}

bool StatFollowing(const std::string& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0;
}

// File systems whose inode numbers may change while the file stays the same: FAT and
// exFAT (numbers made up per mount), FUSE and the network file systems, and overlayfs,
// where renaming a file of a lower layer copies it up into a new file of the upper layer:
// a new birth time, and a new inode number where the layers lie on different disks.
bool InodesLast(long type) {
  switch (static_cast<unsigned long>(type)) {
    case 0x4d44:      // msdos, vfat
    case 0x2011bab0:  // exfat
    case 0x65735546:  // fuse
    case 0x6969:      // nfs
    case 0x517b:      // smb
    case 0xff534d42:  // cifs
    case 0xfe534d42:  // smb2
    case 0x01021997:  // 9p
    case 0x794c7630:  // overlayfs
      return false;
    default:
      return true;
  }
}

// How much of each end of a file its fingerprint covers: the tags at the start (ID3v2,
// ASF and RIFF headers) and at the end (ID3v1, APE), and the first and last audio frames.
constexpr std::size_t kFingerprintedEnd = 4096;

// 64-bit mixing of 8 bytes at a time (after MurmurHash64A): fast, and every input byte
// reaches every output bit.
class Hash64 {
 public:
  explicit Hash64(std::uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15u) {}
  void Add(std::string_view bytes) {
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + at, 8);
      Mix(word);
    }
    std::uint64_t last = bytes.size() - at;
    for (std::size_t i = at; i < bytes.size(); ++i)
      last = (last << 8) | static_cast<unsigned char>(bytes[i]);
    Mix(last);
  }
  std::uint64_t Value() const {
    std::uint64_t value = state_;
    value ^= value >> 47;
    value *= kMultiplier;
    value ^= value >> 47;
    return value == 0 ? 1 : value;  // 0 stands for no fingerprint
  }

 private:
  static constexpr std::uint64_t kMultiplier = 0xC6A4A7935BD1E995u;
  void Mix(std::uint64_t word) {
    word *= kMultiplier;
    word ^= word >> 47;
    word *= kMultiplier;
    state_ ^= word;
    state_ *= kMultiplier;
  }
  std::uint64_t state_;
};

// Up to `count` bytes at `offset`.
std::string ReadSpan(int fd, std::uint64_t offset, std::size_t count) {
  std::string bytes(count, '\0');
  bytes.resize(ReadAt(fd, offset, bytes.data(), count));
  return bytes;
}

constexpr unsigned kIdentityFields =
    STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME;

// Fills in what `info` tells of a file: all of `identity` but its fingerprint and whether
// its inode number lasts.
void Describe(const struct statx& info, FileIdentity& identity) {
  identity.device = (std::uint64_t{info.stx_dev_major} << 32) | info.stx_dev_minor;
  identity.inode = info.stx_ino;
  identity.birthNs = 0;
  if (info.stx_mask & STATX_BTIME)
    identity.birthNs =
        static_cast<std::uint64_t>(info.stx_btime.tv_sec) * 1000000000u + info.stx_btime.tv_nsec;
  identity.size = info.stx_size;
  identity.modifiedNs =
      static_cast<std::int64_t>(info.stx_mtime.tv_sec) * 1000000000 + info.stx_mtime.tv_nsec;
}

// Takes the fingerprint of the file at `path` (see FileIdentity) of what is there now: the
// rest of the identity becomes that of the file read, and with `anew` as its file system
// has it this moment, not as the system last heard: a FUSE mount answers from what it was
// told up to a second before, and a link that copies a song up from a lower layer
// (unionfs-fuse) stamps it anew meanwhile. A link is known by where it leads. A file that
// cannot be read is left without one. False when the name leads to no file after all: a
// FUSE mount may answer a look-up for a while from a name it held for a file that has been
// renamed since, which only opening it finds out.
bool TakeFingerprint(const std::string& path, FileIdentity& identity, bool anew) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    char target[PATH_MAX];
    const ssize_t length = errno == ELOOP ? ::readlink(path.c_str(), target, sizeof target) : -1;
    if (length < 0) return true;
    Hash64 hash(identity.size);
    hash.Add(std::string_view(target, static_cast<std::size_t>(length)));
    identity.fingerprint = hash.Value();
    return true;
  }
  struct statx info;
  const int sync = anew ? AT_STATX_FORCE_SYNC : AT_STATX_SYNC_AS_STAT;
  if (::statx(fd.get(), "", AT_EMPTY_PATH | sync, kIdentityFields, &info) != 0) return true;
  Describe(info, identity);
  Hash64 hash(identity.size);
  if (S_ISREG(info.stx_mode)) {
    // Only the two ends are read: no read-ahead of the rest, which on a share costs time.
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_RANDOM);
    const std::uint64_t size = identity.size;
    if (size <= 2 * kFingerprintedEnd) {
      hash.Add(ReadSpan(fd.get(), 0, static_cast<std::size_t>(size)));
    } else {
      hash.Add(ReadSpan(fd.get(), 0, kFingerprintedEnd));
      hash.Add(ReadSpan(fd.get(), size - kFingerprintedEnd, kFingerprintedEnd));
    }
  }
  identity.fingerprint = hash.Value();
  return true;
}

class PosixFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) const override {
    struct stat info;
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
  }

  bool HasOtherNames(const std::string& path) const override {
    struct stat info;
    return !path.empty() && ::lstat(path.c_str(), &info) == 0 && info.st_nlink > 1;
  }

  std::error_code LookUpError(const std::string& path) const override {
    struct stat info;
    if (!path.empty() && ::lstat(path.c_str(), &info) == 0) return {};
    if (path.empty() || errno == ENOENT || errno == ENOTDIR)
      return std::make_error_code(std::errc::no_such_file_or_directory);
    return LastError();
  }

  bool FileExists(const std::string& path) const override {
    struct stat info;
    return !path.empty() && StatFollowing(path, info) && !S_ISDIR(info.st_mode);
  }

  bool FolderExists(const std::string& path) const override {
    struct stat info;
    return !path.empty() && StatFollowing(path, info) && S_ISDIR(info.st_mode);
  }

  FolderListing ListFolder(const std::string& folder) const override {
    FolderListing listing;
    UniqueFd fd(::openat(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
      listing.error = LastError();
      return listing;
    }
    struct stat self;
    if (::fstat(fd.get(), &self) != 0) {
      listing.error = LastError();
      return listing;
    }
    listing.opened = true;
    listing.id = {static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)};
    ReadEntries(fd.get(), listing.entries);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
  }

  std::size_t FolderReadsAtOnce(const std::string& folder) const override {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return OnSlowDevice(folder) ? kSlowDeviceReads : std::min(cores, kMostLocalReads);
  }

  std::size_t FoldersRenamedAtOnce(const std::string& folder) const override {
    return OnSlowDevice(folder) ? kSlowDeviceReads : 1;
  }

  std::optional<FolderId> IdentifyFolder(const std::string& folder) const override {
    struct stat info;
    if (!StatFollowing(folder.empty() ? std::string(".") : folder, info) || !S_ISDIR(info.st_mode))
      return std::nullopt;
    return FolderId{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino)};
  }

  std::optional<FileIdentity> IdentifyFile(const std::string& path,
                                           Fingerprint fingerprint) const override {
    struct statx info;
    if (path.empty() ||
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, kIdentityFields, &info) != 0)
      return std::nullopt;
    FileIdentity identity;
    Describe(info, identity);
    identity.inodeStable = InodesLastOn(identity.device, path);
    if (!identity.inodeStable && fingerprint != Fingerprint::kLeave &&
        !TakeFingerprint(path, identity, fingerprint == Fingerprint::kTakeAnew))
      return std::nullopt;
    return identity;
  }

  bool CanChangeFolder(const std::string& folder) const override {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
  }

  bool IgnoresCase(const std::string& path) const override { return posix::IgnoresCase(path); }

  std::error_code ForeseenRenameRefusal(const std::string& path) const override {
    return posix::ForeseenRenameRefusal(path);
  }

  std::error_code Rename(const std::string& from, const std::string& to) override {
    if (from == to)
      return Exists(from) ? std::error_code()
                          : std::make_error_code(std::errc::no_such_file_or_directory);
    return posix::RenameWithoutReplacing(from, to);
  }

  std::error_code DeleteFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return LastError();
    return {};
  }

  void SetHidden(const std::string&, bool) override {}

  void ReadLines(const std::string& path, std::vector<std::string>& lines) const override {
    // O_NONBLOCK: a named pipe in the file's place must not hang the program.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) throw Failure("Cannot open file", path, LastError());
    struct stat info;
    if (::fstat(fd.get(), &info) != 0) throw Failure("Cannot open file", path, LastError());
    if (S_ISDIR(info.st_mode))
      throw Failure("Cannot open file", path, std::make_error_code(std::errc::is_a_directory));
    if (!S_ISREG(info.st_mode))
      throw FileError("Cannot open file \"" + path + "\". It is not a regular file",
                      std::make_error_code(std::errc::invalid_argument));
    std::string pending;
    char buffer[64 * 1024];
    for (;;) {
      ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw Failure("Cannot read file", path, LastError());
      }
      if (got == 0) break;
      pending.append(buffer, static_cast<std::size_t>(got));
      std::size_t start = 0;
      for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
           start = end + 1) {
        std::size_t length = end - start;
        if (length > 0 && pending[end - 1] == '\r') --length;
        lines.emplace_back(pending, start, length);
      }
      pending.erase(0, start);
    }
    if (!pending.empty()) {
      if (pending.back() == '\r') pending.pop_back();
      lines.push_back(std::move(pending));
    }
  }

  void WriteLines(const std::string& path, const std::vector<std::string>& lines) override {
    std::string text;
    for (const std::string& line : lines) {
      text += line;
      text += "\r\n";
    }
    std::string temporary = path + ".XXXXXX";
    UniqueFd fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throw Failure("Cannot create file", path, LastError());
    mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd.get(), 0666 & ~mask) != 0) {
      const std::error_code error = LastError();
      ::unlink(temporary.c_str());
      throw Failure("Cannot create file", path, error);
    }
    // Replacing the library file (never a song) is meant to overwrite.
    if (const std::error_code error = posix::PutInPlace(fd.release(), temporary, path, text))
      throw Failure("Cannot create file", path, error);
  }

  std::optional<std::string> ReadLastBytes(const std::string& path,
                                           std::size_t count) const override {
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    off_t size = info.st_size;
    off_t start = size > static_cast<off_t>(count) ? size - static_cast<off_t>(count) : 0;
    std::string bytes(static_cast<std::size_t>(size - start), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t got = ::pread(fd.get(), bytes.data() + done, bytes.size() - done,
                            start + static_cast<off_t>(done));
      if (got < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
  }

  std::unique_ptr<ReadableFile> OpenToRead(const std::string& path) const override {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return nullptr;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    return std::make_unique<PosixReadableFile>(fd.release(),
                                               static_cast<std::uint64_t>(info.st_size));
  }

 private:
  bool InodesLastOn(std::uint64_t device, const std::string& path) const {
    std::lock_guard lock(inodesLastMutex_);
    auto known = inodesLast_.find(device);
    if (known == inodesLast_.end()) {
      struct statfs system;
      const bool lasting = ::statfs(path.c_str(), &system) != 0 || InodesLast(system.f_type);
      known = inodesLast_.emplace(device, lasting).first;
    }
    return known->second;
  }

  // Per device: whether its inode numbers last (asked once per device).
  mutable std::map<std::uint64_t, bool> inodesLast_;
  mutable std::mutex inodesLastMutex_;
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

std::string ErrorText(std::error_code error) { return error.message(); }

}  // namespace tunewick
