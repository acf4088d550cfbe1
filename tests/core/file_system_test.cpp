// The disk as the program sees it, and the dry run's view of it.

#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dry_run_file_system.h"
#include "platform/posix_rename.h"
#include "platform/rename_names.h"
#include "songtools/song_correction.h"
#include "support/mounted_image.h"
#include "support/pinned_file.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::MountedImage;
using testing::ReadFile;
using testing::SnapshotFiles;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

// Leaves out what a FUSE driver shows for a moment when a rename replaces a file whose
// closing it has not heard of yet (a reservation, just closed): the driver removes it
// itself once the close reaches it, which a busy machine delays.
std::vector<std::string> Names(FileSystem& fileSystem, const std::string& folder) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : fileSystem.ListFolder(folder).entries)
    if (!entry.name.starts_with(".fuse_hidden")) names.push_back(entry.name);
  return names;
}

// The disk's own rename, and each way of renaming that a file system may leave it with,
// keeps the promise by itself: a taken name is refused, a refused move changes nothing, no
// reservation is ever left behind, and names keep their bytes.
TEST(FileSystem, EveryWayOfRenamingRefusesATakenNameAndLeavesNothingBehind) {
  using posix::RenameWay;
  for (int way : {-1, 0, 1, 2}) {
    SCOPED_TRACE(way);
    auto move = [way](const std::string& from, const std::string& to) {
      return way < 0 ? fs().Rename(from, to) : posix::MoveBy(RenameWay(way), from, to);
    };
    TempFolder folder;
    const std::string a = folder.MakeFile("a.mp3", "first");
    const std::string b = folder.MakeFile("b.mp3", "second");
    const std::string odd = folder / "Caf\xe9 \"quoted\"\nline \xff.mp3";
    EXPECT_EQ(move(a, b), std::errc::file_exists);
    EXPECT_EQ(move(folder / "gone.mp3", folder / "new.mp3"), std::errc::no_such_file_or_directory);
    {
      const testing::PinnedFile pinned(a);
      if (pinned.pinned()) {
        EXPECT_TRUE(move(a, odd));
      }
    }
    if (way < 0) {  // a change of case only goes through
      EXPECT_FALSE(fs().IgnoresCase(b));
      EXPECT_FALSE(move(a, folder / "A.mp3"));
      EXPECT_FALSE(move(folder / "A.mp3", odd));
    } else {
      EXPECT_FALSE(move(a, odd));
    }
    EXPECT_EQ(SnapshotFiles(folder.path()),
              (std::map<std::string, std::string>{{b, "second"}, {odd, "first"}}));
  }
}

// A change of case passes a temporary name, one taken already passed over; when the move on
// from there fails, the song goes back under its own name, and where that is taken too, the
// error tells where the song is.
TEST(FileSystem, AChangeOfCaseThatFailsHalfWayLeavesTheSongUnderItsOwnName) {
  TempFolder folder;
  const std::string song = folder.MakeFile("abba.mp3", "song");
  folder.MakeFile(CaseChangeTemporaryName(0), "taken");
  const auto before = SnapshotFiles(folder.path());
  int moves = 0;
  auto thirdMoveFails = [&](const std::string& from, const std::string& to) {
    return ++moves == 3 ? std::make_error_code(std::errc::io_error) : fs().Rename(from, to);
  };
  EXPECT_EQ(posix::ChangeCase(song, folder / "Abba.mp3", thirdMoveFails), std::errc::io_error);
  EXPECT_EQ(SnapshotFiles(folder.path()), before);

  moves = 0;
  auto onlyTheFirstTwoMovesGo = [&](const std::string& from, const std::string& to) {
    return ++moves >= 3 ? std::make_error_code(std::errc::file_exists) : fs().Rename(from, to);
  };
  const std::error_code stuck =
      posix::ChangeCase(song, folder / "Abba.mp3", onlyTheFirstTwoMovesGo);
  EXPECT_EQ(stuck.message(), "Its name was taken meanwhile: the song is now the hidden file " +
                                 CaseChangeTemporaryName(1) + " in its folder");
  EXPECT_EQ(ReadFile(folder / CaseChangeTemporaryName(1)), "song");
  // What a crash leaves under such a name is known by it (earlier_runs.h).
  EXPECT_TRUE(IsCaseChangeTemporaryName(CaseChangeTemporaryName(42)));
}

// FAT and exFAT offer neither renameat2's no-replace flag nor hard links, ignore letter
// case, and may number one file differently under two spellings.
TEST(FileSystem, OnFatAndExfatRenamesAsAnywhereElse) {
  for (MountedImage::Kind kind : {MountedImage::Kind::kFat, MountedImage::Kind::kExfat}) {
    SCOPED_TRACE(MountedImage::Name(kind));
    const MountedImage image(kind);
    if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
    const std::string a = image / "a - b - c.mp3", b = image / "b.mp3";
    testing::WriteFile(a, "first");
    testing::WriteFile(b, "second");
    EXPECT_TRUE(fs().IgnoresCase(a));
    EXPECT_EQ(fs().Rename(a, image / "B.mp3"), std::errc::file_exists);
    // A change of case from a spelling the file does not have: the file is in the way.
    EXPECT_EQ(fs().Rename(image / "B.mp3", b), std::errc::file_exists);
    EXPECT_EQ(fs().Rename(image / "gone.mp3", image / "new.mp3"),
              std::errc::no_such_file_or_directory);

    // The dry run sees the names as the file system compares them.
    DryRunFileSystem dryRun(fs());
    EXPECT_FALSE(dryRun.Rename(b, image / "B.mp3"));
    EXPECT_EQ(dryRun.Rename(b, image / "B.mp3"), std::errc::file_exists);
    EXPECT_EQ(dryRun.Rename(a, image / "b.mp3"), std::errc::file_exists);
    EXPECT_FALSE(dryRun.Rename(a, image / "d.mp3"));
    EXPECT_TRUE(dryRun.Exists(image / "D.MP3") && !dryRun.Exists(a));
    EXPECT_EQ(Names(dryRun, image.path()), (std::vector<std::string>{"B.mp3", "d.mp3"}));

    // The correction dialog's rename takes the same way, a change of case included.
    EXPECT_EQ(CorrectSongName(fs(), a, "A - B", "C").outcome, CorrectionOutcome::kRenamed);
    EXPECT_EQ(CorrectSongName(fs(), b, "a - b", "c").outcome, CorrectionOutcome::kNameTaken);
    EXPECT_EQ(Names(fs(), image.path()), (std::vector<std::string>{"A - B - C.mp3", "b.mp3"}));
    EXPECT_EQ(ReadFile(image / "A - B - C.mp3"), "first");

    // A spelling the mount still answers for a file renamed since leads to nothing, and is
    // seen to: the spelling given need not be the one the folder lists.
    ASSERT_TRUE(fs().IdentifyFile(image / "a - b - c.mp3"));
    EXPECT_TRUE(fs().IgnoresCase(image / "a - B - C.mp3"));
    ASSERT_FALSE(fs().Rename(image / "A - B - C.mp3", image / "abc.mp3"));
    EXPECT_FALSE(fs().IdentifyFile(image / "a - b - c.mp3"));
  }
}

// rclone mount, as cloud storage is mounted, offers neither the no-replace flag nor hard
// links (it answers link() with EIO), and without a cache stores a new file in the remote
// once the file is closed: after close() has returned, and so over a song renamed to it.
TEST(FileSystem, OnAnRcloneMountRenamesEverySongWhole) {
  TempFolder remote;
  std::map<std::string, std::string> renamed;
  constexpr int kSongs = 300;
  for (int i = 0; i < kSongs; ++i) {
    const std::string number = std::to_string(i);
    remote.MakeFile("s" + number + ".mp3", number);
    renamed[remote / ("t" + number + ".mp3")] = number;
  }
  {
    const testing::MountedFolder mount(remote.path(), testing::MountedFolder::Kind::kRclone);
    if (!mount.unavailable().empty()) GTEST_SKIP() << mount.unavailable();
    const std::string folder = mount.path() + "/";
    for (int i = 0; i < kSongs; ++i) {
      const std::string number = std::to_string(i);
      ASSERT_FALSE(fs().Rename(folder + "s" + number + ".mp3", folder + "t" + number + ".mp3"))
          << number;
    }
    EXPECT_EQ(fs().Rename(folder + "t0.mp3", folder + "t1.mp3"), std::errc::file_exists);
  }
  EXPECT_EQ(SnapshotFiles(remote.path()), renamed);
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

// How renames meet one another in a dry run: see the command line's dry runs.
TEST(DryRun, RenamedFilesKeepTheirContentDeletedOnesGoAndNothingIsWritten) {
  TempFolder folder;
  const std::string a = folder.MakeFile("a.mp3", "first"), b = folder.MakeFile("b.mp3");
  const auto before = SnapshotFiles(folder.path());
  DryRunFileSystem dryRun(fs());
  EXPECT_FALSE(dryRun.Rename(a, folder / "c.mp3"));
  EXPECT_TRUE(dryRun.FileExists(folder / "c.mp3") && !dryRun.Exists(a));
  EXPECT_EQ(dryRun.ReadLastBytes(folder / "c.mp3", 128), "first");
  EXPECT_EQ(dryRun.Rename(a, folder / "d.mp3"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(dryRun.DeleteFile(folder / "c.mp3"));
  EXPECT_FALSE(dryRun.DeleteFile(b));
  EXPECT_EQ(dryRun.DeleteFile(b), std::errc::no_such_file_or_directory);
  EXPECT_TRUE(dryRun.ListFolder(folder.path()).entries.empty());
  EXPECT_THROW(dryRun.WriteLines(folder / "log.txt", {"x"}), FileError);
  EXPECT_EQ(SnapshotFiles(folder.path()), before);  // the disk itself never changed
}

}  // namespace
}  // namespace tunewick
