#include "tidyup/tidy_up.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "catalogue/library_scan.h"
#include "reports/changed_files.h"
#include "support/staggered_disk.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

class RecordingHost : public LibraryFileHost {
 public:
  using LibraryFileHost::LibraryFileHost;
  void Rescan() override {
    ++rescans;
    LibraryFileHost::Rescan();
  }
  void BeginStep(TidyupStep) override { ++depth; }
  void EndStep(TidyupStep) override { --depth, ++stepsEnded; }
  void NoSongsFound() override { ++noSongsMessages; }
  void ShowMainMenu() override { ++mainMenuShown; }

  int rescans = 0, depth = 0, stepsEnded = 0, noSongsMessages = 0, mainMenuShown = 0;
};

class Tidyup : public ::testing::Test {
 protected:
  Tidyup()
      : music(folder.MakeFolder("music")), host(state, RealFileSystem(), folder / "searchfolders") {
    folder.MakeFile("searchfolders", music + "\r\n");
  }

  // A song in the library holding its own name, or `content`.
  void Song(const std::string& name, const std::string& content = "") {
    folder.MakeFile("music/" + name, content.empty() ? name : content);
  }
  void Run() { RunTidyup(state, RealFileSystem(), host); }

  // The log line of a rename inside the library folder.
  std::string Quoted(const std::string& from, const std::string& to) const {
    return "'" + music + "/" + from + "' was renamed to '" + music + "/" + to + "'";
  }

  TempFolder folder;
  std::string music;
  SongLists state;
  RecordingHost host;
};

// Every digit, a mark that removing another one makes, and several digits in one name.
TEST_F(Tidyup, BracketStepRemovesEveryDigitLogsOnceASongAndStaysInItsFolder) {
  TextList expected;
  for (char digit = '0'; digit <= '9'; ++digit) {
    const std::string mark = std::string("(") + digit + ")";
    const std::string folder = std::string("d") + digit + "/";
    Song(folder + "A - Nest (" + mark + digit + ")).mp3");
    Song(folder + "A - Song " + mark + ".mp3");
    expected.push_back(
        Quoted(folder + "A - Nest (" + mark + digit + ")).mp3", folder + "A - Nest ).mp3"));
    expected.push_back(Quoted(folder + "A - Song " + mark + ".mp3", folder + "A - Song .mp3"));
  }
  Song("e/f/g/Song (1)(2).mp3");
  expected.push_back(Quoted("e/f/g/Song (1)(2).mp3", "e/f/g/Song .mp3"));
  Run();
  EXPECT_EQ(state.BracketLog, expected);
  EXPECT_EQ(
      testing::SnapshotFiles(music + "/e"),
      (std::map<std::string, std::string>{{music + "/e/f/g/Song .mp3", "e/f/g/Song (1)(2).mp3"}}));
}

// A run the host stops ends after the rename in hand, with every rename it made logged:
// here the bracket step, one song after another, stops part-way through a song that needs
// two. Several folders at once: see below.
TEST_F(Tidyup, AStoppedRunEndsAfterTheRenameInHandAndLogsWhatItDid) {
  Song("A - One (1)(2).mp3");
  Song("A - Two (1)(2).mp3");
  class StoppingHost : public RecordingHost {
   public:
    using RecordingHost::RecordingHost;
    void BeginStep(TidyupStep step) override {
      RecordingHost::BeginStep(step);
      bracket = step == TidyupStep::kBracket;
    }
    bool StopRequested() override { return bracket && ++asked > 1; }  // at the second song
    bool bracket = false;
    int asked = 0;
  };
  testing::StaggeredDisk inTurn(1);
  StoppingHost stopping(state, inTurn, folder / "searchfolders");
  EXPECT_EQ(RunTidyup(state, inTurn, stopping), TidyupEnd::kStopped);
  EXPECT_EQ(state.BracketLog, TextList{Quoted("A - One (1)(2).mp3", "A - One .mp3")});
  EXPECT_EQ(
      testing::SnapshotFiles(music),
      (std::map<std::string, std::string>{{music + "/A - One .mp3", "A - One (1)(2).mp3"},
                                          {music + "/A - Two (1)(2).mp3", "A - Two (1)(2).mp3"}}));
  EXPECT_EQ(stopping.depth, 0);
  EXPECT_EQ(RunTidyup(state, RealFileSystem(), host), TidyupEnd::kFinished);
}

// A generated library of many folders, with collisions, changes of letter case and a second
// route to one folder (a link, listed first), renamed several folders at once, gives
// exactly the run that takes one song after another: the same lines in the same order, the
// same tree. Stopped part-way, it ends after the renames in hand, all of them logged.
TEST_F(Tidyup, SeveralFoldersAtOnceGiveExactlyTheRunOfOneSongAfterAnother) {
  folder.MakeFile("searchfolders", folder / "link\r\n" + music + "\r\n");
  auto makeLibrary = [&] {
    std::filesystem::remove_all(music);
    testing::MakeMessyLibrary(folder, "music", 700, 27, 30);
    for (const char* song : {"f3/01 Intro.mp3", "f3/02 Intro.mp3", "f4/a_b.mp3", "f4/a b.mp3"})
      Song(song);
    std::filesystem::create_directory_symlink(music + "/f3", folder / "link");
  };
  makeLibrary();
  testing::StaggeredDisk oneAtATime(1);
  LibraryFileHost inTurnHost(state, oneAtATime, folder / "searchfolders");
  RunTidyup(state, oneAtATime, inTurnHost);
  const TextList inTurn = BuildChangedFilesList(state);
  const auto tree = testing::SnapshotFiles(music);
  ASSERT_GT(inTurn.size(), 400u);
  ASSERT_NE(std::find(inTurn.begin(), inTurn.end(), "The following could not be renamed"),
            inTurn.end());

  for (std::size_t stopAfter : {0, 40}) {
    std::filesystem::remove(folder / "link");
    makeLibrary();
    // The link's renames take longest: were it and the folder it leads to taken as two
    // folders, the link's renames would come last.
    testing::StaggeredDisk disk(8);
    disk.slowest = "/link/";
    disk.renamesBeforeCall = stopAfter;
    std::atomic<bool> stopWanted = false;
    disk.call = [&] { stopWanted = true; };
    class StoppingHost : public LibraryFileHost {
     public:
      StoppingHost(SongLists& lists, testing::StaggeredDisk& disk, std::string file,
                   const std::atomic<bool>& stop)
          : LibraryFileHost(lists, disk, std::move(file)), disk_(disk), stop_(stop) {}
      bool StopRequested() override { return disk_.stopped = stop_.load(); }
      testing::StaggeredDisk& disk_;
      const std::atomic<bool>& stop_;
    } host(state, disk, folder / "searchfolders", stopWanted);
    const TidyupEnd end = RunTidyup(state, disk, host);
    if (stopAfter == 0) {
      EXPECT_EQ(end, TidyupEnd::kFinished);
      EXPECT_EQ(BuildChangedFilesList(state), inTurn);
      EXPECT_EQ(testing::SnapshotFiles(music), tree);
    } else {
      // Stopped in the dash step's first pass: its log holds what the disk did.
      EXPECT_EQ(end, TidyupEnd::kStopped);
      EXPECT_LE(disk.begunAfterStop, 8);
      std::sort(state.DashLog.begin(), state.DashLog.end());
      std::sort(disk.renamed.begin(), disk.renamed.end());
      EXPECT_EQ(state.DashLog, disk.renamed);
    }
  }
}

// The file system refuses to overwrite: the song keeps its name, its content and, in the
// steps that follow AllSongs, its old path; the refusal is listed, not logged.
TEST_F(Tidyup, ARefusedRenameLeavesTheSongAsItWasAndIsListed) {
  Song("A_B.mp3", "underscored");
  Song("A B.mp3", "taken");
  Song("X (1).mp3", "bracketed");
  Song("X .mp3", "taken too");
  Run();
  EXPECT_TRUE(state.UnderscoreLog.empty());
  EXPECT_TRUE(state.BracketLog.empty());
  ASSERT_EQ(state.RenameFailures.size(), 2u);  // their lines: see the command line's tests
  EXPECT_EQ(state.RenameFailures[0].from, music + "/A_B.mp3");
  EXPECT_EQ(state.RenameFailures[1].from, music + "/X (1).mp3");
  for (const auto& [name, content] : {std::pair{"A_B.mp3", "underscored"},
                                      {"A B.mp3", "taken"},
                                      {"X (1).mp3", "bracketed"},
                                      {"X .mp3", "taken too"}})
    EXPECT_EQ(ReadFile(music + "/" + name), content);
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

// Each step works on a fresh scan, within the host's begin and end; each run logs only what
// it renamed itself. The logs' exact lines: see the command line's tests.
TEST_F(Tidyup, EachRunLogsOnlyWhatItRenamedAndAnEmptyLibrarySaysSoOnce) {
  Run();
  EXPECT_EQ(host.noSongsMessages, 1);
  EXPECT_FALSE(AnySongRenamed(state));

  // A first run that fills every log and has a rename refused...
  Song("01_artist-song (1).mp3");
  Song("01 Intro.mp3");
  Song("02 Intro.mp3");
  host.rescans = host.stepsEnded = host.mainMenuShown = 0;
  Run();
  EXPECT_EQ(host.rescans, 6);
  EXPECT_EQ(host.stepsEnded, 5);
  EXPECT_EQ(host.depth, 0);
  EXPECT_EQ(host.mainMenuShown, 2);
  ASSERT_EQ(state.RenameFailures.size(), 1u);
  std::filesystem::remove(music + "/02 Intro.mp3");
  // ...and a second that renames one song in every step: each list holds only its own.
  Song("02_band-tune (2).mp3");
  Run();
  for (const TextList* log : {&state.DashLog, &state.UnderscoreLog, &state.CapitalLog,
                              &state.BracketLog, &state.PrefixLog})
    EXPECT_EQ(log->size(), 1u);
  EXPECT_EQ(state.PrefixLog, TextList{Quoted("02 Band - Tune .mp3", "Band - Tune .mp3")});
  EXPECT_TRUE(state.RenameFailures.empty());
  EXPECT_EQ(host.noSongsMessages, 1);
}

// Steps without a rename leave no heading; see the command line's tests for whole lists.
TEST(ChangedFilesList, StepsInListOrderWithEmptyLinesBetweenAndFailuresLast) {
  SongLists state;
  state.PrefixLog = {"p1", "p2"};
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
  EXPECT_EQ(LogFileName("log.TXT"), "log.TXT");
  EXPECT_EQ(LogFileName("log.txt.bak"), "log.txt.bak.txt");
  EXPECT_EQ(LogFileName("txt"), "txt.txt");
  EXPECT_EQ(LogFileName(".txt"), ".txt");
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
