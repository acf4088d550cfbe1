// share_bench: tunewick-cli on a network share, as tunewick-latencyfs shows one (a FUSE
// pass-through that waits a fixed time in every call that would cross the network),
// against the least the same work costs there.
//
//   share_bench [--songs N] [--folders N] [--seed N] [--repeat N] [--latency MICROSECONDS]
//
// A library is generated on the ordinary disk and shown through the pass-through, at 1 ms
// and then 5 ms a call (or at --latency alone). First `tunewick-cli list` and `fdfind -u -t f
// -e mp3 -e wav -e wma` read it, taking turns. Then, in --repeat rounds on fresh copies,
// `tunewick-cli tidy` (with its journal) tidies a copy and `tunewick-cli undo` takes it
// back (the tree must come back), and the floor makes the very renames the journal holds
// on another fresh copy, eight folders at a time, each folder's in their order: the least a
// tidy-up or an undo of them could cost there. The tidy-up and the floor take turns at
// going first. Needs root and /dev/fuse; mounts and unmounts the pass-through itself, also
// when a check fails or the benchmark is interrupted.
//
// Goals: the tidy-up at most 2 times the floor at both latencies, the undo at most 2 times
// the floor at 1 ms; the scan faster than fdfind (medians of the rounds).

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_tools.h"
#include "catalogue/song_path.h"
#include "journal/journal_store.h"
#include "support/library_generator.h"
#include "support/temp_folder.h"

namespace tunewick::bench {
namespace {

constexpr double kTargetRatio = 2.0;
constexpr std::size_t kFloorFolders = 8;

std::string ProgramBeside(const char* self, const char* name) {
  return (std::filesystem::absolute(self).parent_path() / name).string();
}

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

// The mount point of the pass-through that runs, for a signal to take it away.
char activeMount[4096];

void UnmountAndEnd(int signal) {
  if (activeMount[0]) ::umount2(activeMount, MNT_DETACH);
  ::_exit(128 + signal);
}

// The pass-through over `folder` at `mountPoint`, from construction to destruction.
class LatencyMount {
 public:
  LatencyMount(const std::string& program, const std::string& folder, std::string mountPoint,
               long microseconds)
      : mountPoint_(std::move(mountPoint)) {
    std::filesystem::create_directories(mountPoint_);
    struct stat outside;
    ::stat(mountPoint_.c_str(), &outside);
    child_ = ::fork();
    if (child_ == 0) {
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDOUT_FILENO);
      const std::string delay = std::to_string(microseconds);
      ::execl(program.c_str(), program.c_str(), folder.c_str(), mountPoint_.c_str(), delay.c_str(),
              "-o", "max_threads=32", nullptr);
      ::_exit(127);
    }
    std::snprintf(activeMount, sizeof activeMount, "%s", mountPoint_.c_str());
    for (int wait = 0; wait < 1000; ++wait) {
      struct stat inside;
      if (::stat(mountPoint_.c_str(), &inside) == 0 && inside.st_dev != outside.st_dev) return;
      int status = 0;
      if (::waitpid(child_, &status, WNOHANG) == child_) {
        child_ = -1;
        break;
      }
      ::usleep(10000);
    }
    Stop();
    throw std::runtime_error("tunewick-latencyfs did not mount " + mountPoint_);
  }
  ~LatencyMount() { Stop(); }
  LatencyMount(const LatencyMount&) = delete;
  LatencyMount& operator=(const LatencyMount&) = delete;

 private:
  void Stop() {
    if (::umount2(mountPoint_.c_str(), 0) != 0) ::umount2(mountPoint_.c_str(), MNT_DETACH);
    activeMount[0] = '\0';
    if (child_ <= 0) return;
    for (int wait = 0; wait < 500; ++wait) {
      int status = 0;
      if (::waitpid(child_, &status, WNOHANG) == child_) return;
      ::usleep(10000);
    }
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }

  std::string mountPoint_;
  pid_t child_ = -1;
};

struct Rename {
  std::string from, to;
};

// The renames a run made, in order, from its journal.
std::vector<Rename> RenamesOfLastRun(const std::string& stateHome) {
  JournalStore store(RealFileSystem(), stateHome + "/tunewick");
  const std::vector<RunSummary> history = store.History();
  if (history.empty()) throw std::runtime_error("the tidy-up left no journal");
  const std::optional<Journal> journal = store.Read(history.back().name);
  if (!journal) throw std::runtime_error("the tidy-up's journal cannot be read");
  std::vector<Rename> renames;
  for (const JournalEntry& entry : journal->entries)
    if (entry.outcome == JournalEntry::Outcome::kDone) renames.push_back({entry.from, entry.to});
  return renames;
}

// The floor: `renames` made kFloorFolders folders at a time, each folder's in order, by
// renameat2 without replacing. Returns the milliseconds; throws when one fails.
double TimeFloor(const std::vector<Rename>& renames) {
  std::map<std::string_view, std::vector<const Rename*>> byFolder;
  for (const Rename& rename : renames) byFolder[FolderOf(rename.from)].push_back(&rename);
  std::vector<const std::vector<const Rename*>*> folders;
  for (const auto& [folder, list] : byFolder) folders.push_back(&list);
  std::atomic<std::size_t> next = 0;
  std::atomic<bool> failed = false;
  Stopwatch clock;
  {
    std::vector<std::jthread> threads;
    for (std::size_t t = 0; t < kFloorFolders; ++t)
      threads.emplace_back([&] {
        for (std::size_t f; (f = next++) < folders.size();)
          for (const Rename* rename : *folders[f])
            if (::syscall(SYS_renameat2, AT_FDCWD, rename->from.c_str(), AT_FDCWD,
                          rename->to.c_str(), RENAME_NOREPLACE) != 0)
              failed = true;
      });
  }
  const double elapsed = clock.Milliseconds();
  if (failed) throw std::runtime_error("a rename of the floor failed");
  return elapsed;
}

// The library's files, by path below `root`.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (auto& [path, content] : testing::SnapshotFiles(root))
    tree[path.substr(root.size())] = std::move(content);
  return tree;
}

// Everything measured at one latency; false when a check failed.
bool RunAt(const char* self, const BenchOptions& options, long microseconds) {
  const std::string cli = ProgramBeside(self, "../cli/tunewick-cli");
  const testing::TempFolder disk, state, prints;
  const std::string original = disk / "original", copy = disk / "copy";
  testing::GenerateLibrary({.root = original,
                            .songs = options.songs,
                            .folders = options.folders,
                            .incorrectShare = options.incorrectShare,
                            .seed = options.seed});
  const auto originalTree = Tree(original);
  ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);  // journals of their own
  const double loadBefore = LoadAverage();
  const LatencyMount mount(ProgramBeside(self, "tunewick-latencyfs"), disk.path(), prints / "share",
                           microseconds);
  const std::string share = prints / "share";

  std::vector<double> listTimes, fdfindTimes;
  for (int round = 0; round < options.repeat; ++round) {
    auto list = [&] { listTimes.push_back(TimeProgram({cli, "list", share + "/original"})); };
    auto fdfind = [&] {
      fdfindTimes.push_back(TimeProgram({"fdfind", "-u", "-t", "f", "-e", "mp3", "-e", "wav", "-e",
                                         "wma", ".", share + "/original"}));
    };
    if (round % 2) {
      list();
      fdfind();
    } else {
      fdfind();
      list();
    }
  }

  std::vector<double> tidyTimes, undoTimes, floorTimes;
  std::vector<Rename> renames;
  bool treeBack = true;
  for (int round = 0; round < options.repeat; ++round) {
    auto tidyAndUndo = [&] {
      TimeProgram({"cp", "-a", original, copy});
      tidyTimes.push_back(TimeProgram({cli, "tidy", share + "/copy"}, "/dev/null", {0, 1}));
      if (renames.empty()) renames = RenamesOfLastRun(state.path());
      undoTimes.push_back(TimeProgram({cli, "undo"}, "/dev/null", {0, 1}));
      treeBack = treeBack && Tree(copy) == originalTree;
      std::filesystem::remove_all(copy);
    };
    auto floor = [&] {
      TimeProgram({"cp", "-a", original, copy});
      floorTimes.push_back(TimeFloor(renames));
      std::filesystem::remove_all(copy);
    };
    if (round % 2 == 0 || renames.empty()) {
      tidyAndUndo();
      floor();
    } else {
      floor();
      tidyAndUndo();
    }
    std::printf("%ld us round %d: tidy %.0f ms, undo %.0f ms, floor %.0f ms\n", microseconds,
                round + 1, tidyTimes.back(), undoTimes.back(), floorTimes.back());
    std::fflush(stdout);
  }

  const double tidy = Median(tidyTimes), undo = Median(undoTimes), floor = Median(floorTimes);
  std::printf(
      "%zu songs in %zu folders, %ld us a call, medians of %d rounds (%zu renames), load "
      "average %.2f before and %.2f after:\n",
      options.songs, options.folders, microseconds, options.repeat, renames.size(), loadBefore,
      LoadAverage());
  std::printf("  scan: tunewick-cli list %.0f ms, fdfind %.0f ms: %.2f\n", Median(listTimes),
              Median(fdfindTimes), Median(listTimes) / Median(fdfindTimes));
  std::printf(
      "  tidy %.0f ms, undo %.0f ms, floor (the same renames, %zu folders at once) %.0f ms\n", tidy,
      undo, kFloorFolders, floor);
  std::printf("  tidy / floor %.2f (goal at most %.0f): %s\n", tidy / floor, kTargetRatio,
              tidy / floor <= kTargetRatio ? "met" : "MISSED");
  std::printf("  undo / floor %.2f%s\n", undo / floor,
              microseconds > 1000            ? ""
              : undo / floor <= kTargetRatio ? " (goal at most 2): met"
                                             : " (goal at most 2): MISSED");
  std::printf("  undo %s\n", treeBack ? "gave the tree back" : "DID NOT GIVE THE TREE BACK");
  return treeBack;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.songs = 10000;
  options.folders = 500;
  options.repeat = 3;
  std::vector<long> latencies = {1000, 5000};
  std::vector<char*> shared = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--latency" && i + 1 < argc) {
      const auto value = tunewick::bench::ParseCount(argv[++i]);
      if (!value) return 2;
      latencies = {static_cast<long>(*value)};
    } else {
      shared.push_back(argv[i]);
    }
  }
  if (!tunewick::bench::ParseBenchOptions(static_cast<int>(shared.size()), shared.data(),
                                          {"--songs", "--folders", "--seed", "--repeat"},
                                          options)) {
    std::fprintf(stderr,
                 "usage: share_bench [--songs N] [--folders N] [--seed N] [--repeat N] "
                 "[--latency MICROSECONDS]\n");
    return 2;
  }
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, tunewick::bench::UnmountAndEnd);
  return tunewick::bench::RunTellingFailure("share_bench", [&] {
    bool good = true;
    for (long microseconds : latencies)
      good = tunewick::bench::RunAt(argv[0], options, microseconds) && good;
    return good ? 0 : 1;
  });
}
