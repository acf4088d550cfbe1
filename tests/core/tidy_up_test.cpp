#include "tidyup/tidy_up.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "catalogue/library_scan.h"
#include "reports/changed_files.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

class RecordingHost : public TidyupHost {
 public:
  RecordingHost(SharedState& state, std::string libraryFile)
      : state_(state), libraryFile_(std::move(libraryFile)) {}
  void Rescan() override {
    ++rescans;
    rescan(state_, RealFileSystem(), libraryFile_);
  }
  void BeginStep(TidyupStep) override { ++depth; }
  void EndStep(TidyupStep) override { --depth, ++stepsEnded; }
  void NoSongsFound() override { ++noSongsMessages; }
  void ShowMainMenu() override { ++mainMenuShown; }

  int rescans = 0, depth = 0, stepsEnded = 0, noSongsMessages = 0, mainMenuShown = 0;

 private:
  SharedState& state_;
  std::string libraryFile_;
};

class Tidyup : public ::testing::Test {
 protected:
  Tidyup() : music(folder.MakeFolder("music")), host(state, folder / "searchfolders") {
    folder.MakeFile("searchfolders", music + "\r\n");
  }

  std::string Song(const std::string& name, const std::string& content = "") {
    return folder.MakeFile("music/" + name, content.empty() ? name : content);
  }
  void Run() { RunTidyup(state, RealFileSystem(), host); }

  // The file names in a folder of the library, sorted.
  std::vector<std::string> Names(const std::string& sub = "") {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(music + sub))
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder;
  std::string music;
  SharedState state;
  RecordingHost host;
};

TEST_F(Tidyup, OneMessySongGoesThroughAllFiveSteps) {
  Song("01_artist-song (1).mp3", "the music");
  Run();
  const std::string m = music + "/";
  EXPECT_EQ(state.DashLog, (TextList{"'" + m + "01_artist-song (1).mp3' was renamed to '" + m +
                                     "01_artist - song (1).mp3'"}));
  EXPECT_EQ(state.UnderscoreLog, (TextList{"'" + m + "01_artist - song (1).mp3' was renamed to '" +
                                           m + "01 artist - song (1).mp3'"}));
  EXPECT_EQ(state.CapitalLog, (TextList{m + "01 artist - song (1).mp3 was renamed to " + m +
                                        "01 Artist - Song (1).mp3"}));
  EXPECT_EQ(state.BracketLog, (TextList{"'" + m + "01 Artist - Song (1).mp3' was renamed to '" + m +
                                        "01 Artist - Song .mp3'"}));
  EXPECT_EQ(state.PrefixLog, (TextList{"'" + m + "01 Artist - Song .mp3' was renamed to '" + m +
                                       "Artist - Song .mp3'"}));
  EXPECT_TRUE(state.RenameFailures.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Artist - Song .mp3"}));
  EXPECT_EQ(ReadFile(m + "Artist - Song .mp3"), "the music");
  EXPECT_EQ(host.rescans, 6);
  EXPECT_EQ(host.stepsEnded, 5);
  EXPECT_EQ(host.depth, 0);
  EXPECT_EQ(host.mainMenuShown, 2);
}

TEST_F(Tidyup, CapitalisationRaisesOnlyLettersAfterSpacesAndNeverLowers) {
  Song("artist - song.mp3");
  Song("ARTIST - song (live).mp3");
  Song("sub/\xc3\xa9t\xc3\xa9 - \xc3\xa0\xc3\xa9.wav");
  folder.MakeFile("searchfolders", music + "\r\n");
  Run();
  const std::string m = music + "/";
  EXPECT_EQ(
      state.CapitalLog,
      (TextList{m + "artist - song.mp3 was renamed to " + m + "Artist - song.mp3",
                m + "ARTIST - song (live).mp3 was renamed to " + m + "ARTIST - Song (live).mp3",
                m + "Artist - song.mp3 was renamed to " + m + "Artist - Song.mp3"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"ARTIST - Song (live).mp3", "Artist - Song.mp3"}));
  EXPECT_EQ(Names("/sub"), (std::vector<std::string>{"\xc3\xa9t\xc3\xa9 - \xc3\xa0\xc3\xa9.wav"}));
}

TEST_F(Tidyup, DashStepSpacesDashesOnlyWhereNoSpacedDashExists) {
  Song("AC-DC-Song.mp3");
  Song("Artist - Song-Remix.mp3");
  Song("Artist Song.mp3");
  Song("Artist -Song- Live.mp3");
  Run();
  EXPECT_EQ(Names(), (std::vector<std::string>{"AC - DC - Song.mp3", "Artist - Song- Live.mp3",
                                               "Artist - Song-Remix.mp3", "Artist Song.mp3"}));
  // The second pass finds "Artist -Song- Live.mp3" already renamed and leaves it be.
  EXPECT_EQ(state.DashLog.size(), 2u);
  EXPECT_TRUE(state.RenameFailures.empty());
}

TEST_F(Tidyup, BracketStepRemovesEveryDigitAndLogsOnceASong) {
  Song("Song (1)(2).mp3");
  Song("Other (0).mp3");
  Run();
  const std::string m = music + "/";
  EXPECT_EQ(state.BracketLog,
            (TextList{"'" + m + "Other (0).mp3' was renamed to '" + m + "Other .mp3'",
                      "'" + m + "Song (1)(2).mp3' was renamed to '" + m + "Song .mp3'"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Other .mp3", "Song .mp3"}));
}

TEST_F(Tidyup, TwoSongsMappedToOneNameLeaveTheSecondUntouchedAndListed) {
  Song("01 Intro.mp3", "first");
  Song("02 Intro.mp3", "second");
  Run();
  const std::string m = music + "/";
  EXPECT_EQ(state.PrefixLog,
            (TextList{"'" + m + "01 Intro.mp3' was renamed to '" + m + "Intro.mp3'"}));
  ASSERT_EQ(state.RenameFailures.size(), 1u);
  EXPECT_EQ(FailureLine(state.RenameFailures[0]),
            "'" + m + "02 Intro.mp3' could not be renamed to '" + m + "Intro.mp3': File exists");
  EXPECT_EQ(ReadFile(m + "Intro.mp3"), "first");
  EXPECT_EQ(ReadFile(m + "02 Intro.mp3"), "second");
}

TEST_F(Tidyup, RefusedRenamesInTheListedStepsKeepTheirOldPaths) {
  Song("A_B.mp3", "underscored");
  Song("A B.mp3", "taken");
  Song("X (1).mp3", "bracketed");
  Song("X .mp3", "taken too");
  Run();
  const std::string m = music + "/";
  EXPECT_TRUE(state.UnderscoreLog.empty());
  EXPECT_TRUE(state.BracketLog.empty());  // nothing changed for the refused song
  ASSERT_EQ(state.RenameFailures.size(), 2u);
  EXPECT_EQ(state.RenameFailures[0].from, m + "A_B.mp3");
  EXPECT_EQ(state.RenameFailures[1].from, m + "X (1).mp3");
  EXPECT_EQ(ReadFile(m + "A_B.mp3"), "underscored");
  EXPECT_EQ(ReadFile(m + "X (1).mp3"), "bracketed");
  EXPECT_EQ(ReadFile(m + "A B.mp3"), "taken");
}

TEST_F(Tidyup, ReadOnlyFolderIsReportedNotLogged) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may rename in read-only folders; run as a user";
  Song("locked/01 song.mp3");
  ::chmod((music + "/locked").c_str(), 0555);
  Run();
  EXPECT_TRUE(state.PrefixLog.empty());
  ASSERT_FALSE(state.RenameFailures.empty());
  EXPECT_EQ(state.RenameFailures[0].reason, "Permission denied");
}

TEST_F(Tidyup, SongsAtTheTopAndDeepBelowStayInTheirFolders) {
  Song("01 top.mp3");
  Song("a/b/c/d/02 deep.wma");
  Run();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Top.mp3"}));
  EXPECT_EQ(Names("/a/b/c/d"), (std::vector<std::string>{"Deep.wma"}));
}

TEST_F(Tidyup, AnEmptyLibrarySaysSoOnceAndRenamesNothing) {
  Run();
  EXPECT_EQ(host.noSongsMessages, 1);
  EXPECT_FALSE(AnySongRenamed(state));
  EXPECT_TRUE(BuildChangedFilesList(state).empty());
}

TEST_F(Tidyup, ASecondRunLogsOnlyWhatItRenamed) {
  Song("01 one.mp3");
  Run();
  EXPECT_FALSE(state.PrefixLog.empty());
  Song("02_two.mp3");
  Run();
  EXPECT_TRUE(state.PrefixLog.size() == 1 &&
              state.PrefixLog[0].find("02 Two") != std::string::npos);
  EXPECT_EQ(state.UnderscoreLog.size(), 1u);
  EXPECT_EQ(state.CapitalLog.size(), 1u);
  EXPECT_TRUE(state.DashLog.empty());
}

TEST_F(Tidyup, NamesWithoutAnExtensionLeftAfterThePrefixAreKept) {
  Song("01.mp3");
  Song("...And Justice.mp3");
  Run();
  EXPECT_EQ(Names(), (std::vector<std::string>{"01.mp3", "And Justice.mp3"}));
  EXPECT_TRUE(state.RenameFailures.empty());
}

TEST(ChangedFilesList, StepsInListOrderWithEmptyLinesBetweenAndFailuresLast) {
  SharedState state;
  state.PrefixLog = {"p1", "p2"};
  EXPECT_EQ(BuildChangedFilesList(state),
            (TextList{"The following had prefixes removed", "p1", "p2"}));
  state.DashLog = {"d1"};
  state.CapitalLog = {"c1"};
  state.RenameFailures = {{"/m/a", "/m/b", "File exists"}};
  EXPECT_EQ(BuildChangedFilesList(state),
            (TextList{"The following had spaces around the middle dash fixed", "d1", "",
                      "The following had words capitalized", "c1", "",
                      "The following had prefixes removed", "p1", "p2", "",
                      "The following could not be renamed",
                      "'/m/a' could not be renamed to '/m/b': File exists"}));
}

TEST(ChangedFilesList, SavedWithCrLfAndOneTxtExtension) {
  TempFolder folder;
  const TextList lines{"heading", "'a' was renamed to 'b'", "", "other"};
  EXPECT_EQ(SaveChangedFilesList(RealFileSystem(), folder / "Tunewick Log", lines),
            folder / "Tunewick Log.txt");
  EXPECT_EQ(ReadFile(folder / "Tunewick Log.txt"),
            "heading\r\n'a' was renamed to 'b'\r\n\r\nother\r\n");
  EXPECT_EQ(LogFileName("log.txt"), "log.txt");
  EXPECT_EQ(LogFileName("log.TXT"), "log.TXT");
  EXPECT_EQ(LogFileName("log.txt.bak"), "log.txt.bak.txt");
  EXPECT_EQ(LogFileName("txt"), "txt.txt");
  try {
    SaveChangedFilesList(RealFileSystem(), folder / "missing/log", lines);
    FAIL() << "a log in a missing folder cannot be saved";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + (folder / "missing/log.txt") +
                                             "\". No such file or directory");
  }
}

}  // namespace
}  // namespace tunewick
