// The generated libraries are what the scan's reference test and the benchmarks run on:
// one plan must always give one tree, holding what it promises.

#include "bench/library_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "catalogue/library_scan.h"
#include "catalogue/name_check.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using bench::GenerateLibrary;
using bench::LibraryPlan;
using testing::TempFolder;

// Every entry below `root` with its kind (and a link's target), sorted; `root` itself is
// written "ROOT", also where links point into the tree.
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string line = entry.path().native().substr(root.size());
    if (entry.is_symlink())
      line += " -> " + std::filesystem::read_symlink(entry).native();
    else if (entry.is_directory())
      line += "/";
    for (std::size_t at; (at = line.find(root)) != std::string::npos;)
      line.replace(at, root.size(), "ROOT");
    entries.push_back(std::move(line));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

TEST(LibraryGenerator, OnePlanGivesOneTreeAndNeverWritesIntoAFolderThatHoldsAnything) {
  TempFolder folder;
  LibraryPlan plan{.root = folder / "a", .songs = 300, .folders = 30, .seed = 7, .links = 10};
  GenerateLibrary(plan);
  plan.root = folder / "b";
  GenerateLibrary(plan);
  const std::vector<std::string> tree = Tree(folder / "a");
  EXPECT_EQ(Tree(folder / "b"), tree);

  plan.seed = 8;
  EXPECT_THROW(GenerateLibrary(plan), std::runtime_error);
  EXPECT_EQ(Tree(folder / "b"), tree);
  plan.root = folder / "c";
  GenerateLibrary(plan);
  EXPECT_NE(Tree(folder / "c"), tree);
}

TEST(LibraryGenerator, ItsCountsAreWhatTheScanAndTheNameCheckFind) {
  TempFolder folder;
  const LibraryPlan plan{
      .root = folder / "music", .songs = 400, .folders = 40, .incorrectShare = 0.3, .seed = 3};
  const bench::LibrarySummary made = GenerateLibrary(plan);
  EXPECT_EQ(made.songs, 400u);
  EXPECT_EQ(made.incorrectSongs, 120u);
  EXPECT_EQ(made.folders, 40u);
  EXPECT_GT(made.songsInDotFolders, 0u);
  EXPECT_GT(made.otherFiles, 0u);

  folder.MakeFile("searchfolders", plan.root + "\r\n");
  SharedState state;
  rescan(state, RealFileSystem(), folder / "searchfolders");
  ClassifySongs(state);
  EXPECT_EQ(state.AllSongs.size(), made.songs);
  EXPECT_EQ(state.IncorrectSongs.size(), made.incorrectSongs);
  EXPECT_EQ(LibraryTree(RealFileSystem(), plan.root).FolderCount(), made.folders + 1);

  // The mix the tests and benchmarks rely on: upper-case extensions, UTF-8 names, songs
  // four folders deep and none deeper.
  auto any = [&](auto test) {
    return std::any_of(state.AllSongs.begin(), state.AllSongs.end(), test);
  };
  EXPECT_TRUE(any([](const SongPath& song) { return song.ends_with(".MP3"); }));
  EXPECT_TRUE(
      any([](const SongPath& song) { return song.ends_with(".WAV") || song.ends_with(".WMA"); }));
  EXPECT_TRUE(any([](const SongPath& song) { return song.find("\xc3\xb6") != std::string::npos; }));
  auto depth = [&](const SongPath& song) {
    return std::count(song.begin() + plan.root.size(), song.end(), '/');
  };
  EXPECT_TRUE(any([&](const SongPath& song) { return depth(song) == 5; }));
  EXPECT_FALSE(any([&](const SongPath& song) { return depth(song) > 5; }));
}

}  // namespace
}  // namespace tunewick
