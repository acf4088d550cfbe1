#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/journal_file.h"
#include "platform/user_folders.h"

namespace tunewick {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

class PosixAppendOnlyFile final : public AppendOnlyFile {
 public:
  explicit PosixAppendOnlyFile(int fd) : fd_(fd) {}
  ~PosixAppendOnlyFile() override { ::close(fd_); }

  std::error_code Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
  }

  std::error_code SyncData() override {
    if (::fdatasync(fd_) != 0) return LastError();
    return {};
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<AppendOnlyFile> CreateAppendOnlyFile(const std::string& path,
                                                     std::error_code& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = LastError();
    return nullptr;
  }
  error.clear();
  return std::make_unique<PosixAppendOnlyFile>(fd);
}

std::string DefaultJournalFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/tunewick";
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return (home.back() == '/' ? home.substr(0, home.size() - 1) : home) + "/.local/state/tunewick";
}

std::optional<std::string> ReadFirstBytes(const std::string& path, std::size_t count) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::string bytes(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd, bytes.data() + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  if (!::getcwd(buffer.data(), buffer.size())) return {};
  buffer.resize(buffer.find('\0'));
  return buffer;
}

}  // namespace tunewick
