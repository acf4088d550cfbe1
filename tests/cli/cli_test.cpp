// tunewick-cli, run as its own process on real temporary libraries.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs tunewick-cli with `arguments` in `folder`, capturing both of its outputs.
Outcome RunCli(const std::string& folder, const std::vector<std::string>& arguments) {
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::close(out[0]), ::close(err[0]), ::close(out[1]), ::close(err[1]);
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv{const_cast<char*>(TUNEWICK_CLI)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(TUNEWICK_CLI, argv.data());
    ::_exit(127);
  }
  ::close(out[1]), ::close(err[1]);
  Outcome outcome;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&outcome.out, &outcome.err};
  int open = 2;
  while (open > 0 && ::poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[65536];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// Runs tunewick-cli in `folder` on a terminal of its own; returns all it wrote there.
std::string RunCliOnTerminal(const std::string& folder, const std::vector<std::string>& arguments) {
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv{const_cast<char*>(TUNEWICK_CLI)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(TUNEWICK_CLI, argv.data());
    ::_exit(127);
  }
  std::string written;
  char buffer[4096];
  for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;)
    written.append(buffer, static_cast<std::size_t>(got));
  ::close(terminal);
  ::waitpid(child, nullptr, 0);
  return written;
}

constexpr const char* kZeroCounters =
    "0 Prefixes Removed\n"
    "0 Underscores Replaced with spaces\n"
    "0 Bracketted Numbers removed\n"
    "0 Songs had words capitalized in them\n"
    "0 Songs had spaces before and after the dash fixed\n";

TEST(Cli, TidyPrintsTheChangedFilesListAndTheCountersByteForByte) {
  TempFolder folder;
  folder.MakeFile("m/01_artist-song (1).mp3");
  folder.MakeFile("m/02 Intro.mp3");
  folder.MakeFile("m/03 Intro.mp3");
  folder.MakeFile("m/sub/caf\xe9 - ok.wav");
  const Outcome outcome = RunCli(folder.path(), {"tidy", "m"});
  EXPECT_EQ(outcome.out,
            "The following had spaces around the middle dash fixed\n"
            "'m/01_artist-song (1).mp3' was renamed to 'm/01_artist - song (1).mp3'\n"
            "\n"
            "The following had underscores replaced with spaces\n"
            "'m/01_artist - song (1).mp3' was renamed to 'm/01 artist - song (1).mp3'\n"
            "\n"
            "The following had words capitalized\n"
            "m/sub/caf\xe9 - ok.wav was renamed to m/sub/Caf\xe9 - ok.wav\n"
            "m/01 artist - song (1).mp3 was renamed to m/01 Artist - Song (1).mp3\n"
            "m/sub/Caf\xe9 - ok.wav was renamed to m/sub/Caf\xe9 - Ok.wav\n"
            "\n"
            "The following had bracketted numbers removed\n"
            "'m/01 Artist - Song (1).mp3' was renamed to 'm/01 Artist - Song .mp3'\n"
            "\n"
            "The following had prefixes removed\n"
            "'m/01 Artist - Song .mp3' was renamed to 'm/Artist - Song .mp3'\n"
            "'m/02 Intro.mp3' was renamed to 'm/Intro.mp3'\n"
            "\n"
            "The following could not be renamed\n"
            "'m/03 Intro.mp3' could not be renamed to 'm/Intro.mp3': File exists\n"
            "\n"
            "2 Prefixes Removed\n"
            "1 Underscores Replaced with spaces\n"
            "1 Bracketted Numbers removed\n"
            "3 Songs had words capitalized in them\n"
            "1 Songs had spaces before and after the dash fixed\n");
  EXPECT_EQ(outcome.err, "");  // no progress when standard error is not a terminal
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(std::filesystem::exists(folder / "m/Artist - Song .mp3"));
  EXPECT_TRUE(std::filesystem::exists(folder / "m/03 Intro.mp3"));

  // Everything that is left is already tidy: a second run renames nothing and succeeds.
  std::filesystem::remove(folder / "m/03 Intro.mp3");
  const Outcome again = RunCli(folder.path(), {"tidy", "m"});
  EXPECT_EQ(again.out, kZeroCounters);
  EXPECT_EQ(again.status, 0);
}

TEST(Cli, DryRunPrintsWhatTheRealRunDoesAndTouchesNothing) {
  TempFolder folder;
  testing::MakeMessyLibrary(folder, "lib", 300, 6122026);
  folder.MakeFile("searchfolders", folder / "lib" + "\r\n\r\n" + folder / "lib/a" + "\r\n");

  const auto before = testing::SnapshotFiles(folder.path());
  const Outcome dryRun = RunCli(folder.path(), {"tidy", "--dry-run"});
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);
  const Outcome real = RunCli(folder.path(), {"tidy"});
  EXPECT_EQ(dryRun.out, real.out);
  EXPECT_EQ(dryRun.status, real.status);
  EXPECT_NE(testing::SnapshotFiles(folder.path()), before);
  EXPECT_GT(std::count(real.out.begin(), real.out.end(), '\n'), 100);
}

TEST(Cli, ListPrintsTheIncorrectlyNamedSongsOfTheLibraryFile) {
  TempFolder folder;
  folder.MakeFile("one/Artist - Song.mp3");
  folder.MakeFile("one/Artist_Song.mp3");
  folder.MakeFile("two/A - B - C.WAV");
  folder.MakeFile("two/odd\nname.wma");
  // CR LF line ends and an empty line, as the desktop program writes and reads them.
  folder.MakeFile("searchfolders", folder / "one" + "\r\n\r\n" + folder / "two" + "\r\n");
  const Outcome outcome = RunCli(folder.path(), {"list"});
  EXPECT_EQ(outcome.out, folder / "one/Artist_Song.mp3" + "\n" + folder / "two/A - B - C.WAV" +
                             "\n" + folder / "two/odd\nname.wma" + "\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(ReadFile(folder / "searchfolders"),
            folder / "one" + "\r\n\r\n" + folder / "two" + "\r\n");  // never rewritten
}

TEST(Cli, ALongRunShowsItsProgressOnATerminal) {
  TempFolder folder;
  testing::MakeMessyLibrary(folder, "lib", 50, 7);
  const std::string shown = RunCliOnTerminal(folder.path(), {"tidy", "--dry-run", "lib"});
  EXPECT_NE(shown.find("Spacing dashes: "), std::string::npos) << shown;
  EXPECT_NE(shown.find("Removing prefixes: "), std::string::npos) << shown;
  EXPECT_NE(shown.find(" Prefixes Removed"), std::string::npos);
}

// Song content ending in an ID3v1 tag with this title and artist.
std::string Tagged(const std::string& title, const std::string& artist) {
  std::string tag = "TAG" + title;
  tag.resize(33, '\0');
  tag += artist;
  tag.resize(128, '\0');
  return std::string(300, 'm') + tag;
}

TEST(Cli, TagsNamesTheListedSongsFromTheirTagsAndADryRunForeseesIt) {
  TempFolder folder;
  folder.MakeFile("m/01_track.mp3", Tagged("B", "A"));
  folder.MakeFile("m/02_track.mp3", Tagged("B", "A"));  // the same name: refused
  folder.MakeFile("m/03_track.wav", Tagged("Song", "AC/DC"));  // no usable artist
  folder.MakeFile("m/04_track.wma", std::string(200, 'x'));  // no tag
  folder.MakeFile("m/Good - Name.mp3", Tagged("Other", "Tag"));  // named correctly already

  const auto before = testing::SnapshotFiles(folder.path());
  const Outcome dryRun = RunCli(folder.path(), {"tags", "--dry-run", "m"});
  EXPECT_EQ(testing::SnapshotFiles(folder.path()), before);
  const Outcome real = RunCli(folder.path(), {"tags", "m"});
  EXPECT_EQ(real.out,
            "'m/01_track.mp3' was renamed to 'm/A - B.mp3'\n"
            "\n"
            "The following could not be renamed\n"
            "'m/02_track.mp3' could not be renamed to 'm/A - B.mp3': File exists\n");
  EXPECT_EQ(real.status, 1);
  EXPECT_EQ(dryRun.out, real.out);
  EXPECT_EQ(dryRun.status, real.status);
  EXPECT_EQ(ReadFile(folder / "m/A - B.mp3"), Tagged("B", "A"));
  EXPECT_TRUE(std::filesystem::exists(folder / "m/02_track.mp3"));
  EXPECT_TRUE(std::filesystem::exists(folder / "m/03_track.wav"));
  EXPECT_TRUE(std::filesystem::exists(folder / "m/Good - Name.mp3"));

  const Outcome nothingLeft = RunCli(folder.path(), {"tags", "m"});
  EXPECT_EQ(nothingLeft.status, 1);  // the same song is still refused
}

TEST(Cli, AnEmptyLibraryPrintsOnlyZeroCounters) {
  TempFolder folder;
  folder.MakeFolder("empty");
  const Outcome outcome = RunCli(folder.path(), {"tidy", "empty"});
  EXPECT_EQ(outcome.out, kZeroCounters);
  EXPECT_EQ(outcome.status, 0);
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
                                             {"list", "--dry-run"}}) {
    const Outcome outcome = RunCli(folder.path(), arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
  const Outcome help = RunCli(folder.path(), {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: tunewick-cli"), std::string::npos);
  const Outcome version = RunCli(folder.path(), {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tunewick-cli ", 0), 0u);
}

}  // namespace
}  // namespace tunewick
