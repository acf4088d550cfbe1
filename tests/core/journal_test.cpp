// The journal of a run and undo from it, on real folders.

#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "catalogue/library_scan.h"
#include "catalogue/song_path.h"
#include "journal/front_coding.h"
#include "journal/packed_journal.h"
#include "journal/record_checksum.h"
#include "journal/undo.h"
#include "platform/dry_run_file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/journal_file.h"
#include "support/mounted_image.h"
#include "support/pinned_file.h"
#include "support/staggered_disk.h"
#include "support/temp_folder.h"
#include "tidyup/batch_rename.h"
#include "tidyup/tidy_up.h"

namespace tunewick {
namespace {

using testing::MountedImage;
using testing::TempFolder;

const std::optional<MountedImage::Kind> kDisks[] = {std::nullopt, MountedImage::Kind::kFat,
                                                    MountedImage::Kind::kExfat};

class Journals : public ::testing::Test {
 protected:
  Journals() : store(RealFileSystem(), folder / "state/tunewick") {}

  // Tidies the library folder `library` through `disk`; returns what it did.
  SongLists TidyThrough(FileSystem& disk, const std::string& library) {
    folder.MakeFile("searchfolders", library + "\r\n");
    SongLists state;
    LibraryFileHost host(state, disk, folder / "searchfolders");
    RunTidyup(state, disk, host);
    return state;
  }
  // Tidies the library folder `library` through a journal; returns the journal's name.
  std::string Tidy(FileSystem& disk, const std::string& library) {
    RecordedRun run(&store, disk, {RunKind::kTidyup, ++clock, folder.path(), {}});
    TidyThrough(run.fileSystem(), library);
    EXPECT_EQ(run.Finish(), "");
    return run.name();
  }
  UndoReport Undo(const std::string& name, FileSystem& disk = RealFileSystem()) {
    return UndoRun(store, disk, {name, false, true, folder.path(), ++clock});
  }

  TempFolder folder;
  JournalStore store;
  std::int64_t clock = 1800000000;
};

TEST_F(Journals, OddNamesRoundTripAndACutShortOrDamagedJournalReadsAsItsSoundRecords) {
  const std::vector<std::string> names = {"tab\there.mp3",       "new\nline.mp3",
                                          "back\\slash\\n.mp3",  "cr\rname.mp3",
                                          "latin1 \xe9\xff.mp3", "plain.mp3"};
  auto renamed = [&](const std::string& song) { return folder / "music/renamed " + song; };
  for (std::size_t i = 0; i < names.size(); ++i)
    folder.MakeFile("music/" + names[i], std::to_string(i));
  std::string name;
  {
    RecordedRun run(&store, RealFileSystem(), {RunKind::kTags, 7, "/start\t\\folder\n", "x\\t"});
    for (const std::string& song : names)
      run.fileSystem().Rename(folder / "music/" + song, renamed(song));
    run.fileSystem().Rename(folder / "music/missing", folder / "music/other");  // not recorded
    run.fileSystem().Rename(renamed("plain.mp3"), renamed("tab\there.mp3"));
    name = run.name();
  }
  const std::optional<Journal> journal = store.Read(name);
  ASSERT_TRUE(journal);
  EXPECT_TRUE(journal->ended && !journal->damaged);
  EXPECT_EQ(journal->header.folder, "/start\t\\folder\n");
  EXPECT_EQ(journal->header.undoes, "x\\t");
  ASSERT_EQ(journal->entries.size(), names.size() + 1);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(journal->entries[i].from, folder / "music/" + names[i]);
    EXPECT_EQ(journal->entries[i].to, renamed(names[i]));
    EXPECT_EQ(journal->entries[i].outcome, JournalEntry::Outcome::kDone);
  }
  EXPECT_EQ(journal->entries.back().outcome, JournalEntry::Outcome::kFailed);
  const std::optional<RunSummary> summary = store.Summary(name);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->renames, names.size());
  EXPECT_EQ(summary->header.kind, RunKind::kTags);
  EXPECT_EQ(UnescapeField("bad\\x"), std::nullopt);
  EXPECT_EQ(Crc32c("123456789"), 0xE3069283u);  // CRC-32C's check value

  // Packed, it reads the same, and gives back its very text.
  const std::string path = folder / "state/tunewick/" + name + ".journal";
  const std::string text = testing::ReadFile(path);
  store.PackEarlierJournals();
  const std::string packed = testing::ReadFile(path);
  EXPECT_EQ(UnpackJournal(packed)->text, text);
  EXPECT_EQ(store.Read(name)->entries.size(), journal->entries.size());
  EXPECT_EQ(store.Summary(name)->renames, names.size());

  // Cut anywhere, as a crash leaves it, the journal reads as the records complete there;
  // damaged anywhere, by a bit flipped or a byte overwritten, as the records before the
  // damage, and it says so. Packed, it reads whole or says it is damaged; but cut before
  // its packed record has a name, as the journal of a run cut short before it renamed
  // anything. Undo, as a dry run and for real alike, gives no song a name it never had.
  const auto tidied = testing::SnapshotFiles(folder / "music");
  std::mt19937 random(25);
  for (int trial = 0; trial < 600; ++trial) {
    const std::string& sound = trial % 2 ? packed : text;
    const std::size_t at = random() % sound.size();
    std::string damaged = sound;
    if (trial % 3 == 0) damaged.resize(at);
    if (trial % 3 != 0) damaged[at] = trial % 3 == 1 ? damaged[at] ^ (1 << random() % 8) : random();
    const std::optional<Journal> read = ReadKeptJournal(damaged);
    if (!read) continue;  // the header is gone: nothing to undo
    SCOPED_TRACE("byte " + std::to_string(at) + (trial % 2 ? " packed" : ""));
    const std::size_t unnamed = text.find("\nrename") + std::string_view("\npacked\t").size();
    const bool whole = read->ended && read->entries.size() == journal->entries.size();
    EXPECT_TRUE(trial % 2
                    ? read->damaged != whole || (trial % 3 == 0 && at < unnamed)
                    : read->damaged == (trial % 3 != 0 && damaged != text && at + 1 < text.size()));
    ASSERT_LE(read->entries.size(), journal->entries.size());
    for (std::size_t i = 0; i < read->entries.size(); ++i)
      ASSERT_EQ(read->entries[i].to, journal->entries[i].to);
    DryRunFileSystem dryRun(RealFileSystem());
    const UndoResult foreseen = ReverseRenames(*read, dryRun);
    const UndoResult undone = ReverseRenames(*read, RealFileSystem());
    EXPECT_EQ(undone.renamed, foreseen.renamed);
    EXPECT_EQ(undone.refused.size(), foreseen.refused.size());
    for (auto done = undone.renamed.rbegin(); done != undone.renamed.rend(); ++done) {
      EXPECT_TRUE(std::any_of(journal->entries.begin(), journal->entries.end(), [&](auto& entry) {
        return entry.to == done->first && entry.from == done->second;
      }));
      std::filesystem::rename(done->second, done->first);
    }
    ASSERT_EQ(testing::SnapshotFiles(folder / "music"), tidied);
  }
}

TEST_F(Journals, AJournalOfManyMegabytesReadsBackWholeWhileWrittenAndAfter) {
  std::error_code error;
  std::unique_ptr<AppendOnlyFile> file = CreateAppendOnlyFile(folder / "big.journal", error);
  ASSERT_TRUE(file) << error.message();
  // Records of many lengths, so that they fall across every boundary the file grows by.
  std::string written;
  for (std::size_t i = 0; written.size() < (7 << 20); ++i) {
    const std::string record = std::string(1 + i * 7919 % 9000, static_cast<char>('a' + i % 26));
    ASSERT_FALSE(file->Append(record));
    written += record;
    // What a crash would leave: every byte appended, whatever is still to come.
    if (i % 500 == 0) {
      ASSERT_EQ(testing::ReadFile(folder / "big.journal").substr(0, written.size()), written);
    }
  }
  file.reset();
  EXPECT_EQ(testing::ReadFile(folder / "big.journal"), written);
}

// Packed journals give back their very text, odd bytes, lines longer than a block and an
// unfinished last line too; damaged or cut, the blocks before the damage.
TEST(PackedJournals, GiveBackTheirVeryTextOrTheBlocksBeforeTheDamage) {
  std::string text = HeaderRecords({RunKind::kTidyup, 1, "/", ""});
  std::mt19937 random(3);
  for (std::uint64_t line = 0; text.size() < (3 << 20); ++line) {
    const std::string song = "/m/" + std::to_string(random() % 50) + "/" + std::to_string(random());
    if (line % 4 == 0) AppendRenameRecord(text, song + "\t\\.mp3", song + ".mp3", {line, random()});
    if (line % 4 == 1) text += random() % 2 ? DoneRecord() : FailedRecord("No such file", line);
    for (int odd = line % 4 == 2 ? random() % 200 : 0; odd > 0; --odd) text += char(random());
    if (line % 4 == 3) text += std::string(random() % 50 ? 9 : (1 << 20) + 3, 'x') + "\n";
  }
  text += "unfinished\tline";
  const std::optional<std::string> packed = PackJournal(text, 7);
  ASSERT_TRUE(packed);
  EXPECT_LT(packed->size(), text.size() / 2);
  const std::optional<UnpackedJournal> unpacked = UnpackJournal(*packed);
  EXPECT_TRUE(unpacked->whole && unpacked->text == text);
  const std::size_t blocks = packed->find('\n', packed->find("\npacked\t") + 1) + 1;
  std::size_t longestTrusted = 0, lastBlock = blocks;
  std::uint32_t packedLength = 0;  // of the block at `lastBlock`
  for (std::size_t at = blocks; at < packed->size(); at += 16 + packedLength) {
    lastBlock = at;
    std::memcpy(&packedLength, packed->data() + at + 12, 4);  // least significant first
  }
  // Less its last block, or with bytes added, it is not whole either.
  for (const std::string& damaged : {packed->substr(0, lastBlock), *packed + std::string(16, 0)})
    EXPECT_FALSE(UnpackJournal(damaged)->whole);
  for (int trial = 0; trial < 40; ++trial) {
    std::string damaged = *packed;
    const std::size_t at = blocks + random() % (damaged.size() - blocks);
    if (trial % 2) damaged.resize(at);
    if (trial % 2 == 0) damaged[at] ^= 1 << random() % 8;
    const std::optional<UnpackedJournal> read = UnpackJournal(damaged);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->whole);
    ASSERT_EQ(read->text, text.substr(0, read->text.size())) << at;
    longestTrusted = std::max(longestTrusted, read->text.size());
  }
  EXPECT_GT(longestTrusted, text.size() / 2);

  // A line of the front code may repeat a long field of the line before in a few bytes, so
  // a small block can stand for gigabytes: decoding stops at the length the block states.
  std::string code = std::string("\0x\t\0\0", 5) + std::string(4096, 'a') + '\n';
  for (int line = 0; line < 4096; ++line) code += std::string("\0x\t\x80\x40\0\n", 7);
  std::string decoded = "before";
  EXPECT_FALSE(FrontDecoder().Decode(code, decoded, 1 << 16));
  EXPECT_LE(decoded.size(), 6u + (1 << 16));
  decoded.clear();
  EXPECT_TRUE(FrontDecoder().Decode(code, decoded, 4097 * 4099));
  EXPECT_EQ(decoded.size(), 4097u * 4099);
}

// Some drivers (fusefat) stamp a renamed file with the clock; a clock may jump, and a busy
// machine may take its time after any rename. None of it may keep undo from knowing a song,
// nor may a run killed before one of its renames.
class StampingDisk final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  struct Killed {};
  std::size_t renamesLeft = SIZE_MAX;  // then the run is killed
  std::error_code Rename(const std::string& from, const std::string& to) override {
    if (renamesLeft == 0) throw Killed();
    --renamesLeft;
    const std::error_code error = disk_.Rename(from, to);
    if (error) return error;
    stamp_ += std::chrono::hours(25);
    std::filesystem::last_write_time(to, stamp_);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return error;
  }

 private:
  std::filesystem::file_time_type stamp_ = std::filesystem::file_time_type::clock::now();
};

TEST_F(Journals, OnEveryDiskSongsChangedMovedOrInTheWayAreLeftAloneAndTheRestPutBack) {
  for (const std::optional<MountedImage::Kind>& kind : kDisks) {
    SCOPED_TRACE(kind ? MountedImage::Name(*kind) : "an ordinary disk");
    std::optional<MountedImage> image;
    if (kind && !image.emplace(*kind).unavailable().empty()) GTEST_SKIP() << image->unavailable();
    const std::string root = image ? image->path() : folder / "disk";
    const std::string music = root + "/music/";
    std::filesystem::create_directories(music);
    // The contents are all of one size, so that only the content tells "changed" apart.
    for (const char* song : {"01 changed.mp3", "02 moved.mp3", "03_blocked.mp3", "04_good.mp3"})
      testing::WriteFile(music + song, std::string(song).substr(0, 4) + std::string(5000, 'x'));
    // A folder not there, as on a disk not plugged in (not on the images: fusefat loses what
    // a folder moved away and back holds).
    const bool folderGone = !kind;
    if (folderGone) {
      std::filesystem::create_directory(music + "gone");
      testing::WriteFile(music + "gone/05_gone.mp3", "05_g" + std::string(5000, 'x'));
    }
    StampingDisk disk(RealFileSystem());
    const std::string tidy = Tidy(disk, root + "/music");
    if (folderGone) std::filesystem::rename(music + "gone", root + "/gone");
    std::filesystem::remove(music + "Changed.mp3");
    testing::WriteFile(music + "Changed.mp3", "01 c" + std::string(4999, 'x') + "y");
    std::filesystem::rename(music + "Moved.mp3", root + "/elsewhere.mp3");
    testing::WriteFile(music + "03 Blocked.mp3", "in the way");

    // An undo that puts nothing back leaves the run as it was.
    std::filesystem::rename(music + "Good.mp3", root + "/aside.mp3");
    EXPECT_TRUE(Undo(tidy, disk).result.renamed.empty());
    EXPECT_EQ(store.Summary(tidy)->undoState, UndoState::kNotUndone);
    std::filesystem::rename(root + "/aside.mp3", music + "Good.mp3");

    const UndoReport undo = Undo(tidy, disk);
    auto pair = [&](const char* from, const char* to) {
      return std::pair(music + from, music + to);
    };
    // The letter-case renames too, where the disk ignores case.
    EXPECT_EQ(undo.result.renamed,
              (std::vector<std::pair<SongPath, SongPath>>{pair("Good.mp3", "04 Good.mp3"),
                                                          pair("04 Good.mp3", "04 good.mp3"),
                                                          pair("04 good.mp3", "04_good.mp3")}));
    std::vector<std::string> refusals;
    for (const RenameFailure& failure : undo.result.refused)
      refusals.push_back(failure.from + " > " + failure.to + ": " + failure.reason);
    // Each song once, at its newest rename that cannot be taken back: the older ones stay.
    std::vector<std::string> expected{
        music + "Blocked.mp3 > " + music + "03 Blocked.mp3: " + "the old name is taken",
        music + "Moved.mp3 > " + music + "02 Moved.mp3: " + "the file was changed or moved since",
        music + "Changed.mp3 > " + music +
            "01 Changed.mp3: " + "the file was changed or moved since"};
    if (folderGone) {
      expected.insert(expected.begin() + 2, music + "gone/Gone.mp3 > " + music +
                                                "gone/05 Gone.mp3: its folder is not there");
      std::filesystem::rename(root + "/gone", music + "gone");
    }
    EXPECT_EQ(refusals, expected);
    EXPECT_EQ(testing::ReadFile(music + "04_good.mp3"), "04_g" + std::string(5000, 'x'));
    EXPECT_EQ(store.Summary(tidy)->undoState, UndoState::kPartlyUndone);

    // Once the way is clear, the run can be undone again for the rest, also after an undo
    // killed part of the way.
    std::filesystem::remove(music + "03 Blocked.mp3");
    disk.renamesLeft = 2;
    EXPECT_THROW(Undo(tidy, disk), StampingDisk::Killed);
    disk.renamesLeft = SIZE_MAX;
    const UndoResult foreseen = UndoRun(store, disk, {tidy, true, true, folder.path(), 0}).result;
    const UndoResult rest = Undo(tidy, disk).result;
    EXPECT_EQ(rest.refused.size(), 2u);
    EXPECT_EQ(rest.renamed, foreseen.renamed);
    EXPECT_EQ(testing::ReadFile(music + "03_blocked.mp3"), "03_b" + std::string(5000, 'x'));
  }
}

// Journals of the first two versions keep no checksums, and those of the first no
// fingerprints: they are undone as before. Where inode numbers do not last, the size and
// the time then tell a song, and another file of another size at its name stays.
TEST_F(Journals, JournalsOfEarlierVersionsAreUndoneOnEveryDiskButForAFileOfAnotherSize) {
  for (const std::optional<MountedImage::Kind>& kind : kDisks) {
    SCOPED_TRACE(kind ? MountedImage::Name(*kind) : "an ordinary disk");
    std::optional<MountedImage> image;
    if (kind && !image.emplace(*kind).unavailable().empty()) GTEST_SKIP() << image->unavailable();
    const std::string music = (image ? image->path() : folder.MakeFolder("disk")) + "/";
    for (const std::string version : {"1", "2"}) {
      std::string journal = "Tunewick journal " + version + "\nrun\ttidy-up\t1798761600\t/\t\n";
      for (const std::string& song : {"Kept " + version + ".mp3", "Swapped " + version + ".mp3"}) {
        testing::WriteFile(music + song, "song");
        const std::optional<FileIdentity> id = RealFileSystem().IdentifyFile(music + song);
        ASSERT_TRUE(id);
        journal += "rename";
        for (const std::uint64_t field : {id->device, id->inode, id->birthNs, id->size})
          journal += "\t" + std::to_string(field);
        journal += "\t" + std::to_string(id->modifiedNs) + (id->inodeStable ? "\t1" : "\t0") +
                   (version == "1" ? "" : "\t" + std::to_string(id->fingerprint)) + "\t" + music +
                   "01 " + song + "\t" + music + song +
                   (version == "1" ? "\ndone\t5\n" : "\ndone\n");
      }
      // Another file, of another size, takes the second song's name and time.
      const auto time = std::filesystem::last_write_time(music + "Swapped " + version + ".mp3");
      testing::WriteFile(music + "new", "a longer song");
      std::filesystem::last_write_time(music + "new", time);
      std::filesystem::rename(music + "new", music + "Swapped " + version + ".mp3");
      const std::string name =
          "2027010" + version + "-00000" + std::to_string(kind ? int(*kind) : 2);
      folder.MakeFile("state/tunewick/" + name + ".journal", journal + "end\t2\n");

      const UndoReport undo = Undo(name);
      EXPECT_TRUE(undo.damage.empty()) << version;
      EXPECT_EQ(undo.result.renamed,
                (std::vector<std::pair<SongPath, SongPath>>{
                    {music + "Kept " + version + ".mp3", music + "01 Kept " + version + ".mp3"}}))
          << version;
      ASSERT_EQ(undo.result.refused.size(), 1u) << version;
      EXPECT_EQ(undo.result.refused[0].reason, kChangedSince);
    }
  }
}

TEST_F(Journals, AFileTakenAheadAndReplacedBeforeItsTurnIsRecordedAsTheFileRenamed) {
  std::vector<std::string> songs;
  PathList expected;
  for (int i = 10; i < 30; ++i) {
    songs.push_back(folder.MakeFile("music/song " + std::to_string(i) + ".mp3", "song"));
    expected.Add(songs.back());
  }
  folder.MakeFile("music/other.mp3", "other");
  const std::map<std::string, std::string> before = testing::SnapshotFiles(folder / "music");
  const std::string music = folder / "music/";
  std::string name;
  {
    RecordedRun run(&store, RealFileSystem(), {RunKind::kTidyup, ++clock, folder.path(), {}});
    FileSystem& disk = run.fileSystem();
    disk.AboutToRename(std::move(expected));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // all taken ahead by now
    // The last song leaves out of turn, and another file takes its name before its turn.
    ASSERT_FALSE(disk.Rename(songs.back(), music + "moved.mp3"));
    ASSERT_FALSE(disk.Rename(music + "other.mp3", songs.back()));
    for (const std::string& song : songs) ASSERT_FALSE(disk.Rename(song, song + ".renamed.mp3"));

    // Every rename in its turn, but one name is expected twice, spelt two ways as a file
    // system that ignores case would take them, and between its turns another song takes it.
    const std::string first = songs[0] + ".renamed.mp3", second = songs[1] + ".renamed.mp3";
    const std::string firstAgain = music + "./" + std::string(FileNameOf(first));
    PathList twice;
    for (const std::string* path : {&first, &second, &firstAgain}) twice.Add(*path);
    disk.AboutToRename(std::move(twice));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_FALSE(disk.Rename(first, music + "first.mp3"));
    ASSERT_FALSE(disk.Rename(second, first));
    ASSERT_FALSE(disk.Rename(firstAgain, music + "./second.mp3"));
    EXPECT_EQ(run.Finish(), "");
    name = run.name();
  }
  EXPECT_TRUE(Undo(name).result.refused.empty());
  EXPECT_EQ(testing::SnapshotFiles(folder / "music"), before);
}

// A song that cannot be looked at, behind a loop of links here as on a share whose
// connection was lost, is refused with the system's reason, journaled or not and in a dry
// run alike; one that is gone is passed over.
TEST_F(Journals, ASongThatCannotBeLookedAtIsRefusedNotPassedOverAsGone) {
  ASSERT_EQ(::symlink("loop", (folder / "loop").c_str()), 0);
  const std::string lost = folder / "loop/a-b.mp3", gone = folder / "gone-c.mp3";
  RecordedRun run(&store, RealFileSystem(), {RunKind::kTidyup, ++clock, folder.path(), {}});
  DryRunFileSystem view(RealFileSystem());
  for (FileSystem* disk : {&run.fileSystem(), &RealFileSystem(), static_cast<FileSystem*>(&view)}) {
    const FolderRename refused = RenameWithinFolder(*disk, lost, "a - b.mp3");
    EXPECT_EQ(refused.outcome, FolderRename::Outcome::kRefused);
    EXPECT_EQ(refused.error, std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(RenameWithinFolder(*disk, gone, "gone - c.mp3").outcome,
              FolderRename::Outcome::kPassedOver);
  }
  EXPECT_EQ(run.Finish(), "");
}

// Renames in several folders at once interleave their records. Killed at any moment, or
// run to its end (when its journal tells every rename's outcome), a run is undone to the
// original tree, several folders at once too.
TEST_F(Journals, SeveralFoldersAtOnceKilledAnywhereOrRunToTheEndAreUndoneToTheOriginalTree) {
  testing::MakeMessyLibrary(folder, "music", 500, 11, 25);
  const auto original = testing::SnapshotFiles(folder / "music");
  for (std::size_t killAfter : {0, 30, 250}) {
    SCOPED_TRACE(killAfter);
    const pid_t child = ::fork();
    if (child == 0) {
      testing::StaggeredDisk disk(8);
      disk.renamesBeforeCall = killAfter;
      disk.call = [] { ::raise(SIGKILL); };
      Tidy(disk, folder / "music");
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFSIGNALED(status), killAfter > 0);
    const std::string run = store.History().back().name;
    const std::optional<Journal> journal = store.Read(run);
    ASSERT_TRUE(journal);
    EXPECT_GT(journal->entries.size(), killAfter);
    const auto unknown = [](const JournalEntry& entry) {
      return entry.outcome == JournalEntry::Outcome::kUnknown;
    };
    if (killAfter == 0) {
      EXPECT_FALSE(std::any_of(journal->entries.begin(), journal->entries.end(), unknown));
    }
    // Packed as the run ends, or by the next run (the undo) when it was killed.
    const auto packed = [&] {
      return ParsePackedRecord(testing::ReadFile(store.JournalPath(run)));
    };
    EXPECT_EQ(packed().has_value(), killAfter == 0);
    testing::StaggeredDisk undoDisk(8);
    EXPECT_TRUE(Undo(run, undoDisk).result.refused.empty());
    ASSERT_EQ(testing::SnapshotFiles(folder / "music"), original);
    EXPECT_TRUE(packed());
  }
}

// A signal that ends the program, sent while the renaming thread holds it back for a
// reservation, must wait for that thread: every thread the journal starts holds it too.
TEST_F(Journals, TheJournalsThreadsNeverTakeASignalThatEndsTheProgram) {
  RecordedRun run(&store, RealFileSystem(), {RunKind::kTidyup, ++clock, folder.path(), {}});
  PathList ahead;
  ahead.Add(folder.MakeFile("song.mp3"));
  run.fileSystem().AboutToRename(std::move(ahead));
  ASSERT_FALSE(run.fileSystem().Rename(folder / "song.mp3", folder / "Song.mp3"));
  constexpr unsigned long long kEnding =
      1u << (SIGINT - 1) | 1u << (SIGTERM - 1) | 1u << (SIGHUP - 1) | 1u << (SIGQUIT - 1);
  int others = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == std::to_string(::gettid())) continue;
    // A thread still starting holds every signal, SIGALRM too, until it takes its own mask.
    unsigned long long blocked = 1u << (SIGALRM - 1);
    for (int look = 0; look < 100000 && blocked & 1u << (SIGALRM - 1); ++look) {
      const std::string status = testing::ReadFile(task.path() / "status");
      blocked = std::stoull(status.substr(status.find("SigBlk:") + 8, 16), nullptr, 16);
      std::this_thread::yield();
    }
    EXPECT_EQ(blocked & kEnding, kEnding);
    ++others;
  }
  EXPECT_GE(others, 2);  // the journal's forcing onto the disk and its look-ahead
}

// Runs are kept in the order they began, whatever the clock said: set back, or in another
// time zone. Journals named after the local time, as before, are older than any other.
TEST_F(Journals,
       RunsKeepTheOrderTheyBeganInAndOnlyTheFiftyNewestThatRenamedAreKeptWhereverTheyFit) {
  // Its message and a folder that cannot be made: see the command line's tests.
  EXPECT_THROW(JournalStore(RealFileSystem(), "").StartRun({}), JournalUnavailable);

  folder.MakeFile("state/tunewick/20991231-235959.journal",
                  "Tunewick journal 2\nrun\ttidy-up\t4102444799\t/\t\nend\t0\n");
  for (int run = 0; run < 53; ++run) {
    ::setenv("TZ", run % 2 ? "UTC+12" : "UTC-14", 1);
    ::tzset();
    store.StartRun({RunKind::kTidyup, 1800000000 - 600 * run, "/", ""});
  }
  ::unsetenv("TZ");
  ::tzset();
  store.Prune("");
  const std::vector<RunSummary> history = store.History();
  ASSERT_EQ(history.size(), kJournalsKept);
  EXPECT_EQ(history.front().header.startedAt, 1800000000 - 600 * 3);
  EXPECT_EQ(history.back().header.startedAt, 1800000000 - 600 * 52);
  EXPECT_EQ(LatestUndoable(store), history.back().name);

  // Within kJournalBytesKept too, newest first, but for the run under way and the newest
  // that can be undone, whatever their size. Packed, a journal loses the space it set aside.
  const std::string newest = history.back().name, undoable = history.end()[-2].name;
  const auto kept = [&] {
    std::vector<std::string> names;
    for (const RunSummary& run : store.History()) names.push_back(run.name);
    return names;
  };
  std::filesystem::resize_file(store.JournalPath(newest), kJournalBytesKept + 1);
  store.SetUndoState(newest, UndoState::kUndone, "");
  store.Prune(newest);
  EXPECT_EQ(kept(), (std::vector{undoable, newest}));
  store.Prune("");
  EXPECT_EQ(kept(), std::vector{undoable});
  std::filesystem::resize_file(store.JournalPath(undoable), 64 << 20);
  store.PackEarlierJournals();
  EXPECT_LT(std::filesystem::file_size(store.JournalPath(undoable)), 1000u);
  EXPECT_EQ(store.Read(undoable)->header.startedAt, history.end()[-2].header.startedAt);

  // A run that renamed nothing (its one rename refused) leaves no journal to push out one
  // that can be undone.
  const std::string song = folder.MakeFile("music/01 song.mp3");
  {
    RecordedRun nothing(&store, RealFileSystem(), {RunKind::kUndo, 1900000000, "/", ""});
    EXPECT_TRUE(nothing.fileSystem().Rename(song, folder / "music/gone/Song.mp3"));
    EXPECT_EQ(nothing.Finish(), "");
    EXPECT_EQ(nothing.name(), "");
  }
  EXPECT_EQ(kept(), std::vector{undoable});

  // A disk without room for the first chunk a journal takes still holds one that fits.
  MountedImage image(MountedImage::Kind::kFat, 2);
  if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
  struct statvfs room {};
  ASSERT_EQ(::statvfs(image.path().c_str(), &room), 0);
  testing::WriteFile(image / "filler",
                     std::string(room.f_bavail * room.f_frsize - (512 << 10), 'x'));
  JournalStore nearlyFull(RealFileSystem(), image / "tunewick");
  {
    RecordedRun run(&nearlyFull, RealFileSystem(), {RunKind::kTidyup, 1900000000, "/", ""});
    EXPECT_FALSE(run.fileSystem().Rename(song, folder / "music/Song.mp3"));
    EXPECT_EQ(run.Finish(), "");
    ASSERT_TRUE(nearlyFull.Summary(run.name()));
    EXPECT_EQ(nearlyFull.Summary(run.name())->renames, 1u);
  }

  // A run that outgrows what is left stops there and says how far it got; that far it is
  // undone.
  ASSERT_EQ(::statvfs(image.path().c_str(), &room), 0);
  testing::WriteFile(image / "more filler",
                     std::string(room.f_bavail * room.f_frsize - (24 << 10), 'x'));
  const std::string many = folder.MakeFolder("many");
  for (int i = 0; i < 400; ++i) testing::WriteFile(many + "/x-y " + std::to_string(i) + ".mp3", "");
  const auto before = testing::SnapshotFiles(many);
  std::string outgrown;
  {
    RecordedRun run(&nearlyFull, RealFileSystem(), {RunKind::kTidyup, 1900000001, "/", ""});
    outgrown = run.name();
    TidyThrough(run.fileSystem(), many);
    EXPECT_GT(run.renamed(), 0u);
    EXPECT_LT(run.renamed(), 400u);
    // The reason is the driver's: not all of them say the disk is full.
    const std::string said = run.Finish();
    EXPECT_EQ(said.rfind("Tunewick could not record more of this run and stopped it after " +
                             std::to_string(run.renamed()) + " renames, which can be undone: ",
                         0),
              0u)
        << said;
  }
  EXPECT_TRUE(UndoRun(nearlyFull, RealFileSystem(), {outgrown, false, false, "/", 1900000002})
                  .result.refused.empty());
  EXPECT_EQ(testing::SnapshotFiles(many), before);
}

// A disk under the journal that fills up, then has room again: the append after the first
// `room` ones fails, the later ones go through.
class FillingUpJournalFile final : public AppendOnlyFile {
 public:
  FillingUpJournalFile(std::unique_ptr<AppendOnlyFile> file, int room)
      : file_(std::move(file)), room_(room) {}
  std::error_code Append(std::string_view bytes) override {
    if (room_-- == 0) return std::make_error_code(std::errc::no_space_on_device);
    return file_->Append(bytes);
  }
  std::error_code SyncData() override { return file_->SyncData(); }

 private:
  std::unique_ptr<AppendOnlyFile> file_;
  int room_;
};

// A journal on a FillingUpJournalFile, begun with `header`.
JournalWriter FillingUpJournal(const JournalStore& store, const std::string& name, int room,
                               const RunHeader& header) {
  std::error_code error;
  std::unique_ptr<AppendOnlyFile> file = CreateAppendOnlyFile(store.JournalPath(name), error);
  EXPECT_TRUE(file) << error.message();
  EXPECT_FALSE(file->Append(HeaderRecords(header)));
  return JournalWriter(std::make_unique<FillingUpJournalFile>(std::move(file), room), name);
}

// Once a record could not be written, no song is renamed any more, even when the journal
// could be written again, and none is tried: a tidy-up or an undo stops there, the renames
// in hand refused with the reason, and undo puts back every rename made. Renamed one
// folder at a time and in several at once.
TEST_F(Journals, AJournalFailingPartWayStopsTheRunAndWhatWasDoneIsUndone) {
  const auto expectStopped = [](const std::vector<RenameFailure>& refused, std::size_t atOnce) {
    EXPECT_GE(refused.size(), 1u);
    EXPECT_LE(refused.size(), atOnce);
    for (const RenameFailure& failure : refused)
      EXPECT_EQ(failure.reason.rfind(kCannotRecord, 0), 0u) << failure.reason;
  };
  for (const std::size_t atOnce : {1, 4}) {
    for (const int room : {0, 5}) {
      const std::string name = "failing" + std::to_string(atOnce) + "-" + std::to_string(room);
      SCOPED_TRACE(name);
      const std::string music = folder.MakeFolder(name);
      for (const char* album : {"a", "b", "c", "d"})
        for (const char* song : {"A-B.mp3", "C-D.mp3", "E-F.mp3", "G-H.mp3", "I-J.mp3"})
          testing::WriteFile(folder.MakeFolder(name + "/" + album) + "/" + song, song);
      const auto before = testing::SnapshotFiles(music);
      folder.MakeFolder("state/tunewick");
      JournalWriter journal =
          FillingUpJournal(store, name, room, {RunKind::kTidyup, ++clock, folder.path(), {}});
      {
        testing::StaggeredDisk staggered(atOnce);
        JournalingFileSystem disk(staggered, journal);
        const SongLists tidied = TidyThrough(disk, music);
        EXPECT_TRUE(disk.RenamesEnded());
        EXPECT_EQ(staggered.renamed.size(), std::size_t(room));
        EXPECT_EQ(tidied.DashLog.size(), std::size_t(room));
        expectStopped(tidied.RenameFailures, atOnce);
      }
      EXPECT_EQ(journal.Finish().message().rfind(kCannotRecord, 0), 0u);

      // The rest of the tidy-up, then an undo whose journal fails after three records.
      const std::string tidied = Tidy(RealFileSystem(), music);
      {
        JournalWriter undoJournal =
            FillingUpJournal(store, name + "-undo", 3, {RunKind::kUndo, ++clock, "/", tidied});
        testing::StaggeredDisk staggered(atOnce);
        JournalingFileSystem disk(staggered, undoJournal);
        const UndoResult undone = ReverseRenames(*store.Read(tidied), disk);
        EXPECT_EQ(undone.renamed.size(), 3u);
        expectStopped(undone.refused, atOnce);
      }
      EXPECT_TRUE(Undo(tidied).result.refused.empty());
      EXPECT_TRUE(Undo(name).result.refused.empty());
      EXPECT_EQ(testing::SnapshotFiles(music), before);
    }
  }
}

}  // namespace
}  // namespace tunewick
