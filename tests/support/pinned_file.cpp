#include "support/pinned_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewick::testing {

PinnedFile::PinnedFile(std::string path) : path_(std::move(path)) {
  folder_ = path_.substr(0, path_.rfind('/'));
  if (::geteuid() == 0) {
    if (SetImmutable(true)) how_ = How::kImmutable;
  } else if (::chmod(folder_.c_str(), 0555) == 0) {
    how_ = How::kReadOnlyFolder;
  }
}

PinnedFile::~PinnedFile() {
  if (how_ == How::kImmutable) SetImmutable(false);
  if (how_ == How::kReadOnlyFolder) ::chmod(folder_.c_str(), 0755);
}

bool PinnedFile::SetImmutable(bool on) const {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}

}  // namespace tunewick::testing
