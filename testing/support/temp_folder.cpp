#include "support/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace tunewick::testing {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tunewick-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Folders a test made unreadable must be opened again before they can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) ::chmod(it->path().c_str(), 0755);
  }
  ::chmod(path_.c_str(), 0755);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

std::string TempFolder::MakeFolder(std::string_view relative) const {
  std::string full = *this / relative;
  std::filesystem::create_directories(full);
  return full;
}

std::string TempFolder::MakeFile(std::string_view relative, std::string_view content) const {
  std::string full = *this / relative;
  std::filesystem::path parent = std::filesystem::path(full).parent_path();
  std::filesystem::create_directories(parent);
  WriteFile(full, content);
  return full;
}

void WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

// No test may keep journals in the real home folder: each test program (and every
// program it starts) keeps them in a folder of its own.
struct OwnStateFolder {
  TempFolder folder;
  OwnStateFolder() { ::setenv("XDG_STATE_HOME", folder.path().c_str(), 1); }
} ownStateFolder;

}  // namespace

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::map<std::string, std::string> SnapshotFiles(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path());
  return files;
}

void MakeMessyLibrary(const TempFolder& folder, const std::string& relative, int count,
                      unsigned seed, unsigned folders) {
  // clang-format off
  static const char* const kFragments[] = {"01 ", "02_", "artist", "-", " - ", "song", " (1)", "(2)",
      "_live", "AC-DC", " ", "Intro", "\xc3\xa9t\xc3\xa9", "..", "x"};
  // clang-format on
  static const char* const kExtensions[] = {".mp3", ".MP3", ".wav", ".wma", ".txt"};
  std::mt19937 random(seed);
  for (int i = 0; i < count; ++i) {
    std::string name;
    for (int part = 0, parts = 1 + static_cast<int>(random() % 5); part < parts; ++part)
      name += kFragments[random() % std::size(kFragments)];
    name += kExtensions[random() % std::size(kExtensions)];
    const std::string subfolder = folders        ? "f" + std::to_string(random() % folders) + "/"
                                  : random() % 2 ? ""
                                                 : "a/b/";
    const std::string path = relative + "/" + subfolder + name;
    if (!std::filesystem::exists(folder / path)) folder.MakeFile(path, path);
  }
}

}  // namespace tunewick::testing
