// The disk as the program sees it, and the dry run's view of it.

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "catalogue/library_scan.h"
#include "platform/dry_run_file_system.h"
#include "platform/posix_rename.h"
#include "reports/changed_files.h"
#include "songtools/song_correction.h"
#include "support/mounted_image.h"
#include "support/pinned_file.h"
#include "support/temp_folder.h"
#include "tidyup/tidy_up.h"

namespace tunewick {
namespace {

using testing::MountedImage;
using testing::ReadFile;
using testing::SnapshotFiles;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

std::vector<std::string> Names(FileSystem& fileSystem, const std::string& folder) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : fileSystem.ListFolder(folder).entries)
    names.push_back(entry.name);
  return names;
}

TEST(FileSystem, RenameNeverReplacesAnythingAndKeepsNamesByteForByte) {
  TempFolder folder;
  const std::string a = folder.MakeFile("a.mp3", "first");
  const std::string b = folder.MakeFile("b.mp3", "second");
  EXPECT_EQ(fs().Rename(a, b), std::errc::file_exists);
  EXPECT_EQ(ReadFile(a), "first");
  EXPECT_EQ(ReadFile(b), "second");
  EXPECT_EQ(fs().Rename(folder / "gone.mp3", folder / "new.mp3"),
            std::errc::no_such_file_or_directory);
  EXPECT_FALSE(fs().Exists(folder / "new.mp3"));

  // A change of case only goes through; names that are not UTF-8 stay as they are.
  const std::string odd = folder / "Caf\xe9 \"quoted\"\nline \xff.mp3";
  EXPECT_FALSE(fs().Rename(a, folder / "A.mp3"));
  EXPECT_FALSE(fs().Rename(folder / "A.mp3", odd));
  EXPECT_EQ(ReadFile(odd), "first");
  EXPECT_FALSE(fs().Exists(a));
  EXPECT_FALSE(fs().Exists(folder / "A.mp3"));
  EXPECT_FALSE(fs().IgnoresCase(b));
}

// Each way a file system may be left with keeps the promise by itself: a taken name is
// refused, a refused move changes nothing, and no reservation is ever left behind.
TEST(FileSystem, EveryWayOfRenamingRefusesATakenNameAndLeavesNothingBehind) {
  using posix::RenameWay;
  for (RenameWay way :
       {RenameWay::kNoReplaceFlag, RenameWay::kLinkThenUnlink, RenameWay::kReservation}) {
    SCOPED_TRACE(static_cast<int>(way));
    TempFolder folder;
    const std::string a = folder.MakeFile("a.mp3", "first");
    const std::string b = folder.MakeFile("b.mp3", "second");
    EXPECT_EQ(posix::MoveBy(way, a, b), std::errc::file_exists);
    EXPECT_EQ(posix::MoveBy(way, folder / "gone.mp3", folder / "new.mp3"),
              std::errc::no_such_file_or_directory);
    {
      const testing::PinnedFile pinned(a);
      if (pinned.pinned()) {
        EXPECT_TRUE(posix::MoveBy(way, a, folder / "c.mp3"));
      }
    }
    EXPECT_FALSE(posix::MoveBy(way, a, folder / "c.mp3"));
    EXPECT_EQ(SnapshotFiles(folder.path()),
              (std::map<std::string, std::string>{{folder / "b.mp3", "second"},
                                                  {folder / "c.mp3", "first"}}));
  }
}

// FAT and exFAT offer neither renameat2's no-replace flag nor hard links, ignore letter
// case, and may number one file differently under two spellings.
TEST(FileSystem, OnFatAndExfatRenamesAsAnywhereElse) {
  for (MountedImage::Kind kind : {MountedImage::Kind::kFat, MountedImage::Kind::kExfat}) {
    SCOPED_TRACE(MountedImage::Name(kind));
    const MountedImage image(kind);
    if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
    const std::string a = image / "a.mp3", b = image / "b.mp3";
    testing::WriteFile(a, "first");
    testing::WriteFile(b, "second");
    EXPECT_TRUE(fs().IgnoresCase(a));
    EXPECT_EQ(fs().Rename(a, b), std::errc::file_exists);
    EXPECT_EQ(fs().Rename(a, image / "B.mp3"), std::errc::file_exists);
    EXPECT_EQ(fs().Rename(image / "gone.mp3", image / "new.mp3"),
              std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs().Rename(a, image / "A.mp3"));
    EXPECT_FALSE(fs().Rename(image / "A.mp3", image / "c.mp3"));
    EXPECT_FALSE(fs().Rename(image / "c.mp3", image / "C.mp3"));
    EXPECT_EQ(Names(fs(), image.path()), (std::vector<std::string>{"C.mp3", "b.mp3"}));
    EXPECT_EQ(ReadFile(image / "C.mp3"), "first");
    EXPECT_EQ(ReadFile(b), "second");

    // The dry run sees the names as the file system compares them.
    DryRunFileSystem dryRun(fs());
    EXPECT_FALSE(dryRun.Rename(b, image / "B.mp3"));
    EXPECT_EQ(dryRun.Rename(image / "C.mp3", image / "b.mp3"), std::errc::file_exists);
    EXPECT_FALSE(dryRun.Rename(image / "c.mp3", image / "d.mp3"));
    EXPECT_TRUE(dryRun.Exists(image / "D.MP3") && !dryRun.Exists(image / "c.mp3"));
    EXPECT_EQ(Names(dryRun, image.path()), (std::vector<std::string>{"B.mp3", "d.mp3"}));
    EXPECT_EQ(Names(fs(), image.path()), (std::vector<std::string>{"C.mp3", "b.mp3"}));

    // The correction dialog's rename takes the same way, a change of case included.
    testing::WriteFile(image / "a - b - c.mp3", "third");
    EXPECT_EQ(CorrectSongName(fs(), image / "a - b - c.mp3", "A - B", "C").outcome,
              CorrectionOutcome::kRenamed);
    EXPECT_EQ(CorrectSongName(fs(), image / "C.mp3", "a - b", "c").outcome,
              CorrectionOutcome::kNameTaken);
    EXPECT_EQ(Names(fs(), image.path()),
              (std::vector<std::string>{"A - B - C.mp3", "C.mp3", "b.mp3"}));
  }
}

TEST(FileSystem, ReadsLinesEndingInLfOrCrLfAndRefusesWhatIsNotAFileWithoutHanging) {
  TempFolder folder;
  std::vector<std::string> lines;
  fs().ReadLines(folder.MakeFile("t", "one\r\ntwo\n\nthree"), lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"}));
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0644), 0);
  EXPECT_THROW(fs().ReadLines(folder / "pipe", lines), FileError);
  EXPECT_THROW(fs().ReadLines(folder.MakeFolder("dir"), lines), FileError);
  EXPECT_EQ(fs().ReadLastBytes(folder / "pipe", 128), std::nullopt);
}

TEST(FileSystem, ExistenceTests) {
  TempFolder folder;
  const std::string file = folder.MakeFile("f.mp3");
  EXPECT_TRUE(fs().Exists(file) && fs().FileExists(file) && !fs().FolderExists(file));
  EXPECT_TRUE(fs().FolderExists(folder.path() + "/") && !fs().FileExists(folder.path()));
  EXPECT_FALSE(fs().Exists("") || fs().Exists(folder / "nothing"));
}

// The changed-files list and the songs left after a whole tidy-up through `fileSystem`.
std::pair<TextList, std::vector<SongPath>> Tidy(FileSystem& fileSystem,
                                                const std::string& libraryFile) {
  SharedState state;
  struct Host : TidyupHost {
    std::function<void()> walk;
    void Rescan() override { walk(); }
  } host;
  host.walk = [&] { rescan(state, fileSystem, libraryFile); };
  RunTidyup(state, fileSystem, host);
  rescan(state, fileSystem, libraryFile);
  return {BuildChangedFilesList(state), state.AllSongs};
}

TEST(DryRun, ForeseesTheRealRunExactlyAndTouchesNothing) {
  TempFolder folder;
  testing::MakeMessyLibrary(folder, "music", 400, 20261206);
  // Songs in a folder that an ordinary user may not change.
  folder.MakeFile("music/locked/01_locked song.mp3");
  ::chmod((folder / "music/locked").c_str(), 0555);
  folder.MakeFile("searchfolders", folder / "music\r\n" + folder / "music/a\r\n");

  const auto before = SnapshotFiles(folder.path());
  DryRunFileSystem dryRun(fs());
  const auto foreseen = Tidy(dryRun, folder / "searchfolders");
  EXPECT_EQ(SnapshotFiles(folder.path()), before);
  const auto real = Tidy(fs(), folder / "searchfolders");
  EXPECT_EQ(foreseen, real);
  const TextList& changed = real.first;
  EXPECT_GT(changed.size(), 100u);
  EXPECT_NE(std::find(changed.begin(), changed.end(), std::string(kFailuresHeading)), changed.end())
      << "the library should hold collisions";
}

TEST(DryRun, RenamedFilesMoveInListingsAndKeepTheirContent) {
  TempFolder folder;
  const std::string a = folder.MakeFile("a.mp3", "first");
  folder.MakeFile("b.mp3", "second");
  const auto before = SnapshotFiles(folder.path());
  DryRunFileSystem dryRun(fs());
  EXPECT_FALSE(dryRun.Rename(a, folder / "c.mp3"));
  EXPECT_FALSE(dryRun.Exists(a));
  EXPECT_TRUE(dryRun.FileExists(folder / "c.mp3"));
  EXPECT_EQ(dryRun.ReadLastBytes(folder / "c.mp3", 128), "first");
  EXPECT_EQ(dryRun.Rename(folder / "c.mp3", folder / "b.mp3"), std::errc::file_exists);
  EXPECT_EQ(dryRun.Rename(a, folder / "d.mp3"), std::errc::no_such_file_or_directory);
  // The old name is free again: another song may take it.
  EXPECT_FALSE(dryRun.Rename(folder / "b.mp3", a));
  EXPECT_EQ(dryRun.ReadLastBytes(a, 128), "second");

  EXPECT_EQ(Names(dryRun, folder.path()), (std::vector<std::string>{"a.mp3", "c.mp3"}));
  EXPECT_EQ(dryRun.Rename(a, folder / std::string(256, 'n')), std::errc::filename_too_long);
  EXPECT_EQ(dryRun.DeleteFile(a), std::errc::operation_not_permitted);
  EXPECT_THROW(dryRun.WriteLines(folder / "log.txt", {"x"}), FileError);

  EXPECT_EQ(SnapshotFiles(folder.path()), before);  // the disk itself never changed
}

}  // namespace
}  // namespace tunewick
