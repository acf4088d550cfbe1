#include "platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/file_system.h"

namespace tunewick {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string HomeFolder() {
  std::string home = Variable("HOME");
  if (!home.empty()) return home;
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
  return "/";
}

std::string OwnHomeFolder() {
  const std::string home = HomeFolder();
  const uid_t self = ::geteuid();
  struct stat info {};
  if (::stat(home.c_str(), &info) != 0 || info.st_uid == self) return home;
  const passwd* user = ::getpwuid(self);
  if (!user || !user->pw_dir) return home;
  const std::string own = user->pw_dir;
  if (::stat(own.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != self) return home;
  return own;
}

std::string PathBelow(std::string_view folder, std::string_view name) {
  std::string path(folder);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path != "/") path += '/';
  return path.append(name);
}

std::string ConfigFolderFor(std::string_view xdgConfigHome, std::string_view home) {
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
    return PathBelow(xdgConfigHome, "tunewick");
  return PathBelow(PathBelow(home, ".config"), "tunewick");
}

std::string UserConfigFolder() {
  return ConfigFolderFor(Variable("XDG_CONFIG_HOME"), HomeFolder());
}

std::string DocumentsFolder() {
  std::string named;
  // A fixed command line: nothing of the user's goes through the shell.
  using Pipe = std::unique_ptr<FILE, int (*)(FILE*)>;
  if (Pipe pipe(::popen("xdg-user-dir DOCUMENTS 2>/dev/null", "r"), ::pclose); pipe) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
      named.append(buffer, got);
  }
  while (!named.empty() && (named.back() == '\n' || named.back() == '\r')) named.pop_back();
  if (!named.empty() && named.front() == '/' && IsFolder(named)) return named;
  return HomeFolder();
}

void MakeFolders(const std::string& folder) {
  auto failure = [](const std::string& path, std::error_code error) {
    return FileError("Cannot create folder \"" + path + "\". " + ErrorText(error), error);
  };
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      throw failure(part, {errno, std::generic_category()});
    if (end == std::string::npos) break;
  }
  if (!IsFolder(folder)) throw failure(folder, std::make_error_code(std::errc::not_a_directory));
}

}  // namespace tunewick
