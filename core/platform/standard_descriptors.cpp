#include "platform/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tunewick {
namespace {

bool IsClosed(int fd) { return ::fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// Puts /dev/null at `fd`; false when it cannot be opened.
bool FillWithNull(int fd) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null < 0) return false;
  // The lowest free descriptor is given out first, so `null` is `fd` unless a lower one was
  // free as well.
  if (null == fd) return true;
  const bool moved = ::dup2(null, fd) == fd;
  ::close(null);
  return moved;
}

}  // namespace

std::optional<ClosedAtStart> FillClosedStandardDescriptors() {
  ClosedAtStart closed;
  for (const auto& [fd, flag] :
       {std::pair{STDIN_FILENO, &closed.input}, std::pair{STDOUT_FILENO, &closed.output},
        std::pair{STDERR_FILENO, &closed.errors}}) {
    *flag = IsClosed(fd);
    if (*flag && !FillWithNull(fd)) return std::nullopt;
  }
  return closed;
}

}  // namespace tunewick
