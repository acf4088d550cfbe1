#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/held_signals.h"
#include "platform/journal_file.h"
#include "platform/posix_whole_file.h"
#include "platform/user_folders.h"

namespace tunewick {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Records go into a shared mapping of the file: once copied there they belong to the
// page cache, so they outlive a crash of the program without a system call per record.
// The file grows a chunk at a time (or by what is needed, on a disk without room for a
// chunk), its blocks allocated before they are mapped (a full disk shows as an error
// here, never as a fault on writing), and is cut to its content at the end. Only a window at the
// file's end is mapped: forcing a mapped page onto the disk write-protects it in the page tables of
// the process, which interrupts every core the process runs on, page by page; pages left behind the
// window are written out without that. Where mapping fails, records are written with write().
class PosixAppendOnlyFile final : public AppendOnlyFile {
 public:
  explicit PosixAppendOnlyFile(int fd) : fd_(fd) {}
  ~PosixAppendOnlyFile() override {
    if (preparer_.joinable()) {
      {
        std::lock_guard lock(windowMutex_);
        stopping_ = true;
      }
      wake_.notify_one();
      preparer_.join();
    }
    if (window_) {
      ::munmap(window_, windowLength_);
      if (::ftruncate(fd_, static_cast<off_t>(size_)) == 0) ::fdatasync(fd_);
    }
    ::close(fd_);
  }

  std::error_code Append(std::string_view bytes) override {
    if (!mappingFailed_ && size_ + bytes.size() > windowStart_ + windowLength_)
      if (std::error_code error = MoveWindow(size_ + bytes.size())) return error;
    if (window_) {
      std::memcpy(window_ + (size_ - windowStart_), bytes.data(), bytes.size());
      size_ += bytes.size();
      if (size_ + kPrepared / 2 > asked_) AskForPagesAhead();
      return {};
    }
    while (!bytes.empty()) {
      const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(size_));
      if (written < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
      size_ += static_cast<std::size_t>(written);
    }
    return {};
  }

  std::error_code SyncData() override {
    if (::fdatasync(fd_) != 0) return LastError();
    return {};
  }

 private:
  // Maps the file from the page that holds its end, far enough for `needed` bytes.
  std::error_code MoveWindow(std::size_t needed) {
    if (needed > allocated_) {
      std::size_t allocated = allocated_ ? allocated_ : kFirstChunk;
      while (allocated < needed) allocated += std::min<std::size_t>(allocated, kLargestStep);
      if (const int error = ::posix_fallocate(fd_, 0, static_cast<off_t>(allocated))) {
        // No room for a whole chunk (a disk nearly full): room for what is needed now will
        // do, and more is asked for as records come.
        const std::size_t least = (needed + page_ - 1) / page_ * page_;
        if (least >= allocated || ::posix_fallocate(fd_, 0, static_cast<off_t>(least)) != 0)
          return {error, std::generic_category()};
        allocated = least;
      }
      allocated_ = allocated;
    }
    std::lock_guard lock(windowMutex_);  // not while pages of the window are made ready
    if (window_) ::munmap(window_, windowLength_);
    const std::size_t start = size_ / page_ * page_;
    const std::size_t length = std::min(allocated_ - start, std::max(kWindow, needed - start));
    void* window =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, static_cast<off_t>(start));
    window_ = window == MAP_FAILED ? nullptr : static_cast<char*>(window);
    mappingFailed_ = window_ == nullptr;
    windowStart_ = start;
    windowLength_ = window_ ? length : 0;
    prepared_ = asked_ = askedOf_ = start;
    if (mappingFailed_ && ::ftruncate(fd_, static_cast<off_t>(size_)) != 0) return LastError();
    return {};
  }

  // A page of the mapping touched for the first time costs a fault, and faults one at a
  // time cost several times more than making a run of pages ready at once; so the pages
  // just ahead of the records are made ready in batches, on a thread of their own. Only a
  // hint: a page that is not ready yet is faulted in on writing, as usual.
  void AskForPagesAhead() {
    const std::size_t to =
        std::min(windowStart_ + windowLength_, size_ / page_ * page_ + kPrepared);
    if (to <= asked_) return;
    {
      std::lock_guard lock(windowMutex_);
      if (!canPrepare_) return;
      askedOf_ = asked_ = to;
    }
    if (!preparer_.joinable()) {
      const HeldEndingSignals held;  // the thread never takes them
      preparer_ = std::thread([this] { PreparePages(); });
    }
    wake_.notify_one();
  }

  void PreparePages() {
    std::unique_lock lock(windowMutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || askedOf_ > prepared_; });
      if (stopping_) return;
      const std::size_t from = prepared_, to = askedOf_;
      if (::madvise(window_ + (from - windowStart_), to - from, MADV_POPULATE_WRITE) != 0 &&
          errno == EINVAL) {
        canPrepare_ = false;  // a kernel older than 5.14
        return;
      }
      prepared_ = to;
    }
  }

  static constexpr std::size_t kPrepared = 256 << 10;
  static constexpr std::size_t kWindow = 2 << 20;
  static constexpr std::size_t kFirstChunk = 1 << 20;
  static constexpr std::size_t kLargestStep = 64 << 20;
  int fd_;
  const std::size_t page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  char* window_ = nullptr;
  bool mappingFailed_ = false;
  std::size_t size_ = 0;
  std::size_t allocated_ = 0;     // blocks allocated for the file up to here
  std::size_t windowStart_ = 0;   // where in the file the window begins
  std::size_t windowLength_ = 0;  // 0 when nothing is mapped
  std::size_t asked_ = 0;         // the window is to be made ready up to here

  std::mutex windowMutex_;
  std::condition_variable wake_;
  std::size_t askedOf_ = 0;   // asked_, for the thread that makes pages ready
  std::size_t prepared_ = 0;  // the window is ready for writing up to here
  bool canPrepare_ = true;
  bool stopping_ = false;
  std::thread preparer_;
};

class PosixFileLock final : public HeldFileLock {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing the last descriptor lets go of it

 private:
  int fd_;
};

// What keeps a file from being the running user's own: the file belongs to another user,
// or others may write to it; a folder the same, since others could then put their own
// files in it.
std::string Distrust(const std::string& path, const struct stat& info) {
  if (info.st_uid != ::geteuid()) return "\"" + path + "\" belongs to another user";
  if (info.st_mode & (S_IWGRP | S_IWOTH)) return "other users may change \"" + path + "\"";
  return {};
}

class OwnFile final : public ReadableFile {
 public:
  OwnFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~OwnFile() override { ::close(fd_); }
  OwnFile(const OwnFile&) = delete;
  OwnFile& operator=(const OwnFile&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const override {
    std::size_t done = 0;
    while (done < count) {
      const ssize_t got =
          ::pread(fd_, buffer + done, count - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

// flock, taken again where a signal cut it short; 0 or the error.
int FlockNow(int fd, int operation) {
  int locked;
  do {
    locked = ::flock(fd, operation | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  return locked == 0 ? 0 : errno;
}

}  // namespace

std::unique_ptr<HeldFileLock> LockFile(const std::string& path, std::error_code& error) {
  // Not through a link: the lock file is the program's own.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = LastError();
    return nullptr;
  }
  // A look by LockHeldElsewhere holds it for a moment only: a few tries see past one.
  int failure = FlockNow(fd, LOCK_EX);
  for (int tries = 1; failure == EWOULDBLOCK && tries < 10; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    failure = FlockNow(fd, LOCK_EX);
  }
  if (failure != 0) {
    error = failure == EWOULDBLOCK ? std::make_error_code(std::errc::resource_unavailable_try_again)
                                   : std::error_code(failure, std::generic_category());
    ::close(fd);
    return nullptr;
  }
  error.clear();
  return std::make_unique<PosixFileLock>(fd);
}

bool LockHeldElsewhere(const std::string& path) {
  // O_NONBLOCK: a named pipe in its place must not hang the look.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  const bool held = FlockNow(fd, LOCK_SH) == EWOULDBLOCK;
  ::close(fd);  // lets go of the look's own lock
  return held;
}

std::unique_ptr<AppendOnlyFile> CreateAppendOnlyFile(const std::string& path,
                                                     std::error_code& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = LastError();
    return nullptr;
  }
  error.clear();
  return std::make_unique<PosixAppendOnlyFile>(fd);
}

std::error_code ReplaceFileWith(const std::string& path, const std::string& newPath,
                                std::string_view bytes) {
  // Not through a link: the new file is the program's own.
  const int fd =
      ::open(newPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return LastError();
  return posix::PutInPlace(fd, newPath, path, bytes);
}

std::string DefaultJournalFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return PathBelow(state, "tunewick");
  const std::string home = OwnHomeFolder();
  if (home.empty()) return {};
  return PathBelow(PathBelow(home, ".local/state"), "tunewick");
}

std::string WhyNotOwn(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? Distrust(path, info) : std::string();
}

std::error_code WhyFilesCannotBeMadeIn(const std::string& folder) {
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return {errno, std::generic_category()};
  // A file system with no block or no file left for this user: the first record fails.
  struct statvfs space;
  if (::statvfs(folder.c_str(), &space) != 0) return {};
  const bool privileged = ::geteuid() == 0;  // may use the blocks kept back for root
  const fsblkcnt_t blocks = privileged ? space.f_bfree : space.f_bavail;
  const fsfilcnt_t files = privileged ? space.f_ffree : space.f_favail;
  if (space.f_blocks > 0 && blocks == 0) return std::make_error_code(std::errc::no_space_on_device);
  if (space.f_files > 0 && files == 0) return std::make_error_code(std::errc::no_space_on_device);
  return {};
}

std::unique_ptr<ReadableFile> OpenOwnFile(const std::string& path, std::string& distrust) {
  distrust.clear();
  // O_NONBLOCK: opening a named pipe must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && (distrust = Distrust(path, info)).empty())
    return std::make_unique<OwnFile>(fd, static_cast<std::uint64_t>(info.st_size));
  ::close(fd);
  return nullptr;
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  if (!::getcwd(buffer.data(), buffer.size())) return {};
  buffer.resize(buffer.find('\0'));
  return buffer;
}

}  // namespace tunewick
