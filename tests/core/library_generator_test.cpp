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
using bench::LibrarySummary;
using testing::TempFolder;

// Every entry below `root`, relative, with its kind (and a link's target), sorted.
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string line = entry.path().native().substr(root.size());
    if (entry.is_symlink())
      line += " -> " + std::filesystem::read_symlink(entry).native();
    else if (entry.is_directory())
      line += "/";
    entries.push_back(std::move(line));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

TEST(LibraryGenerator, TheSameSeedGivesTheSameTreeAnotherSeedAnotherOne) {
  TempFolder folder;
  LibraryPlan plan{.root = folder / "a", .songs = 300, .folders = 30, .seed = 7, .links = 10};
  GenerateLibrary(plan);
  plan.root = folder / "b";
  GenerateLibrary(plan);
  plan.root = folder / "c";
  plan.seed = 8;
  GenerateLibrary(plan);
  // Links point into their own tree: compare them with the tree's own path taken out.
  auto relative = [&](const std::string& name) {
    std::vector<std::string> tree = Tree(folder / name);
    for (std::string& line : tree)
      for (std::size_t at; (at = line.find(folder / name)) != std::string::npos;)
        line.replace(at, (folder / name).size(), "ROOT");
    return tree;
  };
  const std::vector<std::string> a = relative("a");
  EXPECT_EQ(a, relative("b"));
  EXPECT_NE(a, relative("c"));
}

TEST(LibraryGenerator, ItsCountsAreWhatTheScanAndTheNameCheckFind) {
  TempFolder folder;
  const LibraryPlan plan{
      .root = folder / "music", .songs = 400, .folders = 40, .incorrectShare = 0.3, .seed = 3};
  const LibrarySummary made = GenerateLibrary(plan);
  EXPECT_EQ(made.songs, 400u);
  EXPECT_EQ(made.incorrectSongs, 120u);
  EXPECT_EQ(made.folders, 40u);
  EXPECT_GT(made.dotFolders, 0u);
  EXPECT_GT(made.songsInDotFolders, 0u);
  EXPECT_GT(made.otherFiles, 0u);

  folder.MakeFile("searchfolders", plan.root + "\r\n");
  SharedState state;
  rescan(state, RealFileSystem(), folder / "searchfolders");
  ClassifySongs(state);
  EXPECT_EQ(state.AllSongs.size(), made.songs);
  EXPECT_EQ(state.IncorrectSongs.size(), made.incorrectSongs);
  EXPECT_EQ(LibraryTree(RealFileSystem(), plan.root).FolderCount(), made.folders + 1);

  // The mix the benchmarks rely on: upper-case extensions, UTF-8 names, deep folders.
  auto any = [&](auto test) {
    return std::any_of(state.AllSongs.begin(), state.AllSongs.end(), test);
  };
  EXPECT_TRUE(any([](const SongPath& song) { return song.ends_with(".MP3"); }));
  EXPECT_TRUE(
      any([](const SongPath& song) { return song.ends_with(".WAV") || song.ends_with(".WMA"); }));
  EXPECT_TRUE(any([](const SongPath& song) { return song.find("\xc3\xb6") != std::string::npos; }));
  EXPECT_TRUE(any([&](const SongPath& song) {
    return std::count(song.begin() + plan.root.size(), song.end(), '/') == 5;  // four folders deep
  }));
  EXPECT_FALSE(any([&](const SongPath& song) {
    return std::count(song.begin() + plan.root.size(), song.end(), '/') > 5;
  }));
}

TEST(LibraryGenerator, NeverWritesIntoAFolderThatHoldsAnything) {
  TempFolder folder;
  const std::string kept = folder.MakeFile("music/Artist - Song.mp3", "keep me");
  EXPECT_THROW(GenerateLibrary({.root = folder / "music", .songs = 10}), std::runtime_error);
  EXPECT_EQ(testing::ReadFile(kept), "keep me");
  EXPECT_EQ(Tree(folder / "music").size(), 1u);
}

}  // namespace
}  // namespace tunewick
