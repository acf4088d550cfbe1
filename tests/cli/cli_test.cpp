// tunewick-cli, run as its own process on real temporary libraries.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <thread>

#include "journal/journal_format.h"
#include "journal/journal_store.h"
#include "journal/recorded_run.h"
#include "journal/run_lock.h"
#include "support/mounted_image.h"
#include "support/pinned_file.h"
#include "support/tag_bytes.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ID3v1Tag;
using testing::ID3v2Tag;
using testing::MountedImage;
using testing::ReadFile;
using testing::TempFolder;

const std::string kLongTitle = "A Title Longer Than ID3v1 Can Hold";

struct Outcome {
  int status = -1;
  std::string out, err;
};

// For RunCli: standard output closed, or a pipe whose reader has gone.
constexpr const char* kClosed = "";
constexpr const char* kNobodyReads = "|";

// The program tested: the one built, or a copy of it that the environment names.
const char* Cli() {
  static const char* const cli = [] {
    const char* copy = std::getenv("TUNEWICK_CLI");
    return copy && *copy ? copy : TUNEWICK_CLI;
  }();
  return cli;
}

// The path of a copy of tunewick-cli that every user may run: the build folder may be
// closed to others (as a clone in root's home folder is).
const std::string& CliOpenToAll() {
  static const TempFolder bin;
  static const std::string cli = [] {
    ::chmod(bin.path().c_str(), 0755);
    std::filesystem::copy_file(Cli(), bin / "tunewick-cli");
    return bin / "tunewick-cli";
  }();
  return cli;
}

// In the child: runs tunewick-cli with `arguments` in `folder`, with `folder`/config as its
// configuration home; as user "nobody" when `asNobody` (the test runs as root then).
[[noreturn]] void ExecCli(const std::string& folder, const std::vector<std::string>& arguments,
                          bool asNobody) {
  const passwd* nobody = asNobody ? ::getpwnam("nobody") : nullptr;
  const char* const program = asNobody ? CliOpenToAll().c_str() : Cli();  // made already
  std::vector<char*> argv{const_cast<char*>(program)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
  if (asNobody && (!nobody || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
                   ::setuid(nobody->pw_uid) != 0))
    ::_exit(126);
  if (::chdir(folder.c_str()) == 0) ::execv(program, argv.data());
  ::_exit(127);
}

// As a shell gives it: 128 plus the signal for a program that a signal ended.
int ExitStatusOf(pid_t child) {
  int status = 0;
  if (child <= 0 || ::waitpid(child, &status, 0) != child) return -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs tunewick-cli (see ExecCli) with its outputs going to files, or its standard output to
// `outPath` when given.
Outcome RunCli(const std::string& folder, const std::vector<std::string>& arguments,
               const char* outPath = nullptr, bool asNobody = false) {
  const TempFolder outputs;
  const std::string out = outputs / "out", err = outputs / "err";
  if (asNobody) CliOpenToAll();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(::creat(err.c_str(), 0600), STDERR_FILENO);
    int pipeEnds[2];
    if (outPath == kClosed) {
      ::close(STDOUT_FILENO);
    } else if (outPath == kNobodyReads && ::pipe(pipeEnds) == 0) {
      ::close(pipeEnds[0]);
      ::dup2(pipeEnds[1], STDOUT_FILENO);
    } else {
      ::dup2(outPath ? ::open(outPath, O_WRONLY) : ::creat(out.c_str(), 0600), STDOUT_FILENO);
    }
    ExecCli(folder, arguments, asNobody);
  }
  Outcome outcome;
  outcome.status = ExitStatusOf(child);
  outcome.out = ReadFile(out);
  outcome.err = ReadFile(err);
  return outcome;
}

// Runs tunewick-cli (see ExecCli) with both its outputs on a terminal: what the terminal was
// given, in `out`.
Outcome RunCliOnTerminal(const std::string& folder, const std::vector<std::string>& arguments) {
  int terminal = -1, side = -1;
  termios raw{};
  ::cfmakeraw(&raw);  // no line ends added
  if (::openpty(&terminal, &side, nullptr, &raw, nullptr) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(side, STDOUT_FILENO);
    ::dup2(side, STDERR_FILENO);
    ExecCli(folder, arguments, false);
  }
  ::close(side);
  Outcome outcome;
  char buffer[4096];
  // Read as it comes, so that the program never waits on a full terminal; the end of the
  // last writer shows as an error.
  for (ssize_t got;
       (got = ::read(terminal, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR);)
    if (got > 0) outcome.out.append(buffer, static_cast<std::size_t>(got));
  ::close(terminal);
  outcome.status = ExitStatusOf(child);
  return outcome;
}

// Runs the command with --dry-run, checks that nothing on disk changed, then runs it for
// real: the two outcomes, dry run first.
std::pair<Outcome, Outcome> DryRunThenReal(const std::string& folder,
                                           std::vector<std::string> arguments,
                                           bool asNobody = false) {
  const auto before = testing::SnapshotFiles(folder);
  std::vector<std::string> dry = arguments;
  dry.insert(dry.begin() + 1, "--dry-run");
  Outcome dryRun = RunCli(folder, dry, nullptr, asNobody);
  EXPECT_EQ(testing::SnapshotFiles(folder), before) << "the dry run changed the disk";
  return {std::move(dryRun), RunCli(folder, arguments, nullptr, asNobody)};
}

// Runs `test` with the root of each disk in turn: a folder on an ordinary disk, or a FAT or
// exFAT image, as on USB sticks and SD cards; skipped where an image cannot be mounted.
template <typename Test>
void OnEachDisk(std::initializer_list<std::optional<MountedImage::Kind>> kinds, Test test) {
  for (const std::optional<MountedImage::Kind>& kind : kinds) {
    SCOPED_TRACE(kind ? MountedImage::Name(*kind) : "an ordinary disk");
    const TempFolder ordinary;
    std::optional<MountedImage> image;
    if (kind && !image.emplace(*kind).unavailable().empty()) GTEST_SKIP() << image->unavailable();
    test(kind, image ? image->path() : ordinary.path());
  }
}

// FAT and exFAT, as on USB sticks and SD cards, offer neither renameat2's no-replace flag
// nor hard links, and ignore letter case: there "03 Abba.mp3" cannot become "Abba.mp3"
// beside "ABBA.mp3", but "cafe" can become "Cafe".
TEST(Cli, TidyPrintsTheChangedFilesListAndTheCountersOnEveryDiskAsADryRunForesees) {
  OnEachDisk({std::nullopt, MountedImage::Kind::kFat, MountedImage::Kind::kExfat},
             [](const std::optional<MountedImage::Kind>& kind, const std::string& root) {
               std::filesystem::create_directories(root + "/m/sub");
               // The dash step spaces only names without a spaced dash: the space after, the space
               // before, then every dash. A prefix that would take the extension's dot stays.
               for (const char* name :
                    {"01.mp3", "01_artist-song (1).mp3", "02 ABBA.mp3", "03 Abba.mp3",
                     "04 Intro.mp3", "05 Intro.mp3", "AC-DC-Song.mp3", "Artist - Song-Remix.mp3",
                     "Artist -Song- Live.mp3", "Band- Tune.mp3", "sub/cafe - ok.wav"}) {
                 testing::WriteFile(root + "/m/" + name, name);
                 // Old songs: fusefat stamps a renamed file with the clock; undo must know them
                 // still.
                 std::filesystem::last_write_time(
                     root + "/m/" + name,
                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365));
               }
               const auto original = testing::SnapshotFiles(root + "/m");
               const auto [dryRun, real] = DryRunThenReal(root, {"tidy", "m"});
               const std::string abba = kind ? "" : "'m/03 Abba.mp3' was renamed to 'm/Abba.mp3'\n";
               EXPECT_EQ(
                   real.out,
                   "The following had spaces around the middle dash fixed\n"
                   "'m/Artist -Song- Live.mp3' was renamed to 'm/Artist - Song- Live.mp3'\n"
                   "'m/Band- Tune.mp3' was renamed to 'm/Band - Tune.mp3'\n"
                   "'m/01_artist-song (1).mp3' was renamed to 'm/01_artist - song (1).mp3'\n"
                   "'m/AC-DC-Song.mp3' was renamed to 'm/AC - DC - Song.mp3'\n"
                   "\n"
                   "The following had underscores replaced with spaces\n"
                   "'m/01_artist - song (1).mp3' was renamed to 'm/01 artist - song (1).mp3'\n"
                   "\n"
                   "The following had words capitalized\n"
                   "m/sub/cafe - ok.wav was renamed to m/sub/Cafe - ok.wav\n"
                   "m/01 artist - song (1).mp3 was renamed to m/01 Artist - Song (1).mp3\n"
                   "m/sub/Cafe - ok.wav was renamed to m/sub/Cafe - Ok.wav\n"
                   "\n"
                   "The following had bracketted numbers removed\n"
                   "'m/01 Artist - Song (1).mp3' was renamed to 'm/01 Artist - Song .mp3'\n"
                   "\n"
                   "The following had prefixes removed\n"
                   "'m/01 Artist - Song .mp3' was renamed to 'm/Artist - Song .mp3'\n"
                   "'m/02 ABBA.mp3' was renamed to 'm/ABBA.mp3'\n" +
                       abba +
                       "'m/04 Intro.mp3' was renamed to 'm/Intro.mp3'\n"
                       "\n"
                       "The following could not be renamed\n" +
                       (kind ? "'m/03 Abba.mp3' could not be renamed to 'm/Abba.mp3': File exists\n"
                             : "") +
                       "'m/05 Intro.mp3' could not be renamed to 'm/Intro.mp3': File exists\n"
                       "\n" +
                       (kind ? "3" : "4") +
                       " Prefixes Removed\n"
                       "1 Underscores Replaced with spaces\n"
                       "1 Bracketted Numbers removed\n"
                       "3 Songs had words capitalized in them\n"
                       "4 Songs had spaces before and after the dash fixed\n");
               EXPECT_EQ(real.err, "");  // no progress when standard error is not a terminal
               EXPECT_EQ(real.status, 1);
               EXPECT_EQ(dryRun.out, real.out);
               EXPECT_EQ(dryRun.status, real.status);
               // Undo gives the tree back as it was, the letter-case renames included: so every
               // song was where the lines say, and nothing was left beside the songs.
               const Outcome undo = RunCli(root, {"undo"});
               EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
               EXPECT_EQ(testing::SnapshotFiles(root + "/m"), original);
             });
}

// A name holds 255 bytes on an ordinary disk, but 255 UTF-16 code units on exFAT and on
// NTFS, which respects case: there a name of two-byte letters grows past 255 bytes.
TEST(Cli, ANameGrowsAsLongAsItsDiskAllowsAsTheDryRunForesees) {
  std::string letters;
  for (int i = 0; i < 124; ++i) letters += "\xc3\xa9";
  const std::string from = "m/" + letters + "-x.wav", to = "m/" + letters + " - X.wav";
  OnEachDisk({std::nullopt, MountedImage::Kind::kExfat, MountedImage::Kind::kNtfs},
             [&](const std::optional<MountedImage::Kind>& kind, const std::string& root) {
               std::filesystem::create_directory(root + "/m");
               testing::WriteFile(root + "/" + from, "song");
               const auto original = testing::SnapshotFiles(root + "/m");
               const auto [dryRun, real] = DryRunThenReal(root, {"tidy", "m"});
               EXPECT_EQ(dryRun.out, real.out);
               EXPECT_EQ(dryRun.status, real.status);
               EXPECT_EQ(real.status, kind ? 0 : 1) << real.out;
               EXPECT_EQ(::access((root + "/" + to).c_str(), F_OK) == 0, kind.has_value());
               if (!kind) return;  // nothing to undo
               const auto [dryUndo, undo] = DryRunThenReal(root, {"undo"});
               EXPECT_EQ(dryUndo.out, undo.out);
               EXPECT_EQ(undo.status, 0);
               EXPECT_EQ(testing::SnapshotFiles(root + "/m"), original);
             });
}

// On an ordinary file system renameat2 does every rename: no file is ever created, not
// even for a moment, as a reservation of a new name would be.
TEST(Cli, DryRunOnAMessyLibraryPrintsWhatTheRealRunDoesAndTouchesNothing) {
  TempFolder folder;
  testing::MakeMessyLibrary(folder, "lib", 300, 6122026);
  folder.MakeFile("lib/locked/01_locked song.mp3");  // a folder an ordinary user may not change
  // Two songs whose names differ only in case, on a disk that tells them apart.
  for (const char* twin : {"lib/case/abba - x.mp3", "lib/case/Abba - x.mp3"}) folder.MakeFile(twin);
  ::chmod((folder / "lib/locked").c_str(), 0555);
  folder.MakeFile("searchfolders", folder / "lib" + "\r\n\r\n" + folder / "lib/a" + "\r\n");
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  for (const char* watched : {"lib", "lib/a", "lib/a/b"})
    ASSERT_GE(::inotify_add_watch(watch, (folder / watched).c_str(), IN_CREATE), 0);
  const auto [dryRun, real] = DryRunThenReal(folder.path(), {"tidy"});
  EXPECT_EQ(dryRun.out, real.out);
  EXPECT_EQ(dryRun.status, real.status);
  EXPECT_GT(std::count(real.out.begin(), real.out.end(), '\n'), 100);
  alignas(inotify_event) char events[4096];
  EXPECT_EQ(::read(watch, events, sizeof events), -1) << "a file was created while tidying";
  ::close(watch);
}

// Makes `name` with `content` in the folders `folders` below `base`, one folder at a time:
// a path longer than the system takes cannot be made at once.
void MakeDeepFile(const std::string& base, const std::vector<std::string>& folders,
                  const std::string& name, const std::string& content) {
  int at = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const std::string& folder : folders) {
    ::mkdirat(at, folder.c_str(), 0755);
    const int next = ::openat(at, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(at);
    at = next;
  }
  const int file = ::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(::write(file, content.data(), content.size()), ssize_t(content.size()));
  ::close(file);
  ::close(at);
}

// Refusals that only the real run used to meet: songs pinned by their attributes (which
// hold even for root), another user's song in a sticky folder, and a new path longer than
// the system takes while the new name itself is short; but the user's own song in a sticky
// folder and a new name of the longest length the system takes are renamed.
TEST(Cli, ADryRunForeseesPinnedSongsStickyFoldersAndOverlongPaths) {
  if (::geteuid() != 0) GTEST_SKIP() << "pinning songs and running as another user need root";
  TempFolder folder;
  ::chmod(folder.path().c_str(), 0755);
  folder.MakeFile("m/open/A-B.mp3", "a");
  folder.MakeFile("m/open/C-D.mp3", "c");
  folder.MakeFile("m/sticky/E-F.mp3", "e");
  ::chmod((folder / "m/open").c_str(), 0777);
  ::chmod((folder / "m/sticky").c_str(), 01777);
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(::chown(folder.MakeFile("m/sticky/I-J.mp3").c_str(), nobody->pw_uid, nobody->pw_gid),
            0);
  const std::string longest = std::string(125, 'K') + "-" + std::string(123, 'L');  // 255 bytes
  folder.MakeFile("m/open/" + longest + ".mp3");                                    // once spaced
  // "m/" + 4085 bytes of folders + "G-H.mp3": 4094 bytes, two short of "G - H.mp3".
  std::vector<std::string> deep(16, std::string(250, 'd'));
  deep.push_back(std::string(68, 'e'));
  MakeDeepFile(folder / "m", deep, "G-H.mp3", "g");
  std::string deepPath = "m/";
  for (const std::string& part : deep) deepPath += part + "/";
  const struct Remover {  // rm takes deep trees apart a folder at a time
    std::string path;
    ~Remover() { testing::RunProgram({"rm", "-rf", path}); }
  } remover{folder / "m/" + deep.front()};
  const testing::PinnedFile immutable(folder / "m/open/A-B.mp3");
  const testing::PinnedFile appendOnly(folder / "m/open/C-D.mp3",
                                       testing::PinnedFile::Attribute::kAppendOnly);
  if (!immutable.pinned() || !appendOnly.pinned()) GTEST_SKIP() << "no file attributes here";

  // Nobody may keep a journal in this test's state folder.
  const auto [dryRun, real] =
      DryRunThenReal(folder.path(), {"tidy", "--no-undo", "m"}, /*asNobody=*/true);
  const std::string spaced = std::string(125, 'K') + " - " + std::string(123, 'L');
  EXPECT_EQ(real.out,
            "The following had spaces around the middle dash fixed\n"
            "'m/open/" +
                longest + ".mp3' was renamed to 'm/open/" + spaced +
                ".mp3'\n"
                "'m/sticky/I-J.mp3' was renamed to 'm/sticky/I - J.mp3'\n"
                "\n"
                "The following could not be renamed\n'" +
                deepPath + "G-H.mp3' could not be renamed to '" + deepPath +
                "G - H.mp3': File name too long\n"
                "'m/open/A-B.mp3' could not be renamed to 'm/open/A - B.mp3': Operation not "
                "permitted\n"
                "'m/open/C-D.mp3' could not be renamed to 'm/open/C - D.mp3': Operation not "
                "permitted\n"
                "'m/sticky/E-F.mp3' could not be renamed to 'm/sticky/E - F.mp3': Operation not "
                "permitted\n"
                "\n"
                "0 Prefixes Removed\n"
                "0 Underscores Replaced with spaces\n"
                "0 Bracketted Numbers removed\n"
                "0 Songs had words capitalized in them\n"
                "2 Songs had spaces before and after the dash fixed\n");
  EXPECT_EQ(real.status, 1);
  EXPECT_EQ(dryRun.out, real.out);
  EXPECT_EQ(dryRun.status, real.status);
}

// Runs the tests of one test case with journals kept in a folder of their own.
class CliJournals : public ::testing::Test {
 protected:
  CliJournals() { ::setenv("XDG_STATE_HOME", (state / "").c_str(), 1); }
  std::string JournalFolder() const { return state / "tunewick"; }
  std::vector<std::string> Journals() const {
    std::vector<std::string> names;
    if (std::filesystem::exists(JournalFolder()))
      for (const auto& entry : std::filesystem::directory_iterator(JournalFolder()))
        if (entry.path().extension() == ".journal") names.push_back(entry.path().stem());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;  // numbers, in order
    });
    return names;
  }
  // With `journal` the only run kept, `command` ("tidy" of the folder m, or "undo") from
  // `root`, as a dry run and then for real.
  std::pair<Outcome, Outcome> AfterTheRun(const std::string& journal, const std::string& root,
                                          const std::string& command) {
    std::filesystem::remove_all(JournalFolder());
    state.MakeFile("tunewick/7.journal", journal);
    return DryRunThenReal(
        root, command == "tidy" ? std::vector{command, std::string("m")} : std::vector{command});
  }

  TempFolder state, folder;
};

TEST_F(CliJournals, UndoPutsATidyBackOnceAndHistoryTellsWhatWasDone) {
  folder.MakeFile("m/01_artist-song.mp3", "one");
  folder.MakeFile("m/02 Intro.mp3", "two");
  const auto before = testing::SnapshotFiles(folder.path());
  ASSERT_EQ(RunCli(folder.path(), {"tidy", "m"}).status, 0);
  const auto tidied = testing::SnapshotFiles(folder.path());
  ASSERT_EQ(Journals().size(), 1u);
  const std::string tidy = Journals()[0];
  const Outcome history = RunCli(folder.path(), {"history"});
  EXPECT_TRUE(std::regex_match(
      history.out, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  tidy-up  '" +
                              folder.path() + "'  5 renames  not undone  " + tidy + "\n")))
      << history.out;

  const auto [dryRun, undo] = DryRunThenReal(folder.path(), {"undo"});
  // Newest first, with the paths taken from the folder the run was started in.
  std::string expected;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"Intro.mp3", "02 Intro.mp3"},
           {"Artist - Song.mp3", "01 Artist - Song.mp3"},
           {"01 Artist - Song.mp3", "01 artist - song.mp3"},
           {"01 artist - song.mp3", "01_artist - song.mp3"},
           {"01_artist - song.mp3", "01_artist-song.mp3"}})
    expected += "'" + folder / "m/" + from + "' was renamed to '" + folder / "m/" + to + "'\n";
  EXPECT_EQ(undo.out, expected);
  EXPECT_EQ(undo.status, 0);
  EXPECT_EQ(dryRun.out, undo.out);
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);

  // Undone once: not again. The undo itself can be undone by its name.
  const Outcome again = RunCli(folder.path(), {"undo", tidy});
  EXPECT_EQ(again.status, 2);
  EXPECT_EQ(again.err, "tunewick-cli: the run " + tidy + " was undone already\n");
  EXPECT_EQ(RunCli(folder.path(), {"undo"}).err, "tunewick-cli: there is no run to undo\n");
  const std::vector<std::string> journals = Journals();
  ASSERT_EQ(journals.size(), 2u);
  EXPECT_NE(RunCli(folder.path(), {"history"}).out.find("  5 renames  not undone  " + journals[1]),
            std::string::npos);
  EXPECT_EQ(RunCli(folder.path(), {"undo", journals[1]}).status, 0);
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), tidied);

  // A song in the way of its old name stays, and the exit status says so.
  folder.MakeFile("m/02 Intro.mp3", "in the way");
  const Outcome refused = RunCli(folder.path(), {"undo"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("\nThe following could not be renamed back\n"
                             "'" +
                             folder / "m/Intro.mp3' could not be renamed to '" +
                             folder / "m/02 Intro.mp3': the old name is taken\n"),
            std::string::npos)
      << refused.out;
}

// Undo knows the renamed songs again where their disk has come to tell of them otherwise:
// an overlay copies a song of its lower layer up at its first rename, with a new time of
// birth, and a disk plugged in again comes back under another device number.
TEST_F(CliJournals, UndoKnowsTheSongsAgainAfterACopyUpOrAPlugInAgain) {
  folder.MakeFile("m/01_artist-song.mp3", "one");
  folder.MakeFile("m/sub/02_band-tune.wav", "two");
  const testing::MountedFolder overlay(folder.path(), testing::MountedFolder::Kind::kOverlayfs);
  if (!overlay.unavailable().empty()) GTEST_SKIP() << overlay.unavailable();
  MountedImage disk(MountedImage::Kind::kExt4);
  if (!disk.unavailable().empty()) GTEST_SKIP() << disk.unavailable();
  std::filesystem::copy(folder / "m", disk / "m", std::filesystem::copy_options::recursive);
  for (const std::string& root : {overlay.path(), disk.path()}) {
    SCOPED_TRACE(root);
    const auto before = testing::SnapshotFiles(root + "/m");
    ASSERT_EQ(RunCli(root, {"tidy", "m"}).status, 0);
    ASSERT_NE(testing::SnapshotFiles(root + "/m"), before);
    if (root == disk.path()) {
      ASSERT_TRUE(disk.PlugInAgain()) << disk.unavailable();
    }
    const auto [dryRun, undo] = DryRunThenReal(root, {"undo"});
    EXPECT_EQ(undo.status, 0) << undo.out;
    EXPECT_EQ(dryRun.out, undo.out);
    EXPECT_EQ(testing::SnapshotFiles(root + "/m"), before);
  }
}

// The added types are songs for every command once chosen, for one run or in the settings
// the desktop program writes, and for none without the choice; undo takes back a run that
// renamed them whatever the choice is then.
// A link is renamed as a file is, whether it leads anywhere or not: so after the song it
// leads to was renamed too, which the dry runs do not foresee, and when it is in the way.
TEST_F(CliJournals, LinksAreRenamedAsTheDryRunsOfTidyTagsAndUndoForesee) {
  folder.MakeFile("m/target_song-a.mp3", "a");
  ASSERT_EQ(::symlink("target_song-a.mp3", (folder / "m/link_song-b.mp3").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere.mp3", (folder / "m/gone_song-c.mp3").c_str()), 0);
  folder.MakeFile("m/in_way.mp3", "d");
  ASSERT_EQ(::symlink("nowhere.mp3", (folder / "m/in way.mp3").c_str()), 0);
  const auto before = testing::SnapshotFiles(folder.path());
  const auto [dryTidy, tidy] = DryRunThenReal(folder.path(), {"tidy", "m"});
  EXPECT_EQ(dryTidy.out, tidy.out);
  EXPECT_NE(tidy.out.find("'m/link_song - b.mp3' was renamed to 'm/link song - b.mp3'\n"),
            std::string::npos);
  EXPECT_NE(tidy.out.find("'m/in_way.mp3' could not be renamed to 'm/in way.mp3': File exists"),
            std::string::npos);
  EXPECT_EQ(tidy.status, 1);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "m/Link Song - B.mp3"));
  const auto [dryUndo, undo] = DryRunThenReal(folder.path(), {"undo"});
  EXPECT_EQ(dryUndo.out, undo.out);
  EXPECT_EQ(undo.status, 0);
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);
  EXPECT_EQ(std::filesystem::read_symlink(folder / "m/link_song-b.mp3"), "target_song-a.mp3");

  // Named from its tags, a link gives the tags of its song, whichever is renamed first.
  folder.MakeFile("t/album/01_track.mp3", ID3v1Tag("Song", "Band"));
  ASSERT_EQ(::symlink("../album/01_track.mp3", (folder.MakeFolder("t/best") + "/fav.mp3").c_str()),
            0);
  const auto [dryTags, tags] = DryRunThenReal(folder.path(), {"tags", "t"});
  EXPECT_EQ(dryTags.out, tags.out);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "t/best/Band - Song.mp3")) << tags.out;
}

TEST_F(CliJournals, WithEveryTypeChosenEveryCommandTakesTheAddedTypesForSongs) {
  // The default types first, then the added ones, each in the order `list` prints them.
  const std::vector<std::string> songs = {"x_y.mp3", "x_y.WAV",  "x_y.wma", "x_y.FLAC", "x_y.ogg",
                                          "x_y.oga", "x_y.opus", "x_y.m4a", "x_y.aif",  "x_y.AIFF"};
  std::string classic, all;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    folder.MakeFile("m/" + songs[i], songs[i]);
    all += "m/" + songs[i] + "\n";
    if (i == 2) classic = all;
  }
  folder.MakeFile("m/x_y.opus.txt");
  const auto original = testing::SnapshotFiles(folder / "m");
  EXPECT_EQ(RunCli(folder.path(), {"list", "m"}).out, classic);
  EXPECT_EQ(RunCli(folder.path(), {"list", "--all-types", "m"}).out, all);
  for (const bool chosen : {false, true}) {
    const auto [dryRun, real] =
        DryRunThenReal(folder.path(), chosen ? std::vector<std::string>{"tidy", "--all-types", "m"}
                                             : std::vector<std::string>{"tidy", "m"});
    EXPECT_EQ(dryRun.out, real.out);
    for (std::size_t i = 0; i < songs.size(); ++i)
      EXPECT_EQ(std::filesystem::exists(folder / "m/X Y" + songs[i].substr(3)), chosen || i < 3)
          << songs[i];
    EXPECT_EQ(RunCli(folder.path(), {"undo"}).status, 0);
    EXPECT_EQ(testing::SnapshotFiles(folder / "m"), original);
  }
  folder.MakeFile("config/tunewick/settings", "all-song-types=yes\r\n");
  EXPECT_EQ(RunCli(folder.path(), {"list", "m"}).out, all);
}

// Two runs at once could rename the same songs, and neither could be undone: while one run
// holds the lock, no other renames, recorded or not; a dry run, whose songs are changing
// under it, says the same at once; and history tells which run is under way.
TEST_F(CliJournals, WhileAnotherRunIsUnderWayNothingElseRenamesOrForetells) {
  folder.MakeFile("m/01_song.mp3");
  ASSERT_EQ(RunCli(folder.path(), {"tidy", "m"}).status, 0);
  folder.MakeFile("m/b_c.mp3");
  const std::string line = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  tidy-up  '" + folder.path();
  {
    JournalStore store(RealFileSystem(), JournalFolder());
    RecordedRun otherRun(&store, RealFileSystem(),
                         {RunKind::kTidyup, 1798761600, folder.path(), {}});
    ASSERT_FALSE(otherRun.fileSystem().Rename(folder / "m/b_c.mp3", folder / "m/B C.mp3"));
    const auto underWay = testing::SnapshotFiles(folder.path());
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"undo", "--no-undo"},
                                               {"tidy", "m"},
                                               {"tags", "--no-undo", "m"},
                                               {"undo", "--dry-run"},
                                               {"undo", "--dry-run", "1"},
                                               {"tidy", "--dry-run", "--no-undo", "m"}}) {
      const Outcome refused = RunCli(folder.path(), arguments);
      EXPECT_EQ(refused.status, 2) << arguments[0] << ' ' << arguments[1];
      EXPECT_EQ(refused.err, "tunewick-cli: " + std::string(kAnotherRun) + "\n") << arguments[1];
      EXPECT_EQ(refused.out, "") << arguments[1];
    }
    EXPECT_EQ(testing::SnapshotFiles(folder.path()), underWay);
    const std::string history = RunCli(folder.path(), {"history"}).out;
    EXPECT_TRUE(std::regex_match(history, std::regex(line + "'  3 renames  not undone  1\n" + line +
                                                     "'  1 rename  under way  2\n")))
        << history;
    EXPECT_EQ(otherRun.Finish(), "");
  }
  const std::string history = RunCli(folder.path(), {"history"}).out;
  EXPECT_NE(history.find("  1 rename  not undone  2\n"), std::string::npos) << history;
  EXPECT_EQ(RunCli(folder.path(), {"undo"}).status, 0);
  EXPECT_EQ(RunCli(folder.path(), {"undo"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "m/01_song.mp3"));
  EXPECT_TRUE(std::filesystem::exists(folder / "m/b_c.mp3"));
}

// Whoever wrote a journal, undo renames no more than a run can have: a song within its
// folder, to the name of a song; and it tells of a record that does not hold together,
// past which it trusts nothing. The dry run refuses and tells the same.
TEST_F(CliJournals, UndoRefusesWhatNoRunCanHaveRenamedAndTellsOfDamageAsItsDryRunDoes) {
  for (const char* file : {"m/Song.mp3", "m/notes.txt", "m/sub/Deep.mp3", "home/secret.mp3"})
    folder.MakeFile(file, file);
  folder.MakeFolder("out");
  const std::pair<std::string, std::string> renames[] = {
      {"out/stolen.mp3", "home/secret.mp3"},  // from, to: the file at `to` is the one renamed
      {"m/sub-Deep.mp3", "m/sub/Deep.mp3"},
      {"m/notes.mp3", "m/notes.txt"},
      {"m/Song.txt", "m/Song.mp3"},
      {std::string("m/Song\0.mp3", 11), "m/Song.mp3"},  // "m/Song" to the system
      {"m/Song.mp3", "m/Song.mp3"}};
  const std::string header =
      "Tunewick journal 2\nrun\ttidy-up\t1798761600\t" + folder.path() + "\t\n";
  std::string journal = header, refusals;
  for (const auto& [from, to] : renames) {
    struct stat info {};
    ::stat((folder / to).c_str(), &info);
    journal += "rename\t" + std::to_string(info.st_dev) + "\t" + std::to_string(info.st_ino) +
               "\t0\t" + std::to_string(info.st_size) + "\t0\t1\t0\t" + from + "\t" + to +
               "\ndone\n";
    refusals = "'" + folder / to + "' could not be renamed to '" + folder / from +
               "': the journal holds a rename no Tunewick run makes\n" + refusals;
  }
  const auto before = testing::SnapshotFiles(folder.path());
  for (const std::string& records : {journal, header}) {  // with nothing refused, damage alone
    const bool refused = records != header;
    state.MakeFile("tunewick/20270101-000000.journal", records + "done\nend\t6\n");
    const auto [dryRun, undo] = DryRunThenReal(folder.path(), {"undo"});
    EXPECT_EQ(undo.out, refused ? "The following could not be renamed back\n" + refusals : "");
    EXPECT_EQ(undo.err,
              "tunewick-cli: the journal of the run 20270101-000000 is damaged past its "
              "first " +
                  std::string(refused ? "6" : "0") + " renames: what follows them is not undone\n");
    EXPECT_EQ(undo.status, 1);
    EXPECT_EQ(dryRun.out, undo.out);
    EXPECT_EQ(dryRun.err, undo.err);
    EXPECT_EQ(dryRun.status, 1);
    EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);
  }

  // A run started so deep down that its paths from the root are longer than the system
  // takes: undo cannot reach its song, and says why.
  const std::vector<std::string> deep(15, std::string(250, 'd'));
  const std::string album = std::string(250, 'x') + "/" + std::string(250, 'y');
  std::vector<std::string> folders = deep;
  folders.push_back(std::string(250, 'x'));
  folders.push_back(std::string(250, 'y'));
  MakeDeepFile(folder.path(), folders, "a-b.mp3", "song");
  const struct Remover {  // rm takes deep trees apart a folder at a time
    std::string path;
    ~Remover() { testing::RunProgram({"rm", "-rf", path}); }
  } remover{folder / deep.front()};
  std::string start = folder.path();
  for (const std::string& part : deep) start += "/" + part;
  ASSERT_EQ(RunCli(start, {"tidy", album}).status, 0);
  const auto [dryUndo, undo] = DryRunThenReal(folder.path(), {"undo"});
  EXPECT_EQ(undo.out, "The following could not be renamed back\n'" + start + "/" + album +
                          "/A - B.mp3' could not be renamed to '" + start + "/" + album +
                          "/A - b.mp3': File name too long\n");
  EXPECT_EQ(undo.status, 1);
  EXPECT_EQ(dryUndo.out, undo.out);
}

// A run that a newer version of Tunewick recorded is listed; undo does not pass over it to
// take back an older run, which it does when told to.
TEST_F(CliJournals, ARunOfANewerVersionIsListedAndUndoDoesNotPassOverIt) {
  folder.MakeFile("m/01_a.mp3");
  ASSERT_EQ(RunCli(folder.path(), {"tidy", "m"}).status, 0);
  ASSERT_EQ(Journals(), std::vector<std::string>{"1"});
  state.MakeFile("tunewick/2.journal", "Tunewick journal 99\nwhat that version writes\n");
  const auto tidied = testing::SnapshotFiles(folder.path());
  const std::string when = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ";
  const Outcome history = RunCli(folder.path(), {"history"});
  EXPECT_TRUE(std::regex_match(
      history.out,
      std::regex(when + "tidy-up  '" + folder.path() + "'  3 renames  not undone  1\n" + when +
                 "recorded by a newer version of Tunewick  2\n")))
      << history.out;
  const auto [dryRun, undo] = DryRunThenReal(folder.path(), {"undo"});
  for (const Outcome& refused : {dryRun, undo}) {
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "tunewick-cli: the run 2 was recorded by a newer version of Tunewick: only that "
              "version can undo it\n");
  }
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), tidied);
  EXPECT_EQ(RunCli(folder.path(), {"undo", "1"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "m/01_a.mp3"));
}

// A journal folder that cannot be written keeps runs from starting unless told to go on
// without undo; so does one that is not the user's own, where another user could put a
// journal of their making, and undo does not read it. Their dry runs say the same.
TEST_F(CliJournals, ARunWithoutAJournalOfTheUsersOwnStartsOnlyWithoutUndo) {
  folder.MakeFile("first/01_a.mp3");
  ASSERT_EQ(RunCli(folder.path(), {"tidy", "first"}).status, 0);
  folder.MakeFile("m/01_song.mp3");
  const auto before = testing::SnapshotFiles(folder.path());
  const std::string journals = JournalFolder(), journal = journals + "/1.journal";
  auto expectRefused = [&](const std::string& runReason, const std::string& readReason) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"tidy", "m"},
                                               {"tags", "m"},
                                               {"tidy", "--dry-run", "m"},
                                               {"tags", "--dry-run", "m"},
                                               {"undo"},
                                               {"undo", "--dry-run"},
                                               {"history"}}) {
      const bool reads = arguments[0] == "undo" || arguments[0] == "history";
      const std::string command = arguments[0] + (arguments.size() > 1 ? " " + arguments[1] : "");
      if ((reads ? readReason : runReason).empty()) continue;
      const Outcome refused = RunCli(folder.path(), arguments);
      EXPECT_EQ(refused.status, 2);
      EXPECT_EQ(
          refused.err,
          reads
              ? "tunewick-cli: Tunewick cannot trust the journals of its runs: " + readReason + "\n"
              : "tunewick-cli: Tunewick cannot record this run, so it could not be "
                "undone: " +
                    runReason + " (--no-undo goes on without it)\n")
          << command;
      EXPECT_EQ(refused.out, "") << command;
    }
  };
  ::chmod(journals.c_str(), 0777);
  expectRefused("other users may change \"" + journals + "\"",
                "other users may change \"" + journals + "\"");
  ::chmod(journals.c_str(), 0700);
  ::chmod(journal.c_str(), 0666);
  expectRefused("", "other users may change \"" + journal + "\"");
  ::chmod(journal.c_str(), 0600);
  const TempFolder other;  // another user's, or else the root folder's
  const bool root = ::geteuid() == 0 && ::chown(other.path().c_str(), 65534, 65534) == 0;
  std::filesystem::rename(journals, journals + ".own");
  std::filesystem::create_directory_symlink(root ? other.path() : "/", journals);
  expectRefused("\"" + journals + "\" belongs to another user",
                "\"" + journals + "\" belongs to another user");
  std::filesystem::remove(journals);
  testing::WriteFile(journals, "a file");
  // The reason names the journals' folder.
  auto in = [](const std::string& stateHome, const char* reason) {
    return "\"" + stateHome + "/tunewick\": " + reason;
  };
  expectRefused(in(state.path(), "Not a directory"), "");
  // A folder the run would make: it cannot be made below a file, in a folder the user may
  // not change (root may change any), or on a disk mounted read-only.
  ::setenv("XDG_STATE_HOME", (journals + "/state").c_str(), 1);
  expectRefused(in(journals + "/state", "Not a directory"), "");
  ::setenv("XDG_STATE_HOME", (state / "").c_str(), 1);
  std::filesystem::remove(journals);
  std::filesystem::create_symlink(state / "nowhere", journals);  // a link that leads nowhere
  expectRefused(in(state.path(), "Not a directory"), "");
  const std::string locked = state / "locked";
  std::filesystem::create_directory(locked);
  ::chmod(locked.c_str(), 0500);
  ::setenv("XDG_STATE_HOME", (locked + "/state").c_str(), 1);
  if (::geteuid() != 0) expectRefused(in(locked + "/state", "Permission denied"), "");
  const MountedImage readOnly(MountedImage::Kind::kFat, 1, MountedImage::Access::kReadOnly);
  if (readOnly.unavailable().empty()) {
    ::setenv("XDG_STATE_HOME", readOnly.path().c_str(), 1);
    expectRefused(in(readOnly.path(), "Read-only file system"), "");
  }
  // A disk with no room left, where neither a journal nor its folder can be made.
  const MountedImage full(MountedImage::Kind::kExfat, 4);
  if (full.unavailable().empty()) {
    ::setenv("XDG_STATE_HOME", (full / "state").c_str(), 1);
    const int filler = ::open((full / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const std::string block(4096, 'x');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);
    expectRefused(in(full / "state", "No space left on device"), "");
  }
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);
  const Outcome tidy = RunCli(folder.path(), {"tidy", "--no-undo", "m"});
  EXPECT_EQ(tidy.status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "m/Song.mp3"));
}

// On FAT a rename first makes its new name as an empty file (posix_rename.h): a run killed
// in between leaves it there, its song under the old name and its record without an
// outcome. The next tidy (and its dry run) or undo removes it, and no other file: one whose
// record has an outcome, whose song has left its old name, or that is not empty. A change
// of case killed half-way, its song under a hidden temporary name, is put back.
TEST_F(CliJournals, AnEmptyNewNameThatAKilledRunLeftIsRemovedByTheNextTidyOrUndo) {
  for (const std::string command : {"tidy", "undo"}) {
    SCOPED_TRACE(command);
    MountedImage image(MountedImage::Kind::kFat);
    if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
    const std::string music = image / "m/";
    std::filesystem::create_directory(music);
    std::string journal = HeaderRecords({RunKind::kTidyup, 1, image.path(), ""});
    for (const auto& [from, to] : {std::pair{"02 other.mp3", "Other.mp3"},
                                   {"03 gone.mp3", "Gone.mp3"},
                                   {"04 taken.mp3", "Taken.mp3"},
                                   {"01 song.mp3", "Song.mp3"}}) {
      testing::WriteFile(music + from, from);
      testing::WriteFile(music + to, from[1] == '4' ? "taken" : "");
      AppendRenameRecord(journal, "m/" + std::string(from), "m/" + std::string(to),
                         *RealFileSystem().IdentifyFile(music + from));
    }
    // A change of case cut short: the song under the temporary name it passes through, its
    // new name made empty, and an empty temporary name of another try.
    testing::WriteFile(music + "x one.mp3", "x one.mp3");
    AppendRenameRecord(journal, "m/x one.mp3", "m/X one.mp3",
                       *RealFileSystem().IdentifyFile(music + "x one.mp3"));
    std::filesystem::rename(music + "x one.mp3", music + ".tunewick-0000abcd-00");
    testing::WriteFile(music + "X one.mp3", "");
    testing::WriteFile(music + ".tunewick-0000abcd-01", "");
    // In a folder of its own, a change of case made, then one killed before it began: its
    // song is found under the new spelling, which the folder does not list.
    const std::string other = image / "n/";
    std::filesystem::create_directory(other);
    testing::WriteFile(other + "B two.mp3", "b two.mp3");
    AppendRenameRecord(journal, "n/b two.mp3", "n/B two.mp3",
                       *RealFileSystem().IdentifyFile(other + "B two.mp3"));
    journal += DoneRecord();
    testing::WriteFile(other + "y three.mp3", "y three.mp3");
    AppendRenameRecord(journal, "n/y three.mp3", "n/Y three.mp3",
                       *RealFileSystem().IdentifyFile(other + "y three.mp3"));
    // A song an undo cut short put back by two changes of case of three renames.
    const std::string third = image / "p/";
    std::filesystem::create_directory(third);
    testing::WriteFile(third + "abba - waterloo.mp3", "abba");
    const FileIdentity abba = *RealFileSystem().IdentifyFile(third + "abba - waterloo.mp3");
    for (const auto& [from, to] : {std::pair{"abba-waterloo.mp3", "abba - waterloo.mp3"},
                                   {"abba - waterloo.mp3", "Abba - waterloo.mp3"},
                                   {"Abba - waterloo.mp3", "Abba - Waterloo.mp3"}}) {
      AppendRenameRecord(journal, "p/" + std::string(from), "p/" + std::string(to), abba);
      journal += DoneRecord();
    }
    journal.insert(journal.find("\nrename", journal.find("\nrename") + 1) + 1,
                   FailedRecord("File exists"));  // of the first rename
    std::filesystem::remove(music + "03 gone.mp3");
    const auto [dryRun, run] = AfterTheRun(journal, image.path(), command);
    EXPECT_EQ(dryRun.out, run.out);
    EXPECT_EQ(std::filesystem::exists(music + "Song.mp3"), command == "tidy");
    EXPECT_EQ(ReadFile(music + (command == "tidy" ? "Song.mp3" : "01 song.mp3")), "01 song.mp3");
    EXPECT_EQ(ReadFile(music + "Taken.mp3"), "taken");
    EXPECT_TRUE(std::filesystem::exists(music + "Other.mp3") &&
                std::filesystem::exists(music + "Gone.mp3"));
    EXPECT_EQ(ReadFile(music + (command == "tidy" ? "X One.mp3" : "x one.mp3")), "x one.mp3");
    for (const char* left : {".tunewick-0000abcd-00", ".tunewick-0000abcd-01"})
      EXPECT_FALSE(std::filesystem::exists(music + left)) << left;
    if (command == "undo") {
      EXPECT_NE(run.out.find("/n/b two.mp3'\n"), std::string::npos);
      EXPECT_EQ(ReadFile(third + "abba-waterloo.mp3"), "abba");
    }
  }
}

// Where a file system offers no rename that refuses to replace, a rename links the new
// name to the song, then removes the old one (posix_rename.h): cut short in between, or
// failing at the removal as on a share whose connection was lost, it leaves the song under
// both names, also for a change of case where case counts (NTFS). The next tidy (after a run
// cut short) or undo removes the new name, and as its dry run foresees; another file of the
// same bytes under a new name stays.
TEST_F(CliJournals, ASongARenameLeftUnderTwoNamesKeepsOnlyItsOldOne) {
  for (const std::string command : {"tidy", "undo"}) {
    SCOPED_TRACE(command);
    std::filesystem::remove_all(folder / "m");
    const std::string music = folder.MakeFolder("m") + "/";
    std::string journal = HeaderRecords({RunKind::kTidyup, 1, folder.path(), ""});
    for (const std::string song : {"01 one", "02 two", "03 three"}) {
      testing::WriteFile(music + song + ".mp3", song);
      AppendRenameRecord(journal, "m/" + song + ".mp3", "m/" + song.substr(3) + ".mp3",
                         *RealFileSystem().IdentifyFile(music + song + ".mp3"));
      if (song[1] == '1' && command == "tidy") continue;  // cut short: no outcome
      journal += FailedRecord(song[1] == '3' ? "File exists" : "Input/output error");
    }
    testing::WriteFile(music + "four.mp3", "four");
    AppendRenameRecord(journal, "m/four.mp3", "m/Four.mp3",
                       *RealFileSystem().IdentifyFile(music + "four.mp3"));
    if (command == "undo") journal += FailedRecord("Input/output error");
    ASSERT_EQ(::link((music + "01 one.mp3").c_str(), (music + "one.mp3").c_str()), 0);
    ASSERT_EQ(::link((music + "02 two.mp3").c_str(), (music + "two.mp3").c_str()), 0);
    ASSERT_EQ(::link((music + "four.mp3").c_str(), (music + "Four.mp3").c_str()), 0);
    std::filesystem::copy_file(music + "03 three.mp3", music + "three.mp3");
    if (command == "undo") journal += EndRecord(0);
    const auto [dryRun, run] = AfterTheRun(journal, folder.path(), command);
    EXPECT_EQ(dryRun.out, run.out);
    std::vector<std::string> left;
    for (const auto& [path, bytes] : testing::SnapshotFiles(folder / "m"))
      left.push_back(path.substr(music.size()) + "=" + bytes);
    const std::vector<std::string> tidied = {"03 Three.mp3=03 three", "Four.mp3=four",
                                             "One.mp3=01 one", "Three.mp3=03 three",
                                             "Two.mp3=02 two"};
    const std::vector<std::string> undone = {"01 one.mp3=01 one", "02 two.mp3=02 two",
                                             "03 three.mp3=03 three", "four.mp3=four",
                                             "three.mp3=03 three"};
    EXPECT_EQ(left, command == "tidy" ? tidied : undone) << run.out;

    // A union copies a song of its read-only branch up at the link (unionfs-fuse), stamped
    // to the second, while it may still tell the song's old name with the former time.
    const TempFolder lower;
    const std::string six = lower.MakeFolder("m") + "/06 six.mp3";
    testing::WriteFile(six, "six");
    const timespec stamps[2] = {{1700000000, 123456789}, {1700000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, six.c_str(), stamps, 0), 0);
    const testing::MountedFolder pool(lower.path(), testing::MountedFolder::Kind::kUnionfsFuse);
    if (pool.unavailable().empty()) {
      const std::string pooled = pool.path() + "/m/";
      std::string onPool = HeaderRecords({RunKind::kTidyup, 1, pool.path(), ""});
      AppendRenameRecord(onPool, "m/06 six.mp3", "m/Six.mp3",
                         *RealFileSystem().IdentifyFile(pooled + "06 six.mp3"));
      ASSERT_EQ(::link((pooled + "06 six.mp3").c_str(), (pooled + "Six.mp3").c_str()), 0);
      const auto [dryRunOnPool, runOnPool] = AfterTheRun(onPool, pool.path(), command);
      EXPECT_EQ(dryRunOnPool.out, runOnPool.out);
      EXPECT_EQ(testing::SnapshotFiles(pool.path() + "/m"),
                (std::map<std::string, std::string>{
                    {pooled + (command == "tidy" ? "Six.mp3" : "06 six.mp3"), "six"}}))
          << runOnPool.out;
    }

    // Where case is ignored, a change of case passes a hidden temporary name: a link there
    // cut short leaves the song under it too, and only the temporary name goes.
    const MountedImage image(MountedImage::Kind::kNtfsIgnoringCase);
    if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
    const std::string album = image / "m/";
    std::filesystem::create_directory(album);
    testing::WriteFile(album + "five.mp3", "five");
    std::string onImage = HeaderRecords({RunKind::kTidyup, 1, image.path(), ""});
    AppendRenameRecord(onImage, "m/five.mp3", "m/Five.mp3",
                       *RealFileSystem().IdentifyFile(album + "five.mp3"));
    ASSERT_EQ(::link((album + "five.mp3").c_str(), (album + ".tunewick-0000abcd-00").c_str()), 0);
    const auto [dryRunOnImage, runOnImage] = AfterTheRun(onImage, image.path(), command);
    EXPECT_EQ(dryRunOnImage.out, runOnImage.out);
    EXPECT_EQ(testing::SnapshotFiles(image / "m"),
              (std::map<std::string, std::string>{{album + "five.mp3", "five"}}))
        << runOnImage.out;
  }
}

TEST_F(CliJournals, KilledOrInterruptedAtAnyPointOfALargeTidyTheUndoGivesTheOriginalTreeBack) {
  testing::MakeMessyLibrary(folder, "lib", 2500, 2026);
  const auto original = testing::SnapshotFiles(folder / "lib");
  const std::string err = state / "err";
  // Runs tunewick-cli with `arguments`, its standard error into `err`, and sends it `signal`
  // once its journal holds `renames` renames (as late as the run goes).
  auto signalAt = [&](std::vector<const char*> argv, int signal, std::size_t renames) {
    argv.insert(argv.begin(), Cli());
    argv.push_back(nullptr);
    const std::size_t journalsBefore = Journals().size();
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(::creat(err.c_str(), 0600), STDERR_FILENO);
      ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
      if (::chdir(folder.path().c_str()) == 0) ::execv(Cli(), const_cast<char**>(argv.data()));
      ::_exit(127);
    }
    bool sent = false;
    for (int wait = 0; wait < 20000 && !sent; ++wait) {
      int status = 0;
      if (::waitpid(child, &status, WNOHANG) == child) break;  // ended by itself
      const std::vector<std::string> journals = Journals();
      if (journals.size() > journalsBefore) {
        const std::string text = ReadFile(JournalFolder() + "/" + journals.back() + ".journal");
        std::size_t made = 0;
        for (std::size_t at = 0; (at = text.find("\nrename\t", at)) != std::string::npos; ++at)
          ++made;
        if (made >= renames) sent = ::kill(child, signal) == 0;
      }
      ::usleep(1000);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(sent && WIFSIGNALED(status) && WTERMSIG(status) == signal)
        << "the run ended before " << renames << " renames";
    return ReadFile(err);
  };
  for (const auto& [signal, at] :
       {std::pair{SIGKILL, 1u}, std::pair{SIGINT, 400u}, std::pair{SIGTERM, 1500u}}) {
    SCOPED_TRACE("signal " + std::to_string(signal) + " at " + std::to_string(at));
    const std::string said = signalAt({"tidy", "lib"}, signal, at);
    // Killed as its first record appears, a run may not have made that rename yet.
    if (signal != SIGKILL) {
      EXPECT_NE(testing::SnapshotFiles(folder / "lib"), original);
    }
    const Outcome undo = RunCli(folder.path(), {"undo"});
    EXPECT_EQ(undo.status, 0) << undo.out;
    ASSERT_EQ(testing::SnapshotFiles(folder / "lib"), original);
    // Interrupted, a run stops between two renames and says how many it made: as many as
    // undo puts back.
    const auto putBack = std::count(undo.out.begin(), undo.out.end(), '\n');
    EXPECT_EQ(said, signal == SIGKILL
                        ? ""
                        : "tunewick-cli: interrupted after " + std::to_string(putBack) +
                              " renames; \"tunewick-cli undo\" takes them back\n");
  }
  // An undo interrupted in turn says how to put back the rest.
  RunCli(folder.path(), {"tidy", "lib"});  // some renames refused, as in any messy library
  const std::string tidy = Journals().back();
  const std::string said = signalAt({"undo"}, SIGTERM, 100);
  EXPECT_TRUE(std::regex_match(said, std::regex("tunewick-cli: interrupted after [0-9]+ renames "
                                                "back; \"tunewick-cli undo " +
                                                tidy + "\" puts back the rest\n")))
      << said;
}

TEST(Cli, ListPrintsTheIncorrectlyNamedSongsOfTheLibraryFileHereElseInTheConfigFolder) {
  TempFolder folder;
  folder.MakeFile("one/Artist - Song.mp3");
  folder.MakeFile("one/Artist_Song.mp3");
  folder.MakeFile("two/A - B - C.WAV");
  folder.MakeFile("two/odd\nname.wma");
  // Sets a terminal's title, then DEL and a C1 control character (CSI), in UTF-8 and as a
  // byte of its own, beside a character one of whose bytes is 0x82.
  const std::string escaping = "two/odd\x1b]0;Title\x07 \x7f\xc2\x9bK \x9b\xe2\x82\xac.wma";
  folder.MakeFile(escaping);
  // CR LF line ends and an empty line, as the desktop program writes and reads them.
  folder.MakeFile("searchfolders", folder / "one" + "\r\n\r\n" + folder / "two" + "\r\n");
  const Outcome outcome = RunCli(folder.path(), {"list"});
  const std::string listed = folder / "one/Artist_Song.mp3" + "\n" + folder / "two/A - B - C.WAV" +
                             "\n" + folder / "two/odd\nname.wma" + "\n";
  EXPECT_EQ(outcome.out, listed + folder / escaping + "\n");  // byte for byte
  EXPECT_EQ(outcome.status, 0);
  // A terminal is shown the control characters, never given them.
  EXPECT_EQ(RunCliOnTerminal(folder.path(), {"list"}).out,
            listed + folder / "two/odd\\x1B]0;Title\\x07 \\x7F\\u009BK \\x9B\xe2\x82\xac.wma\n");
  EXPECT_EQ(RunCliOnTerminal(folder.path(), {"list", "no\x1b[2Jsuch"}).out,
            "tunewick-cli: no such folder: no\\x1B[2Jsuch\n");
  EXPECT_EQ(ReadFile(folder / "searchfolders"),
            folder / "one" + "\r\n\r\n" + folder / "two" + "\r\n");  // never rewritten

  // The current folder's library file comes first; without one, the configuration
  // folder's is read. The help names the one it reads.
  folder.MakeFile("config/tunewick/searchfolders", folder / "two" + "\r\n");
  EXPECT_NE(RunCli(folder.path(), {"--help"}).out.find("\n  ./searchfolders\n"), std::string::npos);
  EXPECT_EQ(RunCli(folder.path(), {"list"}).out, outcome.out);
  std::filesystem::remove(folder / "searchfolders");
  const std::string config = folder / "config/tunewick/searchfolders";
  EXPECT_NE(RunCli(folder.path(), {"--help"}).out.find("\n  " + config + "\n"), std::string::npos);
  EXPECT_EQ(RunCli(folder.path(), {"list"}).out, folder / "two/A - B - C.WAV" + "\n" +
                                                     folder / "two/odd\nname.wma" + "\n" +
                                                     folder / escaping + "\n");
}

TEST(Cli, TagsNamesTheListedSongsFromTheirTagsAndADryRunForeseesIt) {
  TempFolder folder;
  folder.MakeFile("m/01_track.mp3", ID3v1Tag("B", "A"));
  folder.MakeFile("m/02_track.mp3", "2" + ID3v1Tag("B", "A"));      // the same name: refused
  folder.MakeFile("m/03_track.wav", ID3v1Tag("Song", "AC/DC"));     // no usable artist
  folder.MakeFile("m/04_track.wma", std::string(200, 'x'));         // no tag
  folder.MakeFile("m/Good - Name.mp3", ID3v1Tag("Other", "Tag"));   // named correctly already
  folder.MakeFile("m/sub/deep.mp3", ID3v1Tag("Deep", "Bj\xf6rk"));  // renamed where it is
  folder.MakeFile("m/no title.mp3", ID3v1Tag("", "Artist"));
  folder.MakeFile("m/control.mp3", ID3v1Tag("Line\nBreak", "Artist"));
  folder.MakeFile("m/control too.mp3", ID3v1Tag("Title", "Tab\tArtist"));
  folder.MakeFile("m/c1 control.mp3", ID3v1Tag("Caf\x85", "Artist"));  // a C1 control in UTF-8
  // Modern tags, each field else from ID3v1; a name that is not UTF-8.
  const std::string chunk = ID3v2Tag(3, {{"TPE1", "Chunk"}});
  folder.MakeFile("m/05_track.wma", testing::AsfSong("Wma Title", "", "Album Artist"));
  folder.MakeFile("m/08_track.wma", testing::AsfSong("T", "AC/DC"));  // no usable artist
  folder.MakeFile("m/06_track.WAV", testing::WavSong("Wav Title", "Info", chunk));
  folder.MakeFile("m/07_track.mp3", ID3v2Tag(4, {{"TIT2", kLongTitle}}) + ID3v1Tag("Cut", "Old"));
  folder.MakeFile("m/\xff.mp3", ID3v2Tag(2, {{"TT2", "T", testing::ID3v2Encoding::kUtf16}}) +
                                    ID3v1Tag("", "\xc6"));
  // The added types, and UTF-8 in an ID3v1 tag, as ffmpeg writes it.
  folder.MakeFile("m/09_track.m4a", testing::M4aSong({{"\251nam", "M4A"}, {"aART", "Band"}}));
  folder.MakeFile("m/10_track.flac",
                  testing::FlacSong({"TITLE=Flac"}) + ID3v1Tag("Caf\xc3\xa9", "Mot\xc3\xb6rhead"));

  // What the tags hold and where from, as --show tells it first.
  const std::string shown = RunCli(folder.path(), {"tags", "--show", "--all-types", "m"}).out;
  for (const std::string line :
       {"m/c1 control.mp3\n  title:  \"Caf\\u0085\" from ID3v1 (holds a control character)\n",
        "m/03_track.wav\n  title:  \"Song\" from ID3v1\n"
        "  artist: \"AC/DC\" from ID3v1 (holds one of \\ / : * ? \" < > |)\n",
        "m/10_track.flac\n  title:  \"Flac\" from Xiph comment\n"
        "  artist: \"Mot\xc3\xb6rhead\" from ID3v1, read as UTF-8\n",
        "m/09_track.m4a\n  title:  \"M4A\" from MP4\n  artist: \"Band\" as album artist from MP4\n",
        "m/control.mp3\n  title:  \"Line\\x0ABreak\" from ID3v1 (holds a control character)\n",
        "m/08_track.wma\n  title:  \"T\" from ASF\n"
        "  artist: \"AC/DC\" from ASF (holds one of \\ / : * ? \" < > |)\n",
        "m/04_track.wma\n  title:  none\n  artist: none\n",
        "m/07_track.mp3\n  title:  \"A Title Longer Than ID3v1 Can Hold\" from ID3v2.4\n"
        "  artist: \"Old\" from ID3v1\n",
        "m/06_track.WAV\n  title:  \"Wav Title\" from RIFF INFO\n  artist: \"Chunk\" from "
        "ID3v2.3\n",
        "m/05_track.wma\n  title:  \"Wma Title\" from ASF\n"
        "  artist: \"Album Artist\" as album artist from ASF\n"})
    EXPECT_NE(shown.find(line), std::string::npos) << line << shown;

  const auto [dryRun, real] = DryRunThenReal(folder.path(), {"tags", "--all-types", "m"});
  EXPECT_EQ(real.out,
            "'m/01_track.mp3' was renamed to 'm/A - B.mp3'\n"
            "'m/07_track.mp3' was renamed to 'm/Old - A Title Longer Than ID3v1 Can Hold.mp3'\n"
            "'m/\xff.mp3' was renamed to 'm/\xc3\x86 - T.mp3'\n"
            "'m/sub/deep.mp3' was renamed to 'm/sub/Bj\xc3\xb6rk - Deep.mp3'\n"
            "'m/06_track.WAV' was renamed to 'm/Chunk - Wav Title.WAV'\n"
            "'m/05_track.wma' was renamed to 'm/Album Artist - Wma Title.wma'\n"
            "'m/10_track.flac' was renamed to 'm/Mot\xc3\xb6rhead - Flac.flac'\n"
            "'m/09_track.m4a' was renamed to 'm/Band - M4A.m4a'\n"
            "\n"
            "The following could not be renamed\n"
            "'m/02_track.mp3' could not be renamed to 'm/A - B.mp3': File exists\n");
  EXPECT_EQ(real.status, 1);
  EXPECT_EQ(dryRun.out, real.out);
  EXPECT_EQ(dryRun.status, real.status);
  EXPECT_EQ(ReadFile(folder / "m/A - B.mp3"), ID3v1Tag("B", "A"));

  // A folder listed twice: by its second listing a song named from its tags has taken the
  // path of another, which is no refusal.
  folder.MakeFile("twice/a.mp3", ID3v1Tag("Song", "Jay-Z"));
  folder.MakeFile("twice/Jay-Z - Song.mp3", ID3v1Tag("Thing", "Other"));
  const auto [dryTwice, twice] = DryRunThenReal(folder.path(), {"tags", "twice", "twice"});
  EXPECT_EQ(twice.out,
            "'twice/Jay-Z - Song.mp3' was renamed to 'twice/Other - Thing.mp3'\n"
            "'twice/a.mp3' was renamed to 'twice/Jay-Z - Song.mp3'\n");
  EXPECT_EQ(twice.status, 0);
  EXPECT_EQ(dryTwice.out, twice.out);
  EXPECT_EQ(ReadFile(folder / "twice/Jay-Z - Song.mp3"), ID3v1Tag("Song", "Jay-Z"));
}

// A closed standard output is no place for a file the program opens either: a journal
// there would take in the report and could not be undone.
TEST_F(CliJournals, OutputThatCannotBeWrittenIsReportedWithItsOwnStatusAfterTheWorkIsDone) {
  folder.MakeFile("m/a_b - c.mp3");
  folder.MakeFile("m/odd.mp3", ID3v1Tag("Title", "Artist"));  // for the list and the tags
  const auto original = testing::SnapshotFiles(folder / "m");
  for (const auto& [output, reason] :
       {std::pair{"/dev/full", "No space left on device"},
        std::pair{kClosed, "Bad file descriptor"}, std::pair{kNobodyReads, "Broken pipe"}}) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"tidy", "m"}, {"tags", "m"}, {"list", "m"}, {"--help"}}) {
      SCOPED_TRACE(arguments[0] + " into " + (output == kClosed ? "nothing" : output));
      const bool renames = arguments[0] == "tidy" || arguments[0] == "tags";
      const Outcome outcome = RunCli(folder.path(), arguments, output);
      if (output == kNobodyReads && !renames) {  // as `head` expects: a quiet end
        EXPECT_EQ(outcome.status, 128 + SIGPIPE);
        EXPECT_EQ(outcome.err, "");
        continue;
      }
      EXPECT_EQ(outcome.status, 3);
      EXPECT_EQ(outcome.err,
                "tunewick-cli: the output could not be written: " + std::string(reason) + "\n");
      if (renames) {
        EXPECT_NE(testing::SnapshotFiles(folder / "m"), original) << "nothing was renamed";
        EXPECT_EQ(RunCli(folder.path(), {"undo"}).status, 0);
        EXPECT_EQ(testing::SnapshotFiles(folder / "m"), original);
      }
    }
  }
}

// A folder that cannot be read is skipped as ever, but said so once, with the system's reason,
// however often the tidy-up scans. A library line holding a NUL byte names no folder at all.
TEST(Cli, FoldersThatCannotBeReadAreNamedOnceAndANulLineNamesNoFolder) {
  TempFolder folder;
  folder.MakeFile("m/a_b - c.mp3");
  folder.MakeFile("m/locked/x - y.mp3");
  folder.MakeFile("m/z/d_e - f.mp3");  // found after the folder that cannot be read
  ::chmod((folder / "m/locked").c_str(), 0);
  const std::string tooLong = folder / std::string(300, 'x');
  folder.MakeFile("searchfolders", folder / "m" + std::string("\0/other\r\n", 9) + folder / "m" +
                                       "\r\n" + tooLong + "\r\n");
  const Outcome outcome = RunCli(folder.path(), {"tidy"});
  std::string warnings;
  if (::geteuid() != 0)  // root reads every folder
    warnings = "tunewick-cli: skipped folder " + folder / "m/locked" + ": Permission denied\n";
  EXPECT_EQ(outcome.err,
            warnings + "tunewick-cli: skipped folder " + tooLong + ": File name too long\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out.find("could not be renamed"), std::string::npos) << outcome.out;
  for (const char* tidied : {"m/A B - C.mp3", "m/z/D E - F.mp3"})
    EXPECT_TRUE(std::filesystem::exists(folder / tidied)) << tidied;
}

TEST(Cli, AMissingLibraryOrAWrongCommandLineIsAUsageError) {
  TempFolder folder;
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"tidy"},
                                             {"list"},
                                             {"tidy", "no such folder"},
                                             {},
                                             {"sort"},
                                             {"tidy", "--fast"},
                                             {"tidy", "--show"},
                                             {"tags", "--show", "--dry-run"},
                                             {"list", "--dry-run"}}) {
    const Outcome outcome = RunCli(folder.path(), arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
  // The help, also after a command, but not after "--".
  const std::string help = RunCli(folder.path(), {"--help"}).out;
  EXPECT_EQ(RunCli(folder.path(), {"list", "--help"}).out, help);
  EXPECT_EQ(RunCli(folder.path(), {"tidy", "-h"}).status, 0);
  EXPECT_EQ(RunCli(folder.path(), {"tidy", "--", "--help"}).status, 2);

  // A folder where the library file should be is named as such.
  std::filesystem::create_directory(folder / "searchfolders");
  EXPECT_EQ(
      RunCli(folder.path(), {"list"}).err,
      "tunewick-cli: no library: ./searchfolders is a folder, not a list of library folders\n");
  std::filesystem::remove(folder / "searchfolders");

  // A library file that cannot be read, even by root.
  ASSERT_EQ(::mkfifo((folder / "searchfolders").c_str(), 0600), 0);
  const Outcome unreadable = RunCli(folder.path(), {"list"});
  EXPECT_EQ(unreadable.status, 2);
  EXPECT_EQ(unreadable.err,
            "tunewick-cli: Cannot open file \"searchfolders\". It is not a regular file\n");
}

}  // namespace
}  // namespace tunewick
