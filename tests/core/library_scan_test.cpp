#include "catalogue/library_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
  std::vector<SongPath> Scan() {
    rescan(state, RealFileSystem(), folder / "searchfolders");
    return state.AllSongs;
  }

  TempFolder folder;
  SharedState state;
};

TEST_F(LibraryScan, EachTypeOfAWholeTreeInTurnFolderFilesBeforeSubfolders) {
  const std::string music = folder.MakeFolder("music");
  folder.MakeFile("music/a.mp3");
  folder.MakeFile("music/b.wav");
  folder.MakeFile("music/x/c.mp3");
  folder.MakeFile("music/x/y/d.mp3");
  folder.MakeFile("music/z/e.mp3");
  folder.MakeFile("music/z/f.WMA");
  folder.MakeFile("music/notes.txt");
  WriteLibrary({music});
  EXPECT_EQ(Scan(),
            (std::vector<SongPath>{music + "/a.mp3", music + "/x/c.mp3", music + "/x/y/d.mp3",
                                   music + "/z/e.mp3", music + "/b.wav", music + "/z/f.WMA"}));
  EXPECT_EQ(state.LibraryFolders, (TextList{music}));
  EXPECT_EQ(state.SearchBatch, (std::vector<SongPath>{music + "/z/f.WMA"}));
}

TEST_F(LibraryScan, DotFoldersAreSkippedAndFoldersNamedLikeSongsAreEnteredNotListed) {
  const std::string music = folder.MakeFolder("music");
  folder.MakeFile("music/.cache/hidden.mp3");
  folder.MakeFile("music/tune.mp3/inside.mp3");
  folder.MakeFile("music/.dotfile.mp3");
  folder.MakeFile("music/SONG.Mp3");
  WriteLibrary({music + "/"});  // a trailing "/" gets no second one
  EXPECT_EQ(Scan(), (std::vector<SongPath>{music + "/.dotfile.mp3", music + "/SONG.Mp3",
                                           music + "/tune.mp3/inside.mp3"}));
}

TEST_F(LibraryScan, RepeatedAndNestedLibraryFoldersAreWalkedAgain) {
  const std::string music = folder.MakeFolder("music");
  folder.MakeFile("music/a.mp3");
  folder.MakeFile("music/sub/b.mp3");
  WriteLibrary({music, "", "x", music + "/sub", music});
  EXPECT_EQ(Scan(),
            (std::vector<SongPath>{music + "/a.mp3", music + "/sub/b.mp3", music + "/sub/b.mp3",
                                   music + "/a.mp3", music + "/sub/b.mp3"}));
  EXPECT_EQ(state.LibraryFolders.size(), 5u);
}

TEST_F(LibraryScan, LinksAreFollowedButALoopEnds) {
  const std::string music = folder.MakeFolder("music");
  folder.MakeFile("music/a/song.mp3");
  ASSERT_EQ(::symlink(music.c_str(), (music + "/a/back").c_str()), 0);
  ASSERT_EQ(::symlink((music + "/a").c_str(), (music + "/b").c_str()), 0);
  WriteLibrary({music});
  // music/a is met first through its own name; the link b leads to a folder already walked.
  EXPECT_EQ(Scan(), (std::vector<SongPath>{music + "/a/song.mp3"}));
}

TEST_F(LibraryScan, NamesThatAreNotUtf8SurviveByteForByte) {
  const std::string music = folder.MakeFolder("m\xe9sica");
  const std::string odd = "\xff\xfe \"quoted\" 'x'\nnew line.mp3";
  folder.MakeFile("m\xe9sica/" + odd);
  WriteLibrary({music});
  EXPECT_EQ(Scan(), (std::vector<SongPath>{music + "/" + odd}));
}

TEST_F(LibraryScan, MissingOrUnreadableFoldersFindNothing) {
  const std::string music = folder.MakeFolder("music");
  folder.MakeFile("music/ok.mp3");
  folder.MakeFile("music/locked/in.mp3");
  ::chmod((music + "/locked").c_str(), 0);
  WriteLibrary({folder / "missing", folder / "searchfolders", music});
  std::vector<SongPath> songs = Scan();
  if (::geteuid() == 0) {
    EXPECT_EQ(songs, (std::vector<SongPath>{music + "/ok.mp3", music + "/locked/in.mp3"}));
  } else {
    EXPECT_EQ(songs, (std::vector<SongPath>{music + "/ok.mp3"}));
  }
}

TEST_F(LibraryScan, WithoutALibraryFileNothingIsFoundAndTheCallerIsTold) {
  state.AllSongs = {"stale"};
  state.IncorrectSongs = {"stale"};
  RescanResult result = rescan(state, RealFileSystem(), folder / "searchfolders");
  EXPECT_TRUE(result.libraryFileMissing);
  EXPECT_TRUE(state.AllSongs.empty());
  EXPECT_TRUE(state.IncorrectSongs.empty());
}

TEST_F(LibraryScan, RenamefilesEmptiesTheListsAndReloadsTheLibrary) {
  WriteLibrary({"/a", "/b"});
  state.AllSongs = {"x"};
  state.IncorrectSongs = {"x"};
  renamefiles(state, RealFileSystem(), folder / "searchfolders");
  EXPECT_TRUE(state.AllSongs.empty());
  EXPECT_TRUE(state.IncorrectSongs.empty());
  EXPECT_EQ(state.LibraryFolders, (TextList{"/a", "/b"}));
  ::unlink((folder / "searchfolders").c_str());
  EXPECT_THROW(renamefiles(state, RealFileSystem(), folder / "searchfolders"), FileError);
}

}  // namespace
}  // namespace tunewick
