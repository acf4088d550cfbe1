#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "adapters/desktop_opener.h"

namespace tunewick {
namespace {

// The full path of `program` on PATH, or empty.
std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Runs `program file` on its own and waits up to `wait` for it to end. True when it ended
// well, or still runs then: it is left to run on, neither killed nor a child for this program
// to reap, as a go-between started it and ends at once. The path goes over as the bytes it
// is, so names that are not UTF-8 open too.
bool RunOpener(const std::string& program, const std::string& file,
               std::chrono::milliseconds wait) {
  constexpr int kHandedOver = 0, kFailed = 1;
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // Only calls that are safe in the child of a program with threads, up to execv.
    ::setsid();
    const pid_t opener = ::fork();
    if (opener < 0) ::_exit(kFailed);
    if (opener == 0) {
      const char* argv[] = {program.c_str(), file.c_str(), nullptr};
      ::execv(program.c_str(), const_cast<char* const*>(argv));
      ::_exit(127);
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long long until = now.tv_sec * 1000LL + now.tv_nsec / 1000000 + wait.count();
    for (;;) {
      int status = 0;
      const pid_t ended = ::waitpid(opener, &status, WNOHANG);
      if (ended == opener)
        ::_exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kHandedOver : kFailed);
      if (ended < 0 && errno != EINTR) ::_exit(kFailed);
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      if (now.tv_sec * 1000LL + now.tv_nsec / 1000000 >= until) ::_exit(kHandedOver);
      ::poll(nullptr, 0, 10);
    }
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == kHandedOver;
}

}  // namespace

bool QtDesktopOpener::Open(const std::string& path) {
  // xdg-open is what the desktop's "open" comes down to on Linux; Qt's own way goes through
  // text and cannot pass every file name. Where xdg-open is, its answer stands: Qt's way
  // would only start it again and take that for success.
  const std::string opener = FindOnPath("xdg-open");
  if (!opener.empty()) return RunOpener(opener, path, wait_);
  return QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

}  // namespace tunewick
