#include "catalogue/library_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "platform/forwarding_file_system.h"
#include "support/library_generator.h"
#include "support/staggered_disk.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

class LibraryScan : public ::testing::Test {
 protected:
  void WriteLibrary(const std::vector<std::string>& folders) {
    std::string content;
    for (const std::string& line : folders) content += line + "\r\n";
    folder.MakeFile("searchfolders", content);
  }
  std::vector<SongPath> Scan(FileSystem& fileSystem = RealFileSystem()) {
    rescan(state, fileSystem, folder / "searchfolders");
    return state.AllSongs;
  }

  TempFolder folder;
  SongLists state;
};

// The disk, but a folder vanishes just before it is read, and another one's subfolder
// just after it is read: as if someone deleted them during the scan.
class VanishingFileSystem final : public ForwardingFileSystem {
 public:
  VanishingFileSystem(std::string gone, std::string goingSubfolder)
      : ForwardingFileSystem(RealFileSystem()),
        gone_(std::move(gone)),
        goingSubfolder_(std::move(goingSubfolder)) {}
  FolderListing ListFolder(const std::string& folder) const override {
    if (folder == gone_ + "/") std::filesystem::remove_all(gone_);
    FolderListing listing = disk_.ListFolder(folder);
    if (folder + "sub" == goingSubfolder_) std::filesystem::remove_all(goingSubfolder_);
    return listing;
  }

 private:
  std::string gone_, goingSubfolder_;
};

// What is missing, no folder, or vanishes during the scan is skipped silently, and the scan
// goes on. Folders that cannot be read, and lines that name none: see the command line's tests.
TEST_F(LibraryScan, MissingOrVanishingFoldersFindNothingAndTheScanGoesOn) {
  const std::string music = folder.MakeFolder("music");
  for (const char* name : {"ok.mp3", "gone/a.mp3", "going/b.mp3", "going/sub/c.mp3",
                           "going/sub/deeper/d.mp3", "z/e.mp3"})
    folder.MakeFile("music/" + std::string(name));
  WriteLibrary({folder / "missing", folder / "searchfolders", music});
  VanishingFileSystem vanishing(music + "/gone", music + "/going/sub");
  EXPECT_TRUE(rescan(state, vanishing, folder / "searchfolders").unreadableFolders.empty());
  EXPECT_EQ(state.AllSongs,
            (std::vector<SongPath>{music + "/ok.mp3", music + "/going/b.mp3", music + "/z/e.mp3"}));
}

// The scan in its plainest form: one walk per song type; in each folder one listing for the
// matching files, one for the subfolders (links followed, names beginning with "." left
// out), each in byte order. A real folder is entered only the first time the walk meets it.
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
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::error_code ignored;
    // A file, or a link to one or to nothing: a name a run can rename.
    const bool file = it->is_regular_file(ignored) ||
                      (it->is_symlink(ignored) && !std::filesystem::exists(it->path(), ignored));
    if (file && lower.ends_with(extension)) files.push_back(name);
    if (it->is_directory(ignored) && name[0] != '.') subfolders.push_back(name);
  }
  std::sort(files.begin(), files.end());
  std::sort(subfolders.begin(), subfolders.end());
  for (const std::string& name : files) songs.push_back(folder + name);
  for (const std::string& name : subfolders) FindSongs(songs, folder + name, extension, entered);
}

// Generated libraries full of the awkward cases: upper-case extensions, dot-folders, UTF-8
// names, folders named like songs, links that loop or give a second route to a folder,
// links into dot-folders, links to songs and broken links, and unreadable folders. The
// songs come in the same order however the folders' reads interleave.
TEST_F(LibraryScan, GeneratedMessyLibrariesGiveWhatThePlainestScanGives) {
  for (int seed : {1, 2, 3, 9}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string root = folder / ("music" + std::to_string(seed));
    testing::GenerateLibrary({.root = root,
                              .songs = 300,
                              .folders = 40,
                              .incorrectShare = 0.5,
                              .seed = static_cast<std::uint64_t>(seed),
                              .links = seed == 9 ? 0u : 15u});
    // A library folder given twice (once with a trailing "/"), a folder inside another
    // library folder, a link as a library folder, a missing one and two skipped ones.
    std::string inner;
    for (const auto& entry : std::filesystem::directory_iterator(root))
      if (entry.is_directory() && !entry.is_symlink() && entry.path().filename().native()[0] != '.')
        inner = std::max(inner, entry.path().native());
    ASSERT_FALSE(inner.empty());
    const std::string linked = root + "-link";
    ASSERT_EQ(::symlink(inner.c_str(), linked.c_str()), 0);
    if (seed != 9) {
      std::vector<std::string> folders;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_directory() && !entry.is_symlink()) folders.push_back(entry.path());
      for (std::size_t i = 10; i < folders.size(); i += 11)
        ::chmod(folders[i].c_str(), i % 2 ? 0 : 0300);  // unlistable either way
    }
    const std::vector<std::string> library = {root, folder / "gone", inner, linked, root + "/", "x",
                                              ""};
    WriteLibrary(library);
    const std::vector<SongPath> songs = Scan();
    std::vector<SongPath> expected;
    for (const std::string& libraryFolder : library) {
      if (libraryFolder.size() <= 1) continue;
      for (std::string_view extension : {".mp3", ".wav", ".wma"}) {
        std::set<std::pair<dev_t, ino_t>> entered;
        FindSongs(expected, libraryFolder, extension, entered);
      }
    }
    ASSERT_GT(expected.size(), 400u);
    EXPECT_EQ(songs, expected);
    EXPECT_EQ(state.LibraryFolders, library);
    // Each folder or link to one is read twice at most, however the links loop.
    std::size_t routes = 0;
    for (const std::string& libraryFolder : library) {
      routes += libraryFolder.size() > 1;
      std::error_code error;
      for (std::filesystem::recursive_directory_iterator
               it(libraryFolder, std::filesystem::directory_options::skip_permission_denied, error),
           end;
           !error && it != end; it.increment(error))
        routes += it->is_directory() || it->is_symlink();
    }
    testing::StaggeredDisk staggered(8);
    staggered.mostReads = 2 * routes;
    EXPECT_EQ(Scan(staggered), expected);
    EXPECT_LE(staggered.reads, 2 * routes);
  }
}

}  // namespace
}  // namespace tunewick
