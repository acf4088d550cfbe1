#include "platform/posix_whole_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tunewick::posix {

std::error_code PutInPlace(int fd, const std::string& temporary, const std::string& path,
                           std::string_view bytes) {
  const auto lastError = [] { return std::error_code(errno, std::generic_category()); };
  std::error_code error;
  while (!bytes.empty() && !error) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (errno != EINTR) {
      error = lastError();
    }
  }
  if (!error && ::fdatasync(fd) != 0) error = lastError();
  if (::close(fd) != 0 && !error) error = lastError();
  if (!error && std::rename(temporary.c_str(), path.c_str()) != 0) error = lastError();
  if (error) ::unlink(temporary.c_str());
  return error;
}

}  // namespace tunewick::posix
