// The scan reads every folder once and takes the three song types from memory. Here it
// is held against the scan in its plainest form, on generated libraries full of the
// awkward cases: upper-case extensions, dot-folders, UTF-8 names, folders named like
// songs, links that loop, links that give a second route to a folder, links into
// dot-folders, links to songs and broken links.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string_view>

#include "bench/library_generator.h"
#include "catalogue/library_scan.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

bool HasExtension(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    unsigned char c = name[name.size() - extension.size() + i];
    if (std::tolower(c) != extension[i]) return false;
  }
  return true;
}

// One walk for one song type. In each folder: one listing for the matching files, one
// for the subfolders (links followed, names beginning with "." left out), each in byte
// order of the names. A real folder is entered only the first time the walk meets it.
void FindSongs(std::vector<SongPath>& songs, std::string folder, std::string_view extension,
               std::set<std::pair<dev_t, ino_t>>& entered) {
  if (folder.back() != '/') folder += '/';
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  if (!entered.insert({info.st_dev, info.st_ino}).second) return;

  std::vector<std::string> files, subfolders;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().native();
    std::error_code ignored;
    if (it->is_regular_file(ignored) && HasExtension(name, extension)) files.push_back(name);
  }
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().native();
    std::error_code ignored;
    if (it->is_directory(ignored) && name[0] != '.') subfolders.push_back(name);
  }
  std::sort(files.begin(), files.end());
  std::sort(subfolders.begin(), subfolders.end());
  for (const std::string& name : files) songs.push_back(folder + name);
  for (const std::string& name : subfolders) FindSongs(songs, folder + name, extension, entered);
}

std::vector<SongPath> PlainScan(const std::vector<std::string>& libraryFolders) {
  std::vector<SongPath> songs;
  for (const std::string& folder : libraryFolders) {
    if (folder.size() <= 1) continue;
    for (std::string_view extension : {".mp3", ".wav", ".wma"}) {
      std::set<std::pair<dev_t, ino_t>> entered;
      FindSongs(songs, folder, extension, entered);
    }
  }
  return songs;
}

TEST(LibraryScanAgainstPlainScan, GeneratedMessyLibrariesGiveTheSameSongsInTheSameOrder) {
  for (std::uint64_t seed : {1, 2, 3, 4}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempFolder folder;
    const std::string root = folder / "music";
    bench::GenerateLibrary({.root = root,
                            .songs = 300,
                            .folders = 40,
                            .incorrectShare = 0.5,
                            .seed = seed,
                            .links = 15});
    // A library folder given twice (once with a trailing "/"), a folder inside another
    // library folder, a link as a library folder, a missing one and a skipped one.
    std::string inner;
    for (const auto& entry : std::filesystem::directory_iterator(root))
      if (entry.is_directory() && !entry.is_symlink() && entry.path().filename().native()[0] != '.')
        inner = std::max(inner, entry.path().native());
    ASSERT_FALSE(inner.empty());
    ASSERT_EQ(::symlink(inner.c_str(), (folder / "linked").c_str()), 0);
    const std::vector<std::string> library = {
        root, folder / "gone", inner, folder / "linked", root + "/", "x", ""};
    std::string content;
    for (const std::string& line : library) content += line + "\r\n";
    folder.MakeFile("searchfolders", content);

    SharedState state;
    rescan(state, RealFileSystem(), folder / "searchfolders");
    const std::vector<SongPath> expected = PlainScan(library);
    ASSERT_GT(expected.size(), 600u);
    EXPECT_EQ(state.AllSongs, expected);
    // The last search was the .wma search of root + "/": the entries after it are skipped.
    std::vector<SongPath> lastBatch;
    std::set<std::pair<dev_t, ino_t>> entered;
    FindSongs(lastBatch, root + "/", ".wma", entered);
    EXPECT_EQ(state.SearchBatch, lastBatch);
  }
}

}  // namespace
}  // namespace tunewick
