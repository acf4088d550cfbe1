#include "tidyup/tidy_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "catalogue/library_scan.h"
#include "platform/dry_run_file_system.h"
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
  void BeginStep(TidyupStep) override { ++depth; }
  void EndStep(TidyupStep) override { --depth, ++stepsEnded; }
  void NoSongsFound() override { ++noSongsMessages; }

  int depth = 0, stepsEnded = 0, noSongsMessages = 0;
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

// Each song in a folder of its own, through all five steps: where it ends up, holding its
// own bytes. A refused rename leaves the song as it was, and the later steps find it there.
TEST_F(Tidyup, EverySongEndsUnderTheNameTheFiveStepsGiveItOrStaysWhereItWasRefused) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"_abc - def.mp3", "Abc - Def.mp3"},  // capitalised after the space an underscore left
      {"Band - Live/a-b.mp3", "Band - Live/A - B.mp3"},  // only the file name's dash counts
      {"n/A - Nest ((1)1)).mp3", "n/A - Nest ).mp3"},    // a mark that removing one makes
      {"e/f/01_artist-song (1)(2).mp3", "e/f/Artist - Song .mp3"},
      {"u/A_B.mp3", "u/A_B.mp3"},  // refused: taken
      {"u/A B.mp3", "u/A B.mp3"},
      {"x/X (1).mp3", "x/X (1).mp3"},  // refused: taken
      {"x/X .mp3", "x/X .mp3"},
  };
  for (char digit = '0'; digit <= '9'; ++digit)
    cases.emplace_back(std::string("d") + digit + "/A (" + digit + ").mp3",
                       std::string("d") + digit + "/A .mp3");
  std::map<std::string, std::string> expected;
  for (const auto& [before, after] : cases) {
    Song(before);
    expected[music + "/" + after] = before;
  }
  Run();
  EXPECT_EQ(testing::SnapshotFiles(music), expected);
  EXPECT_EQ(state.BracketLog.size(), 12u);     // a line a song, however many renames it took
  ASSERT_EQ(state.RenameFailures.size(), 2u);  // their lines: see the command line's tests
  EXPECT_EQ(state.RenameFailures[0].from, music + "/u/A_B.mp3");
  EXPECT_EQ(state.RenameFailures[1].from, music + "/x/X (1).mp3");
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
// same tree; and so does a dry run of it, which leaves the tree alone. Stopped part-way, a
// run ends after the renames in hand, all of them logged.
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

  {
    std::filesystem::remove(folder / "link");
    makeLibrary();
    const auto untouched = testing::SnapshotFiles(music);
    testing::StaggeredDisk disk(8);
    disk.slowest = "/link/";
    DryRunFileSystem dryRun(disk);
    LibraryFileHost dryHost(state, dryRun, folder / "searchfolders");
    EXPECT_EQ(RunTidyup(state, dryRun, dryHost), TidyupEnd::kFinished);
    EXPECT_EQ(BuildChangedFilesList(state), inTurn);
    EXPECT_EQ(testing::SnapshotFiles(music), untouched);
  }
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

// Each step runs within the host's begin and end; each run logs only what it renamed itself.
// The logs' exact lines and their order: see the command line's tests.
TEST_F(Tidyup, EachRunLogsOnlyWhatItRenamedAndAnEmptyLibrarySaysSoOnce) {
  Run();
  EXPECT_EQ(host.noSongsMessages, 1);
  EXPECT_FALSE(AnySongRenamed(state));

  // A first run that fills every log and has a rename refused...
  Song("01_artist-song (1).mp3");
  Song("01 Intro.mp3");
  Song("02 Intro.mp3");
  host.stepsEnded = 0;
  Run();
  EXPECT_EQ(host.stepsEnded, 5);
  EXPECT_EQ(host.depth, 0);
  ASSERT_EQ(state.RenameFailures.size(), 1u);
  std::filesystem::remove(music + "/02 Intro.mp3");
  // ...and a second that renames one song in every step: each list holds only its own.
  Song("02_band-tune (2).mp3");
  Run();
  for (const TextList* log : {&state.DashLog, &state.UnderscoreLog, &state.CapitalLog,
                              &state.BracketLog, &state.PrefixLog})
    EXPECT_EQ(log->size(), 1u);
  EXPECT_TRUE(state.RenameFailures.empty());
  EXPECT_EQ(host.noSongsMessages, 1);
}

TEST(ChangedFilesList, SavedWithCrLfAndOneTxtExtension) {
  TempFolder folder;
  const TextList lines{"heading", "'a' was renamed to 'b'", "", "other"};
  EXPECT_EQ(SaveChangedFilesList(RealFileSystem(), folder / "Tunewick Log", lines),
            folder / "Tunewick Log.txt");
  EXPECT_EQ(ReadFile(folder / "Tunewick Log.txt"),
            "heading\r\n'a' was renamed to 'b'\r\n\r\nother\r\n");
  for (const auto& [chosen, saved] : {std::pair{"log.TXT", "log.TXT"},
                                      {"log.txt.bak", "log.txt.bak.txt"},
                                      {"txt", "txt.txt"},
                                      {".txt", ".txt"}})
    EXPECT_EQ(LogFileName(chosen), saved);
  // What the user is told then: see the windows' tests.
  EXPECT_THROW(SaveChangedFilesList(RealFileSystem(), folder / "missing/log", lines), FileError);
}

}  // namespace
}  // namespace tunewick
