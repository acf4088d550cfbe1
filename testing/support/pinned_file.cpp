#include "support/pinned_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewick::testing {

PinnedFile::PinnedFile(std::string path, Attribute attribute)
    : path_(std::move(path)), attribute_(attribute) {
  folder_ = path_.substr(0, path_.rfind('/'));
  if (::geteuid() == 0) {
    if (SetAttribute(true)) how_ = How::kAttribute;
  } else if (::chmod(folder_.c_str(), 0555) == 0) {
    how_ = How::kReadOnlyFolder;
  }
}

PinnedFile::~PinnedFile() {
  if (how_ == How::kAttribute) SetAttribute(false);
  if (how_ == How::kReadOnlyFolder) ::chmod(folder_.c_str(), 0755);
}

bool PinnedFile::SetAttribute(bool on) const {
  const int flag = attribute_ == Attribute::kImmutable ? FS_IMMUTABLE_FL : FS_APPEND_FL;
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? flags | flag : flags & ~flag;
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}

}  // namespace tunewick::testing
