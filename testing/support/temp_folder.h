#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tunewick::testing {

// A fresh folder on the real disk, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, without a trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(std::string_view relative) const;

  // Creates a folder (and its parents) below this one; returns its full path.
  std::string MakeFolder(std::string_view relative) const;
  // Creates a file (and its folders) below this one with the given bytes; returns its path.
  std::string MakeFile(std::string_view relative, std::string_view content = "") const;

 private:
  std::string path_;
};

// The whole content of a file, or nothing when it cannot be read.
std::string ReadFile(const std::string& path);
// Makes the file at `path` hold `content` (its folder must exist). Throws on failure.
void WriteFile(const std::string& path, std::string_view content);

// Every file below `root` with its content, by path.
std::map<std::string, std::string> SnapshotFiles(const std::string& root);

// Fills `folder`/`relative` (and a subfolder "a/b" of it, or with `folders`, that many
// subfolders "f0", "f1"...) with `count` files whose names are thrown together from
// fragments that every step of the tidy-up acts on, in every mix: dashes spaced and not,
// underscores, track numbers, "(1)", lower-case words, UTF-8, and non-song extensions.
// Many names collide once tidied. Each file holds its own path.
void MakeMessyLibrary(const TempFolder& folder, const std::string& relative, int count,
                      unsigned seed, unsigned folders = 0);

}  // namespace tunewick::testing
