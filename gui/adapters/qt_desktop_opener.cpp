#include <sys/wait.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
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

// Starts `program file` on its own, not waiting for it and leaving no child behind. The
// path goes over as the bytes it is, so names that are not UTF-8 open too.
bool StartDetached(const std::string& program, const std::string& file) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      const char* argv[] = {program.c_str(), file.c_str(), nullptr};
      ::execv(program.c_str(), const_cast<char* const*>(argv));
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return true;
}

}  // namespace

bool QtDesktopOpener::Open(const std::string& path) {
  // xdg-open is what the desktop's "open" comes down to on Linux; Qt's own way goes through
  // text and cannot pass every file name.
  const std::string opener = FindOnPath("xdg-open");
  if (!opener.empty() && StartDetached(opener, path)) return true;
  return QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

}  // namespace tunewick
